# Checks the PE header of a shipping program, on the build machine (no Windows code runs, so it runs
# in every Windows tree, also where its other tests cannot): no link time stamp, Windows 7 (6.1) as the
# subsystem version, no import of VERSION.dll, which only loading the program would pay for, nor of
# WTSAPI32.dll, whose process list describes other users' processes only to administrators.
# Also the image flags a binary checker expects of a Windows program (below).
#   cmake -DVW_PROGRAM=<exe> -DVW_OBJDUMP=<objdump of the target> -P VwProgramHeaderCheck.cmake
cmake_minimum_required(VERSION 3.25)
# objdump prints the time stamp in local time: a stamp of 0 reads as 1970 only in UTC.
execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${VW_OBJDUMP} -p ${VW_PROGRAM}
                OUTPUT_VARIABLE header RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "${VW_OBJDUMP} cannot read ${VW_PROGRAM}")
endif()
get_filename_component(name ${VW_PROGRAM} NAME)
set(faults "")
if(NOT header MATCHES "\nTime/Date[ \t]+Thu Jan  1 00:00:00 1970\n")
    string(REGEX MATCH "Time/Date[^\n]*" stamp "${header}")
    list(APPEND faults "it carries a link time stamp (${stamp})")
endif()
string(REGEX MATCH "MajorSubsystemVersion[ \t]+([0-9]+)" ignored "${header}")
set(major ${CMAKE_MATCH_1})
string(REGEX MATCH "MinorSubsystemVersion[ \t]+([0-9]+)" ignored "${header}")
if(NOT "${major}.${CMAKE_MATCH_1}" STREQUAL "6.1")
    list(APPEND faults "its subsystem version is ${major}.${CMAKE_MATCH_1}, not 6.1")
endif()
string(TOLOWER "${header}" lower)
foreach(dll IN ITEMS VERSION WTSAPI32)
    string(TOLOWER ${dll} name_lower)
    if(lower MATCHES "dll name: ${name_lower}\\.dll")
        list(APPEND faults "it imports ${dll}.dll")
    endif()
endforeach()
# By objdump's names. NO_SEH, for 32-bit code, promises that no handler goes on the SEH chain at fs:0,
# where it would never be called.
set(flags DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE NO_SEH)
if(header MATCHES "\nMagic[ \t]+020b")
    set(flags DYNAMIC_BASE NX_COMPAT TERMINAL_SERVICE_AWARE HIGH_ENTROPY_VA)
else()
    execute_process(COMMAND ${VW_OBJDUMP} -d ${VW_PROGRAM} COMMAND grep -cE "%fs:0x0([^0-9a-fx]|$)"
                    OUTPUT_VARIABLE uses OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(uses GREATER 0)
        list(APPEND faults "it claims NO_SEH, yet ${uses} instructions use the SEH chain at fs:0")
    endif()
endif()
foreach(flag IN LISTS flags)
    if(NOT header MATCHES "\n[ \t]+${flag}\n")
        list(APPEND faults "it lacks the image flag ${flag}")
    endif()
endforeach()
if(faults)
    list(JOIN faults "; " faults)
    message(FATAL_ERROR "${name}: ${faults}")
endif()
message(STATUS "${name}: no time stamp, subsystem version 6.1, no VERSION.dll nor WTSAPI32.dll")
