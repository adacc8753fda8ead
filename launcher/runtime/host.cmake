# Java runtime host: virtual-machine options (portable), loading the VM library, creating the VM,
# redirecting its output and calling main (JNI). Natively the JNI code runs against the machine's
# OpenJDK; in the win64 tree against the stand-in jvm.dll of testing/standin/.
set(VW_JAVA_HOME /usr/lib/jvm/java-17-openjdk-amd64 CACHE PATH "JDK whose jni.h (and, natively, libjvm.so) is used")

add_library(vw_launcher_vm_options STATIC ${CMAKE_CURRENT_LIST_DIR}/vm_options.cpp)
target_include_directories(vw_launcher_vm_options PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_vm_options PUBLIC vw_common)

vw_add_fuzz(launcher_vm_options_fuzz SOURCES ${CMAKE_CURRENT_LIST_DIR}/vm_options_fuzz.cpp
            LIBS vw_launcher_vm_options CORPUS ${CMAKE_CURRENT_LIST_DIR}/fuzz_corpus/vm_parameters)
if(VW_FUZZ)
    return()
endif()

vw_add_test(launcher_vm_options_test SOURCES ${CMAKE_CURRENT_LIST_DIR}/vm_options_test.cpp
            LIBS vw_launcher_vm_options TIMEOUT 60)

# jni.h: the JDK's, with the Linux or our Windows jni_md.h beside it.
add_library(vw_jni INTERFACE)
target_include_directories(vw_jni INTERFACE ${VW_JAVA_HOME}/include)
if(WIN32)
    target_include_directories(vw_jni INTERFACE ${CMAKE_CURRENT_LIST_DIR}/jni_md_win)
    set(vw_host_platform ansi_text_win.cpp vm_library_win.cpp vm_thread_win.cpp)
else()
    target_include_directories(vw_jni INTERFACE ${VW_JAVA_HOME}/include/linux)
    set(vw_host_platform ansi_text_posix.cpp vm_library_posix.cpp vm_thread_posix.cpp)
endif()
list(TRANSFORM vw_host_platform PREPEND ${CMAKE_CURRENT_LIST_DIR}/)

add_library(vw_launcher_host STATIC
    ${CMAKE_CURRENT_LIST_DIR}/java_strings.cpp
    ${CMAKE_CURRENT_LIST_DIR}/java_invoke.cpp
    ${CMAKE_CURRENT_LIST_DIR}/java_attached_calls.cpp
    ${CMAKE_CURRENT_LIST_DIR}/vm_host.cpp
    ${vw_host_platform})
target_include_directories(vw_launcher_host PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(vw_launcher_host PUBLIC vw_launcher_vm_options vw_launcher_config vw_launcher_runtime_files vw_jni
                      vw_common)
if(NOT WIN32)
    target_link_libraries(vw_launcher_host PUBLIC ${CMAKE_DL_LIBS} pthread)
endif()

set(vw_runtime_dir ${CMAKE_CURRENT_LIST_DIR})
if(WIN32)
    include(${CMAKE_CURRENT_LIST_DIR}/testing/standin/standin.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/bench/startup_floor.cmake)
endif()
include(${CMAKE_CURRENT_LIST_DIR}/testing/host_tests.cmake)
