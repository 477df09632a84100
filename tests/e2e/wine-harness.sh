#!/usr/bin/env bash
# Runs Windows test programs under Wine in a throw-away prefix of this build tree:
#   wine-harness.sh run <exe> [args]                in the shared test prefix
#   wine-harness.sh scenario <d-mode> <exe> [args]  in the prefix reset, drive D: fixed (a folder of the build
#     tree), fixed-p (and P: naming the profile, as subst does), fat32 (on a FAT32 device), small (16 MB) or none
#   wine-harness.sh reset|stop|env <exe>            reset the prefix, end its server, print its settings
# The prefix, built once under $VESTRAND_WINE_ROOT (default: beside <exe>), is 32-bit for a 32-bit <exe> (as
# Windows 2000 to 2003), else 64-bit with WoW64 (as Vista to 10), or as VESTRAND_WINE_ARCH says.
# VESTRAND_PROGRAM, a Linux file, is passed on as a Windows path.
set -euo pipefail
WINE32=/usr/lib/wine/wine WINE64=/usr/lib/wine/wine64 WINESERVER=/usr/lib/wine/wineserver
HERE=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
cmd=${1:?command} mode=fixed
[[ $cmd != scenario ]] || { mode=$2; shift; }
exe=${2:?exe}
shift 2

# The machine field of a PE header: 014c is i386.
bits() { [[ -f $1 && $(od -An -tx2 -j $(($(od -An -tu4 -j60 -N4 "$1") + 4)) -N2 "$1") == *014c ]] && echo win32 || echo win64; }
ARCH=${VESTRAND_WINE_ARCH:-$(bits "$exe")}
[[ $ARCH == win32 ]] && export WINEARCH=win32 LOADER=$WINE32 || { unset WINEARCH; LOADER=$WINE64; }
ROOT=${VESTRAND_WINE_ROOT:-$(cd "$(dirname "$exe")" && pwd)/wine-test}/$ARCH
export WINEPREFIX=$ROOT/prefix WINEDEBUG=-all LC_ALL=C.UTF-8 HOME=$ROOT/home  # never the user's own home
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d" VESTRAND_DRIVE_D=$ROOT/drive_d
export XDG_CONFIG_HOME=$HOME/.config XDG_DATA_HOME=$HOME/.local/share
USER_DIR=$WINEPREFIX/drive_c/users/$(id -un)
mkdir -p "$HOME"
winepath() { echo "Z:${1//\//\\}"; }
# Started first, detached from our output, or ctest waits on the server's pipes.
start_server() { "$WINESERVER" -p30 </dev/null >/dev/null 2>&1 || true; }

build_template() {
  [[ -n ${DISPLAY:-} ]] || { echo "wine-harness: no DISPLAY; run under xvfb-run" >&2; exit 2; }
  exec 9>"$ROOT.lock"
  flock -w 600 9
  [[ ! -f $ROOT/template/ready ]] || { flock -u 9; return 0; }
  rm -rf "$WINEPREFIX" "$ROOT/template"
  mkdir -p "$ROOT/template"
  timeout 300 "$LOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
  timeout 120 "$WINESERVER" -w || true
  # Wine links the profile folders into the Linux home: a test moving them would move it.
  for d in "$USER_DIR"/*; do if [[ -L $d ]]; then rm "$d"; mkdir "$d"; fi; done
  # The folders Windows 7 has and Wine leaves out, so that every row exists.
  mkdir -p "$USER_DIR"/{Videos,"Saved Games",Searches,Links,Contacts,Temp}
  start_server
  # Chinese fonts for the captions, in both registry views of a WoW64 prefix.
  for loader in "$LOADER" $([[ $ARCH == win64 ]] && echo "$WINE32"); do
    timeout 120 "$loader" regedit /S "$(winepath "$HERE/fonts.reg")" </dev/null >/dev/null 2>&1 || true
  done
  timeout 120 "$WINESERVER" -w || true
  cp -a "$WINEPREFIX"/*.reg "$ROOT/template/"
  cp -a "$USER_DIR" "$ROOT/template/user"
  touch "$ROOT/template/ready"
  flock -u 9  # the servers started here keep the descriptor: the lock must not go with it
}

# What a drive mode mounted or attached is let go.
release_drives() {
  umount "$ROOT/small_d" 2>/dev/null || true
  [[ ! -s $ROOT/fat.loop ]] || losetup -d "$(cat "$ROOT/fat.loop")" 2>/dev/null || true
  rm -f "$ROOT/fat.loop" "$ROOT/fat.img"
}

# Puts back the registry and the profile the template holds, and drive D: as `mode` says.
reset_prefix() {
  "$WINESERVER" -k 2>/dev/null || true
  timeout 60 "$WINESERVER" -w 2>/dev/null || true
  release_drives
  chmod -R u+w "$USER_DIR" "$VESTRAND_DRIVE_D" 2>/dev/null || true
  rm -rf "$USER_DIR" "$VESTRAND_DRIVE_D" "$WINEPREFIX"/dosdevices/{d:,d::,p:}
  cp -a "$ROOT/template"/*.reg "$WINEPREFIX/"
  cp -a "$ROOT/template/user" "$USER_DIR"
  mkdir -p "$VESTRAND_DRIVE_D" "$ROOT/small_d"
  case $mode in
    fixed | fixed-p | fat32) ln -s "$VESTRAND_DRIVE_D" "$WINEPREFIX/dosdevices/d:" ;;&
    fixed-p) ln -s "$USER_DIR" "$WINEPREFIX/dosdevices/p:" ;;
    fat32)  # Wine reads the file system's kind from the raw device named d::
      { command -v mkfs.vfat && truncate -s 64M "$ROOT/fat.img" && mkfs.vfat -F 32 "$ROOT/fat.img" &&
        losetup -f --show "$ROOT/fat.img" >"$ROOT/fat.loop"; } >/dev/null 2>&1 ||
        { echo "wine-harness: skipped: this machine does not let the test attach a FAT32 image (root, a loop" \
               "device and mkfs.vfat from dosfstools)"; release_drives; exit 77; }
      ln -s "$(cat "$ROOT/fat.loop")" "$WINEPREFIX/dosdevices/d::" ;;
    small)
      mount -t tmpfs -o size=16m tmpfs "$ROOT/small_d" 2>/dev/null ||
        { echo "wine-harness: skipped: this machine does not let the test mount a small file system as D:"; exit 77; }
      ln -s "$ROOT/small_d" "$WINEPREFIX/dosdevices/d:" ;;
    fixed | none) ;;
    *) echo "wine-harness: unknown drive mode $mode" >&2; exit 2 ;;
  esac
}

# Runs once; after a known Wine fault (known-wine-faults.txt), once more from a reset prefix. Wine's services,
# started on demand, inherit the program's output and outlive it: they get a file, never our pipe.
run() {
  local rc log pattern what
  [[ ${VESTRAND_PROGRAM:-} != /* ]] || export VESTRAND_PROGRAM=$(winepath "$VESTRAND_PROGRAM")
  for attempt in 1 2; do
    start_server
    rc=0 log=$(mktemp "$ROOT/run-XXXXXX.log")
    timeout -k 10 "${VESTRAND_RUN_TIMEOUT:-600}" "$([[ $(bits "$exe") == win32 ]] && echo "$WINE32" || echo "$WINE64")" \
      "$exe" "$@" </dev/null >"$log" 2>&1 || rc=$?
    cat "$log"
    while IFS=$'\t' read -r pattern what; do
      [[ -z $pattern || $pattern == \#* ]] || ! grep -Eq -- "$pattern" "$log" || break
    done <"$HERE/known-wine-faults.txt"
    rm -f "$log"
    ((rc != 0 && attempt == 1)) && [[ -n $what ]] || return $rc
    echo "wine-harness: known Wine fault ($what); running once more"
    reset_prefix
  done
}

case $cmd in
  run) build_template; [[ -e $WINEPREFIX/dosdevices/d: ]] || reset_prefix; run "$@" ;;
  scenario) build_template; reset_prefix; rc=0; run "$@" || rc=$?; release_drives; exit $rc ;;
  reset) build_template; reset_prefix ;;
  stop) "$WINESERVER" -k 2>/dev/null || true ;;
  env) env | grep -E '^(WINEPREFIX|WINEARCH|HOME|VESTRAND_DRIVE_D)=' ;;
  *) echo "usage: $0 run|scenario|reset|stop|env ..." >&2; exit 2 ;;
esac
