#include "e2e/driver/Driver.h"

#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cwctype>

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

void SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& data, DWORD type) {
  UniqueHKey k;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(),
                        nullptr) != ERROR_SUCCESS) {
    return;
  }
  ::RegSetValueExW(k.get(), name.c_str(), 0, type, reinterpret_cast<const BYTE*>(data.c_str()),
                   static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void DeleteValue(const std::wstring& key, const std::wstring& name) {
  UniqueHKey k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_SET_VALUE, k.put()) == ERROR_SUCCESS) {
    ::RegDeleteValueW(k.get(), name.c_str());
  }
}

std::wstring ReadValue(const std::wstring& key, const std::wstring& name, DWORD* type) {
  if (type != nullptr) *type = 0;
  UniqueHKey k;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS) {
    return std::wstring();
  }
  DWORD size = 0;
  DWORD t = 0;
  if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(&data[0]),
                         &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  if (type != nullptr) *type = t;
  data.resize(wcsnlen(data.c_str(), data.size()));
  return data;
}

std::wstring Expand(const std::wstring& text) {
  const DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
  std::wstring out(n, L'\0');
  ::ExpandEnvironmentStringsW(text.c_str(), &out[0], n);
  out.resize(n > 0 ? n - 1 : 0);
  return out;
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

// ---- files -------------------------------------------------------------------------------

std::wstring LongPath(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  const bool share = path.compare(0, 2, L"\\\\") == 0 && path.compare(0, 4, L"\\\\?\\") != 0;
  if (!drive && !share) return path;
  // This form takes names as they are: doubled separators must go.
  std::wstring out = drive ? L"\\\\?\\" : L"\\\\?\\UNC";
  for (std::size_t i = drive ? 0 : 1; i < path.size(); ++i) {
    if (path[i] == L'\\' && !out.empty() && out.back() == L'\\') continue;
    out += path[i];
  }
  return out;
}

bool CreateDirectories(const std::wstring& path) {
  for (std::size_t pos = path.find(L'\\', 3); ; pos = path.find(L'\\', pos + 1)) {
    const std::wstring level = pos == std::wstring::npos ? path : path.substr(0, pos);
    ::CreateDirectoryW(LongPath(level).c_str(), nullptr);
    if (pos == std::wstring::npos) break;
  }
  return IsDirectory(path);
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
  CreateDirectories(path.substr(0, path.find_last_of(L'\\')));
  UniqueFileHandle f(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!f) return false;
  DWORD written = 0;
  return ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

bool IsDirectory(const std::wstring& path) {
  const DWORD a = ::GetFileAttributesW(LongPath(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool PathExists(const std::wstring& path) {
  return ::GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool RemoveTree(const std::wstring& path) {
  const std::wstring full = LongPath(path);
  const DWORD a = ::GetFileAttributesW(full.c_str());
  if (a == INVALID_FILE_ATTRIBUTES) return true;
  ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL | (a & FILE_ATTRIBUTE_DIRECTORY));
  if ((a & FILE_ATTRIBUTE_DIRECTORY) == 0) return ::DeleteFileW(full.c_str()) != 0;
  WIN32_FIND_DATAW fd;
  UniqueFindHandle find(::FindFirstFileW((full + L"\\*").c_str(), &fd));
  if (find) {
    do {
      const std::wstring name = fd.cFileName;
      if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    } while (::FindNextFileW(find.get(), &fd));
  }
  find.reset();
  return ::RemoveDirectoryW(full.c_str()) != 0;
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

namespace {

std::wstring Lower(std::wstring s) {
  std::transform(s.begin(), s.end(), s.begin(), [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
  return s;
}

// Calls `visit(relative path, is a folder)` for everything below `root`, parents first.
template <typename Visit>
void Walk(const std::wstring& root, const std::wstring& relative, const Visit& visit) {
  WIN32_FIND_DATAW fd;
  const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  UniqueFindHandle find(::FindFirstFileW((LongPath(folder) + L"\\*").c_str(), &fd));
  if (!find) return;
  do {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
    const bool isFolder = (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    visit(rel, isFolder);
    if (isFolder) Walk(root, rel, visit);
  } while (::FindNextFileW(find.get(), &fd));
}

FileEntry Describe(const std::wstring& root, const std::wstring& rel) {
  FileEntry e;
  e.relativePath = rel;
  e.hash = 1469598103934665603ull;
  UniqueFileHandle f(::CreateFileW(LongPath(root + L"\\" + rel).c_str(), GENERIC_READ,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!f) return e;
  char buffer[65536];
  DWORD got = 0;
  while (::ReadFile(f.get(), buffer, sizeof(buffer), &got, nullptr) && got > 0) {
    e.size += got;
    for (DWORD i = 0; i < got; ++i) {
      e.hash ^= static_cast<unsigned char>(buffer[i]);
      e.hash *= 1099511628211ull;
    }
  }
  return e;
}

}  // namespace

std::vector<FileEntry> Manifest(const std::wstring& root) {
  std::vector<FileEntry> out;
  Walk(root, L"", [&](const std::wstring& rel, bool isFolder) {
    if (!isFolder) out.push_back(Describe(root, rel));
  });
  std::sort(out.begin(), out.end(), [](const FileEntry& a, const FileEntry& b) {
    return Lower(a.relativePath) < Lower(b.relativePath);
  });
  return out;
}

std::vector<std::wstring> Tree(const std::wstring& root) {
  std::vector<std::wstring> out;
  Walk(root, L"", [&](const std::wstring& rel, bool isFolder) {
    out.push_back(isFolder ? rel + L"\\" : rel);
  });
  std::sort(out.begin(), out.end());
  return out;
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

HWND FindMessageBox(DWORD pid, const std::wstring& title) {
  for (HWND box : DialogWindows(pid)) {
    if (Wide(WindowText(box)) == title) return box;
  }
  return nullptr;
}

HWND WaitForMessageBox(DWORD pid, const std::wstring& title, DWORD waitMs) {
  HWND box = nullptr;
  WaitUntil(waitMs, [&] { return (box = FindMessageBox(pid, title)) != nullptr; });
  return box;
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

std::vector<HWND> DialogWindows(DWORD pid) {
  struct Search {
    DWORD pid;
    std::vector<HWND> found;
  } search{pid, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[64] = {};
        ::GetClassNameW(hwnd, cls, 64);
        if (owner == s->pid && std::wstring(cls) == L"#32770" && ::IsWindowVisible(hwnd)) {
          s->found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

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

std::string WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer),
                             SMTO_ABORTIFHUNG, 5000, &copied)) {
    return std::string();
  }
  return Narrow(std::wstring(buffer, copied));
}

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
  struct Search {
    DWORD pid;
    const std::wstring* className;
    const std::wstring* caption;
    HWND found;
  } search{pid_, &className, &caption, nullptr};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD pid = 0;
        ::GetWindowThreadProcessId(hwnd, &pid);
        if (pid != s->pid) return TRUE;
        wchar_t cls[256] = {};
        ::GetClassNameW(hwnd, cls, 256);
        if (*s->className != cls) return TRUE;
        if (!s->caption->empty() && Wide(WindowText(hwnd)) != *s->caption) return TRUE;
        s->found = hwnd;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
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
