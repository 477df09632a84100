// The shell, COM and common-controls libraries, loaded from the system folder on first
// use instead of at start-up: loading them costs more time than everything else the
// program does before its window is usable, and most runs need only some of them. And the
// functions Windows XP lacks (Restart Manager) or leaves out of its import libraries (ntdll),
// looked up once at run time.
#ifndef VESTRAND_PLATFORM_SYSTEMLIBRARIES_H
#define VESTRAND_PLATFORM_SYSTEMLIBRARIES_H

#include <windows.h>

#include <commctrl.h>
#include <objbase.h>
#include <restartmanager.h>
#include <shellapi.h>
#include <shlobj.h>

namespace vestrand::syslib {

// Each behaves as the system function of the same name; when the library or the
// function cannot be loaded it fails the way the function reports failure.
int SHFileOperationW(LPSHFILEOPSTRUCTW operation);
PIDLIST_ABSOLUTE SHBrowseForFolderW(LPBROWSEINFOW info);
BOOL SHGetPathFromIDListW(PCIDLIST_ABSOLUTE item, LPWSTR path);
HINSTANCE ShellExecuteW(HWND owner, LPCWSTR verb, LPCWSTR file, LPCWSTR parameters, LPCWSTR directory, INT show);
HRESULT CoInitializeEx(LPVOID reserved, DWORD flags);
void CoUninitialize();
void CoTaskMemFree(LPVOID memory);
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* controls);
// Restart Manager (Vista and later): ERROR_CALL_NOT_IMPLEMENTED where it is missing.
DWORD RmStartSession(DWORD* session, DWORD flags, WCHAR* sessionKey);
DWORD RmRegisterResources(DWORD session, UINT files, LPCWSTR* fileNames);
DWORD RmGetList(DWORD session, UINT* needed, UINT* count, RM_PROCESS_INFO* processes, DWORD* rebootReasons);
DWORD RmEndSession(DWORD session);
// The version the system really has, whatever it tells this program; STATUS_NOT_IMPLEMENTED
// (0xC0000002) where missing.
LONG RtlGetVersion(OSVERSIONINFOW* version);

}  // namespace vestrand::syslib

#endif
