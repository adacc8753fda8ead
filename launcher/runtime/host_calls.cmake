# stop() and secondaryMain from threads of their own, natively against the real JVM and the
# reference engine's main class (the Wine side is covered by the launcher's end-to-end tests).
# A UTF-8 locale, as for javac: class files with non-ASCII names are found by their file names.
# Run twice: with a single-byte default character set, as Windows runtimes had up to JDK 17, and
# with UTF-8, the default of every runtime since JDK 18.
if(VW_FUZZ OR WIN32 OR NOT VW_ENGINE_JAR)
    return()
endif()
vw_add_test(launcher_java_attached_calls_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/java_attached_calls_test.cpp
    LIBS vw_launcher_host TIMEOUT 180 ENVIRONMENT ${vw_jvm_env} LC_ALL=C.UTF-8 VW_TEST_FILE_ENCODING=ISO-8859-1)
add_test(NAME launcher_java_attached_calls_utf8_test COMMAND launcher_java_attached_calls_test)
set_tests_properties(launcher_java_attached_calls_utf8_test PROPERTIES TIMEOUT 180
    ENVIRONMENT "${vw_jvm_env};LC_ALL=C.UTF-8;VW_TEST_FILE_ENCODING=UTF-8")
target_include_directories(launcher_java_attached_calls_test PRIVATE ${vw_host_testing})
target_compile_definitions(launcher_java_attached_calls_test PRIVATE ${vw_jvm_defs} VW_ENGINE_JAR="${VW_ENGINE_JAR}")
add_dependencies(launcher_java_attached_calls_test vw_host_test_classes vw_engine_jar)
