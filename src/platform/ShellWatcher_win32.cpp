// The desktop shell comes back whatever ends a run that has ended it. Before the shell goes,
// the program starts itself as a watcher with a private command line; the watcher waits for the
// run's word that the shell is back, or for the program's end, and only in the second case, when
// no shell runs, starts one. A crash inside the program starts the shell before the process dies.
#include <windows.h>

#include <tlhelp32.h>

#include <cstdint>
#include <cwchar>
#include <exception>
#include <string>

#include "platform/HostServices.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {
namespace {

// What follows the program's name on a watcher's command line: this switch, then the values of the
// two handles it inherits: the program's process and the event that says the shell is back.
const wchar_t kWatchSwitch[] = L"--vestrand-shell-watch";

// A shell that ran before the watcher started is the one the run is ending: its taskkill may still
// be on its way when the program ends. So long, at most, it is given to go; the shell must be back
// within five seconds.
constexpr DWORD kEndingShellGraceMs = 3000;

// The shell's program and command line, made ready before the shell is ended: a crashing process
// may have no heap left to build them.
struct ShellStart {
  wchar_t application[MAX_PATH + 16] = {};
  wchar_t commandLine[16] = L"explorer.exe";
};

bool PrepareShellStart(ShellStart& start) {
  // The same explorer.exe the run starts: the system's Windows folder's, which WoW64 does not
  // redirect, so the native shell, never SysWOW64's.
  std::wstring path;
  if (!ResolveApplication(LocateProgram("explorer.exe"), path) || path.empty()) return false;
  if (path.size() >= MAX_PATH + 16) return false;
  path.copy(start.application, path.size());
  start.application[path.size()] = L'\0';
  return true;
}

// Allocates nothing.
bool StartShell(const ShellStart& start) {
  wchar_t commandLine[sizeof start.commandLine / sizeof(wchar_t)];
  std::wmemcpy(commandLine, start.commandLine, sizeof start.commandLine / sizeof(wchar_t));
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_SHOWMINIMIZED;  // as the run starts it
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(start.application, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &started)) {
    return false;
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return true;
}

// What the crash path reads: set while the shell is down, and the watcher's event, told that the
// shell is back so that it starts no second one.
ShellStart crashShellStart;
volatile LONG shellDown = 0;
UniqueHandle shellBack;

void BringShellBackNow() {
  if (::InterlockedExchange(&shellDown, 0) == 0) return;
  StartShell(crashShellStart);
  if (shellBack) ::SetEvent(shellBack.get());
}

LPTOP_LEVEL_EXCEPTION_FILTER earlierFilter = nullptr;
std::terminate_handler earlierTerminate = nullptr;

LONG WINAPI CrashFilter(EXCEPTION_POINTERS* exception) {
  BringShellBackNow();
  return earlierFilter != nullptr ? earlierFilter(exception) : EXCEPTION_CONTINUE_SEARCH;
}

[[noreturn]] void OnTerminate() {
  BringShellBackNow();
  if (earlierTerminate != nullptr) earlierTerminate();
  std::abort();
}

// Whether the user's desktop shell runs: an explorer.exe in this session. One started before the
// watcher is the shell being ended; it counts only if it is still there after a grace period.
// A process that cannot be looked at counts as a shell: never a second one.
bool ShellRuns() {
  FILETIME watcherStart{}, unused{};
  ::GetProcessTimes(::GetCurrentProcess(), &watcherStart, &unused, &unused, &unused);
  DWORD session = 0;
  const bool knowsSession = ::ProcessIdToSessionId(::GetCurrentProcessId(), &session) != FALSE;
  for (const DWORD begun = ::GetTickCount();; ::Sleep(100)) {
    bool ending = false;
    UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = snapshot && ::Process32FirstW(snapshot.get(), &entry); more;
         more = ::Process32NextW(snapshot.get(), &entry)) {
      // Another user's shell, in a session of its own, is not this user's desktop.
      DWORD theirs = session;
      if (::lstrcmpiW(entry.szExeFile, L"explorer.exe") != 0 ||
          (knowsSession && (!::ProcessIdToSessionId(entry.th32ProcessID, &theirs) || theirs != session))) {
        continue;
      }
      const UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, entry.th32ProcessID));
      FILETIME created{};
      if (!process || !::GetProcessTimes(process.get(), &created, &unused, &unused, &unused) ||
          ::CompareFileTime(&created, &watcherStart) >= 0) {
        return true;
      }
      ending = true;
    }
    if (!ending) return false;
    if (::GetTickCount() - begun >= kEndingShellGraceMs) return true;
  }
}

int WatchShell(HANDLE program, HANDLE shellIsBack) {
  HANDLE both[] = {shellIsBack, program};  // when both are set, the first is reported
  if (::WaitForMultipleObjects(2, both, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
  if (ShellRuns()) return 0;
  ShellStart start;
  return PrepareShellStart(start) && StartShell(start) ? 0 : 1;
}

// The rest of a command line after its first item, the program's name, quoted or not.
const wchar_t* AfterProgramName(const wchar_t* line) {
  if (*line == L'"') {
    line = std::wcschr(line + 1, L'"');
    if (line == nullptr) return L"";
    ++line;
  }
  while (*line != L'\0' && *line != L' ' && *line != L'\t') ++line;
  while (*line == L' ' || *line == L'\t') ++line;
  return line;
}

bool ReadHandle(const wchar_t*& text, HANDLE& handle) {
  if (*text++ != L' ') return false;
  std::uintptr_t value = 0;
  const wchar_t* const digits = text;
  for (; *text >= L'0' && *text <= L'9'; ++text) value = value * 10 + static_cast<std::uintptr_t>(*text - L'0');
  handle = reinterpret_cast<HANDLE>(value);
  return text != digits && value != 0;
}

}  // namespace

bool RunAsShellWatcher(const wchar_t* commandLine, int& exitCode) {
  const wchar_t* rest = AfterProgramName(commandLine);
  const std::size_t length = std::wcslen(kWatchSwitch);
  if (std::wcsncmp(rest, kWatchSwitch, length) != 0) return false;
  rest += length;
  HANDLE program = nullptr;
  HANDLE shellIsBack = nullptr;
  if (!ReadHandle(rest, program) || !ReadHandle(rest, shellIsBack) || *rest != L'\0') return false;
  const UniqueHandle programOwner(program);  // inherited: the watcher's own to close
  const UniqueHandle shellIsBackOwner(shellIsBack);
  exitCode = WatchShell(program, shellIsBack);
  return true;
}

void BringShellBackOnCrash() {
  earlierFilter = ::SetUnhandledExceptionFilter(&CrashFilter);
  earlierTerminate = std::set_terminate(&OnTerminate);
}

WinResult Win32Host::GuardShell() {
  if (!PrepareShellStart(crashShellStart)) return WinResult::Failure(ERROR_PATH_NOT_FOUND);
  ::InterlockedExchange(&shellDown, 1);
  if (shellBack) return WinResult::Success();  // one watcher is enough

  // The watcher inherits a handle to this process and the event, so that it waits on this very
  // process even when it ends before the watcher runs (its identifier could be taken again).
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  UniqueHandle event(::CreateEventW(&inherited, TRUE, FALSE, nullptr));
  UniqueHandle self;
  if (!event || !::DuplicateHandle(::GetCurrentProcess(), ::GetCurrentProcess(), ::GetCurrentProcess(), self.put(),
                                   SYNCHRONIZE, TRUE, 0)) {
    return WinResult::Failure(::GetLastError());
  }
  const std::wstring program = ProgramFileName();
  if (program.empty()) return WinResult::Failure(::GetLastError());
  std::wstring commandLine = L"\"" + program + L"\" " + kWatchSwitch;
  for (HANDLE h : {self.get(), event.get()}) commandLine += L" " + std::to_wstring(reinterpret_cast<std::uintptr_t>(h));

  // No busy cursor for a program without windows; the folder the run may move is not held as the
  // watcher's current folder.
  wchar_t windows[MAX_PATH] = {};
  const UINT length = ::GetSystemWindowsDirectoryW(windows, MAX_PATH);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_FORCEOFFFEEDBACK;
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                        length > 0 && length < MAX_PATH ? windows : nullptr, &startup, &started)) {
    return WinResult::Failure(::GetLastError());
  }
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  shellBack = std::move(event);
  return WinResult::Success();
}

void Win32Host::ShellRestored() {
  ::InterlockedExchange(&shellDown, 0);
  if (!shellBack) return;
  ::SetEvent(shellBack.get());
  shellBack.reset();
}

}  // namespace vestrand
