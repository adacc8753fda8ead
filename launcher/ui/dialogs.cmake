# The Win32 side of the launcher's user interface: string table, console, the "JRE Not Found" and
# "Java Exception" dialogs and the hyperlink control.
if(WIN32)
    # The dialog DLLs load on first use: most runs never show a dialog.
    vw_delay_loaded(comctl32 shell32 ole32 gdi32 user32)
    add_library(vw_launcher_ui STATIC
        ${CMAKE_CURRENT_LIST_DIR}/launcher_text_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/hyperlink_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/jre_not_found_dialog_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/java_exception_dialog_win.cpp)
    target_include_directories(vw_launcher_ui PUBLIC ${CMAKE_CURRENT_LIST_DIR}
                               PRIVATE ${CMAKE_SOURCE_DIR}/launcher/resources)
    target_link_libraries(vw_launcher_ui PUBLIC vw_launcher_messages vw_launcher_discovery
                          Delay::comctl32 Delay::shell32 Delay::ole32 Delay::gdi32
                          Delay::user32 advapi32)

    vw_add_test(launcher_ui_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/launcher_ui_win_test.cpp
        LIBS vw_launcher_ui vw_launcher_resources TIMEOUT 180)
    target_include_directories(launcher_ui_win_test PRIVATE ${CMAKE_SOURCE_DIR}/launcher/resources
                               ${CMAKE_SOURCE_DIR}/launcher/core/testing ${CMAKE_CURRENT_LIST_DIR}/testing)
    # The platform picks German from the system default locale of this process.
    vw_add_test(launcher_language_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/launcher_language_win_test.cpp
        LIBS vw_launcher_ui vw_launcher_resources TIMEOUT 180
        ENVIRONMENT LC_ALL=de_DE.UTF-8)
    target_include_directories(launcher_language_win_test PRIVATE ${CMAKE_SOURCE_DIR}/launcher/resources
                               ${CMAKE_CURRENT_LIST_DIR}/testing)
endif()

if(WIN32)
    # Lays the two dialogs out in every language at the DPI of its process (the launcher's manifest);
    # the test runs it at 96, 144 and 192 DPI. Also shows one dialog for the demo's screenshots.
    add_executable(launcher_dialog_fit_probe WIN32
        ${CMAKE_CURRENT_LIST_DIR}/testing/dialog_fit_probe_win.cpp ${CMAKE_CURRENT_LIST_DIR}/testing/dialog_fit_probe.rc)
    target_include_directories(launcher_dialog_fit_probe PRIVATE ${CMAKE_SOURCE_DIR}/launcher/resources
                               ${CMAKE_BINARY_DIR}/launcher/resources)
    target_link_libraries(launcher_dialog_fit_probe PRIVATE vw_launcher_resources vw_dialog_fit)
    target_link_options(launcher_dialog_fit_probe PRIVATE -municode -static)
    set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/testing/dialog_fit_probe.rc APPEND PROPERTY OBJECT_DEPENDS
        ${CMAKE_BINARY_DIR}/launcher/resources/VaultwickService.manifest)

    vw_add_test(launcher_dialog_fit_win_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/dialog_fit_win_test.cpp
        LIBS vw_dialog_fit TIMEOUT 240)
    add_dependencies(launcher_dialog_fit_win_test launcher_dialog_fit_probe)
    target_compile_definitions(launcher_dialog_fit_win_test PRIVATE
        VW_PROBE_EXE=L"Z:$<TARGET_FILE:launcher_dialog_fit_probe>"
        VW_CJK_FONT_LINKS=L"Z:${CMAKE_SOURCE_DIR}/common/testing/cjk_font_links.reg")
endif()
