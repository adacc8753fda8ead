# Test of VwShippingCheck.cmake on the fixtures beside this file:
#   cmake -DVW_WORK=<scratch folder> -P shipping_check_test.cmake
cmake_minimum_required(VERSION 3.25)
set(fixtures ${CMAKE_CURRENT_LIST_DIR})
set(check ${CMAKE_CURRENT_LIST_DIR}/../../VwShippingCheck.cmake)
file(MAKE_DIRECTORY ${VW_WORK})
set(failures 0)

# expect(<name> <source> <include folders> <should pass> <message part>)
function(expect name source includes should_pass part)
    file(WRITE ${VW_WORK}/${name}.cmake "set(VW_SOURCES [[${fixtures}/${source}]])\nset(VW_INCLUDES [[${includes}]])\n")
    execute_process(COMMAND ${CMAKE_COMMAND} -DVW_LIST=${VW_WORK}/${name}.cmake -DVW_ROOT=${fixtures} -DVW_TARGET=${name}
                            -P ${check}
                    RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
    string(REPLACE "\n" " " err "${err}")
    string(REGEX REPLACE " +" " " err "${err}")
    if(should_pass AND NOT rc EQUAL 0)
        message(SEND_ERROR "${name}: refused a clean program: ${err}")
    elseif(NOT should_pass AND rc EQUAL 0)
        message(SEND_ERROR "${name}: let a non-shipping include through")
    elseif(NOT should_pass AND NOT err MATCHES "${part}")
        message(SEND_ERROR "${name}: says \"${err}\", not \"${part}\"")
    else()
        message(STATUS "${name}: as expected")
    endif()
endfunction()

expect(clean shipped_clean.cpp "" TRUE "")
expect(reaching shipped_reaching.cpp "" FALSE "plain_reaching.h includes testing/helper.h")
expect(by_folder shipped_by_folder.cpp "${fixtures}/testing" FALSE "shipped_by_folder.cpp includes testing/helper.h")
