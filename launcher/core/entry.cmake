# The launcher's entry: command line, the Launcher with its start-up and run steps, service hand-off,
# and the VaultwickService.exe deliverable (64-bit console, static, nine-language resources).
add_library(vw_launcher_entry STATIC
    ${CMAKE_CURRENT_LIST_DIR}/command_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/process_environment.cpp
    ${CMAKE_CURRENT_LIST_DIR}/instance_block.cpp
    ${CMAKE_CURRENT_LIST_DIR}/java_stop_gate.cpp
    ${CMAKE_CURRENT_LIST_DIR}/service_status.cpp
    ${CMAKE_CURRENT_LIST_DIR}/log_file_rules.cpp)
target_include_directories(vw_launcher_entry PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_entry PUBLIC vw_common)

vw_add_fuzz(launcher_instance_block_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/instance_block_fuzz.cpp
            LIBS vw_launcher_entry CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/instance_block)
vw_add_test(launcher_entry_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/command_line_test.cpp
            ${CMAKE_CURRENT_LIST_DIR}/log_file_rules_test.cpp
            LIBS vw_launcher_entry TIMEOUT 60)
# The hand-over block, the service status values and the ordering of stop against main.
vw_add_test(launcher_instance_service_test
            SOURCES ${CMAKE_CURRENT_LIST_DIR}/instance_block_test.cpp ${CMAKE_CURRENT_LIST_DIR}/service_status_test.cpp
                    ${CMAKE_CURRENT_LIST_DIR}/java_stop_gate_test.cpp
            LIBS vw_launcher_entry TIMEOUT 120)

if(WIN32)
    add_library(vw_launcher_core STATIC
        ${CMAKE_CURRENT_LIST_DIR}/launcher_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/single_instance_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service_record_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/service_dispatch_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/stop_limit_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/launch_log_file_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/owner_only_security_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/owner_only_log_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/log_file_handles_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/java_output_roll_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/launch_log_setup_win.cpp
        ${CMAKE_CURRENT_LIST_DIR}/event_log_win.cpp)
    target_link_libraries(vw_launcher_core PUBLIC vw_launcher_entry vw_launcher_host vw_launcher_config
                          vw_launcher_discovery vw_launcher_ui vw_version advapi32)

    add_executable(VaultwickService ${CMAKE_CURRENT_LIST_DIR}/entry_win.cpp)
    target_link_libraries(VaultwickService PRIVATE vw_launcher_core vw_launcher_resources vw_launcher_program_resources
                          advapi32)
    set_target_properties(VaultwickService PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${VW_OUTPUT_DIR})
    include(${CMAKE_SOURCE_DIR}/cmake/VwShipping.cmake)
    vw_shipping_program(VaultwickService)
    target_link_options(VaultwickService PRIVATE -static)

    # End to end under Wine: a copy of the exe in a temporary folder, a real INI beside it, and the
    # stand-in jvm.dll as the runtime (paths handed over as Wine sees them, on drive Z:).
    # Single instance: several copies of the exe at once, talking through named objects and thread
    # messages. Service mode: installed, started, interrogated and stopped through Wine's service manager.
    foreach(test IN ITEMS entry single_instance service launch_log)
        vw_add_test(launcher_${test}_win_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/${test}_win_test.cpp
                    LIBS vw_launcher_entry vw_common TIMEOUT 240)
        target_include_directories(launcher_${test}_win_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/testing)
        add_dependencies(launcher_${test}_win_test VaultwickService vw_standin_jvm_full vw_standin_jvm_nodefaults)
        target_compile_definitions(launcher_${test}_win_test PRIVATE
            VW_SERVICE_EXE="Z:$<TARGET_FILE:VaultwickService>"
            VW_STANDIN_JVM="Z:$<TARGET_FILE:vw_standin_jvm_full>"
            VW_STANDIN_JVM_NODEFAULTS="Z:$<TARGET_FILE:vw_standin_jvm_nodefaults>")
    endforeach()
    target_link_libraries(launcher_service_win_test PRIVATE advapi32)
    # Also both sides of a hand-over in-process, to order the clean-up against a request.
    target_link_libraries(launcher_single_instance_win_test PRIVATE vw_launcher_core)
    target_link_libraries(launcher_launch_log_win_test PRIVATE vw_launcher_core advapi32)
    target_include_directories(launcher_launch_log_win_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../runtime/testing)
    # Wine keeps no event log; the event it accepts shows only on its "eventlog" debug channel, on the
    # Unix standard error the launcher inherits. So the service start-up failure runs once more with
    # that channel on, and its output must hold the event's text.
    vw_command_expecting_output(event_log_command
        "err:eventlog:ReportEventW L\"The Java Runtime Environment \\(JRE\\) was not found"
        ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:launcher_launch_log_win_test>
        --gtest_filter=LaunchLogTest.NoRuntimeInServiceModeGoesToTheDefaultLog)
    add_test(NAME launcher_event_log_win_test COMMAND ${event_log_command})
    vw_wine_timeout(event_log_timeout 120)
    set_tests_properties(launcher_event_log_win_test PROPERTIES TIMEOUT ${event_log_timeout} FIXTURES_REQUIRED WINE
        ENVIRONMENT "VW_WINEDEBUG=-all,err+eventlog")
    # The same for a run whose log is not used: the event names the log and why.
    vw_command_expecting_output(refused_log_command
        "err:eventlog:ReportEventW L\"the launcher log .*launch\\.log is not used, because of its old copy .*: it is one of 2 names"
        ${CMAKE_CROSSCOMPILING_EMULATOR} $<TARGET_FILE:launcher_launch_log_win_test>
        --gtest_filter=LaunchLogTest.LogWithASecondNameIsNotUsedAndTheRunGoesOn)
    add_test(NAME launcher_log_refused_event_win_test COMMAND ${refused_log_command})
    set_tests_properties(launcher_log_refused_event_win_test PROPERTIES TIMEOUT ${event_log_timeout}
        FIXTURES_REQUIRED WINE ENVIRONMENT "VW_WINEDEBUG=-all,err+eventlog")
    # The administrator guide's INI blocks and the shipped INI file are started as they stand and with their
    # examples uncommented, so neither can drift from the code.
    target_compile_definitions(launcher_service_win_test PRIVATE
        VW_SERVICE_GUIDE="Z:${CMAKE_CURRENT_LIST_DIR}/../../docs/administrator-guide.md"
        VW_SHIPPED_INI="Z:${CMAKE_CURRENT_LIST_DIR}/../VaultwickService.ini")

    # The service record in-process: the real launcher and stand-in runtime, the control handler called
    # directly and the status reports kept, for the repeated requests the service manager cannot send.
    vw_add_test(launcher_service_record_win_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/service_record_win_test.cpp
                LIBS vw_launcher_core advapi32 TIMEOUT 120)
    target_include_directories(launcher_service_record_win_test PRIVATE ${CMAKE_CURRENT_LIST_DIR}/testing
                               ${CMAKE_CURRENT_LIST_DIR}/../runtime/testing)
    add_dependencies(launcher_service_record_win_test VaultwickService vw_standin_jvm_full)
    target_compile_definitions(launcher_service_record_win_test PRIVATE
        VW_SERVICE_EXE="Z:$<TARGET_FILE:VaultwickService>" VW_STANDIN_JVM="Z:$<TARGET_FILE:vw_standin_jvm_full>")
endif()

if(WIN32)
    # The exe's machine, version resource, manifest, icon and languages, read from the built file.
    vw_add_test(launcher_program_resources_test
        SOURCES ${CMAKE_CURRENT_LIST_DIR}/launcher_program_resources_test.cpp
        LIBS vw_pe_reader vw_version TIMEOUT 120)
    target_include_directories(launcher_program_resources_test PRIVATE ${CMAKE_SOURCE_DIR}/common/testing
                               ${CMAKE_SOURCE_DIR}/launcher/resources)
    add_dependencies(launcher_program_resources_test VaultwickService)
    target_compile_definitions(launcher_program_resources_test PRIVATE
        VW_SERVICE_EXE="Z:$<TARGET_FILE:VaultwickService>")
endif()
