#!/usr/bin/env bash
# Checks what lets the built programs load on Windows XP through 11 (see each check's text).
# Themed controls would ignore the boxes' colours; a supportedOS for 8.1 or later would make
# those report their true version. Usage: check-binaries.sh <32-bit exe> <64-bit exe>
fail=0
check() { if eval "$2" >/dev/null 2>&1; then echo "ok:   $1"; else echo "FAIL: $1"; fail=1; fi; }
SYSTEM_DLLS=": (kernel32|user32|gdi32|advapi32|shell32|ole32|oleaut32|comctl32|msvcrt|shlwapi|comdlg32)\.dll$"
# Functions the toolchain or careless code pulls in that Windows XP does not have.
NEWER_THAN_XP=$(echo GetTickCount64 InitializeSRWLock {Acquire,Release,TryAcquire}SRWLock{Exclusive,Shared} \
  {Initialize,Wake,WakeAll}ConditionVariable SleepConditionVariable{CS,SRW} GetErrorMode \
  InitOnce{ExecuteOnce,BeginInitialize,Complete} GetFileInformationByHandleEx SetFileInformationByHandle \
  CreateSymbolicLinkW GetFinalPathNameByHandleW {CompareString,LCMapString,GetLocaleInfo}Ex LocaleNameToLCID \
  GetUserDefaultLocaleName Fls{Alloc,Free,GetValue,SetValue} Create{Event,Mutex,Semaphore}ExW IFileOperation \
  InitializeCriticalSectionEx GetSystemTimePreciseAsFileTime QueryFullProcessImageNameW RegDeleteTreeW \
  RegGetValueW RegSetKeyValueW SHGetKnownFolderPath SetProcessDPIAware SetProcessDpiAwareness \
  GetDpiFor{Window,System} ChangeWindowMessageFilter{,Ex} TaskDialog{,Indirect} SHCreateItemFromParsingName)
verify() {  # <exe> <objdump prefix> <version>
  local exe=$1 want=$3 dump versions newer
  dump=$("$2-w64-mingw32-objdump" -p "$exe")
  versions=$(awk '/^M(aj|in)or(OSystem|Subsystem)Version/ { v[$1] = $2 } END { printf "%d.%02d %d.%02d",
    v["MajorSubsystemVersion"], v["MinorSubsystemVersion"], v["MajorOSystemVersion"],
    v["MinorOSystemVersion"] }' <<<"$dump")
  newer=$(awk '/DLL Name:/ { dll = 1 } dll && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' <<<"$dump" |
          grep -xF -f <(tr ' ' '\n' <<<"$NEWER_THAN_XP") | paste -sd' ')
  echo "== $exe"
  check "only system DLLs imported" '[[ -n $dump ]] && ! grep "DLL Name:" <<<"$dump" | grep -viE "$SYSTEM_DLLS"'
  check "no DLL beside the program" '! compgen -G "$(dirname "$exe")/*.dll"'
  check "subsystem and OS versions $want (found $versions)" '[[ $versions == "$want $want" ]]'
  check "no function imported that Windows XP lacks${newer:+: $newer}" '[[ -z $newer ]]'
  check "manifest: asInvoker" 'grep -aq "level=\"asInvoker\"" "$exe"'
  check "manifest: DPI aware" 'grep -aq "<dpiAware[^>]*>true</dpiAware>" "$exe"'
  check "manifest: no themed controls" '! grep -aq Microsoft.Windows.Common-Controls "$exe"'
  check "manifest: no supportedOS for Windows 8.1 or later" \
    '! grep -aqi -e 1f676c76-80e1-4239-95bb-83d0f6d0da78 -e 8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a "$exe"'
  check "under 1 MB" '(($(stat -c %s "$exe") < 1048576))'
}
verify "${1:?32-bit program}" i686 5.01
verify "${2:?64-bit program}" x86_64 5.02
exit $fail
