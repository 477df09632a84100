#!/usr/bin/env bash
# Runs Windows test programs under Wine in a throw-away prefix of this build tree.
#
#   wine-harness.sh run <exe> [args...]            run in the shared test prefix
#   wine-harness.sh scenario <d-mode> <exe> [args]  reset the prefix, set drive D:, run
#   wine-harness.sh reset <exe>                     restore registry and profile from the template
#   wine-harness.sh stop <exe>                      end this prefix's wine server
#   wine-harness.sh env <exe>                       print the prefix's Wine settings
#
# d-mode: fixed (D: is a fixed disk in the build tree) or none (no drive D:).
# The prefix kind follows the bitness of <exe> unless VESTRAND_WINE_ARCH says otherwise:
# win32 is a 32-bit prefix (as Windows 2000, XP and 2003), win64 a 64-bit prefix that runs
# 32-bit programs through WoW64 (as 64-bit Windows Vista to 11). Each program is started
# with the Wine loader of its own bitness. VESTRAND_PROGRAM, when it names a Linux file,
# is handed to the program as its Windows path (the driver starts that program).
# The prefix lives in $VESTRAND_WINE_ROOT/<kind> (default root: <dir of exe>/wine-test).
# It is built once per root and kind from a fresh wineboot; the profile folders, which
# Wine links into the Linux home by default, are replaced by real folders before anything
# touches them.
set -euo pipefail

WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
RUN_TIMEOUT=${VESTRAND_RUN_TIMEOUT:-600}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

cmd=${1:?command}
shift

root_for() {
  if [[ -n "${VESTRAND_WINE_ROOT:-}" ]]; then echo "$VESTRAND_WINE_ROOT"; else echo "$(cd "$(dirname "$1")" && pwd)/wine-test"; fi
}

# The machine field of a PE file's header: win32 for i386, win64 otherwise.
bitness_of() {
  local offset machine
  offset=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  machine=$(od -An -t x2 -j $((offset + 4)) -N 2 "$1" | tr -d ' ')
  if [[ $machine == 014c ]]; then echo win32; else echo win64; fi
}

loader_for() { if [[ $(bitness_of "$1") == win32 ]]; then echo "$WINE32"; else echo "$WINE64"; fi; }

setup_env() {
  local exe=$1
  ARCH=${VESTRAND_WINE_ARCH:-}
  if [[ -z $ARCH ]]; then
    if [[ -f $exe ]]; then ARCH=$(bitness_of "$exe"); else ARCH=win64; fi
  fi
  case $ARCH in
    win32) export WINEARCH=win32; PREFIX_LOADER=$WINE32 ;;
    win64) unset WINEARCH; PREFIX_LOADER=$WINE64 ;;
    *) echo "wine-harness: unknown prefix kind $ARCH" >&2; exit 2 ;;
  esac
  ROOT=$(root_for "$exe")/$ARCH
  export WINEPREFIX="$ROOT/prefix"
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  export LC_ALL=C.UTF-8
  export HOME="$ROOT/home"          # never the user's own home
  export XDG_CONFIG_HOME="$ROOT/home/.config" XDG_DATA_HOME="$ROOT/home/.local/share"
  export VESTRAND_DRIVE_D="$ROOT/drive_d"
  mkdir -p "$HOME"
}

ensure_display() {
  if [[ -z "${DISPLAY:-}" ]]; then
    echo "wine-harness: no DISPLAY; run under xvfb-run" >&2
    exit 2
  fi
}

start_server() {
  # Started first, detached from our output, or ctest waits on the server's pipes.
  "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true
}

user_dir() { echo "$WINEPREFIX/drive_c/users/$(id -un)"; }

build_template() {
  local lock="$ROOT/.lock"
  mkdir -p "$ROOT"
  exec 9>"$lock"
  flock -w 600 9
  if [[ -f "$ROOT/template/ready" ]]; then flock -u 9; return; fi
  rm -rf "$WINEPREFIX" "$ROOT/template"
  echo "wine-harness: building a test prefix in $WINEPREFIX" >&2
  timeout 300 "$PREFIX_LOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
  timeout 120 "$WINESERVER" -w || true
  local u
  u=$(user_dir)
  for d in "$u"/*; do
    if [[ -L "$d" ]]; then rm "$d"; mkdir "$d"; fi
  done
  # The folders Windows 7 has that Wine leaves out, so that every row exists.
  mkdir -p "$u/Videos" "$u/Saved Games" "$u/Searches" "$u/Links" "$u/Contacts" "$u/Temp"
  # Chinese fonts for the captions, in both registry views of a WoW64 prefix.
  start_server
  local loader
  for loader in "$PREFIX_LOADER" $([[ $ARCH == win64 ]] && echo "$WINE32"); do
    timeout 120 "$loader" regedit /S "$(winepath_w "$HERE/fonts.reg")" </dev/null >/dev/null 2>&1 || true
  done
  timeout 120 "$WINESERVER" -w || true
  mkdir -p "$ROOT/template"
  cp -a "$WINEPREFIX"/*.reg "$ROOT/template/"
  cp -a "$u" "$ROOT/template/user"
  touch "$ROOT/template/ready"
  flock -u 9
}

winepath_w() { echo "Z:${1//\//\\}"; }

reset_prefix() {
  "$WINESERVER" -k 2>/dev/null || true
  timeout 60 "$WINESERVER" -w 2>/dev/null || true
  cp -a "$ROOT/template"/*.reg "$WINEPREFIX/"
  local u
  u=$(user_dir)
  chmod -R u+w "$u" 2>/dev/null || true
  rm -rf "$u"
  cp -a "$ROOT/template/user" "$u"
  chmod -R u+w "$VESTRAND_DRIVE_D" 2>/dev/null || true
  rm -rf "$VESTRAND_DRIVE_D"
}

reset_prefix_fixed() { reset_prefix; set_drive_d fixed; }
reset_scenario() {
  if [[ $SCENARIO_MODE == small ]]; then umount "$ROOT/small_d" 2>/dev/null || true; fi
  reset_prefix
  set_drive_d "$SCENARIO_MODE"
}

set_drive_d() {
  local mode=$1
  rm -f "$WINEPREFIX/dosdevices/d:" "$WINEPREFIX/dosdevices/d::" "$WINEPREFIX/dosdevices/p:"
  case $mode in
    fixed) mkdir -p "$VESTRAND_DRIVE_D"; ln -sfn "$VESTRAND_DRIVE_D" "$WINEPREFIX/dosdevices/d:" ;;
    # P: names the user's profile folder a second time, as subst makes a drive letter.
    fixed-p) set_drive_d fixed; ln -sfn "$(user_dir)" "$WINEPREFIX/dosdevices/p:" ;;
    # D: is a small file system of its own, so that a large copy cannot fit on it.
    small)
      mkdir -p "$ROOT/small_d"
      mountpoint -q "$ROOT/small_d" || mount -t tmpfs -o size=16m tmpfs "$ROOT/small_d" 2>/dev/null || {
        echo "wine-harness: skipped: this machine does not let the test mount a small file system as D:"
        exit 77
      }
      ln -sfn "$ROOT/small_d" "$WINEPREFIX/dosdevices/d:" ;;
    none) ;;
    *) echo "wine-harness: unknown drive mode $mode" >&2; exit 2 ;;
  esac
}

run_exe() {
  local exe=$1
  shift
  start_server
  local rc=0 log
  # Wine's own services, started on demand, inherit the output of the program that
  # started them and outlive it: give them a file, never the caller's pipe, or the
  # caller (ctest) waits for them.
  log=$(mktemp "$ROOT/run-XXXXXX.log")
  if [[ ${VESTRAND_PROGRAM:-} == /* ]]; then
    [[ -f $VESTRAND_PROGRAM ]] || { echo "wine-harness: no program $VESTRAND_PROGRAM" >&2; return 2; }
    VESTRAND_PROGRAM=$(winepath_w "$VESTRAND_PROGRAM")
    export VESTRAND_PROGRAM
  fi
  timeout --kill-after=10 "$RUN_TIMEOUT" "$(loader_for "$exe")" "$exe" "$@" </dev/null >"$log" 2>&1 || rc=$?
  cat "$log"
  KNOWN_FAULT=
  if ((rc != 0)); then KNOWN_FAULT=$(known_fault "$log"); fi
  rm -f "$log"
  return $rc
}

# The description of the known Wine fault whose symptom the log shows, if any.
known_fault() {
  local pattern what
  while IFS=$'\t' read -r pattern what; do
    [[ -z $pattern || $pattern == \#* ]] && continue
    if grep -Eq -- "$pattern" "$1"; then echo "$what"; return; fi
  done <"$HERE/known-wine-faults.txt"
}

# Runs once; after a known Wine fault, once more from a fresh start (`again` resets).
run_with_retry() {
  local again=$1 rc=0
  shift
  run_exe "$@" || rc=$?
  if ((rc != 0)) && [[ -n $KNOWN_FAULT ]]; then
    echo "wine-harness: known Wine fault ($KNOWN_FAULT); running once more"
    $again
    rc=0
    run_exe "$@" || rc=$?
  fi
  return $rc
}

case $cmd in
  run)
    exe=$1; shift
    setup_env "$exe"; ensure_display; build_template
    [[ -e "$WINEPREFIX/dosdevices/d:" ]] || set_drive_d fixed
    run_with_retry "reset_prefix_fixed" "$exe" "$@"
    ;;
  scenario)
    mode=$1; exe=$2; shift 2
    setup_env "$exe"; ensure_display; build_template
    reset_prefix
    set_drive_d "$mode"
    rc=0
    SCENARIO_MODE=$mode
    run_with_retry "reset_scenario" "$exe" "$@" || rc=$?
    if [[ $mode == small ]]; then umount "$ROOT/small_d" 2>/dev/null || true; fi
    exit $rc
    ;;
  reset)
    setup_env "${1:?exe}"; build_template; reset_prefix; set_drive_d fixed ;;
  stop)
    setup_env "${1:?exe}"; "$WINESERVER" -k 2>/dev/null || true ;;
  env)
    setup_env "${1:?exe}"; env | grep -E '^(WINEPREFIX|WINEARCH|HOME|VESTRAND_DRIVE_D)=' ;;
  *) echo "usage: $0 run|scenario|reset|stop|env ..." >&2; exit 2 ;;
esac
