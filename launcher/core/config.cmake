# Launcher configuration: setting values and paths (portable), the INI file access, and the
# configuration step that fills LaunchConfig.
add_library(vw_launcher_config STATIC
    ${CMAKE_CURRENT_LIST_DIR}/config_values.cpp)
target_include_directories(vw_launcher_config PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_config PUBLIC vw_common)
