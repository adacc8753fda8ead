# Java runtime discovery: folder probes, registered runtimes, ordering and choice (portable over the
# FileProbe/RegistryReader seams), the start-up search with the "JRE Not Found" hand-over, and the
# Win32 seams.
# What a runtime's files say about it: the `release` file's version, the library's PE machine, and
# the candidate list that counts one runtime once. Portable; the host uses the PE reader too.
add_library(vw_launcher_runtime_files STATIC
    ${CMAKE_CURRENT_LIST_DIR}/release_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/pe_image.cpp
    ${CMAKE_CURRENT_LIST_DIR}/candidate_list.cpp)
target_include_directories(vw_launcher_runtime_files PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_runtime_files PUBLIC vw_launcher_config)
if(WIN32)
    target_sources(vw_launcher_runtime_files PRIVATE ${CMAKE_CURRENT_LIST_DIR}/file_head_win.cpp)
endif()
vw_add_fuzz(launcher_runtime_files_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_files_fuzz.cpp
            LIBS vw_launcher_runtime_files CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/runtime_files)

add_library(vw_launcher_discovery STATIC
    ${CMAKE_CURRENT_LIST_DIR}/runtime_rules.cpp
    ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/modern_runtimes.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate_runtime.cpp)
target_include_directories(vw_launcher_discovery PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_discovery PUBLIC vw_launcher_config vw_launcher_messages vw_launcher_runtime_files)
if(WIN32)
    target_sources(vw_launcher_discovery PRIVATE ${CMAKE_CURRENT_LIST_DIR}/runtime_probe_win.cpp)
    target_link_libraries(vw_launcher_discovery PUBLIC advapi32)
endif()

vw_add_test(launcher_discovery_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery_test.cpp ${CMAKE_CURRENT_LIST_DIR}/modern_runtimes_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/runtime_files_test.cpp
    LIBS vw_launcher_discovery TIMEOUT 120)
if(TARGET launcher_discovery_test)
    target_include_directories(launcher_discovery_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/testing)
endif()
if(WIN32)
    vw_add_test(launcher_discovery_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery_win_test.cpp ${CMAKE_CURRENT_LIST_DIR}/modern_runtimes_win_test.cpp
        LIBS vw_launcher_discovery TIMEOUT 120)
    target_include_directories(launcher_discovery_win_test PRIVATE ${CMAKE_SOURCE_DIR}/launcher/core/testing
                               ${CMAKE_CURRENT_LIST_DIR}/testing)
    add_dependencies(launcher_discovery_win_test vw_standin_jvm_full)
    target_compile_definitions(launcher_discovery_win_test PRIVATE VW_STANDIN_JVM="Z:$<TARGET_FILE:vw_standin_jvm_full>")
endif()
