# GoogleTest from the distribution's source package, built with the project's compiler.
set(GTEST_SOURCE_DIR /usr/src/googletest/googletest CACHE PATH "GoogleTest source directory")
add_library(vestrand_gtest STATIC ${GTEST_SOURCE_DIR}/src/gtest-all.cc ${GTEST_SOURCE_DIR}/src/gtest_main.cc)
target_include_directories(vestrand_gtest SYSTEM PUBLIC
  ${CMAKE_SOURCE_DIR}/tests/support/gtest   # our custom/gtest-port.h goes first
  ${GTEST_SOURCE_DIR}/include)
# Our port hook owns its event through the program's handle types.
target_include_directories(vestrand_gtest PRIVATE ${GTEST_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/src)
target_compile_options(vestrand_gtest PRIVATE -w)
if(NOT WIN32)
  find_package(Threads REQUIRED)
  target_link_libraries(vestrand_gtest PUBLIC Threads::Threads)
endif()


if(NOT WIN32)
  # Native unit tests of the portable logic against the in-memory fake.
  file(GLOB NATIVE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/native/*.cpp)
  add_executable(native_tests ${NATIVE_TEST_SOURCES})
  target_include_directories(native_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(native_tests PRIVATE vestrand_logic vestrand_gtest)
  # Test tables name their fields (designated initialisers).
  set_target_properties(native_tests PROPERTIES CXX_STANDARD 20)
  target_compile_definitions(native_tests PRIVATE VESTRAND_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  include(GoogleTest)
  gtest_discover_tests(native_tests DISCOVERY_TIMEOUT 60)
else()
  # The driver that operates the real program from outside, as an assistive tool would.
  # Both trees build one: each prefix kind is driven by a driver of its own bitness.
  file(GLOB DRIVER_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/e2e/driver/*.cpp)
  add_executable(e2e_driver ${DRIVER_SOURCES})
  target_include_directories(e2e_driver PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(e2e_driver PRIVATE vestrand_win32 vestrand_gtest psapi shlwapi shell32 ole32 oleaut32 comctl32)
  vestrand_windows_program(e2e_driver console)

  if(CMAKE_CROSSCOMPILING_EMULATOR)
    # Tests of the Win32 layer, run for real under Wine (CMAKE_CROSSCOMPILING_EMULATOR).
    file(GLOB WINE_TEST_SOURCES CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/wine/*.cpp)
    add_executable(wine_tests ${WINE_TEST_SOURCES})
    target_include_directories(wine_tests PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_link_libraries(wine_tests PRIVATE vestrand_win32 vestrand_gtest psapi shlwapi shell32 ole32 oleaut32 comctl32)
    vestrand_windows_program(wine_tests console)

    set(WINE_HARNESS ${CMAKE_SOURCE_DIR}/tests/e2e/wine-harness.sh)
    add_test(NAME wine_layer
             COMMAND bash ${WINE_HARNESS} run $<TARGET_FILE:wine_tests> --gtest_brief=1)
    # The shipped 32-bit program and the 32-bit driver come from the 32-bit build tree.
    set(VESTRAND_WIN32_DIR ${CMAKE_SOURCE_DIR}/build/win32 CACHE PATH "The 32-bit build tree")
    include(${CMAKE_SOURCE_DIR}/tests/e2e/scenarios.cmake)
  endif()
endif()
