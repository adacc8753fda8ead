# Tests of the runtime host. Natively: one real JVM per test executable (a JNI rule), test classes
# compiled here with javac. ASan must leave the JVM's own SIGSEGV handling alone (implicit null checks,
# safepoint polls), and the JVM's arenas are not leaks.
set(vw_jvm_env "ASAN_OPTIONS=handle_segv=0:allow_user_segv_handler=1:detect_leaks=0:handle_sigill=0")

set(vw_host_testing ${vw_runtime_dir}/testing)
if(WIN32)
    set(vw_stack_probe ${vw_host_testing}/thread_stack_size_win.cpp)
else()
    set(vw_stack_probe ${vw_host_testing}/thread_stack_size_posix.cpp)
endif()
vw_add_test(launcher_vm_thread_test
    SOURCES ${vw_runtime_dir}/vm_thread_test.cpp ${vw_stack_probe}
    LIBS vw_launcher_host TIMEOUT 60)
target_include_directories(launcher_vm_thread_test PRIVATE ${vw_host_testing})

if(WIN32)
    return()
endif()

find_program(VW_JAVAC javac HINTS ${VW_JAVA_HOME}/bin REQUIRED)
file(GLOB vw_test_java ${vw_host_testing}/java/vwtest/*.java)
set(VW_HOST_TEST_CLASSES ${CMAKE_CURRENT_BINARY_DIR}/host-test-classes)
add_custom_command(OUTPUT ${VW_HOST_TEST_CLASSES}/stamp
    COMMAND ${CMAKE_COMMAND} -E env LC_ALL=C.UTF-8 ${VW_JAVAC} -d ${VW_HOST_TEST_CLASSES} ${vw_test_java}
    COMMAND ${CMAKE_COMMAND} -E touch ${VW_HOST_TEST_CLASSES}/stamp
    DEPENDS ${vw_test_java} VERBATIM)
add_custom_target(vw_host_test_classes DEPENDS ${VW_HOST_TEST_CLASSES}/stamp)

set(vw_jvm_defs VW_LIBJVM="${VW_JAVA_HOME}/lib/server/libjvm.so" VW_TEST_CLASSES="${VW_HOST_TEST_CLASSES}")

vw_add_test(launcher_java_host_test
    SOURCES ${vw_runtime_dir}/java_host_test.cpp
    LIBS vw_launcher_host TIMEOUT 120 ENVIRONMENT ${vw_jvm_env})
target_include_directories(launcher_java_host_test PRIVATE ${vw_host_testing})
target_compile_definitions(launcher_java_host_test PRIVATE ${vw_jvm_defs})
add_dependencies(launcher_java_host_test vw_host_test_classes)

# A minimal native run step over the real JVM, so whole-process outcomes (exit codes, DestroyJavaVM
# waiting, detaching on failure paths) are observed from outside.
add_executable(launcher_java_run ${vw_host_testing}/java_run_main.cpp)
target_link_libraries(launcher_java_run PRIVATE vw_launcher_host)
target_include_directories(launcher_java_run PRIVATE ${vw_host_testing})
target_compile_definitions(launcher_java_run PRIVATE ${vw_jvm_defs})

vw_add_test(launcher_java_run_test
    SOURCES ${vw_runtime_dir}/java_run_test.cpp
    LIBS vw_common TIMEOUT 300 ENVIRONMENT ${vw_jvm_env})
target_compile_definitions(launcher_java_run_test PRIVATE ${vw_jvm_defs}
    VW_JAVA_RUN="$<TARGET_FILE:launcher_java_run>")
add_dependencies(launcher_java_run_test launcher_java_run vw_host_test_classes)
