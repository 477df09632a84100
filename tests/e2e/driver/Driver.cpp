#include "e2e/driver/Driver.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>

#include "platform/Win32Text.h"
#include "ui/MainWindow.h"

namespace vestrand::e2e {

const wchar_t* const kUserShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t* const kShellFolders =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t* const kEnvironment = L"Environment";

std::wstring DriverFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = ::GetModuleFileNameW(nullptr, &path[0], static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\'));
}

std::wstring ProgramPath() {
  // The harness names the program under test when it is not the one beside the driver
  // (the shipped 32-bit program driven from the 64-bit tree).
  wchar_t named[MAX_PATH] = {};
  const DWORD n = ::GetEnvironmentVariableW(L"VESTRAND_PROGRAM", named, MAX_PATH);
  if (n > 0 && n < MAX_PATH) return std::wstring(named, n);
  return DriverFolder() + L"\\Vestrand.exe";
}

void SetWineVersion(const std::wstring& exeName, const std::wstring& version) {
  SetValue(L"Software\\Wine\\AppDefaults\\" + exeName, L"Version", version, REG_SZ);
}

const std::vector<RowValue>& RowValues() {
  static const std::vector<RowValue> rows = {
      {1, kUserShellFolders, L"Desktop"},
      {2, kUserShellFolders, L"Personal"},
      {3, kUserShellFolders, L"Favorites"},
      {4, kUserShellFolders, L"Cache"},
      {5, kUserShellFolders, L"Cookies"},
      {6, kEnvironment, L"TEMP"},
      {7, kUserShellFolders, L"{56784854-C6CB-462B-8169-88E350ACB882}"},
      {8, kUserShellFolders, L"{374DE290-123F-4565-9164-39C4925E467B}"},
      {9, kUserShellFolders, L"{BFB9D5E0-C6A9-404C-B2B2-AE6DB6AF4968}"},
      {10, kUserShellFolders, L"{7D1D3A04-DEBB-4115-95CF-2F29DA2920DA}"},
      {11, kUserShellFolders, L"My Video"},
      {12, kUserShellFolders, L"My Pictures"},
      {13, kUserShellFolders, L"My Music"},
      {14, kUserShellFolders, L"{4C5C32FF-BB9D-43B0-B5B4-2D72E54EAAA4}"},
  };
  return rows;
}

void SetRowFolder(int row, const std::wstring& unexpanded) {
  const RowValue& r = RowValues()[static_cast<std::size_t>(row - 1)];
  SetValue(r.key, r.name, unexpanded, REG_EXPAND_SZ);
  if (r.key != kEnvironment) SetValue(kShellFolders, r.name, Expand(unexpanded), REG_SZ);
  CreateDirectories(Expand(unexpanded));
}

void MakeWin7Profile() {
  static const wchar_t* const kFolders[] = {
      L"%USERPROFILE%\\Desktop",
      L"%USERPROFILE%\\Documents",
      L"%USERPROFILE%\\Favorites",
      L"%USERPROFILE%\\AppData\\Local\\Microsoft\\Windows\\Temporary Internet Files",
      L"%USERPROFILE%\\AppData\\Roaming\\Microsoft\\Windows\\Cookies",
      L"%USERPROFILE%\\AppData\\Local\\Temp",
      L"%USERPROFILE%\\Contacts",
      L"%USERPROFILE%\\Downloads",
      L"%USERPROFILE%\\Links",
      L"%USERPROFILE%\\Searches",
      L"%USERPROFILE%\\Videos",
      L"%USERPROFILE%\\Pictures",
      L"%USERPROFILE%\\Music",
      L"%USERPROFILE%\\Saved Games",
  };
  const auto& rows = RowValues();
  for (std::size_t i = 0; i < rows.size(); ++i) SetRowFolder(rows[i].row, kFolders[i]);
}

void MakeXpProfile() {
  const auto& rows = RowValues();
  const std::pair<int, const wchar_t*> folders[] = {
      {1, L"%USERPROFILE%\\桌面"},
      {2, L"%USERPROFILE%\\My Documents"},
      {3, L"%USERPROFILE%\\Favorites"},
      {4, L"%USERPROFILE%\\Local Settings\\Temporary Internet Files"},
      {5, L"%USERPROFILE%\\Cookies"},
      {6, L"%USERPROFILE%\\Local Settings\\Temp"},
      {11, L"%USERPROFILE%\\My Documents\\My Videos"},
      {12, L"%USERPROFILE%\\My Documents\\My Pictures"},
      {13, L"%USERPROFILE%\\My Documents\\My Music"},
  };
  for (const RowValue& row : rows) {
    DeleteValue(row.key, row.name);
    if (row.key != kEnvironment) DeleteValue(kShellFolders, row.name);
  }
  for (const auto& [k, path] : folders) SetRowFolder(k, path);
}

bool FoldersKeepReadOnly() {
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(MAX_PATH, temp);
  const std::wstring probe = std::wstring(temp) + L"vestrand-readonly-probe";
  ::CreateDirectoryW(probe.c_str(), nullptr);
  ::SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_READONLY);
  const DWORD attributes = ::GetFileAttributesW(probe.c_str());
  ::SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
  ::RemoveDirectoryW(probe.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

void PopulateFolder(const std::wstring& folder, int seed, bool withDesktopIni) {
  const std::string tag = "seed " + std::to_string(seed) + " ";
  std::string big(300000, '\0');
  for (std::size_t i = 0; i < big.size(); ++i) {
    big[i] = static_cast<char>((i * 31 + static_cast<std::size_t>(seed) * 7) & 0xFF);
  }
  WriteFile(folder + L"\\plain.txt", tag + "plain");
  WriteFile(folder + L"\\中文 文件名.txt", tag + "中文内容");
  WriteFile(folder + L"\\with space\\子目录\\深层 文件.bin", big);
  WriteFile(folder + L"\\with space\\empty.dat", "");
  WriteFile(folder + L"\\readonly.txt", tag + "read-only");
  ::SetFileAttributesW((folder + L"\\readonly.txt").c_str(), FILE_ATTRIBUTE_READONLY);
  WriteFile(folder + L"\\hidden.txt", tag + "hidden");
  ::SetFileAttributesW((folder + L"\\hidden.txt").c_str(), FILE_ATTRIBUTE_HIDDEN);
  if (withDesktopIni) {
    WriteFile(folder + L"\\desktop.ini", "[.ShellClassInfo]\r\nLocalizedResourceName=" + tag + "\r\n");
  }
}

std::vector<ProcessEntry> Processes() {
  std::vector<ProcessEntry> out;
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return out;
  PROCESSENTRY32W pe{};
  pe.dwSize = sizeof(pe);
  for (BOOL ok = ::Process32FirstW(snapshot.get(), &pe); ok; ok = ::Process32NextW(snapshot.get(), &pe)) {
    out.push_back({pe.th32ProcessID, pe.th32ParentProcessID, pe.szExeFile});
  }
  return out;
}

std::vector<DWORD> ProcessesNamed(const std::wstring& exe) {
  std::vector<DWORD> out;
  for (const ProcessEntry& p : Processes()) {
    if (::lstrcmpiW(p.exe.c_str(), exe.c_str()) == 0) out.push_back(p.pid);
  }
  return out;
}

void EndProcess(DWORD pid) {
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (!process) return;
  ::TerminateProcess(process.get(), 1);
  ::WaitForSingleObject(process.get(), 5000);
}

HWND WaitForMessageBox(DWORD pid, const std::wstring& title, DWORD waitMs) {
  HWND found = nullptr;
  WaitUntil(waitMs, [&] {
    for (HWND box : DialogWindows(pid)) found = Wide(WindowText(box)) == title ? box : found;
    return found != nullptr;
  });
  return found;
}

std::string MessageBoxText(HWND box) { return WindowText(::GetDlgItem(box, 0xFFFF)); }

bool CloseMessageBox(HWND box) {
  ::PostMessageW(box, WM_COMMAND, IDOK, 0);
  return WaitUntil(5000, [&] { return !::IsWindow(box); });
}

namespace {

std::vector<HWND> ChildrenOfClass(HWND parent, const std::wstring& className) {
  struct Search {
    const std::wstring* className;
    std::vector<HWND> found;
  } search{&className, {}};
  ::EnumChildWindows(
      parent,
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        wchar_t cls[64] = {};
        ::GetClassNameW(hwnd, cls, 64);
        if (::lstrcmpiW(cls, s->className->c_str()) == 0 && ::IsWindowVisible(hwnd)) {
          s->found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

bool IsPushButton(HWND button) {
  const LONG_PTR type = ::GetWindowLongPtrW(button, GWL_STYLE) & BS_TYPEMASK;
  return type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
}

std::string WithoutAccelerator(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), '&'), text.end());
  return text;
}

// A 32x32 picture: `paint` draws into it, then its pixels are read back.
template <typename Paint>
std::vector<std::uint32_t> Picture(Paint paint) {
  std::vector<std::uint32_t> pixels;
  HDC screen = ::GetDC(nullptr);
  HDC dc = ::CreateCompatibleDC(screen);
  BITMAPINFO bi{};
  bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
  bi.bmiHeader.biWidth = 32;
  bi.bmiHeader.biHeight = -32;
  bi.bmiHeader.biPlanes = 1;
  bi.bmiHeader.biBitCount = 32;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(dc, &bi, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap != nullptr && bits != nullptr) {
    HGDIOBJ old = ::SelectObject(dc, bitmap);
    if (paint(dc, screen)) {
      ::GdiFlush();
      const auto* p = static_cast<const std::uint32_t*>(bits);
      pixels.assign(p, p + 32 * 32);
      for (std::uint32_t& px : pixels) px &= 0xFFFFFFu;
    }
    ::SelectObject(dc, old);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(dc);
  ::ReleaseDC(nullptr, screen);
  return pixels;
}

std::vector<std::uint32_t> IconOn(HICON icon, int stockBrush) {
  return Picture([&](HDC dc, HDC) {
    RECT all{0, 0, 32, 32};
    ::FillRect(dc, &all, static_cast<HBRUSH>(::GetStockObject(stockBrush)));
    return ::DrawIconEx(dc, 0, 0, icon, 32, 32, 0, nullptr, DI_NORMAL) != FALSE;
  });
}

}  // namespace

DialogSeen DescribeDialog(HWND dialog) {
  DialogSeen seen;
  seen.title = WindowText(dialog);
  for (HWND text : ChildrenOfClass(dialog, L"Static")) {
    const std::string t = WindowText(text);
    if (t.empty()) continue;
    if (!seen.text.empty()) seen.text += " | ";
    seen.text += t;
  }
  for (HWND button : ChildrenOfClass(dialog, L"Button")) {
    if (IsPushButton(button)) seen.buttons.push_back(WithoutAccelerator(WindowText(button)));
  }
  return seen;
}

DialogSeen AnswerDialog(HWND dialog) {
  DialogSeen seen = DescribeDialog(dialog);
  HWND chosen = nullptr;
  for (HWND button : ChildrenOfClass(dialog, L"Button")) {
    const std::string caption = WithoutAccelerator(WindowText(button));
    if (IsPushButton(button) && ::IsWindowEnabled(button) &&
        (caption.find("Skip") != std::string::npos || caption.find("跳过") != std::string::npos)) {
      chosen = button;
      break;
    }
  }
  int id = 0;
  if (chosen != nullptr) {
    id = ::GetDlgCtrlID(chosen);
  } else {
    DWORD_PTR reply = 0;
    if (::SendMessageTimeoutW(dialog, DM_GETDEFID, 0, 0, SMTO_ABORTIFHUNG, 5000, &reply) &&
        HIWORD(reply) == DC_HASDEFID) {
      id = LOWORD(reply);
    } else {
      id = IDCANCEL;
    }
    chosen = ::GetDlgItem(dialog, id);
  }
  seen.answer = chosen != nullptr ? WithoutAccelerator(WindowText(chosen)) : "(Cancel)";
  ::PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(chosen));
  return seen;
}

std::string MessageBoxIcon(HWND box) {
  HWND picture = nullptr;
  for (HWND child : ChildrenOfClass(box, L"Static")) {
    if ((::GetWindowLongPtrW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) picture = child;
  }
  if (picture == nullptr) return "none";
  // Another process's icon handle cannot be drawn here (Wine refuses it), so the icon is
  // read from the screen and compared, pixel by opaque pixel, with each system icon.
  ::SetForegroundWindow(box);
  ::Sleep(200);
  RECT r{};
  ::GetWindowRect(picture, &r);
  const std::vector<std::uint32_t> shown = Picture([&](HDC dc, HDC screen) {
    return ::BitBlt(dc, 0, 0, 32, 32, screen, r.left, r.top, SRCCOPY) != FALSE;
  });
  if (shown.empty()) return "unknown";
  const std::pair<const wchar_t*, const char*> kinds[] = {
      {IDI_HAND, "error"}, {IDI_ASTERISK, "information"}, {IDI_EXCLAMATION, "warning"},
      {IDI_QUESTION, "question"}};
  for (const auto& [resource, name] : kinds) {
    HICON icon = ::LoadIconW(nullptr, resource);
    const std::vector<std::uint32_t> onWhite = IconOn(icon, WHITE_BRUSH);
    const std::vector<std::uint32_t> onBlack = IconOn(icon, BLACK_BRUSH);
    if (onWhite.empty() || onBlack.empty()) return "unknown";
    std::size_t opaque = 0, same = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
      if (onWhite[i] != onBlack[i]) continue;
      ++opaque;
      if (onWhite[i] == shown[i]) ++same;
    }
    if (opaque > 100 && same * 10 >= opaque * 9) return name;
  }
  return "unknown";
}

// ---- the running program -----------------------------------------------------------------

std::unique_ptr<App> App::Launch(DWORD waitMs, const std::wstring& exe) {
  std::unique_ptr<App> app(new App());
  STARTUPINFOW si{};
  si.cb = sizeof(si);
  PROCESS_INFORMATION pi{};
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!::CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                        nullptr, &si, &pi)) {
    return app;
  }
  app->process_.reset(pi.hProcess);
  UniqueHandle thread(pi.hThread);
  app->pid_ = pi.dwProcessId;
  if (waitMs > 0) app->WaitForMainWindow(waitMs);
  return app;
}

App::~App() {
  if (Running()) {
    ::TerminateProcess(process_.get(), 1);
    ::WaitForSingleObject(process_.get(), 5000);
  }
}

HWND App::FindTopLevel(const std::wstring& className, const std::wstring& caption) const {
  for (HWND hwnd : TopLevels(pid_, className)) {
    if (caption.empty() || Wide(WindowText(hwnd)) == caption) return hwnd;
  }
  return nullptr;
}

HWND App::WaitForTopLevel(const std::wstring& className, const std::wstring& caption, DWORD waitMs) const {
  HWND found = nullptr;
  WaitUntil(waitMs, [&] {
    found = FindTopLevel(className, caption);
    return found != nullptr || !Running();
  });
  return found;
}

HWND App::WaitForMainWindow(DWORD waitMs) {
  // The window is complete once the last path box has been filled and shown.
  WaitUntil(waitMs, [&] {
    main_ = FindTopLevel(kMainWindowClass);
    return (main_ != nullptr && ::IsWindowVisible(main_)) || !Running();
  });
  if (main_ != nullptr) {
    // Start-up fills the boxes right after showing the window; let it settle.
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(main_, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &ignored);
  }
  return main_;
}

bool App::WaitForExit(DWORD waitMs) {
  return ::WaitForSingleObject(process_.get(), waitMs) == WAIT_OBJECT_0;
}

bool App::Running() const {
  return process_ && ::WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT;
}

DWORD App::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  ::GetExitCodeProcess(process_.get(), &code);
  return code;
}

HWND App::Handle(Control c) const { return ::GetDlgItem(main_, ControlId(c)); }

std::string App::Caption() const { return WindowText(main_); }

std::string App::Text(Control c) const { return WindowText(Handle(c)); }

int App::Check(Control c) const {
  DWORD_PTR state = 0;
  ::SendMessageTimeoutW(Handle(c), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
  return static_cast<int>(state);
}

bool App::Enabled(Control c) const { return ::IsWindowEnabled(Handle(c)) != FALSE; }

bool App::Visible(Control c) const { return ::IsWindowVisible(Handle(c)) != FALSE; }

bool App::MainEnabled() const { return ::IsWindowEnabled(main_) != FALSE; }

RECT App::Rect(Control c) const {
  RECT r{};
  ::GetWindowRect(Handle(c), &r);
  ::MapWindowPoints(nullptr, main_, reinterpret_cast<POINT*>(&r), 2);
  return r;
}

RECT App::MainClientRect() const {
  RECT r{};
  ::GetClientRect(main_, &r);
  return r;
}

void App::SetText(Control c, const std::string& text) const {
  const std::wstring wide = Wide(text);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(Handle(c), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(wide.c_str()),
                        SMTO_ABORTIFHUNG, 5000, &ignored);
}

void App::PostClick(Control c) const { ::PostMessageW(Handle(c), BM_CLICK, 0, 0); }

}  // namespace vestrand::e2e
