# What ships stays apart from what does not.
#
#   vw_shipping_program(<target>)
# Rule of the tree: tests sit beside what they test (x_test.cpp, x_win_test.cpp, x_fuzz.cpp); every
# other file that is not part of a program (fakes, recorders, servers, test-support headers, benchmarks
# and floors, showcases, the stand-in runtime) lives in a testing/, bench/ or demo/ folder of its area,
# and the top-level engine/ is the reference engine the tests and the demo run. For a program that
# ships, the build fails when any source of the program or of a library it links (its own and interface
# sources, also those given as generator expressions), any include folder it compiles with, or any file
# its sources include (followed through quoted and angle-bracket #include lines) lies in such a folder.
# Links are followed through any generator expression that names a target, whatever its condition.
# The check (cmake/VwShippingCheck.cmake) runs before each link, on lists written at generate time, so a
# new #include is caught too. The program's header and image flags are checked by a test
# (VwProgramHeaderCheck.cmake).
function(vw_shipping_program target)
    # The library list is complete only once every folder is read, so it is written at the end; the
    # command that checks it belongs to the target's own folder.
    add_custom_command(TARGET ${target} PRE_LINK
        COMMAND ${CMAKE_COMMAND} -DVW_LIST=${CMAKE_BINARY_DIR}/shipping/${target}.cmake -DVW_ROOT=${CMAKE_SOURCE_DIR}
                -DVW_TARGET=${target} -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VwShippingCheck.cmake
        VERBATIM)
    cmake_language(EVAL CODE "
        cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _vw_list_shipping [[${target}]])")
    # The image flags a binary checker expects of a Windows program: no compatibility redirections in
    # remote-desktop sessions and, for 32-bit code, the promise that the program registers no SEH
    # handler (it has none: exceptions unwind through DWARF tables), which stands in for a SafeSEH table.
    if(WIN32)
        target_link_options(${target} PRIVATE -Wl,--tsaware $<$<EQUAL:${CMAKE_SIZEOF_VOID_P},4>:-Wl,--no-seh>)
    endif()
    # The built program's header, read on this machine.
    if(NOT VW_FUZZ)
        add_test(NAME ${target}_header_test
                 COMMAND ${CMAKE_COMMAND} -DVW_PROGRAM=$<TARGET_FILE:${target}> -DVW_OBJDUMP=${CMAKE_OBJDUMP}
                         -P ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/VwProgramHeaderCheck.cmake)
        set_tests_properties(${target}_header_test PROPERTIES TIMEOUT 60)
    endif()
endfunction()

# The targets <target> builds with: itself and every target its links name, transitively.
function(_vw_shipping_closure target seen_var)
    set(seen ${${seen_var}})
    if(NOT TARGET ${target} OR ${target} IN_LIST seen)
        return()
    endif()
    list(APPEND seen ${target})
    get_target_property(type ${target} TYPE)
    get_target_property(imported ${target} IMPORTED)
    set(links "")
    foreach(property IN ITEMS LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        if(property STREQUAL "LINK_LIBRARIES" AND (imported OR type STREQUAL "INTERFACE_LIBRARY"))
            continue()
        endif()
        get_target_property(more ${target} ${property})
        if(more)
            list(APPEND links ${more})
        endif()
    endforeach()
    foreach(link IN LISTS links)
        # A generator expression may hide a link behind any condition: every target it names counts.
        set(names ${link})
        if(link MATCHES "\\$<")
            string(REGEX MATCHALL "[A-Za-z0-9_.+-]+(::[A-Za-z0-9_.+-]+)*" names "${link}")
        endif()
        foreach(name IN LISTS names)
            if(TARGET ${name})
                _vw_shipping_closure(${name} seen)
            endif()
        endforeach()
    endforeach()
    set(${seen_var} ${seen} PARENT_SCOPE)
endfunction()

# Writes, at generate time (so generator expressions are resolved), the sources and include folders
# of every target the program builds with, for VwShippingCheck.cmake.
function(_vw_list_shipping target)
    set(seen "")
    _vw_shipping_closure(${target} seen)
    set(content "")
    set(includes "")
    foreach(t IN LISTS seen)
        get_target_property(imported ${t} IMPORTED)
        if(imported)
            continue()
        endif()
        get_target_property(type ${t} TYPE)
        get_target_property(dir ${t} SOURCE_DIR)
        string(APPEND content "vw_sources([[${dir}]] [[$<TARGET_PROPERTY:${t},SOURCES>]])\n"
                              "vw_sources([[${dir}]] [[$<TARGET_PROPERTY:${t},INTERFACE_SOURCES>]])\n")
        if(type STREQUAL "INTERFACE_LIBRARY")
            list(APPEND includes "$<TARGET_PROPERTY:${t},INTERFACE_INCLUDE_DIRECTORIES>")
        else()
            list(APPEND includes "$<TARGET_PROPERTY:${t},INCLUDE_DIRECTORIES>")
        endif()
    endforeach()
    file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/shipping/${target}.cmake
         CONTENT "${content}set(VW_INCLUDES [[${includes}]])\n")
endfunction()
