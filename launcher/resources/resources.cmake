# The launcher's string table and dialogs in nine languages, linked into VaultwickService.exe and into
# the Windows tests that load them.
if(WIN32)
    file(GLOB language_files ${CMAKE_CURRENT_LIST_DIR}/*.rci)
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/launcher.rc PROPERTIES
        OBJECT_DEPENDS "${language_files};${CMAKE_CURRENT_LIST_DIR}/launcher_resource_ids.h")
    add_library(vw_launcher_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/launcher.rc)
    target_include_directories(vw_launcher_resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()
