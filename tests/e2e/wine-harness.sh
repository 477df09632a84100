#!/usr/bin/env bash
# Runs Windows test programs under Wine in a throw-away prefix of this build tree.
#   wine-harness.sh run <exe> [args...]            run in the shared test prefix
#   wine-harness.sh scenario <d-mode> <exe> [args]  reset the prefix, set drive D:, run
#   wine-harness.sh reset|stop|env <exe>            restore the prefix / end its server / print it
# d-mode: fixed (D: a fixed disk in the build tree), fixed-p (and P: naming the profile again,
# as subst makes a letter), small (D: a 16 MB file system of its own) or none (no D:).
# The prefix kind follows the bitness of <exe> unless VESTRAND_WINE_ARCH says otherwise: win32
# is a 32-bit prefix (as Windows 2000 to 2003), win64 runs 32-bit programs through WoW64 (as
# 64-bit Vista to 11). It lives in $VESTRAND_WINE_ROOT/<kind> (default <dir of exe>/wine-test),
# built once from wineboot. VESTRAND_PROGRAM, a Linux file, is handed on as its Windows path.
set -euo pipefail
WINE64=${WINE64:-/usr/lib/wine/wine64}
WINE32=${WINE32:-/usr/lib/wine/wine}
WINESERVER=${WINESERVER:-/usr/lib/wine/wineserver}
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The machine field of a PE file's header: i386 is win32.
bitness_of() {
  local at
  at=$(od -An -t u4 -j 60 -N 4 "$1" | tr -d ' ')
  [[ $(od -An -t x2 -j $((at + 4)) -N 2 "$1" | tr -d ' ') == 014c ]] && echo win32 || echo win64
}
loader_for() { [[ $(bitness_of "$1") == win32 ]] && echo "$WINE32" || echo "$WINE64"; }
winepath_w() { echo "Z:${1//\//\\}"; }
user_dir() { echo "$WINEPREFIX/drive_c/users/$(id -un)"; }
# Started first, detached from our output, or ctest waits on the server's pipes.
start_server() { "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true; }

setup_env() {
  ARCH=${VESTRAND_WINE_ARCH:-$([[ -f $1 ]] && bitness_of "$1" || echo win64)}
  case $ARCH in
    win32) export WINEARCH=win32; LOADER=$WINE32 ;;
    win64) unset WINEARCH; LOADER=$WINE64 ;;
    *) echo "wine-harness: unknown prefix kind $ARCH" >&2; exit 2 ;;
  esac
  ROOT=${VESTRAND_WINE_ROOT:-$(cd "$(dirname "$1")" && pwd)/wine-test}/$ARCH
  export WINEPREFIX=$ROOT/prefix WINEDEBUG=-all LC_ALL=C.UTF-8 HOME=$ROOT/home  # never the user's home
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" VESTRAND_DRIVE_D=$ROOT/drive_d
  export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
  mkdir -p "$HOME"
}

build_template() {
  [[ -n ${DISPLAY:-} ]] || { echo "wine-harness: no DISPLAY; run under xvfb-run" >&2; exit 2; }
  mkdir -p "$ROOT"
  exec 9>"$ROOT/.lock"
  flock -w 600 9
  if [[ ! -f $ROOT/template/ready ]]; then
    rm -rf "$WINEPREFIX" "$ROOT/template"
    timeout 300 "$LOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
    timeout 120 "$WINESERVER" -w || true
    local u d loader
    u=$(user_dir)
    # Wine links the profile folders into the Linux home: a test moving them would move it.
    for d in "$u"/*; do if [[ -L $d ]]; then rm "$d"; mkdir "$d"; fi; done
    # The folders Windows 7 has that Wine leaves out, so that every row exists.
    mkdir -p "$u/Videos" "$u/Saved Games" "$u/Searches" "$u/Links" "$u/Contacts" "$u/Temp"
    start_server
    # Chinese fonts for the captions, in both registry views of a WoW64 prefix.
    for loader in "$LOADER" $([[ $ARCH == win64 ]] && echo "$WINE32"); do
      timeout 120 "$loader" regedit /S "$(winepath_w "$HERE/fonts.reg")" </dev/null >/dev/null 2>&1 || true
    done
    timeout 120 "$WINESERVER" -w || true
    mkdir -p "$ROOT/template"
    cp -a "$WINEPREFIX"/*.reg "$ROOT/template/"
    cp -a "$u" "$ROOT/template/user"
    touch "$ROOT/template/ready"
  fi
  flock -u 9
}

# Restores registry and profile from the template and sets drive D: as `mode` says.
reset_prefix() {
  local mode=$1 u
  u=$(user_dir)
  "$WINESERVER" -k 2>/dev/null || true
  timeout 60 "$WINESERVER" -w 2>/dev/null || true
  umount "$ROOT/small_d" 2>/dev/null || true
  cp -a "$ROOT/template"/*.reg "$WINEPREFIX/"
  chmod -R u+w "$u" "$VESTRAND_DRIVE_D" 2>/dev/null || true
  rm -rf "$u" "$VESTRAND_DRIVE_D" "$WINEPREFIX/dosdevices/d:" "$WINEPREFIX/dosdevices/d::" "$WINEPREFIX/dosdevices/p:"
  cp -a "$ROOT/template/user" "$u"
  mkdir -p "$VESTRAND_DRIVE_D"
  case $mode in
    fixed) ln -sfn "$VESTRAND_DRIVE_D" "$WINEPREFIX/dosdevices/d:" ;;
    fixed-p) ln -sfn "$VESTRAND_DRIVE_D" "$WINEPREFIX/dosdevices/d:"; ln -sfn "$u" "$WINEPREFIX/dosdevices/p:" ;;
    small)
      mkdir -p "$ROOT/small_d"
      mount -t tmpfs -o size=16m tmpfs "$ROOT/small_d" 2>/dev/null || {
        echo "wine-harness: skipped: this machine does not let the test mount a small file system as D:"
        exit 77
      }
      ln -sfn "$ROOT/small_d" "$WINEPREFIX/dosdevices/d:" ;;
    none) ;;
    *) echo "wine-harness: unknown drive mode $mode" >&2; exit 2 ;;
  esac
}

# Runs once; after a known Wine fault (known-wine-faults.txt: <regex><TAB><what>), once more
# from a freshly reset prefix. Wine's services, started on demand, inherit the program's
# output and outlive it: they get a file, never the caller's pipe, or ctest waits for them.
run_with_retry() {
  local mode=$1 exe=$2 attempt rc log pattern what
  shift 2
  [[ ${VESTRAND_PROGRAM:-} != /* ]] || export VESTRAND_PROGRAM=$(winepath_w "$VESTRAND_PROGRAM")
  for attempt in 1 2; do
    start_server
    rc=0
    log=$(mktemp "$ROOT/run-XXXXXX.log")
    timeout --kill-after=10 "${VESTRAND_RUN_TIMEOUT:-600}" "$(loader_for "$exe")" "$exe" "$@" </dev/null >"$log" 2>&1 ||
      rc=$?
    cat "$log"
    what=
    while IFS=$'\t' read -r pattern what; do
      [[ -n $pattern && $pattern != \#* ]] && grep -Eq -- "$pattern" "$log" && break
      what=
    done <"$HERE/known-wine-faults.txt"
    rm -f "$log"
    if ((rc == 0 || attempt == 2)) || [[ -z $what ]]; then break; fi
    echo "wine-harness: known Wine fault ($what); running once more"
    reset_prefix "$mode"
  done
  return $rc
}

cmd=${1:?command}
exe=${2:?exe}
case $cmd in
  run)
    setup_env "$exe"; build_template
    [[ -e $WINEPREFIX/dosdevices/d: ]] || reset_prefix fixed
    shift 2; run_with_retry fixed "$exe" "$@" ;;
  scenario)
    mode=$2; exe=${3:?exe}
    setup_env "$exe"; build_template; reset_prefix "$mode"
    rc=0
    shift 3; run_with_retry "$mode" "$exe" "$@" || rc=$?
    umount "$ROOT/small_d" 2>/dev/null || true
    exit $rc ;;
  reset) setup_env "$exe"; build_template; reset_prefix fixed ;;
  stop) setup_env "$exe"; "$WINESERVER" -k 2>/dev/null || true ;;
  env) setup_env "$exe"; env | grep -E '^(WINEPREFIX|WINEARCH|HOME|VESTRAND_DRIVE_D)=' ;;
  *) echo "usage: $0 run|scenario|reset|stop|env ..." >&2; exit 2 ;;
esac
