#!/usr/bin/env bash
# Checks the built programs for what lets them load on Windows XP through 11:
#   - only DLLs that Windows ships are imported (no mingw or C++ runtime DLL);
#   - the PE subsystem and OS versions are 5.01 (32-bit) and 5.02 (64-bit);
#   - no function is imported that Windows XP lacks;
#   - the embedded manifest asks for asInvoker and DPI awareness, not for themed controls, and declares no
#     supportedOS for Windows 8.1 or later, so that those report 6.2 to the program;
#   - each program is under 1 MB.
# Usage: check-binaries.sh <32-bit Vestrand.exe> <64-bit Vestrand.exe>
set -euo pipefail
exe32=${1:?32-bit program}
exe64=${2:?64-bit program}
fail=0
bad() { echo "FAIL: $*"; fail=1; }
ok() { echo "ok:   $*"; }

SYSTEM_DLLS="KERNEL32.dll USER32.dll GDI32.dll ADVAPI32.dll SHELL32.dll OLE32.dll OLEAUT32.dll COMCTL32.dll msvcrt.dll SHLWAPI.dll COMDLG32.dll"
# Functions the toolchain or careless code pulls in that Windows XP does not have.
VISTA_AND_LATER="GetTickCount64 InitializeSRWLock AcquireSRWLockExclusive AcquireSRWLockShared
ReleaseSRWLockExclusive ReleaseSRWLockShared TryAcquireSRWLockExclusive InitializeConditionVariable
SleepConditionVariableCS SleepConditionVariableSRW WakeConditionVariable WakeAllConditionVariable
InitOnceExecuteOnce InitOnceBeginInitialize InitOnceComplete GetFileInformationByHandleEx
SetFileInformationByHandle CreateSymbolicLinkW GetFinalPathNameByHandleW CompareStringEx
LCMapStringEx GetLocaleInfoEx GetUserDefaultLocaleName LocaleNameToLCID FlsAlloc FlsFree
FlsGetValue FlsSetValue CreateEventExW CreateMutexExW CreateSemaphoreExW InitializeCriticalSectionEx
GetSystemTimePreciseAsFileTime QueryFullProcessImageNameW RegDeleteTreeW RegGetValueW
SHGetKnownFolderPath SetProcessDPIAware SetProcessDpiAwareness GetDpiForWindow GetDpiForSystem
ChangeWindowMessageFilter ChangeWindowMessageFilterEx TaskDialog TaskDialogIndirect
SHCreateItemFromParsingName IFileOperation RegSetKeyValueW GetErrorMode"

imports() {  # prints DLL:function lines
  local objdump=$1 exe=$2
  "$objdump" -p "$exe" | awk '/DLL Name:/{dll=$3; next}
    dll && NF>=3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ {print dll":"$3}'
}

check() {
  local exe=$1 objdump=$2 want=$3
  echo "== $exe"
  [[ -f "$exe" ]] || { bad "$exe missing"; return; }
  local dlls
  dlls=$("$objdump" -p "$exe" | awk '/DLL Name:/{print $3}' | sort -u)
  for d in $dlls; do
    if [[ " ${SYSTEM_DLLS^^} " == *" ${d^^} "* ]]; then ok "imports $d"; else bad "imports $d, which Windows does not ship"; fi
  done
  local major minor
  major=$("$objdump" -p "$exe" | awk '/MajorSubsystemVersion/{print $2}')
  minor=$("$objdump" -p "$exe" | awk '/MinorSubsystemVersion/{print $2}')
  [[ "$major.$(printf %02d "$minor")" == "$want" ]] && ok "subsystem version $want" || bad "subsystem version $major.$minor, want $want"
  major=$("$objdump" -p "$exe" | awk '/MajorOSystemVersion/{print $2}')
  minor=$("$objdump" -p "$exe" | awk '/MinorOSystemVersion/{print $2}')
  [[ "$major.$(printf %02d "$minor")" == "$want" ]] && ok "OS version $want" || bad "OS version $major.$minor, want $want"
  local funcs newer=0
  funcs=$(imports "$objdump" "$exe" | cut -d: -f2 | sort -u)
  for f in $VISTA_AND_LATER; do
    if grep -qx "$f" <<<"$funcs"; then bad "imports $f, which Windows XP lacks"; newer=1; fi
  done
  ((newer)) || ok "no function newer than Windows XP imported ($(wc -l <<<"$funcs") functions)"
  grep -aq 'level="asInvoker"' "$exe" && ok "manifest: asInvoker" || bad "manifest without asInvoker"
  grep -aq '<dpiAware[^>]*>true</dpiAware>' "$exe" && ok "manifest: DPI aware" || bad "manifest not DPI aware"
  # Themed (version 6) buttons would ignore the colours of the check and option boxes.
  grep -aq 'Microsoft.Windows.Common-Controls' "$exe" && bad "manifest asks for themed controls" || ok "manifest: no themed controls"
  # Windows 8.1 and Windows 10/11 compatibility identifiers.
  if grep -aqi -e '1f676c76-80e1-4239-95bb-83d0f6d0da78' -e '8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a' "$exe"; then
    bad "manifest declares Windows 8.1 or later"
  else
    ok "manifest declares no Windows 8.1 or later"
  fi
  local size
  size=$(stat -c %s "$exe")
  ((size < 1048576)) && ok "size $size bytes" || bad "size $size bytes, over 1 MB"
  local dir
  dir=$(dirname "$exe")
  if ls "$dir"/*.dll >/dev/null 2>&1; then bad "DLLs beside the program: $(ls "$dir"/*.dll)"; else ok "no DLL beside the program"; fi
}

check "$exe32" i686-w64-mingw32-objdump 5.01
check "$exe64" x86_64-w64-mingw32-objdump 5.02
exit $fail
