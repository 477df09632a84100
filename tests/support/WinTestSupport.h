// What the Wine tests and the end-to-end driver both need from Windows: files reached
// through the "\\?\" form, manifests of a tree, the user's registry, windows and dialogs
// of a process, and waits that are always bounded.
#ifndef VESTRAND_TESTS_SUPPORT_WINTESTSUPPORT_H
#define VESTRAND_TESTS_SUPPORT_WINTESTSUPPORT_H

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"

namespace vestrand::tests {

// ---- files: every name, however long and whatever it ends in ----------------------------
std::wstring LongPath(const std::wstring& path);
bool CreateDirectories(const std::wstring& path);
bool WriteFile(const std::wstring& path, const std::string& bytes);  // parents made too
std::string ReadFile(const std::wstring& path);
inline DWORD Attributes(const std::wstring& path) { return ::GetFileAttributesW(LongPath(path).c_str()); }
inline bool PathExists(const std::wstring& path) { return Attributes(path) != INVALID_FILE_ATTRIBUTES; }
inline bool IsDirectory(const std::wstring& path) {
  return PathExists(path) && (Attributes(path) & FILE_ATTRIBUTE_DIRECTORY) != 0;
}
bool RemoveTree(const std::wstring& path);  // read-only entries too; a missing tree is fine

struct FileRecord {
  std::wstring relativePath;
  std::uint64_t size = 0;
  std::uint64_t hash = 0;  // FNV-1a of the content
  // Windows names are compared without regard to case.
  bool operator==(const FileRecord& o) const {
    return ::lstrcmpiW(relativePath.c_str(), o.relativePath.c_str()) == 0 && size == o.size && hash == o.hash;
  }
};
// Every file below `root`, sorted by relative path (compared case-insensitively).
std::vector<FileRecord> Manifest(const std::wstring& root);
// Every file and folder below `root` (relative paths, folders ending in a backslash), sorted.
std::vector<std::wstring> Tree(const std::wstring& root);

// ---- the current user's registry ---------------------------------------------------------
void SetRaw(const std::wstring& key, const std::wstring& name, DWORD type, const void* data, DWORD size);
inline void SetValue(const std::wstring& key, const std::wstring& name, const std::wstring& data,
                     DWORD type = REG_EXPAND_SZ) {
  SetRaw(key, name, type, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}
void DeleteValue(const std::wstring& key, const std::wstring& name);
// The text value as stored, with its type; empty and 0 when missing.
std::wstring ReadValue(const std::wstring& key, const std::wstring& name, DWORD* type = nullptr);
std::wstring Expand(const std::wstring& text);

// ---- windows of a process (this one too) -------------------------------------------------
std::string WindowText(HWND hwnd);  // WM_GETTEXT with a bounded wait
// The top-level windows of process `pid` of this class ("#32770": dialogs), visible ones only if asked.
std::vector<HWND> TopLevels(DWORD pid, const std::wstring& className, bool visibleOnly = false);
inline std::vector<HWND> DialogWindows(DWORD pid) { return TopLevels(pid, L"#32770", true); }

// Waits until `done` returns true or `waitMs` passes.
template <typename F>
bool WaitUntil(DWORD waitMs, F done) {
  for (const DWORD start = ::GetTickCount(); !done(); ::Sleep(20)) {
    if (::GetTickCount() - start >= waitMs) return false;
  }
  return true;
}

// A thread running one function; joined (bounded) by the owner.
class TestThread {
 public:
  explicit TestThread(std::function<void()> body);
  ~TestThread() { Join(30000); }
  bool Join(DWORD milliseconds);  // true when the thread has ended within the time

 private:
  std::function<void()> body_;
  UniqueHandle handle_;
};

// Answers every dialog of this process with one command once it has stayed open for
// `delayMs`, until stopped: keeps loops of modal calls going, and with a delay is the
// guard that no modal call waits for ever.
class DialogAnswerer {
 public:
  DialogAnswerer(WPARAM command, DWORD delayMs = 0);
  ~DialogAnswerer() { Stop(); }
  void Stop();
  int Answered() const { return answered_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  TestThread thread_;
};

}  // namespace vestrand::tests

#endif
