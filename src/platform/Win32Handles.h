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

// The release calls, as functions of the program's own whose addresses are constants.
namespace release {
inline void CloseKernelObject(HANDLE h) noexcept { ::CloseHandle(h); }
inline void CloseSearch(HANDLE h) noexcept { ::FindClose(h); }
inline void CloseKey(HKEY h) noexcept { ::RegCloseKey(h); }
inline void Unhook(HHOOK h) noexcept { ::UnhookWindowsHookEx(h); }
inline void DeleteGdiObject(HGDIOBJ h) noexcept { ::DeleteObject(h); }
inline void DestroyIcon(HICON h) noexcept { ::DestroyIcon(h); }
inline void DestroyWindow(HWND h) noexcept { ::DestroyWindow(h); }
inline void FreeCoTaskMem(void* p) noexcept { syslib::CoTaskMemFree(p); }
inline void FreeLocal(HLOCAL p) noexcept { ::LocalFree(p); }
inline void UnloadLibrary(HMODULE m) noexcept { ::FreeLibrary(m); }
}  // namespace release

// A value of type `V` that is null when there is none, released by `close`.
template <typename V, auto close>
struct NullIsNone {
  using Value = V;
  static Value Invalid() noexcept { return nullptr; }
  static void Close(Value v) noexcept { close(v); }
};

// A handle that is INVALID_HANDLE_VALUE when there is none (files, searches).
template <auto close>
struct InvalidIsNone {
  using Value = HANDLE;
  static Value Invalid() noexcept { return INVALID_HANDLE_VALUE; }
  static void Close(Value v) noexcept { close(v); }
};

using UniqueHandle = UniqueResource<NullIsNone<HANDLE, &release::CloseKernelObject>>;
using UniqueFindHandle = UniqueResource<InvalidIsNone<&release::CloseSearch>>;
using UniqueFileHandle = UniqueResource<InvalidIsNone<&release::CloseKernelObject>>;
using UniqueHKey = UniqueResource<NullIsNone<HKEY, &release::CloseKey>>;
using UniqueHook = UniqueResource<NullIsNone<HHOOK, &release::Unhook>>;
using UniqueGdiObject = UniqueResource<NullIsNone<HGDIOBJ, &release::DeleteGdiObject>>;
using UniqueFont = UniqueResource<NullIsNone<HFONT, &release::DeleteGdiObject>>;
using UniqueBrush = UniqueResource<NullIsNone<HBRUSH, &release::DeleteGdiObject>>;
using UniqueIcon = UniqueResource<NullIsNone<HICON, &release::DestroyIcon>>;
using UniqueWindow = UniqueResource<NullIsNone<HWND, &release::DestroyWindow>>;
using UniqueModule = UniqueResource<NullIsNone<HMODULE, &release::UnloadLibrary>>;
// Memory the system allocates for the caller: the shell's item identifier lists
// (CoTaskMemAlloc), converted SIDs and descriptors (LocalAlloc).
template <typename T>
using UniqueCoTaskMem = UniqueResource<NullIsNone<T*, &release::FreeCoTaskMem>>;
template <typename T>
using UniqueLocalMem = UniqueResource<NullIsNone<T, &release::FreeLocal>>;

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
