// What the Wine tests and the end-to-end driver both need from Windows: files reached through the "\\?\" form,
// manifests of a tree, the user's registry, windows and dialogs of a process, processes, and bounded waits.
#ifndef VESTRAND_TESTS_SUPPORT_WINTESTSUPPORT_H
#define VESTRAND_TESTS_SUPPORT_WINTESTSUPPORT_H

#include <windows.h>

#include <shlwapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Services.h"
#include "platform/Win32Text.h"

namespace vestrand::tests {

inline std::wstring LongPath(const std::wstring& path) {
  if (path.size() < 3 || path[1] != L':' || path[2] != L'\\') return path;
  // This form takes names as they are: doubled separators must go.
  std::wstring out = L"\\\\?\\";
  for (const wchar_t c : path) {
    if (c != L'\\' || out.back() != L'\\') out += c;
  }
  return out;
}
inline DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(LongPath(path).c_str()); }
inline bool PathExists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool IsDirectory(const std::wstring& p) { return PathExists(p) && (Attributes(p) & FILE_ATTRIBUTE_DIRECTORY); }

inline bool CreateDirectories(const std::wstring& path) {
  for (std::size_t pos = path.find(L'\\', 3); pos != std::wstring::npos; pos = path.find(L'\\', pos + 1)) {
    ::CreateDirectoryW(LongPath(path.substr(0, pos)).c_str(), nullptr);
  }
  ::CreateDirectoryW(LongPath(path).c_str(), nullptr);
  return IsDirectory(path);
}

// `bytes`, then zeros that take no room up to `size` bytes; the parents made too.
inline bool WriteFile(const std::wstring& path, const std::string& bytes, LONGLONG size = 0) {
  CreateDirectories(path.substr(0, path.find_last_of(L'\\')));
  UniqueFileHandle f(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  LARGE_INTEGER end{};
  end.QuadPart = std::max(size, static_cast<LONGLONG>(bytes.size()));
  return f && ::WriteFile(f.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size() && ::SetFilePointerEx(f.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(f.get());
}

inline std::string ReadFile(const std::wstring& path) {
  std::string out;
  UniqueFileHandle f(::CreateFileW(LongPath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                   OPEN_EXISTING, 0, nullptr));
  char buffer[65536];
  DWORD got = 0;
  while (f && ::ReadFile(f.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) out.append(buffer, got);
  return out;
}

struct FileRecord {
  std::wstring relativePath;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // FNV-1a of the content; 0 for a folder
  // Windows names are compared without regard to case.
  bool operator==(const FileRecord& o) const {
    return ::lstrcmpiW(relativePath.c_str(), o.relativePath.c_str()) == 0 && size == o.size && hash == o.hash;
  }
};
// Adds everything below `root` + `relative` to `out`, parents first.
inline void Walk(const std::wstring& root, const std::wstring& relative, std::vector<FileRecord>& out) {
  WIN32_FIND_DATAW fd;
  UniqueFindHandle find(::FindFirstFileW(LongPath(root + relative + L"\\*").c_str(), &fd));
  for (bool more = static_cast<bool>(find); more; more = ::FindNextFileW(find.get(), &fd) != FALSE) {
    const std::wstring name = relative + L"\\" + fd.cFileName;
    if (fd.cFileName == std::wstring(L".") || fd.cFileName == std::wstring(L"..")) continue;
    FileRecord e{name.substr(1), 0, 1469598103934665603ull};
    if ((fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
      out.push_back({e.relativePath});
      Walk(root, name, out);
      continue;
    }
    e.size = (std::uint64_t{fd.nFileSizeHigh} << 32) | fd.nFileSizeLow;
    // A file of gigabytes (a disk image) is known by its size.
    for (const char c : e.size < (1u << 30) ? ReadFile(root + name) : std::string()) {
      e.hash = (e.hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    }
    out.push_back(e);
  }
}
// Every file below `root`, with `folders` every folder too, sorted by relative path (compared case-insensitively).
inline std::vector<FileRecord> Manifest(const std::wstring& root, bool folders = false) {
  std::vector<FileRecord> out;
  Walk(root, L"", out);
  const auto folder = [&](const FileRecord& e) { return !folders && e.hash == 0; };
  out.erase(std::remove_if(out.begin(), out.end(), folder), out.end());
  std::sort(out.begin(), out.end(), [](const FileRecord& a, const FileRecord& b) {
    return ::_wcsicmp(a.relativePath.c_str(), b.relativePath.c_str()) < 0;
  });
  return out;
}

// A value of the user's, or of `root`, the key made too.
inline void SetRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size,
                   HKEY root = HKEY_CURRENT_USER) {
  ::SHSetValueW(root, key.c_str(), name.c_str(), type, data, size);
}
inline void SetTextValue(const std::wstring& key, const std::wstring& name, const std::wstring& text,
                         DWORD type = REG_SZ, HKEY root = HKEY_CURRENT_USER) {
  SetRaw(key, name, type, text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)), root);
}
// The text value as stored, with its type; empty and 0 when missing.
inline std::wstring ReadValue(const std::wstring& key, const std::wstring& name, DWORD* type = nullptr) {
  wchar_t data[16384] = {};
  DWORD size = sizeof data - sizeof(wchar_t), t = 0;
  if (::RegGetValueW(HKEY_CURRENT_USER, key.c_str(), name.c_str(), RRF_RT_ANY | RRF_NOEXPAND, &t, data, &size)) t = 0;
  if (type != nullptr) *type = t;
  return t == 0 ? std::wstring() : std::wstring(data, wcsnlen(data, size / sizeof(wchar_t)));
}

inline std::wstring Expand(const std::wstring& text) { return Wide(ExpandEnvironment(Narrow(text))); }

// Sends a message, to another program's window too, and returns the answer, waiting five seconds at most.
inline LRESULT Send(HWND hwnd, UINT message, WPARAM w = 0, LPARAM l = 0) {
  DWORD_PTR answer = 0;
  ::SendMessageTimeoutW(hwnd, message, w, l, SMTO_ABORTIFHUNG, 5000, &answer);
  return static_cast<LRESULT>(answer);
}
inline std::string WindowText(HWND hwnd) {
  wchar_t buffer[4096] = {};
  const auto copied = static_cast<std::size_t>(Send(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(buffer)));
  return Narrow(std::wstring(buffer, copied));
}

// The top-level windows of process `pid` of this class ("#32770": dialogs), visible ones only if asked.
inline std::vector<HWND> TopLevels(DWORD pid, const std::wstring& className, bool visibleOnly = false) {
  std::vector<HWND> found;
  for (HWND hwnd = nullptr; (hwnd = ::FindWindowExW(nullptr, hwnd, className.c_str(), nullptr)) != nullptr;) {
    DWORD owner = 0;
    ::GetWindowThreadProcessId(hwnd, &owner);
    if (owner == pid && (!visibleOnly || ::IsWindowVisible(hwnd))) found.push_back(hwnd);
  }
  return found;
}
inline std::vector<HWND> DialogWindows(DWORD pid) { return TopLevels(pid, L"#32770", true); }

// The processes of this name, or only those `parent` started.
inline std::vector<DWORD> Processes(const wchar_t* named, DWORD parent = 0) {
  std::vector<DWORD> out;
  UniqueFileHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W p{};
  p.dwSize = sizeof(p);
  for (BOOL ok = snapshot && ::Process32FirstW(snapshot.get(), &p); ok; ok = ::Process32NextW(snapshot.get(), &p)) {
    if (::lstrcmpiW(p.szExeFile, named) == 0 && (parent == 0 || p.th32ParentProcessID == parent)) {
      out.push_back(p.th32ProcessID);
    }
  }
  return out;
}
inline void EndProcess(DWORD pid) {  // only a process this test started or caused to be started
  UniqueHandle process(::OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid));
  if (process && ::TerminateProcess(process.get(), 1)) ::WaitForSingleObject(process.get(), 5000);
}

// Waits until `done` returns true or `waitMs` passes.
template <typename F>
bool WaitUntil(DWORD waitMs, F done) {
  for (const DWORD start = ::GetTickCount(); !done(); ::Sleep(20)) {
    if (::GetTickCount() - start >= waitMs) return false;
  }
  return true;
}

}  // namespace vestrand::tests

#endif
