# The reference engine: a jar built with the host's JDK in every tree (the tests of all trees run
# it), and vw_engine_control, the C++ client of its control protocol.
find_program(VW_JAVAC javac HINTS $ENV{JAVA_HOME}/bin /usr/lib/jvm/java-17-openjdk-amd64/bin REQUIRED)
find_program(VW_JAR_TOOL jar HINTS $ENV{JAVA_HOME}/bin /usr/lib/jvm/java-17-openjdk-amd64/bin REQUIRED)
find_program(VW_JAVA_FOUND java HINTS $ENV{JAVA_HOME}/bin /usr/lib/jvm/java-17-openjdk-amd64/bin REQUIRED)

set(engine_sources
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/Catalogue.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/ControlSession.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/Frame.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/Recorder.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/ReferenceEngine.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/ReferenceEngineWithExitCode.java
    ${CMAKE_CURRENT_SOURCE_DIR}/src/vaultwick/engine/TrayEndpoint.java)
set(engine_classes ${CMAKE_CURRENT_BINARY_DIR}/classes)
set(engine_jar ${CMAKE_CURRENT_BINARY_DIR}/vaultwick-engine.jar)
add_custom_command(
    OUTPUT ${engine_jar}
    COMMAND ${CMAKE_COMMAND} -E rm -rf ${engine_classes}
    COMMAND ${VW_JAVAC} --release 17 -Xlint:all -Werror -encoding UTF-8 -d ${engine_classes} ${engine_sources}
    COMMAND ${VW_JAR_TOOL} --create --file ${engine_jar} --main-class vaultwick.engine.ReferenceEngine
            -C ${engine_classes} .
    DEPENDS ${engine_sources}
    COMMENT "Building the reference engine jar"
    VERBATIM)
add_custom_target(vw_engine_jar ALL DEPENDS ${engine_jar})

# Other folders' tests start the engine as: ${VW_JAVA} -jar ${VW_ENGINE_JAR} ... (or via vw_engine_control).
set(VW_ENGINE_JAR ${engine_jar} CACHE INTERNAL "The reference engine jar")
set(VW_JAVA ${VW_JAVA_FOUND} CACHE INTERNAL "The host's java, which runs the reference engine")

if(VW_FUZZ)
    return()
endif()

if(WIN32)
    set(engine_platform engine_control_win.cpp)
    set(engine_platform_libs vw_common ws2_32)
else()
    set(engine_platform engine_control_posix.cpp)
    set(engine_platform_libs)
endif()
add_library(vw_engine_control STATIC engine_record.cpp engine_control.cpp ${engine_platform})
target_include_directories(vw_engine_control PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(vw_engine_control PUBLIC ${engine_platform_libs})
set_source_files_properties(engine_control.cpp PROPERTIES COMPILE_DEFINITIONS
    "VW_ENGINE_JAVA=\"${VW_JAVA}\";VW_ENGINE_JAR_PATH=\"${VW_ENGINE_JAR}\"")
add_dependencies(vw_engine_control vw_engine_jar)

vw_add_test(engine_record_test SOURCES engine_record_test.cpp LIBS vw_engine_control TIMEOUT 60)
if(NOT VW_TARGET STREQUAL win64)
    vw_add_test(engine_protocol_test SOURCES engine_protocol_test.cpp LIBS vw_engine_control TIMEOUT 180)
endif()

# The main-class contract, checked in Java; the native tree runs it.
if(VW_TARGET STREQUAL native)
    set(contract_source ${CMAKE_CURRENT_SOURCE_DIR}/test/vaultwick/engine/ContractCheck.java)
    set(contract_classes ${CMAKE_CURRENT_BINARY_DIR}/test-classes)
    add_custom_command(
        OUTPUT ${contract_classes}/vaultwick/engine/ContractCheck.class
        COMMAND ${VW_JAVAC} --release 17 -Xlint:all -Werror -encoding UTF-8 -cp ${engine_jar}
                -d ${contract_classes} ${contract_source}
        DEPENDS ${contract_source} ${engine_jar}
        COMMENT "Building the engine's contract check"
        VERBATIM)
    add_custom_target(vw_engine_contract_check ALL DEPENDS ${contract_classes}/vaultwick/engine/ContractCheck.class)
    vw_add_test(engine_contract_test SOURCES engine_contract_test.cpp TIMEOUT 120)
    target_compile_definitions(engine_contract_test PRIVATE VW_ENGINE_JAVA="${VW_JAVA}"
        VW_ENGINE_JAR_PATH="${VW_ENGINE_JAR}" VW_ENGINE_TEST_CLASSES="${contract_classes}")
    add_dependencies(engine_contract_test vw_engine_contract_check)
endif()
