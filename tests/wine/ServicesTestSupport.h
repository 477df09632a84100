// Helpers for the real tests of the service wrappers: a scratch folder on each drive,
// file trees compared byte for byte, and a second thread that plays the user at the
// modal windows the wrappers open. Every wait here is bounded.
#ifndef VESTRAND_TESTS_WINE_SERVICESTESTSUPPORT_H
#define VESTRAND_TESTS_WINE_SERVICESTESTSUPPORT_H

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "platform/Win32Handles.h"
#include "platform/Win32Text.h"

namespace vestrand::wine {

namespace fs = std::filesystem;

inline fs::path PathOf(const std::string& utf8) { return fs::path(Wide(utf8)); }
inline std::string Utf8Of(const fs::path& path) { return Narrow(path.wstring()); }

inline bool Exists(const std::string& path) {
  return ::GetFileAttributesW(Wide(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

inline bool IsDirectory(const std::string& path) {
  const DWORD a = ::GetFileAttributesW(Wide(path).c_str());
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

inline void WriteBytes(const std::string& path, const std::string& bytes) {
  fs::create_directories(PathOf(path).parent_path());
  std::ofstream out(PathOf(path), std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string ReadBytes(const std::string& path) {
  std::ifstream in(PathOf(path), std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// A file's bytes in short: length and FNV-1a digest, so that failures print readably.
inline std::string Digest(const std::string& bytes) {
  std::uint64_t h = 14695981039346656037ull;
  for (const char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return std::to_string(bytes.size()) + " bytes #" + std::to_string(h);
}

// Every file and folder under `root`, by path relative to it: the file's digest, or "<dir>".
using Tree = std::map<std::string, std::string>;

inline Tree ReadTree(const std::string& root) {
  Tree tree;
  std::error_code ec;
  const fs::path base = PathOf(root);
  for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    const std::string relative = Utf8Of(fs::relative(it->path(), base));
    tree[relative] = it->is_directory() ? std::string("<dir>") : Digest(ReadBytes(Utf8Of(it->path())));
  }
  return tree;
}

// Removes a tree, read-only entries included; a missing tree is fine.
inline void RemoveTree(const std::string& root) {
  std::error_code ec;
  const fs::path base = PathOf(root);
  if (!fs::exists(base, ec)) return;
  for (auto it = fs::recursive_directory_iterator(base, ec); !ec && it != fs::end(it);
       it.increment(ec)) {
    ::SetFileAttributesW(it->path().c_str(), FILE_ATTRIBUTE_NORMAL);
  }
  ::SetFileAttributesW(base.c_str(), FILE_ATTRIBUTE_NORMAL);
  fs::remove_all(base, ec);
}

// A thread running one function; joined (bounded) by the owner.
class TestThread {
 public:
  explicit TestThread(std::function<void()> body) : body_(std::move(body)) {
    handle_.reset(::CreateThread(nullptr, 0, &TestThread::Run, this, 0, nullptr));
  }
  ~TestThread() { Join(30000); }
  TestThread(const TestThread&) = delete;
  TestThread& operator=(const TestThread&) = delete;
  bool Started() const { return static_cast<bool>(handle_); }
  // True when the thread has ended within the time.
  bool Join(DWORD milliseconds) {
    if (!handle_) return true;
    if (::WaitForSingleObject(handle_.get(), milliseconds) != WAIT_OBJECT_0) return false;
    handle_.reset();
    return true;
  }

 private:
  static DWORD WINAPI Run(void* self) {
    static_cast<TestThread*>(self)->body_();
    return 0;
  }
  std::function<void()> body_;
  UniqueHandle handle_;
};

inline std::wstring ClassOf(HWND window) {
  wchar_t name[64] = {};
  ::GetClassNameW(window, name, 64);
  return name;
}

inline std::wstring TitleOf(HWND window) {
  wchar_t title[256] = {};
  ::GetWindowTextW(window, title, 256);
  return title;
}

// The first visible dialog window (#32770) of a thread, optionally with this title.
inline HWND FindDialog(DWORD threadId, const std::wstring* title = nullptr) {
  struct Search {
    const std::wstring* title;
    HWND found;
  } search{title, nullptr};
  ::EnumThreadWindows(
      threadId,
      [](HWND window, LPARAM data) CALLBACK -> BOOL {
        auto* s = reinterpret_cast<Search*>(data);
        if (!::IsWindowVisible(window) || ClassOf(window) != L"#32770") return TRUE;
        if (s->title != nullptr && TitleOf(window) != *s->title) return TRUE;
        s->found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

inline HWND WaitForDialog(DWORD threadId, DWORD milliseconds, const std::wstring* title = nullptr) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    if (HWND found = FindDialog(threadId, title)) return found;
    if (::GetTickCount() - start >= milliseconds) return nullptr;
    ::Sleep(20);
  }
}

inline bool WaitUntilGone(HWND window, DWORD milliseconds) {
  const DWORD start = ::GetTickCount();
  while (::IsWindow(window)) {
    if (::GetTickCount() - start >= milliseconds) return false;
    ::Sleep(20);
  }
  return true;
}

// Answers every dialog the watched thread shows with one command, until stopped; used to
// keep loops of modal calls going, and, with a delay, as a guard that no modal call waits
// for ever. A dialog is answered once it has stayed open for `delayMs`.
class DialogAnswerer {
 public:
  DialogAnswerer(DWORD threadId, WPARAM command, DWORD delayMs = 0)
      : thread_([this, threadId, command, delayMs] {
          HWND seen = nullptr;
          HWND answered = nullptr;
          DWORD seenAt = 0;
          while (!stop_) {
            if (HWND dialog = FindDialog(threadId)) {
              const DWORD now = ::GetTickCount();
              if (dialog != seen) {
                seen = dialog;
                seenAt = now;
              }
              if (now - seenAt >= delayMs) {
                if (dialog != answered) ++answered_;
                answered = dialog;
                ::PostMessageW(dialog, WM_COMMAND, command, 0);
              }
            }
            ::Sleep(15);
          }
        }) {}
  ~DialogAnswerer() { Stop(); }
  DialogAnswerer(const DialogAnswerer&) = delete;
  DialogAnswerer& operator=(const DialogAnswerer&) = delete;
  void Stop() {
    stop_ = true;
    thread_.Join(10000);
  }
  int Answered() const { return answered_; }

 private:
  std::atomic<bool> stop_{false};
  std::atomic<int> answered_{0};
  TestThread thread_;
};

// A plain top-level window at a known place, to own the dialogs under test.
class OwnerWindow {
 public:
  OwnerWindow(int left, int top, int width, int height) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = ::DefWindowProcW;
    wc.hInstance = ::GetModuleHandleW(nullptr);
    wc.lpszClassName = L"VestrandSvcTestOwner";
    ::RegisterClassW(&wc);  // a second registration fails harmlessly
    window_.reset(::CreateWindowExW(0, wc.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                    left, top, width, height, nullptr, nullptr, wc.hInstance,
                                    nullptr));
  }
  HWND get() const { return window_.get(); }

 private:
  UniqueWindow window_;
};

}  // namespace vestrand::wine

#endif
