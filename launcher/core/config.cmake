# Launcher configuration: setting values and paths (portable), the INI file access and the
# configuration step that fills LaunchConfig (portable over ConfigPlatform), and the Win32 platform.
add_library(vw_launcher_config STATIC
    ${CMAKE_CURRENT_LIST_DIR}/config_values.cpp
    ${CMAKE_CURRENT_LIST_DIR}/config_file.cpp
    ${CMAKE_CURRENT_LIST_DIR}/ini_section.cpp)
target_include_directories(vw_launcher_config PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_config PUBLIC vw_common)
if(WIN32)
    target_sources(vw_launcher_config PRIVATE ${CMAKE_CURRENT_LIST_DIR}/config_platform_win.cpp)
endif()

vw_add_test(launcher_config_test
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_values_test.cpp ${CMAKE_CURRENT_LIST_DIR}/config_file_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/ini_section_test.cpp
    LIBS vw_launcher_config TIMEOUT 120)
if(WIN32)
    vw_add_test(launcher_config_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_file_win_test.cpp
        LIBS vw_launcher_config TIMEOUT 120)
    target_include_directories(launcher_config_win_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/testing)
endif()

vw_add_fuzz(launcher_config_values_fuzz
    SOURCES ${CMAKE_CURRENT_LIST_DIR}/config_values_fuzz.cpp
    LIBS vw_launcher_config
    CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/config_values)
