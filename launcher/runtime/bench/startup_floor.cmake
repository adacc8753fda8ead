# The trivial console program the launcher's start-up time is compared with (scripts/bench.d/launcher.sh).
add_executable(vw_startup_floor ${CMAKE_CURRENT_LIST_DIR}/startup_floor_win.cpp)
target_include_directories(vw_startup_floor PRIVATE ${vw_runtime_dir}/testing/standin)
target_link_options(vw_startup_floor PRIVATE -static)
