# The benchmark's program (scripts/bench.sh), Windows only, built on the product's own code and the
# tests' helpers.
add_executable(bench WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/Bench.cpp)
target_link_libraries(bench PRIVATE vestrand_win32)
target_include_directories(bench PRIVATE ${CMAKE_SOURCE_DIR}/tests)
vestrand_windows_program(bench gui)
