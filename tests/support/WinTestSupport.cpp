#include "support/WinTestSupport.h"

#include <algorithm>
#include <cwchar>

#include "platform/Win32Text.h"

namespace vestrand::tests {

std::wstring LongPath(const std::wstring& path) {
  const bool drive = path.size() >= 3 && path[1] == L':' && path[2] == L'\\';
  const bool share = path.compare(0, 2, L"\\\\") == 0 && path.compare(0, 4, L"\\\\?\\") != 0;
  if (!drive && !share) return path;
  // This form takes names as they are: doubled separators must go.
  std::wstring out = drive ? L"\\\\?\\" : L"\\\\?\\UNC";
  for (std::size_t i = drive ? 0 : 1; i < path.size(); ++i) {
    if (path[i] != L'\\' || out.back() != L'\\') out += path[i];
  }
  return out;
}

bool CreateDirectories(const std::wstring& path) {
  for (std::size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
    ::CreateDirectoryW(LongPath(path.substr(0, pos)).c_str(), nullptr);
  }
  ::CreateDirectoryW(LongPath(path).c_str(), nullptr);
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

namespace {

// Calls `visit(relative path, is a folder)` for everything below `root`, parents first.
template <typename Visit>
void Walk(const std::wstring& root, const std::wstring& relative, const Visit& visit) {
  WIN32_FIND_DATAW fd;
  const std::wstring folder = relative.empty() ? root : root + L"\\" + relative;
  UniqueFindHandle find(::FindFirstFileW((LongPath(folder) + L"\\*").c_str(), &fd));
  for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &fd) != FALSE) {
    const std::wstring name = fd.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring rel = relative.empty() ? name : relative + L"\\" + name;
    visit(rel, (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0);
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) Walk(root, rel, visit);
  }
}

}  // namespace

bool RemoveTree(const std::wstring& path) {
  std::vector<std::pair<std::wstring, bool>> inside;  // parents first: removed last
  Walk(path, L"", [&](const std::wstring& rel, bool isFolder) { inside.emplace_back(path + L"\\" + rel, isFolder); });
  inside.emplace(inside.begin(), path, IsDirectory(path));
  for (auto entry = inside.rbegin(); entry != inside.rend(); ++entry) {
    const std::wstring full = LongPath(entry->first);
    ::SetFileAttributesW(full.c_str(), FILE_ATTRIBUTE_NORMAL);
    entry->second ? ::RemoveDirectoryW(full.c_str()) : ::DeleteFileW(full.c_str());
  }
  return !PathExists(path);
}

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
    return ::_wcsicmp(a.relativePath.c_str(), b.relativePath.c_str()) < 0;
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
  UniqueHKey k;
  DWORD size = 0, t = 0;
  std::wstring data;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, k.put()) == ERROR_SUCCESS &&
      ::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size / sizeof(wchar_t) + 1);
    size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
    if (::RegQueryValueExW(k.get(), name.c_str(), nullptr, &t, reinterpret_cast<BYTE*>(&data[0]), &size) != 0) t = 0;
  }
  if (type != nullptr) *type = t;
  return t == 0 ? std::wstring() : data.substr(0, wcsnlen(data.c_str(), data.size()));
}

std::wstring Expand(const std::wstring& text) {
  std::wstring out(::ExpandEnvironmentStringsW(text.c_str(), nullptr, 0), L'\0');
  const DWORD n = ::ExpandEnvironmentStringsW(text.c_str(), &out[0], static_cast<DWORD>(out.size()));
  out.resize(n > 0 && n <= out.size() ? n - 1 : 0);
  return out;
}

std::string WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
  DWORD_PTR copied = 0;
  ::SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 5000, &copied);
  return Narrow(std::wstring(buffer, copied));
}

std::vector<HWND> TopLevels(DWORD pid, const std::wstring& className, bool visibleOnly) {
  std::vector<HWND> found;
  for (HWND hwnd = ::GetTopWindow(nullptr); hwnd != nullptr; hwnd = ::GetWindow(hwnd, GW_HWNDNEXT)) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    wchar_t cls[256] = {};
    ::GetClassNameW(hwnd, cls, 256);
    if (owner == pid && className == cls && (!visibleOnly || ::IsWindowVisible(hwnd))) found.push_back(hwnd);
  }
  return found;
}

TestThread::TestThread(std::function<void()> body) : body_(std::move(body)) {
  const auto run = [](void* self) WINAPI -> DWORD {
    static_cast<TestThread*>(self)->body_();
    return 0;
  };
  handle_.reset(::CreateThread(nullptr, 0, run, this, 0, nullptr));
}

bool TestThread::Join(DWORD milliseconds) {
  if (handle_ && ::WaitForSingleObject(handle_.get(), milliseconds) != WAIT_OBJECT_0) return false;
  handle_.reset();
  return true;
}

DialogAnswerer::DialogAnswerer(WPARAM command, DWORD delayMs)
    : thread_([this, command, delayMs] {
        HWND seen = nullptr, answered = nullptr;
        DWORD seenAt = 0;
        for (; !stop_; ::Sleep(15)) {
          const std::vector<HWND> dialogs = DialogWindows(::GetCurrentProcessId());
          if (dialogs.empty()) continue;
          if (dialogs.front() != seen) seen = dialogs.front(), seenAt = ::GetTickCount();
          if (::GetTickCount() - seenAt < delayMs) continue;
          answered_ += seen != answered;
          answered = seen;
          ::PostMessageW(seen, WM_COMMAND, command, 0);
        }
      }) {}

void DialogAnswerer::Stop() {
  stop_ = true;
  thread_.Join(10000);
}

}  // namespace vestrand::tests
