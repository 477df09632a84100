// Drives the real Vestrand.exe from outside, the way an assistive tool would: it starts the
// program under a chosen Windows version, finds its windows and reads and operates their
// controls through window messages only; it sets up the profile the program finds.
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

inline const wchar_t* const kUserShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
inline const wchar_t* const kShellFolders = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
inline const wchar_t* const kEnvironment = L"Environment";

// The program under test: the one the harness names in VESTRAND_PROGRAM, else the one beside the driver.
inline std::wstring ProgramPath() {
  wchar_t path[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"VESTRAND_PROGRAM", path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return path;
  const std::wstring self(path, ::GetModuleFileNameW(nullptr, path, MAX_PATH));
  return self.substr(0, self.find_last_of(L'\\')) + L"\\Vestrand.exe";
}

// Wine reports this version ("winxp", "win7", "nt40", ...) to the named program from its next start.
inline void SetWineVersion(const std::wstring& exeName, const std::wstring& version) {
  SetValue(L"Software\\Wine\\AppDefaults\\" + exeName, L"Version", version, REG_SZ);
}

// Each row's value: the key it is read from first, its name, and its folder in each family's profile.
struct RowValue {
  int row;
  const wchar_t* key;
  const wchar_t* name;
  const wchar_t* win7;
  const wchar_t* xp;  // XP's media folders lie in the documents; null: XP has no such value
};
inline const std::vector<RowValue>& RowValues() {
  static const std::vector<RowValue> rows = {
      {1, kUserShellFolders, L"Desktop", L"Desktop", L"桌面"},
      {2, kUserShellFolders, L"Personal", L"Documents", L"My Documents"},
      {3, kUserShellFolders, L"Favorites", L"Favorites", L"Favorites"},
      {4, kUserShellFolders, L"Cache", L"AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files",
       L"Local Settings\\Temporary Internet Files"},
      {5, kUserShellFolders, L"Cookies", L"AppData\\Roaming\\Microsoft\\Windows\\Cookies", L"Cookies"},
      {6, kEnvironment, L"TEMP", L"AppData\\Local\\Temp", L"Local Settings\\Temp"},
      {7, kUserShellFolders, L"{56784854-C6CB-462B-8169-88E350ACB882}", L"Contacts", nullptr},
      {8, kUserShellFolders, L"{374DE290-123F-4565-9164-39C4925E467B}", L"Downloads", nullptr},
      {9, kUserShellFolders, L"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}", L"Links", nullptr},
      {10, kUserShellFolders, L"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}", L"Searches", nullptr},
      {11, kUserShellFolders, L"My Video", L"Videos", L"My Documents\\My Videos"},
      {12, kUserShellFolders, L"My Pictures", L"Pictures", L"My Documents\\My Pictures"},
      {13, kUserShellFolders, L"My Music", L"Music", L"My Documents\\My Music"},
      {14, kUserShellFolders, L"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}", L"Saved Games", nullptr}};
  return rows;
}

// Points row `row` (both Explorer keys, or TEMP) at `unexpanded` and creates the folder.
inline void SetRowFolder(int row, const std::wstring& unexpanded) {
  const RowValue& r = RowValues()[static_cast<std::size_t>(row - 1)];
  SetValue(r.key, r.name, unexpanded, REG_EXPAND_SZ);
  if (r.key != kEnvironment) SetValue(kShellFolders, r.name, Expand(unexpanded), REG_SZ);
  CreateDirectories(Expand(unexpanded));
}

// The profile of Windows 7 (every row's folder exists) or of XP, under %USERPROFILE%.
inline void MakeProfile(bool xp) {
  for (const RowValue& r : RowValues()) {
    DeleteValue(r.key, r.name);
    DeleteValue(kShellFolders, r.name);
    if (const wchar_t* folder = xp ? r.xp : r.win7) SetRowFolder(r.row, std::wstring(L"%USERPROFILE%\\") + folder);
  }
}
inline void MakeWin7Profile() { MakeProfile(false); }

struct ProcessEntry {
  DWORD pid;
  DWORD parent;
  std::wstring exe;
};
inline std::vector<ProcessEntry> Processes(const wchar_t* named = nullptr) {
  std::vector<ProcessEntry> out;
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof(pe);
  for (BOOL ok = snapshot && ::Process32FirstW(snapshot.get(), &pe); ok; ok = ::Process32NextW(snapshot.get(), &pe)) {
    if (named == nullptr || ::lstrcmpiW(pe.szExeFile, named) == 0) out.push_back({pe.th32ProcessID, pe.th32ParentProcessID, pe.szExeFile});
  }
  return out;
}
inline void EndProcess(DWORD pid) {  // only processes this test caused to be started
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (process && ::TerminateProcess(process.get(), 1)) ::WaitForSingleObject(process.get(), 5000);
}

// A message box (#32770) of process `pid` by its title; its text; OK pressed and the box gone.
inline HWND WaitForMessageBox(DWORD pid, const std::wstring& title, DWORD waitMs) {
  HWND found = nullptr;
  WaitUntil(waitMs, [&] {
    for (HWND box : DialogWindows(pid)) found = Wide(WindowText(box)) == title ? box : found;
    return found != nullptr;
  });
  return found;
}
inline std::string MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }
inline bool CloseMessageBox(HWND box) {
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  return WaitUntil(5000, [&] { return !::IsWindow(box); });
}

class App {
 public:
  // Starts the program and waits up to `waitMs` for its main window (Main() null if none shows).
  static std::unique_ptr<App> Launch(DWORD waitMs = 20000) {
    std::unique_ptr<App> app(new App());
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
    if (!::CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi)) return app;
    app->process_.reset(pi.hProcess);
    UniqueHandle thread(pi.hThread);
    app->pid_ = pi.dwProcessId;
    WaitUntil(waitMs, [&] {
      const std::vector<HWND> shown = TopLevels(app->pid_, kMainWindowClass, true);
      app->main_ = shown.empty() ? nullptr : shown.front();
      return app->main_ != nullptr || !app->Running();
    });
    DWORD_PTR ignored = 0;  // start-up fills the boxes right after showing the window: let it settle
    if (app->main_ != nullptr) ::SendMessageTimeoutW(app->main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
    return app;
  }
  ~App() {
    if (Running() && ::TerminateProcess(process_.get(), 1)) ::WaitForSingleObject(process_.get(), 5000);
  }
  DWORD ProcessId() const { return pid_; }
  HANDLE Process() const { return process_.get(); }
  HWND Main() const { return main_; }
  bool WaitForExit(DWORD waitMs) const { return ::WaitForSingleObject(process_.get(), waitMs) == WAIT_OBJECT_0; }
  bool Running() const { return !WaitForExit(0); }
  DWORD ExitCode() const {
    DWORD code = STILL_ACTIVE;
    ::GetExitCodeProcess(process_.get(), &code);
    return code;
  }
  HWND Handle(Control c) const { return ::GetDlgItem(main_, ControlId(c)); }
  std::string Text(Control c) const { return WindowText(Handle(c)); }
  int Check(Control c) const {
    DWORD_PTR state = 0;
    ::SendMessageTimeoutW(Handle(c), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
    return static_cast<int>(state);
  }
  bool Enabled(Control c) const { return ::IsWindowEnabled(Handle(c)) != FALSE; }
  bool Visible(Control c) const { return ::IsWindowVisible(Handle(c)) != FALSE; }
  void SetText(Control c, const std::string& text) const {
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(Handle(c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(text).c_str()), SMTO_ABORTIFHUNG,
                          5000, &ignored);
  }
  void PostClick(Control c) const { ::PostMessageW(Handle(c), BM_CLICK, 0, 0); }

 private:
  UniqueHandle process_;
  DWORD pid_ = 0;
  HWND main_ = nullptr;
};

}  // namespace vestrand::e2e

#endif
