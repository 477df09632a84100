# The Windows program and its Win32 layer.
enable_language(RC)
set(VESTRAND_WIN_DEFS UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0501 WINVER=0x0501)

add_library(vestrand_win32 STATIC ${VESTRAND_WIN32_SOURCES})
target_link_libraries(vestrand_win32 PUBLIC vestrand_logic)
target_compile_definitions(vestrand_win32 PUBLIC ${VESTRAND_WIN_DEFS})
# shell32, ole32 and comctl32 are loaded on first use (platform/SystemLibraries.h).
target_link_libraries(vestrand_win32 PUBLIC advapi32 user32 gdi32 kernel32)

if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  set(VESTRAND_STATIC_LINK -static -static-libgcc -static-libstdc++)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(VESTRAND_SUBSYSTEM_VERSION 5.01)
  else()
    set(VESTRAND_SUBSYSTEM_VERSION 5.02)
  endif()
  string(REPLACE "." ";" _sv ${VESTRAND_SUBSYSTEM_VERSION})
  list(GET _sv 0 _major)
  list(GET _sv 1 _minor)
  math(EXPR _minor "${_minor}")
  set(VESTRAND_PE_VERSION
      -Wl,--major-subsystem-version,${_major} -Wl,--minor-subsystem-version,${_minor}
      -Wl,--major-os-version,${_major} -Wl,--minor-os-version,${_minor})
  # The same commit links the same bytes: no link time in the PE header.
  set(VESTRAND_REPRODUCIBLE -Wl,--no-insert-timestamp)
endif()

# Applies the static runtime, the Windows XP subsystem version and a fixed PE time stamp to a Windows program.
function(vestrand_windows_program target kind)
  target_link_options(${target} PRIVATE ${VESTRAND_STATIC_LINK} ${VESTRAND_PE_VERSION} ${VESTRAND_REPRODUCIBLE})
  if(kind STREQUAL "gui" AND CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
    # The shipped program carries no symbols and no unused sections.
    target_link_options(${target} PRIVATE -mwindows -municode $<$<CONFIG:Release>:-s -Wl,--gc-sections>)
  endif()
endfunction()

# The version record and the manifest carry the project's version (project() above).
function(vestrand_zero_padded out width number)
  string(REPEAT "0" ${width} zeros)
  string(LENGTH "${zeros}${number}" length)
  math(EXPR start "${length} - ${width}")
  string(SUBSTRING "${zeros}${number}" ${start} ${width} padded)
  set(${out} ${padded} PARENT_SCOPE)
endfunction()
vestrand_zero_padded(_minor 2 ${PROJECT_VERSION_MINOR})
vestrand_zero_padded(_patch 4 ${PROJECT_VERSION_PATCH})
set(VESTRAND_VERSION_TEXT "${PROJECT_VERSION_MAJOR}.${_minor}.${_patch}")  # "1.00.0103"
set(VESTRAND_RES_DIR ${CMAKE_SOURCE_DIR}/res)
set(VESTRAND_RES_BUILD_DIR ${CMAKE_BINARY_DIR}/res)
configure_file(res/Vestrand.manifest.in ${VESTRAND_RES_BUILD_DIR}/Vestrand.manifest @ONLY)
configure_file(res/Vestrand.rc.in ${VESTRAND_RES_BUILD_DIR}/Vestrand.rc @ONLY)

add_executable(Vestrand WIN32 src/app/WinMain_win32.cpp ${VESTRAND_RES_BUILD_DIR}/Vestrand.rc)
target_link_libraries(Vestrand PRIVATE vestrand_win32)
vestrand_windows_program(Vestrand gui)
set_target_properties(Vestrand PROPERTIES OUTPUT_NAME Vestrand)
