# Programs of the benchmark (scripts/bench.sh), Windows only: two yardstick windows (an
# empty one, and Vestrand's window made bare), one bare shell copy, and the driver that
# times them against Vestrand.exe side by side under the same Wine prefix. The yardsticks
# are measured beside the program they stand against, in the same build tree.
add_executable(bench_minimal_window WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/MinimalWindow.cpp)
target_compile_definitions(bench_minimal_window PRIVATE ${VESTRAND_WIN_DEFS})
target_link_libraries(bench_minimal_window PRIVATE user32 gdi32 kernel32)
vestrand_windows_program(bench_minimal_window gui)

add_executable(bench_bare_window WIN32 ${CMAKE_SOURCE_DIR}/tests/bench/BareWindow.cpp)
target_link_libraries(bench_bare_window PRIVATE vestrand_logic user32 gdi32 kernel32)
target_compile_definitions(bench_bare_window PRIVATE ${VESTRAND_WIN_DEFS})
vestrand_windows_program(bench_bare_window gui)

add_executable(bench_shell_copy ${CMAKE_SOURCE_DIR}/tests/bench/ShellCopy.cpp)
target_compile_definitions(bench_shell_copy PRIVATE ${VESTRAND_WIN_DEFS})
target_link_libraries(bench_shell_copy PRIVATE shell32 kernel32)
vestrand_windows_program(bench_shell_copy console)

add_executable(bench_driver ${CMAKE_SOURCE_DIR}/tests/bench/BenchDriver.cpp
                            ${CMAKE_SOURCE_DIR}/tests/e2e/driver/Driver.cpp
                            ${CMAKE_SOURCE_DIR}/tests/support/WinTestSupport.cpp)
target_include_directories(bench_driver PRIVATE ${CMAKE_SOURCE_DIR}/tests)
target_link_libraries(bench_driver PRIVATE vestrand_win32 psapi)
vestrand_windows_program(bench_driver console)

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  # Both console programs take wide-character arguments (wmain).
  target_link_options(bench_shell_copy PRIVATE -municode)
  target_link_options(bench_driver PRIVATE -municode)
endif()
