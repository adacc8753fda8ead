# What ships stays apart from what does not.
#
#   vw_shipping_program(<target>)
# Rule of the tree: tests sit beside what they test (x_test.cpp, x_win_test.cpp, x_fuzz.cpp); every
# other file that is not part of a program (fakes, recorders, servers, test-support headers, benchmarks
# and floors, showcases, the stand-in runtime) lives in a testing/, bench/ or demo/ folder of its area.
# For a program that ships, the build fails when any source of the program or of a library it links,
# any include folder it compiles with, or any file its sources include (followed through quoted
# #include lines) lies in such a folder. The sources and folders are listed at the end of the
# configure step; the includes are followed before each link, so a new #include is caught too.
function(vw_shipping_program target)
    # The folder list is complete only once every folder is read, so it is written at the end; the
    # command that follows the includes belongs to the target's own folder.
    add_custom_command(TARGET ${target} PRE_LINK
        COMMAND ${CMAKE_COMMAND} -DVW_LIST=${CMAKE_BINARY_DIR}/shipping/${target}.cmake -DVW_ROOT=${CMAKE_SOURCE_DIR}
                -DVW_TARGET=${target} -P ${CMAKE_SOURCE_DIR}/cmake/VwShippingCheck.cmake
        VERBATIM)
    cmake_language(EVAL CODE "
        cmake_language(DEFER DIRECTORY [[${CMAKE_SOURCE_DIR}]] CALL _vw_check_shipping [[${target}]])")
endfunction()

function(_vw_shipping_closure target sources_var includes_var seen_var)
    set(seen ${${seen_var}})
    if(NOT TARGET ${target} OR ${target} IN_LIST seen)
        return()
    endif()
    list(APPEND seen ${target})
    get_target_property(type ${target} TYPE)
    get_target_property(dir ${target} SOURCE_DIR)
    get_target_property(imported ${target} IMPORTED)
    set(sources ${${sources_var}})
    set(includes ${${includes_var}})
    if(NOT imported)
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(own ${target} SOURCES)
            foreach(source IN LISTS own)
                if(source MATCHES "\\$<")
                    continue()
                endif()
                cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${dir} NORMALIZE)
                list(APPEND sources ${source})
            endforeach()
            get_target_property(own_includes ${target} INCLUDE_DIRECTORIES)
            if(own_includes)
                list(APPEND includes ${own_includes})
            endif()
        endif()
        get_target_property(interface_includes ${target} INTERFACE_INCLUDE_DIRECTORIES)
        if(interface_includes)
            list(APPEND includes ${interface_includes})
        endif()
    endif()
    set(links "")
    foreach(property IN ITEMS LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
        if(imported AND property STREQUAL "LINK_LIBRARIES")
            continue()
        endif()
        if(type STREQUAL "INTERFACE_LIBRARY" AND property STREQUAL "LINK_LIBRARIES")
            continue()
        endif()
        get_target_property(more ${target} ${property})
        if(more)
            list(APPEND links ${more})
        endif()
    endforeach()
    set(${sources_var} ${sources} PARENT_SCOPE)
    set(${includes_var} ${includes} PARENT_SCOPE)
    set(${seen_var} ${seen} PARENT_SCOPE)
    foreach(link IN LISTS links)
        string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
        if(TARGET ${link})
            _vw_shipping_closure(${link} sources includes seen)
        endif()
    endforeach()
    set(${sources_var} ${sources} PARENT_SCOPE)
    set(${includes_var} ${includes} PARENT_SCOPE)
    set(${seen_var} ${seen} PARENT_SCOPE)
endfunction()

function(_vw_check_shipping target)
    set(sources "")
    set(includes "")
    set(seen "")
    _vw_shipping_closure(${target} sources includes seen)
    list(REMOVE_DUPLICATES sources)
    list(REMOVE_DUPLICATES includes)
    list(FILTER includes EXCLUDE REGEX "\\$<")
    foreach(path IN LISTS sources includes)
        file(RELATIVE_PATH inside ${CMAKE_SOURCE_DIR} ${path})
        if("/${inside}" MATCHES "/(testing|bench|demo)(/|$)" AND NOT inside MATCHES "^\\.\\.")
            message(FATAL_ERROR "${target} ships, but builds with ${inside}, which does not ship "
                                "(testing/, bench/ and demo/ folders are for tests, benchmarks and demos)")
        endif()
    endforeach()
    file(WRITE ${CMAKE_BINARY_DIR}/shipping/${target}.cmake
         "set(VW_SOURCES [[${sources}]])\nset(VW_INCLUDES [[${includes}]])\n")
endfunction()
