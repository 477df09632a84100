#include "platform/SystemLibraries.h"

#include <string>

#include "platform/Win32Handles.h"

namespace vestrand::syslib {

namespace {

// Always the system's own copy: never a same-named DLL beside the program.
UniqueModule LoadSystemLibrary(const wchar_t* name) {
  wchar_t folder[MAX_PATH] = {};
  const UINT n = ::GetSystemDirectoryW(folder, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return UniqueModule();
  const std::wstring path = std::wstring(folder, n) + L"\\" + name;
  return UniqueModule(::LoadLibraryW(path.c_str()));
}

HMODULE Shell32() {
  static const UniqueModule module = LoadSystemLibrary(L"shell32.dll");
  return module.get();
}

HMODULE Ole32() {
  static const UniqueModule module = LoadSystemLibrary(L"ole32.dll");
  return module.get();
}

HMODULE Comctl32() {
  static const UniqueModule module = LoadSystemLibrary(L"comctl32.dll");
  return module.get();
}

HMODULE RestartManager() {
  static const UniqueModule module = LoadSystemLibrary(L"rstrtmgr.dll");
  return module.get();
}

template <typename F>
F Find(HMODULE module, const char* name) {
  if (module == nullptr) return nullptr;
  return reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
}

}  // namespace

int SHFileOperationW(LPSHFILEOPSTRUCTW operation) {
  static const auto fn = Find<int(WINAPI*)(LPSHFILEOPSTRUCTW)>(Shell32(), "SHFileOperationW");
  return fn != nullptr ? fn(operation) : static_cast<int>(ERROR_DLL_NOT_FOUND);
}

PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW info) {
  static const auto fn = Find<PIDLIST_ABSOLUTE(WINAPI*)(LPBROWSEINFOW)>(Shell32(), "SHBrowseForFolderW");
  return fn != nullptr ? fn(info) : nullptr;
}

BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE item, LPWSTR path) {
  static const auto fn = Find<BOOL(WINAPI*)(PCIDLIST_ABSOLUTE, LPWSTR)>(Shell32(), "SHGetPathFromIDListW");
  return fn != nullptr ? fn(item, path) : FALSE;
}

HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show) {
  using Fn = HINSTANCE(WINAPI*)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);
  static const auto fn = Find<Fn>(Shell32(), "ShellExecuteW");
  // Values up to 32 report failure; ERROR_FILE_NOT_FOUND is the nearest.
  return fn != nullptr ? fn(owner, verb, file, parameters, directory, show)
                       : reinterpret_cast<HINSTANCE>(static_cast<INT_PTR>(ERROR_FILE_NOT_FOUND));
}

HRESULT CoInitializeEx(LPVOID reserved, DWORD flags) {
  static const auto fn = Find<HRESULT(WINAPI*)(LPVOID, DWORD)>(Ole32(), "CoInitializeEx");
  return fn != nullptr ? fn(reserved, flags) : E_NOTIMPL;
}

void CoUninitialize() {
  static const auto fn = Find<void(WINAPI*)()>(Ole32(), "CoUninitialize");
  if (fn != nullptr) fn();
}

void CoTaskMemFree(LPVOID memory) {
  static const auto fn = Find<void(WINAPI*)(LPVOID)>(Ole32(), "CoTaskMemFree");
  if (fn != nullptr) fn(memory);
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls) {
  using Fn = BOOL(WINAPI*)(const INITCOMMONCONTROLSEX*);
  static const auto fn = Find<Fn>(Comctl32(), "InitCommonControlsEx");
  return fn != nullptr ? fn(controls) : FALSE;
}

DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey) {
  static const auto fn = Find<DWORD(WINAPI*)(DWORD*, DWORD, WCHAR*)>(RestartManager(), "RmStartSession");
  return fn != nullptr ? fn(session, flags, sessionKey) : static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED);
}

DWORD RmRegisterResources(DWORD session, UINT files, LPCWSTR* fileNames) {
  using Fn = DWORD(WINAPI*)(DWORD, UINT, LPCWSTR*, UINT, RM_UNIQUE_PROCESS*, UINT, LPCWSTR*);
  static const auto fn = Find<Fn>(RestartManager(), "RmRegisterResources");
  return fn != nullptr ? fn(session, files, fileNames, 0, nullptr, 0, nullptr)
                       : static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED);
}

DWORD RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* processes, DWORD* rebootReasons) {
  using Fn = DWORD(WINAPI*)(DWORD, UINT*, UINT*, RM_PROCESS_INFO*, DWORD*);
  static const auto fn = Find<Fn>(RestartManager(), "RmGetList");
  return fn != nullptr ? fn(session, needed, count, processes, rebootReasons)
                       : static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED);
}

DWORD RmEndSession(DWORD session) {
  static const auto fn = Find<DWORD(WINAPI*)(DWORD)>(RestartManager(), "RmEndSession");
  return fn != nullptr ? fn(session) : static_cast<DWORD>(ERROR_CALL_NOT_IMPLEMENTED);
}

LONG RtlGetVersion(OSVERSIONINFOW* version) {
  // Every process has ntdll loaded: it is found, never loaded.
  static const auto fn = Find<LONG(WINAPI*)(OSVERSIONINFOW*)>(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion");
  return fn != nullptr ? fn(version) : static_cast<LONG>(0xC0000002L);
}

}  // namespace vestrand::syslib
