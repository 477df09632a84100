// Drives the real Vestrand.exe from outside, the way an assistive tool would: it sets up the
// profile the program finds, starts it under a chosen Windows version, and reads and operates
// its windows through window messages only.
#ifndef VESTRAND_TESTS_E2E_DRIVER_H
#define VESTRAND_TESTS_E2E_DRIVER_H

#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/Win32Text.h"
#include "relocation/FormFields.h"
#include "support/WinTestSupport.h"
#include "ui/MainWindow.h"

namespace vestrand::e2e {

using namespace vestrand::tests;

inline const std::wstring kExplorerKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\";
inline const std::wstring kShellFolders = kExplorerKey + L"Shell Folders";
inline const std::wstring kUserShellFolders = kExplorerKey + L"User Shell Folders";

// Each row's value name, and its folder under %USERPROFILE% in each family's profile (none: XP has no value).
struct RowFolder {
  const wchar_t* name;
  const wchar_t* win7;
  const wchar_t* xp;  // XP keeps the media folders inside the documents
};
inline const RowFolder kRowFolders[kRowCount] = {
    {L"Desktop", L"Desktop", L"桌面"},
    {L"Personal", L"Documents", L"My Documents"},
    {L"Favorites", L"Favorites", L"Favorites"},
    {L"Cache", L"AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files",
     L"Local Settings\\Temporary Internet Files"},
    {L"Cookies", L"AppData\\Roaming\\Microsoft\\Windows\\Cookies", L"Cookies"},
    {L"TEMP", L"AppData\\Local\\Temp", L"Local Settings\\Temp"},
    {L"{56784854-C6CB-462B-8169-88E350ACB882}", L"Contacts", nullptr},
    {L"{374DE290-123F-4565-9164-39C4925E467B}", L"Downloads", nullptr},
    {L"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", L"Links", nullptr},
    {L"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", L"Searches", nullptr},
    {L"My Video", L"Videos", L"My Documents\\My Videos"},
    {L"My Pictures", L"Pictures", L"My Documents\\My Pictures"},
    {L"My Music", L"Music", L"My Documents\\My Music"},
    {L"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", L"Saved Games", nullptr}};

// Row `row`'s value as the program reads it first (User Shell Folders; TEMP), or the other one
// it writes too (Shell Folders; TMP).
inline std::wstring RowValue(int row, bool first = true, DWORD* type = nullptr) {
  if (row == 6) return ReadValue(L"Environment", first ? L"TEMP" : L"TMP", type);
  return ReadValue(first ? kUserShellFolders : kShellFolders, kRowFolders[row - 1].name, type);
}

// Points row `row` at `unexpanded` (and Shell Folders at it expanded), the folder made.
inline void SetRowFolder(int row, const std::wstring& unexpanded) {
  SetValue(row == 6 ? L"Environment" : kUserShellFolders, kRowFolders[row - 1].name, unexpanded);
  if (row != 6) SetValue(kShellFolders, kRowFolders[row - 1].name, Expand(unexpanded), REG_SZ);
  CreateDirectories(Expand(unexpanded));
}

// The profile of Windows 7 (a folder for every row) or of XP.
inline void MakeProfile(bool xp) {
  for (int row = 1; row <= kRowCount; ++row) {
    const RowFolder& f = kRowFolders[row - 1];
    DeleteValue(kUserShellFolders, f.name);
    DeleteValue(kShellFolders, f.name);
    if (xp ? f.xp : f.win7) SetRowFolder(row, std::wstring(L"%USERPROFILE%\\") + (xp ? f.xp : f.win7));
  }
}
inline void MakeWin7Profile() { MakeProfile(false); }

// Wine reports this version ("winxp", "win7", "nt40", ...) to the named program from its next start.
inline void SetWineVersion(const std::wstring& exeName, const std::wstring& version) {
  SetValue(L"Software\\Wine\\AppDefaults\\" + exeName, L"Version", version, REG_SZ);
}

// The program under test: the one the harness names in VESTRAND_PROGRAM, else the one beside the driver.
inline std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"VESTRAND_PROGRAM", path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return path;
  const std::wstring self(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  return self.substr(0, self.find_last_of(L'\\')) + L"\\Vestrand.exe";
}

struct ProcessEntry {
  DWORD pid;
  DWORD parent;
  std::wstring exe;
};
inline std::vector<ProcessEntry> Processes(const wchar_t* named = nullptr) {
  std::vector<ProcessEntry> out;
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W p{};
  p.dwSize = sizeof(p);
  for (BOOL ok = snapshot && ::Process32FirstW(snapshot.get(), &p); ok; ok = ::Process32NextW(snapshot.get(), &p)) {
    if (named && ::lstrcmpiW(p.szExeFile, named) != 0) continue;
    out.push_back({p.th32ProcessID, p.th32ParentProcessID, p.szExeFile});
  }
  return out;
}
inline void EndProcess(DWORD pid) {  // only a process this test caused to be started
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (process && ::TerminateProcess(process.get(), 1)) ::WaitForSingleObject(process.get(), 5000);
}

// Sends a message to another program's window and returns the answer, waiting five seconds at most.
inline LRESULT Send(HWND hwnd, UINT message, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(hwnd, message, w, l, SMTO_ABORTIFHUNG, 5000, &answer);
  return static_cast<LRESULT>(answer);
}
inline std::string MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }

class App {
 public:
  // Starts the program and waits up to `waitMs` for its main window (Main() is null if none shows).
  static std::unique_ptr<App> Launch(DWORD waitMs = 20000) {
    std::unique_ptr<App> app(new App());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring command = L"\"" + ProgramPath() + L"\"";
    if (!::CreateProcessW(nullptr, &command[0], nullptr, nullptr, 0, 0, nullptr, nullptr, &si, &pi)) return app;
    app->process_.reset(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    app->pid_ = pi.dwProcessId;
    WaitUntil(waitMs, [&] {
      const std::vector<HWND> shown = TopLevels(app->pid_, kMainWindowClass, true);
      app->main_ = shown.empty() ? nullptr : shown.front();
      return app->main_ != nullptr || !app->Running();
    });
    Send(app->main_, WM_NULL);  // start-up fills the boxes right after showing the window
    return app;
  }
  ~App() {
    if (Running() && ::TerminateProcess(process_.get(), 1)) ::WaitForSingleObject(process_.get(), 5000);
  }
  DWORD ProcessId() const { return pid_; }
  HANDLE Process() const { return process_.get(); }
  HWND Main() const { return main_; }
  bool WaitForExit(DWORD waitMs) const { return ::WaitForSingleObject(process_.get(), waitMs) == 0; }
  bool Running() const { return !WaitForExit(0); }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
  }
  HWND Handle(Control c) const { return ::GetDlgItem(main_, ControlId(c)); }
  std::string Text(Control c) const { return WindowText(Handle(c)); }
  int Check(Control c) const { return static_cast<int>(Send(Handle(c), BM_GETCHECK)); }
  void SetText(Control c, const std::string& text) const {
    Send(Handle(c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()));
  }
  void PostClick(Control c) const { ::PostMessageW(Handle(c), BM_CLICK, 0, 0); }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace vestrand::e2e

#endif
