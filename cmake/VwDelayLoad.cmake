# Delay-loaded system DLLs for the Windows programs.
#
#   vw_delay_loaded(<lib>...)   e.g. vw_delay_loaded(user32 shell32)
# defines for each <lib> an imported target Delay::<lib>. Linking it instead of <lib> makes the
# program load that DLL on the first call into it rather than at start-up: the launcher needs its
# dialog DLLs only when it shows a dialog, and loading them costs more than everything else it does
# before creating the VM.
#
# The delay import library is made at configure time from the toolchain's own import library: its
# function symbols become a module definition that dlltool turns into delay-load thunks.
function(vw_delay_loaded)
    if(NOT WIN32)
        return()
    endif()
    string(REGEX REPLACE "g\\+\\+(-posix)?$" "" prefix "${CMAKE_CXX_COMPILER}")
    find_program(VW_MINGW_NM NAMES ${prefix}nm REQUIRED)
    find_program(VW_MINGW_DLLTOOL NAMES ${prefix}dlltool REQUIRED)
    set(dir ${CMAKE_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${dir})
    foreach(lib IN LISTS ARGN)
        if(TARGET Delay::${lib})
            continue()
        endif()
        find_library(VW_IMPORT_${lib} NAMES ${lib} REQUIRED)
        execute_process(COMMAND ${VW_MINGW_NM} -g --defined-only ${VW_IMPORT_${lib}}
                        OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "cannot list the symbols of ${VW_IMPORT_${lib}}")
        endif()
        # Function thunks are " T name"; the DLL's name comes from the import library's members.
        string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z_][A-Za-z0-9_@]*" thunks "${symbols}")
        set(def "EXPORTS\n")
        foreach(line IN LISTS thunks)
            string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${line}")
            string(APPEND def "${name}\n")
        endforeach()
        string(TOUPPER ${lib} dll)
        file(WRITE ${dir}/${lib}.def "LIBRARY ${dll}.dll\n${def}")
        # Relative names: dlltool makes its symbols' names from the output path, which must not
        # depend on where the tree is (a release build is the same bytes wherever it is made).
        execute_process(COMMAND ${VW_MINGW_DLLTOOL} --input-def ${lib}.def
                                --output-delaylib lib${lib}_delay.a --dllname ${dll}.dll
                        WORKING_DIRECTORY ${dir} RESULT_VARIABLE rc)
        if(NOT rc EQUAL 0)
            message(FATAL_ERROR "dlltool could not make the delay import library of ${lib}")
        endif()
        add_library(Delay::${lib} STATIC IMPORTED GLOBAL)
        set_target_properties(Delay::${lib} PROPERTIES
            IMPORTED_LOCATION ${dir}/lib${lib}_delay.a
            INTERFACE_LINK_LIBRARIES delayimp)
    endforeach()
endfunction()
