// One owner for every Windows handle the program opens.
#ifndef VESTRAND_PLATFORM_WIN32HANDLES_H
#define VESTRAND_PLATFORM_WIN32HANDLES_H

#include <windows.h>
#include <objbase.h>

#include <utility>

#include "platform/SystemLibraries.h"

namespace vestrand {

// A move-only owner of a handle-like value, released by `Traits::Close`.
template <typename Traits>
class UniqueResource {
 public:
  using Value = typename Traits::Value;
  UniqueResource() noexcept : value_(Traits::Invalid()) {}
  explicit UniqueResource(Value v) noexcept : value_(v) {}
  ~UniqueResource() { reset(); }
  UniqueResource(const UniqueResource&) = delete;
  UniqueResource& operator=(const UniqueResource&) = delete;
  UniqueResource(UniqueResource&& other) noexcept : value_(other.release()) {}
  UniqueResource& operator=(UniqueResource&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  Value get() const noexcept { return value_; }
  explicit operator bool() const noexcept { return value_ != Traits::Invalid(); }
  Value release() noexcept { return std::exchange(value_, Traits::Invalid()); }
  void reset(Value v = Traits::Invalid()) noexcept {
    Value old = std::exchange(value_, v);
    if (old != Traits::Invalid()) Traits::Close(old);
  }
  // For APIs that hand a new handle back through a pointer.
  Value* put() noexcept {
    reset();
    return &value_;
  }

 private:
  Value value_;
};

struct KernelHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::CloseHandle(h); }
};
using UniqueHandle = UniqueResource<KernelHandleTraits>;

struct FindHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value h) noexcept { ::FindClose(h); }
};
using UniqueFindHandle = UniqueResource<FindHandleTraits>;

struct FileHandleTraits {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value h) noexcept { ::CloseHandle(h); }
};
using UniqueFileHandle = UniqueResource<FileHandleTraits>;

struct RegKeyTraits {
  using Value = HKEY;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::RegCloseKey(h); }
};
using UniqueHKey = UniqueResource<RegKeyTraits>;

struct HookTraits {
  using Value = HHOOK;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::UnhookWindowsHookEx(h); }
};
using UniqueHook = UniqueResource<HookTraits>;

struct GdiObjectTraits {
  using Value = HGDIOBJ;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::DeleteObject(h); }
};
using UniqueGdiObject = UniqueResource<GdiObjectTraits>;

struct FontTraits {
  using Value = HFONT;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::DeleteObject(h); }
};
using UniqueFont = UniqueResource<FontTraits>;

struct BrushTraits {
  using Value = HBRUSH;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::DeleteObject(h); }
};
using UniqueBrush = UniqueResource<BrushTraits>;

struct WindowTraits {
  using Value = HWND;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value h) noexcept { ::DestroyWindow(h); }
};
using UniqueWindow = UniqueResource<WindowTraits>;

// Memory the system allocates for the caller (the shell's item identifier lists).
template <typename T>
struct CoTaskMemTraits {
  using Value = T*;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value p) noexcept { syslib::CoTaskMemFree(p); }
};
template <typename T>
using UniqueCoTaskMem = UniqueResource<CoTaskMemTraits<T>>;

// Memory the system allocates with LocalAlloc for the caller (converted SIDs, descriptors).
template <typename T>
struct LocalMemTraits {
  using Value = T;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value p) noexcept { ::LocalFree(p); }
};
template <typename T>
using UniqueLocalMem = UniqueResource<LocalMemTraits<T>>;

// A screen device context, released with ReleaseDC.
class ScreenDC {
 public:
  ScreenDC() noexcept : dc_(::GetDC(nullptr)) {}
  ~ScreenDC() {
    if (dc_ != nullptr) ::ReleaseDC(nullptr, dc_);
  }
  ScreenDC(const ScreenDC&) = delete;
  ScreenDC& operator=(const ScreenDC&) = delete;
  HDC get() const noexcept { return dc_; }

 private:
  HDC dc_;
};

}  // namespace vestrand

#endif
