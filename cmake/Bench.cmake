# Programs of the start-up and relocation benchmark (scripts/bench.sh), Windows only:
# a window that does nothing but open, one bare shell move, and the driver that times
# them against Vestrand.exe side by side under the same Wine prefix.
add_executable(bench_minimal_window WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/MinimalWindow.cpp)
target_compile_definitions(bench_minimal_window PRIVATE ${VESTRAND_WIN_DEFS})
target_link_libraries(bench_minimal_window PRIVATE user32 gdi32 kernel32)
vestrand_windows_program(bench_minimal_window gui)

add_executable(bench_shell_move ${CMAKE_SOURCE_DIR}/tests/bench/ShellMove.cpp)
target_compile_definitions(bench_shell_move PRIVATE ${VESTRAND_WIN_DEFS})
target_link_libraries(bench_shell_move PRIVATE shell32 kernel32)
vestrand_windows_program(bench_shell_move console)

add_executable(bench_driver ${CMAKE_SOURCE_DIR}/tests/bench/BenchDriver.cpp
                            ${CMAKE_SOURCE_DIR}/tests/e2e/driver/Driver.cpp)
target_include_directories(bench_driver PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_driver PRIVATE vestrand_win32 psapi)
vestrand_windows_program(bench_driver console)

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Both console programs take wide-character arguments (wmain).
  target_link_options(bench_shell_move PRIVATE -municode)
  target_link_options(bench_driver PRIVATE -municode)
endif()
