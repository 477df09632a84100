#include <windows.h>

#include <vector>

#include "platform/HostServices.h"
#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand {

const wchar_t* const kDefaultMessageTitle = L"Vestrand";

namespace {

// Whether this is a 32-bit process on 64-bit Windows. Looked up at run time: Windows XP
// before its second service pack lacks the function.
bool RunsUnderWow64() {
  using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);
  const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
  if (kernel == nullptr) return false;
  const auto isWow64 =
      reinterpret_cast<IsWow64ProcessFn>(reinterpret_cast<void*>(::GetProcAddress(kernel, "IsWow64Process")));
  BOOL wow64 = FALSE;
  return isWow64 != nullptr && isWow64(::GetCurrentProcess(), &wow64) && wow64;
}

// Under WoW64 the system folder is the 32-bit one, whose programs may not reach 64-bit
// processes (Wine's taskkill.exe cannot see the 64-bit shell). The native one is reached
// through the alias Sysnative; empty when there is none.
std::wstring NativeSystemProgram(const std::string& program) {
  if (!RunsUnderWow64()) return std::wstring();
  wchar_t windows[MAX_PATH] = {};
  const UINT length = ::GetWindowsDirectoryW(windows, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return std::wstring();
  const std::wstring path = Wide(JoinPath(JoinPath(Narrow(windows), "Sysnative"), program));
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) { return std::wstring(); }
  return path;
}

}  // namespace

// The full file name of a program taken from one of the system's folders; empty when the
// command line's program is left to the usual search.
WinResult ResolveApplication(const ProgramLocation& location, std::wstring& application) {
  application.clear();
  if (location.source == ProgramSource::SearchPath) return WinResult::Success();
  if (location.source == ProgramSource::SystemDirectory) {
    application = NativeSystemProgram(location.program);
    if (!application.empty()) return WinResult::Success();
  }
  wchar_t folder[MAX_PATH] = {};
  // The system's own Windows folder: on a terminal server GetWindowsDirectory names the user's private one.
  const UINT length = location.source == ProgramSource::SystemDirectory
                          ? ::GetSystemDirectoryW(folder, MAX_PATH)
                          : ::GetSystemWindowsDirectoryW(folder, MAX_PATH);
  if (length == 0) return WinResult::Failure(::GetLastError());
  if (length >= MAX_PATH) return WinResult::Failure(ERROR_BUFFER_OVERFLOW);
  application = Wide(JoinPath(Narrow(folder), location.program));
  return WinResult::Success();
}

WinResult Win32Host::StartCommand(const std::string& commandLine, int showState) {
  std::wstring application;
  const WinResult resolved = ResolveApplication(LocateProgram(commandLine), application);
  if (!resolved.ok) return resolved;

  // The started program sees exactly this text; CreateProcessW may write into it.
  const std::wstring text = Wide(commandLine);
  std::vector<wchar_t> writable(text.begin(), text.end());
  writable.push_back(L'\0');

  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = static_cast<WORD>(showState);
  PROCESS_INFORMATION started{};
  if (!::CreateProcessW(application.empty() ? nullptr : application.c_str(), writable.data(), nullptr, nullptr, FALSE,
                        0, nullptr, nullptr, &startup, &started)) {
    return WinResult::Failure(::GetLastError());
  }
  // Nobody waits for the program or looks at it again.
  const UniqueHandle process(started.hProcess);
  const UniqueHandle thread(started.hThread);
  return WinResult::Success();
}

void Win32Host::Sleep(unsigned milliseconds) { ::Sleep(milliseconds); }

void Win32Host::SysLogoff() {
  // A plain log-off: running programs are asked to close, nothing is forced. The
  // program ends right after, so a refusal has nobody to be reported to.
  ::ExitWindowsEx(EWX_LOGOFF, 0);
}

unsigned Win32Host::GetDriveType(const std::string& root) {
  // "D:" alone names the drive's current directory; the root with its backslash is meant.
  std::string path = root;
  if (path.size() == 2 && path[1] == ':') path += '\\';
  return ::GetDriveTypeW(Wide(path).c_str());
}

std::wstring ProgramFileName() {
  std::vector<wchar_t> name(MAX_PATH);
  for (;;) {
    const DWORD size = static_cast<DWORD>(name.size());
    const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), size);
    if (length == 0) return std::wstring();
    // A full buffer means the name may have been cut short: ask again with more room.
    if (length < size) return std::wstring(name.data(), length);
    if (name.size() >= 32768) return std::wstring();
    name.resize(name.size() * 2);
  }
}

std::string Win32Host::ProgramFolder() {
  const std::wstring name = ProgramFileName();
  return name.empty() ? std::string() : ModuleFolder(Narrow(name));
}

void Win32Host::SetEnvironmentVariable(const std::string& name, const std::string& value) {
  ::SetEnvironmentVariableW(Wide(name).c_str(), Wide(value).c_str());
}

namespace {

constexpr DWORD kBroadcastWaitMs = 2000;

DWORD WINAPI BroadcastEnvironment(void*) {
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"), SMTO_ABORTIFHUNG,
                        kBroadcastWaitMs, &ignored);
  return 0;
}

}  // namespace

void Win32Host::BroadcastEnvironmentChange() {
  // Each window may take up to the time-out to answer, so with several slow programs the
  // broadcast could hold the run up for long. It goes out from a second thread, and the
  // run waits for it a bounded time, meanwhile answering what is sent to its own windows.
  UniqueHandle thread(::CreateThread(nullptr, 0, &BroadcastEnvironment, nullptr, 0, nullptr));
  if (!thread) {
    BroadcastEnvironment(nullptr);
    return;
  }
  const DWORD start = ::GetTickCount();
  for (;;) {
    const DWORD spent = ::GetTickCount() - start;
    if (spent >= kBroadcastWaitMs) return;  // the rest is told without us
    HANDLE handle = thread.get();
    const DWORD woke = ::MsgWaitForMultipleObjects(1, &handle, FALSE, kBroadcastWaitMs - spent, QS_SENDMESSAGE);
    if (woke != WAIT_OBJECT_0 + 1) return;  // done, timed out or failed
    MSG msg;
    ::PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
  }
}

void Win32Host::EndProgram() {
  // Ending the process closes every window it owns; nothing of the caller runs after.
  ::ExitProcess(0);
}

LocalTime Win32Host::Now() {
  SYSTEMTIME t{};
  ::GetLocalTime(&t);
  return LocalTime{t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond};
}

void Win32Dialogs::ShowWaitCursor(bool waiting) {
  // The interface thread takes no messages meanwhile, so the cursor stays as set.
  ::SetCursor(::LoadCursorW(nullptr, waiting ? IDC_WAIT : IDC_ARROW));
}

void Win32Dialogs::MessageBox(const std::string& text, unsigned flags, const std::optional<std::string>& title) {
  const std::wstring wideText = Wide(text);
  const std::wstring wideTitle = title ? Wide(*title) : std::wstring(kDefaultMessageTitle);
  ::MessageBoxW(Owner(), wideText.c_str(), wideTitle.c_str(), flags);
}

}  // namespace vestrand
