// The yardstick for a relocation run: one bare shell copy of a folder into another
// folder, with the flags Vestrand uses, and nothing else. Prints how long the shell
// took, so that the caller can set it against Vestrand's run.
//
//   bench_shell_copy <folder> <into folder>
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: bench_shell_copy <folder> <into folder>\n");
    return 2;
  }
  // The shell takes lists of names ended by an empty name.
  std::wstring from = argv[1];
  from.push_back(L'\0');
  std::wstring to = argv[2];
  to.push_back(L'\0');

  SHFILEOPSTRUCTW request{};
  request.wFunc = FO_COPY;
  request.pFrom = from.c_str();
  request.pTo = to.c_str();
  request.fFlags = FOF_NOCONFIRMATION | FOF_ALLOWUNDO | FOF_NOCONFIRMMKDIR;  // 0x250

  LARGE_INTEGER frequency{}, start{}, end{};
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  const int result = ::SHFileOperationW(&request);
  ::QueryPerformanceCounter(&end);

  const double ms = static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 /
                    static_cast<double>(frequency.QuadPart);
  std::printf("shell_copy_ms=%.3f result=%d aborted=%d\n", ms, result,
              request.fAnyOperationsAborted ? 1 : 0);
  std::fflush(stdout);
  return result == 0 ? 0 : 1;
}
