# The stand-in jvm.dll (tests only, never shipped): one normal variant, and one without
# JNI_GetDefaultJavaVMInitArgs for the missing-entry-point test.
foreach(variant IN ITEMS full nodefaults)
    set(target vw_standin_jvm_${variant})
    add_library(${target} SHARED ${CMAKE_CURRENT_LIST_DIR}/standin_jvm.cpp ${CMAKE_CURRENT_LIST_DIR}/standin_objects.cpp
                ${vw_runtime_dir}/testing/thread_stack_size_win.cpp)
    target_link_libraries(${target} PRIVATE vw_jni)
    target_compile_definitions(${target} PRIVATE _JNI_IMPLEMENTATION_)
    target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_LIST_DIR} ${vw_runtime_dir} ${vw_runtime_dir}/testing)
    set_target_properties(${target} PROPERTIES PREFIX "" OUTPUT_NAME jvm
        RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/standin-${variant})
    target_link_options(${target} PRIVATE -static -Wl,--kill-at)
endforeach()
target_compile_definitions(vw_standin_jvm_nodefaults PRIVATE VW_STANDIN_WITHOUT_DEFAULT_ARGS)
set(VW_STANDIN_JVM $<TARGET_FILE:vw_standin_jvm_full>)
set(VW_STANDIN_JVM_NODEFAULTS $<TARGET_FILE:vw_standin_jvm_nodefaults>)
