# Test of VwShippingCheck.cmake on the fixtures beside this file:
#   cmake -DVW_WORK=<scratch folder> -P shipping_check_test.cmake
cmake_minimum_required(VERSION 3.25)
set(fixtures ${CMAKE_CURRENT_LIST_DIR})
set(check ${CMAKE_CURRENT_LIST_DIR}/../../VwShippingCheck.cmake)
file(MAKE_DIRECTORY ${VW_WORK})
set(failures 0)

# judge(<name> <exit code> <output> <should pass> <message part>)
function(judge name rc out should_pass part)
    string(REPLACE "\n" " " out "${out}")
    string(REGEX REPLACE " +" " " out "${out}")
    if(should_pass AND NOT rc EQUAL 0)
        message(SEND_ERROR "${name}: refused a clean program: ${out}")
    elseif(NOT should_pass AND rc EQUAL 0)
        message(SEND_ERROR "${name}: let a non-shipping file through")
    elseif(NOT should_pass AND NOT out MATCHES "${part}")
        message(SEND_ERROR "${name}: says \"${out}\", not \"${part}\"")
    else()
        message(STATUS "${name}: as expected")
    endif()
endfunction()

# expect(<name> <source> <include folders> <should pass> <message part>)
function(expect name source includes should_pass part)
    file(WRITE ${VW_WORK}/${name}.cmake "set(VW_SOURCES [[${fixtures}/${source}]])\nset(VW_INCLUDES [[${includes}]])\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DVW_LIST=${VW_WORK}/${name}.cmake -DVW_ROOT=${fixtures} -DVW_TARGET=${name}
                            -P ${check}
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    judge(${name} "${rc}" "${err}" ${should_pass} "${part}")
endfunction()

expect(clean shipped_clean.cpp "" TRUE "")
expect(reaching shipped_reaching.cpp "" FALSE "plain_reaching.h includes testing/helper.h")
expect(by_folder shipped_by_folder.cpp "${fixtures}/testing" FALSE "shipped_by_folder.cpp includes testing/helper.h")
expect(angle shipped_angle.cpp "${fixtures}" FALSE "plain_reaching.h includes testing/helper.h")
expect(engine shipped_engine.cpp "" FALSE "shipped_engine.cpp includes engine/engine_part.h")
expect(source testing/helper.cpp "" FALSE "builds testing/helper.cpp")

# The whole rule in a project (the fixture CMakeLists.txt beside this file): the lists VwShipping.cmake
# writes must hold what a program really builds with, however the build names it.
# build(<case> <should pass> <message part>)
function(build case should_pass part)
    set(tree ${VW_WORK}/project-${case})
    execute_process(COMMAND ${CMAKE_COMMAND} -S ${fixtures} -B ${tree} -DCASE=${case}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(rc EQUAL 0)
        execute_process(COMMAND ${CMAKE_COMMAND} --build ${tree} --target program
                        RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
    endif()
    judge("project ${case}" "${rc}" "${out}" ${should_pass} "${part}")
endfunction()

build(clean TRUE "")
build(interface_sources FALSE "program ships, but builds testing/helper.cpp")
build(wrapped_link FALSE "program ships, but builds testing/helper.cpp")
build(generated_source FALSE "program ships, but builds testing/helper.cpp")
