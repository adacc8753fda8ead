# Java runtime discovery: folder probes, registered runtimes, ordering and choice (portable over the
# FileProbe/RegistryReader seams), the start-up search with the "JRE Not Found" hand-over, and the
# Win32 seams.
add_library(vw_launcher_discovery STATIC
    ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery.cpp
    ${CMAKE_CURRENT_LIST_DIR}/locate_runtime.cpp)
target_include_directories(vw_launcher_discovery PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_discovery PUBLIC vw_launcher_config vw_launcher_messages)
if(WIN32)
    target_sources(vw_launcher_discovery PRIVATE ${CMAKE_CURRENT_LIST_DIR}/runtime_probe_win.cpp)
    target_link_libraries(vw_launcher_discovery PUBLIC advapi32)
endif()

vw_add_test(launcher_discovery_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery_test.cpp
    LIBS vw_launcher_discovery TIMEOUT 120)
if(WIN32)
    vw_add_test(launcher_discovery_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/runtime_discovery_win_test.cpp
        LIBS vw_launcher_discovery TIMEOUT 120)
    target_include_directories(launcher_discovery_win_test PRIVATE ${CMAKE_SOURCE_DIR}/launcher/core/testing)
endif()
