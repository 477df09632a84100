# The benchmark's program (scripts/bench.sh), Windows only: driver and start-up yardsticks in one,
# built on the product's own code. A window program, so that as a yardstick it starts as one.
add_executable(bench WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/Bench.cpp)
target_link_libraries(bench PRIVATE vestrand_win32 psapi)
target_include_directories(bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
vestrand_windows_program(bench gui)
