#include "support/WinTestSupport.h"

#include <algorithm>
#include <cwctype>

#include "platform/Win32Text.h"

namespace vestrand::tests {

std::wstring LongPath(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  const bool share = path.compare(0, 2, L"\\\\") == 0 && path.compare(0, 4, L"\\\\?\\") != 0;
  if (!drive && !share) return path;
  // This form takes names as they are: doubled separators must go.
  std::wstring out = drive ? L"\\\\?\\" : L"\\\\?\\UNC";
  for (std::size_t i = drive ? 0 : 1; i < path.size(); ++i) {
    if (path[i] == L'\\' && out.back() == L'\\') continue;
    out += path[i];
  }
  return out;
}

bool CreateDirectories(const std::wstring& path) {
  for (std::size_t pos = path.find(L'\\', 3);; pos = path.find(L'\\', pos + 1)) {
    ::CreateDirectoryW(LongPath(pos == std::wstring::npos ? path : path.substr(0, pos)).c_str(), nullptr);
    if (pos == std::wstring::npos) break;
  }
  return IsDirectory(path);
}

bool WriteFile(const std::wstring& path, const std::string& bytes) {
  CreateDirectories(path.substr(0, path.find_last_of(L'\\')));
  UniqueFileHandle f(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
  DWORD written = 0;
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::string ReadFile(const std::wstring& path) {
  std::string out;
  UniqueFileHandle f(::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr));
  char buffer[65536];
  DWORD got = 0;
  while (f && ::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  return out;
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
  while (find) {
    const std::wstring name = fd.cFileName;
    if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
    if (!::FindNextFileW(find.get(), &fd)) break;
  }
  find.reset();
  return ::RemoveDirectoryW(full.c_str()) != 0;
}

namespace {

std::wstring Lower(std::wstring s) {
  for (wchar_t& c : s) c = static_cast<wchar_t>(std::towlower(c));
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

}  // namespace

std::vector<FileRecord> Manifest(const std::wstring& root) {
  std::vector<FileRecord> out;
  Walk(root, L"", [&](const std::wstring& rel, bool isFolder) {
    if (isFolder) return;
    FileRecord e{rel, 0, 1469598103934665603ull};
    for (const char c : ReadFile(root + L"\\" + rel)) {
      ++e.size;
      e.hash = (e.hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    out.push_back(e);
  });
  std::sort(out.begin(), out.end(), [](const FileRecord& a, const FileRecord& b) {
    return Lower(a.relativePath) < Lower(b.relativePath);
  });
  return out;
}

std::vector<std::wstring> Tree(const std::wstring& root) {
  std::vector<std::wstring> out;
  Walk(root, L"", [&](const std::wstring& rel, bool isFolder) { out.push_back(isFolder ? rel + L"\\" : rel); });
  std::sort(out.begin(), out.end());
  return out;
}

void SetRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size) {
  UniqueHKey k;
  if (::RegCreateKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, k.put(), nullptr) ==
      ERROR_SUCCESS) {
    ::RegSetValueExW(k.get(), name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
  }
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
  DWORD size = 0, t = 0;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) != ERROR_SUCCESS ||
      ::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, nullptr, &size) != ERROR_SUCCESS) {
    return std::wstring();
  }
  std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
  size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
  if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(&data[0]), &size) !=
      ERROR_SUCCESS) {
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

std::string WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  if (!::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000,
                             &copied)) {
    return std::string();
  }
  return Narrow(std::wstring(buffer, copied));
}

std::vector<HWND> TopLevels(DWORD pid, const std::wstring& className, bool visibleOnly) {
  struct Search {
    DWORD pid;
    const std::wstring* className;
    bool visibleOnly;
    std::vector<HWND> found;
  } search{pid, &className, visibleOnly, {}};
  ::EnumWindows(
      [](HWND hwnd, LPARAM lParam) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        ::GetWindowThreadProcessId(hwnd, &owner);
        wchar_t cls[256] = {};
        ::GetClassNameW(hwnd, cls, 256);
        if (owner == s->pid && *s->className == cls && (!s->visibleOnly || ::IsWindowVisible(hwnd))) {
          s->found.push_back(hwnd);
        }
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

TestThread::TestThread(std::function<void()> body) : body_(std::move(body)) {
  handle_.reset(::CreateThread(nullptr, 0, &TestThread::Run, this, 0, nullptr));
}

bool TestThread::Join(DWORD milliseconds) {
  if (!handle_) return true;
  if (::WaitForSingleObject(handle_.get(), milliseconds) != WAIT_OBJECT_0) return false;
  handle_.reset();
  return true;
}

DialogAnswerer::DialogAnswerer(WPARAM command, DWORD delayMs)
    : thread_([this, command, delayMs] {
        HWND seen = nullptr, answered = nullptr;
        DWORD seenAt = 0;
        while (!stop_) {
          const std::vector<HWND> dialogs = DialogWindows(::GetCurrentProcessId());
          if (!dialogs.empty()) {
            const DWORD now = ::GetTickCount();
            if (dialogs.front() != seen) seen = dialogs.front(), seenAt = now;
            if (now - seenAt >= delayMs) {
              if (seen != answered) ++answered_;
              answered = seen;
              ::PostMessageW(seen, WM_COMMAND, command, 0);
            }
          }
          ::Sleep(15);
        }
      }) {}

void DialogAnswerer::Stop() {
  stop_ = true;
  thread_.Join(10000);
}

}  // namespace vestrand::tests
