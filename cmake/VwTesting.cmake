# Test helpers shared by every folder.
#
#   vw_add_test(<name> SOURCES <files...> [LIBS <libs...>] [TIMEOUT <s>] [ENVIRONMENT <k=v...>]
#               [FIXTURES <fixtures...>] [EMULATED_CASES <gtest filter>])
#     One executable, one ctest entry (Wine start-up costs per process, so no per-case discovery).
#     In a Windows tree the entry runs under Wine through the emulator and needs the WINE fixture;
#     its time-out grows like every Wine time-out of the tree (vw_wine_timeout).
#     In an i686 tree on a machine that runs i386 code only under user-mode emulation, only the
#     EMULATED_CASES of a test run (exactly one case, which must pass, with a clean exit), with their
#     waits stretched; every other entry is registered but disabled, so ctest lists it as not run.
#     Where i386 code cannot run at all, every Wine entry is disabled.
#
#   vw_add_fuzz(<name> SOURCES <files...> [LIBS <libs...>] [CORPUS <dir>])
#     In the fuzz tree only: a libFuzzer program and a ctest entry that runs it for VW_FUZZ_SECONDS.

function(vw_add_test name)
    if(VW_FUZZ)
        return()
    endif()
    cmake_parse_arguments(T "" "TIMEOUT;EMULATED_CASES" "SOURCES;LIBS;ENVIRONMENT;FIXTURES" ${ARGN})
    add_executable(${name} ${T_SOURCES})
    target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gmock_main)
    if(VW_TARGET STREQUAL win32 AND VW_I386_MODE STREQUAL emulated AND T_EMULATED_CASES)
        # A filter that matches nothing (a renamed case) makes gtest pass with 0 tests: require one.
        vw_command_expecting_output(command "\\[  PASSED  \\] 1 test\\." ${CMAKE_CROSSCOMPILING_EMULATOR}
                                    $<TARGET_FILE:${name}>)
        add_test(NAME ${name} COMMAND ${command})
    else()
        add_test(NAME ${name} COMMAND ${name})
    endif()
    if(NOT T_TIMEOUT)
        set(T_TIMEOUT 300)
    endif()
    set(fixtures ${T_FIXTURES})
    if(WIN32)
        list(APPEND fixtures WINE)
        vw_wine_timeout(T_TIMEOUT ${T_TIMEOUT})
    endif()
    set_tests_properties(${name} PROPERTIES TIMEOUT ${T_TIMEOUT})
    if(fixtures)
        set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED "${fixtures}")
    endif()
    if(T_ENVIRONMENT)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT ${T_ENVIRONMENT})
    endif()
    vw_fit_test_to_i386_mode(${name} "${T_EMULATED_CASES}")
endfunction()

# vw_wine_timeout(<var> <seconds>): the time-out of a Wine step in this tree. Where i386 programs run
# only under emulation, Wine is far slower in every Windows tree, not only the 32-bit one: a 64-bit
# prefix also runs its 32-bit set-up steps through the emulator (128-143 s seen on 2 cores).
function(vw_wine_timeout var seconds)
    if(VW_I386_MODE STREQUAL emulated)
        math(EXPR seconds "${seconds} * 4 + 600")
    endif()
    set(${var} ${seconds} PARENT_SCOPE)
endfunction()

# Programs start 20-50 times slower under qemu-i386 than natively (a Wine process about a minute).
set(VW_EMULATION_SLOWDOWN 20)

function(vw_fit_test_to_i386_mode name emulated_cases)
    if(NOT VW_TARGET STREQUAL win32 OR VW_I386_MODE STREQUAL native)
        return()
    endif()
    if(VW_I386_MODE STREQUAL emulated AND emulated_cases)
        set_property(TEST ${name} APPEND PROPERTY ENVIRONMENT
                     GTEST_FILTER=${emulated_cases} VW_TIME_SCALE=${VW_EMULATION_SLOWDOWN})
    else()
        set_tests_properties(${name} PROPERTIES DISABLED TRUE)
    endif()
endfunction()

# vw_command_expecting_output(<var> <regex> <command...>): a test command that passes only when the
# command exits 0 and prints a line matching the regex. ctest's PASS_REGULAR_EXPRESSION alone ignores
# the exit code, so a crash or gmock's leak check after gtest's summary would pass.
function(vw_command_expecting_output var regex)
    set(${var} bash ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../scripts/expect-output.sh ${regex} ${ARGN} PARENT_SCOPE)
endfunction()

function(vw_add_fuzz name)
    if(NOT VW_FUZZ)
        return()
    endif()
    cmake_parse_arguments(F "" "CORPUS" "SOURCES;LIBS" ${ARGN})
    add_executable(${name} ${F_SOURCES})
    target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_options(${name} PRIVATE -fsanitize=fuzzer)
    target_link_libraries(${name} PRIVATE ${F_LIBS})
    set(workdir ${CMAKE_CURRENT_BINARY_DIR}/${name}-corpus)
    file(MAKE_DIRECTORY ${workdir})
    set(seed "")
    if(F_CORPUS)
        set(seed ${F_CORPUS})
    endif()
    add_test(NAME ${name}
             COMMAND ${name} -max_total_time=${VW_FUZZ_SECONDS} -rss_limit_mb=2048 -print_final_stats=1
                     ${workdir} ${seed})
    math(EXPR limit "${VW_FUZZ_SECONDS} + 120")
    set_tests_properties(${name} PROPERTIES TIMEOUT ${limit})
endfunction()

# The Wine session (prefix + virtual display) of a Windows tree, as ctest fixtures so that a plain
# `ctest` in the tree works on its own.
function(vw_add_wine_fixture)
    set(session ${CMAKE_SOURCE_DIR}/scripts/wine-session.sh)
    add_test(NAME wine_up COMMAND ${session} up ${VW_WINE_STATE})
    add_test(NAME wine_down COMMAND ${session} down ${VW_WINE_STATE})
    vw_wine_timeout(up 180)
    vw_wine_timeout(down 60)
    set_tests_properties(wine_up PROPERTIES FIXTURES_SETUP WINE TIMEOUT ${up})
    set_tests_properties(wine_down PROPERTIES FIXTURES_CLEANUP WINE TIMEOUT ${down})
    if(VW_TARGET STREQUAL win32 AND VW_I386_MODE STREQUAL none)
        set_tests_properties(wine_up wine_down PROPERTIES DISABLED TRUE)
    endif()
endfunction()
