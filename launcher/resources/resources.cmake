# The launcher's string table and dialogs in nine languages, linked into VaultwickService.exe and into
# the Windows tests that load them.
if(WIN32)
    file(GLOB language_files ${CMAKE_CURRENT_LIST_DIR}/*.rci)
    set_source_files_properties(${CMAKE_CURRENT_LIST_DIR}/launcher.rc PROPERTIES
        OBJECT_DEPENDS "${language_files};${CMAKE_CURRENT_LIST_DIR}/launcher_resource_ids.h")
    add_library(vw_launcher_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/launcher.rc)
    target_include_directories(vw_launcher_resources PUBLIC ${CMAKE_CURRENT_LIST_DIR})
endif()

# VaultwickService.exe's own version resource, manifest and icon.
if(WIN32)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/VaultwickService.manifest.in
                   ${CMAKE_CURRENT_BINARY_DIR}/VaultwickService.manifest @ONLY)
    add_library(vw_launcher_program_resources OBJECT ${CMAKE_CURRENT_LIST_DIR}/launcher_program.rc)
    target_include_directories(vw_launcher_program_resources PRIVATE ${CMAKE_CURRENT_BINARY_DIR}
                               ${CMAKE_CURRENT_LIST_DIR})
    target_link_libraries(vw_launcher_program_resources PRIVATE vw_version)
    # Its message table, for the event log: compiled by the toolchain's message compiler.
    string(REPLACE "windres" "windmc" windmc_name ${CMAKE_RC_COMPILER})
    find_program(VW_WINDMC NAMES ${windmc_name} REQUIRED)
    add_custom_command(OUTPUT ${CMAKE_CURRENT_BINARY_DIR}/event_messages.bin
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/event_messages
        COMMAND ${VW_WINDMC} -r ${CMAKE_CURRENT_BINARY_DIR} -h ${CMAKE_CURRENT_BINARY_DIR}/event_messages
                ${CMAKE_CURRENT_LIST_DIR}/event_messages.mc
        DEPENDS ${CMAKE_CURRENT_LIST_DIR}/event_messages.mc VERBATIM)
    target_sources(vw_launcher_program_resources PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/event_messages.bin)
    set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/launcher_program.rc APPEND PROPERTY OBJECT_DEPENDS
        ${CMAKE_CURRENT_BINARY_DIR}/event_messages.bin)
    set_property(SOURCE ${CMAKE_CURRENT_LIST_DIR}/launcher_program.rc APPEND PROPERTY OBJECT_DEPENDS
        ${CMAKE_CURRENT_BINARY_DIR}/VaultwickService.manifest ${CMAKE_CURRENT_LIST_DIR}/art/launcher.ico
        ${CMAKE_SOURCE_DIR}/common/resources/version_info.rci ${CMAKE_BINARY_DIR}/common/resources/vw_version.h)
endif()
