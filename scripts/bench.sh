#!/usr/bin/env bash
# The benchmark command: installs what is missing, builds the programs, measures the
# shipped 32-bit Vestrand against its yardsticks under Wine (a 64-bit prefix told it is
# Windows 7, under Xvfb when there is no display), prints a summary and writes
# docs/performance.md. Not part of the test command. About a quarter of an hour on two cores.
#
# Phases, each a side-by-side comparison taking turns:
#   1. start-up to the window filled, against an empty window and against Vestrand's
#      window made bare; peak working sets;
#   2. a copy-mode run of one folder against one bare shell copy of it, at three sizes.
#
# Settings (environment):
#   VESTRAND_BENCH_WIN64, VESTRAND_BENCH_WIN32  build folders (default build/win64, build/win32)
#   VESTRAND_WINE_ROOT       the benchmark's own Wine prefix folder (default build/bench-wine)
#   VESTRAND_BENCH_STARTUP_ROUNDS  start-up rounds per program (default 21)
#   VESTRAND_BENCH_SIZES     "label files averageKiB rounds" per size, ';'-separated
#                            (default: 50 MB, 500 MB and 2 GB trees, 5, 5 and 3 rounds)
#   VESTRAND_BENCH_REPORT    where the report goes (default docs/performance.md)
set -euo pipefail
cd "$(dirname "$0")/.."
REPO=$PWD

absolute() { [[ $1 == /* ]] && echo "$1" || echo "$REPO/$1"; }
WIN64_DIR=$(absolute "${VESTRAND_BENCH_WIN64:-build/win64}")
WIN32_DIR=$(absolute "${VESTRAND_BENCH_WIN32:-build/win32}")
export VESTRAND_WINE_ROOT
VESTRAND_WINE_ROOT=$(absolute "${VESTRAND_WINE_ROOT:-build/bench-wine}")
STARTUP_ROUNDS=${VESTRAND_BENCH_STARTUP_ROUNDS:-21}
SIZES=${VESTRAND_BENCH_SIZES:-"50MB 1000 50 5;500MB 5000 100 5;2GB 20000 100 3"}
REPORT=$(absolute "${VESTRAND_BENCH_REPORT:-docs/performance.md}")
HARNESS=$REPO/tests/e2e/wine-harness.sh
EXE32=$WIN32_DIR/Vestrand.exe
EXE64=$WIN64_DIR/Vestrand.exe
DRIVER=$WIN64_DIR/bench_driver.exe  # the 64-bit prefix gets the 64-bit driver
export VESTRAND_PROGRAM=$EXE32      # the yardsticks are taken from beside it

if [[ -z ${VESTRAND_BENCH_MEASURING:-} ]]; then
  bash scripts/install-deps.sh
  echo "== building the 32-bit program and its yardsticks in $WIN32_DIR"
  cmake --preset win32 -B "$WIN32_DIR" >/dev/null
  cmake --build "$WIN32_DIR" -j2 --target Vestrand bench_minimal_window bench_bare_window bench_shell_copy
  echo "== building the driver and the 64-bit program in $WIN64_DIR"
  cmake --preset win64 -B "$WIN64_DIR" >/dev/null
  cmake --build "$WIN64_DIR" -j2 --target Vestrand bench_driver
  if [[ -z ${DISPLAY:-} ]]; then
    VESTRAND_BENCH_MEASURING=1 exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0"
  fi
fi

# ---- the prefix ---------------------------------------------------------------------------
echo "== preparing the Wine prefix in $VESTRAND_WINE_ROOT"
bash "$HARNESS" reset "$DRIVER"
wine_env() { bash "$HARNESS" env "$DRIVER" | sed -n "s/^$1=//p"; }
PREFIX=$(wine_env WINEPREFIX)
DRIVE_D=$(wine_env VESTRAND_DRIVE_D)
DOCUMENTS="$PREFIX/drive_c/users/$(id -un)/Documents"
TREE="$DOCUMENTS/BenchTree"
cleanup() {
  bash "$HARNESS" stop "$DRIVER" || true
  chmod -R u+w "$DOCUMENTS" "$DRIVE_D" 2>/dev/null || true
  rm -rf "$TREE" "$DRIVE_D/BenchTarget"
}
trap cleanup EXIT
RESULTS=$(dirname "$PREFIX")/results.txt
: >"$RESULTS"
measure() { VESTRAND_RUN_TIMEOUT=3600 bash "$HARNESS" run "$DRIVER" "$@" | tr -d '\r' | tee -a "$RESULTS"; }
started=$(date +%s)

echo "== start-up: $STARTUP_ROUNDS rounds"
measure --startup-rounds "$STARTUP_ROUNDS"

LABELS=()
IFS=';' read -ra size_rows <<<"$SIZES"
for row in "${size_rows[@]}"; do
  read -r label files kib rounds <<<"$row"
  LABELS+=("$label")
  echo "== relocation in copy mode, $label: $files files, $rounds rounds"
  rm -rf "$TREE"
  perl tests/bench/make-tree.pl "$TREE" "$files" "$kib"
  for ((r = 0; r < rounds; r++)); do
    # Alternates which goes first: bare, run | run, bare | ... Each turn starts with the
    # disk settled, so that no turn pays for writing back the one before.
    turns="bare run"; ((r % 2 == 0)) || turns="run bare"
    for turn in $turns; do
      sync
      measure --copy-turn "$turn" --label "$label"
    done
    measure --copy-turn walk --label "$label"
  done
  rm -rf "$TREE"
done
elapsed=$(($(date +%s) - started))

get() {
  local v
  v=$(sed -n "s/^$1=//p" "$RESULTS" | tail -n1)
  [[ -n $v ]] || { echo "bench: no $1 in $RESULTS" >&2; exit 1; }
  echo "$v"
}
samples() { sed -n "s/^$1=//p" "$RESULTS" | paste -sd,; }
median() {
  tr ',' '\n' <<<"$1" | sort -g | awk '{ v[NR] = $1 } END {
    printf "%.4f", (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'
}
# The run's fixed pause of 1,000 ms after ending the shell is left out of the comparison.
for l in "${LABELS[@]}"; do
  bare=$(samples "copy_${l}_bare_ms"); run=$(samples "copy_${l}_run_ms")
  bare_median=$(median "$bare" | awk '{ printf "%.1f", $1 }')
  run_median=$(median "$run" | awk '{ printf "%.1f", $1 }')
  run_less=$(awk -v r="$run_median" 'BEGIN { printf "%.1f", r - 1000 }')
  {
    echo "copy_${l}_rounds=$(tr ',' '\n' <<<"$run" | wc -l)"
    echo "copy_${l}_bare_samples_ms=$bare"
    echo "copy_${l}_run_samples_ms=$run"
    echo "copy_${l}_bare_median_ms=$bare_median"
    echo "copy_${l}_run_median_ms=$run_median"
    echo "copy_${l}_run_less_pause_median_ms=$run_less"
    echo "copy_${l}_extra_ms=$(awk -v r="$run_less" -v b="$bare_median" 'BEGIN { printf "%.1f", r - b }')"
    walk_median=$(median "$(samples "copy_${l}_walk_ms")" | awk '{ printf "%.1f", $1 }')
    echo "copy_${l}_walk_median_ms=$walk_median"
    echo "copy_${l}_walk_share=$(awk -v w="$walk_median" -v b="$bare_median" 'BEGIN { printf "%.2f", 100 * w / b }')"
    echo "copy_${l}_ratio=$(awk -v r="$run_less" -v b="$bare_median" 'BEGIN { printf "%.3f", r / b }')"
    # The two turns of a round ran back to back: their ratio is spared slower changes of
    # the machine's load over the rounds.
    paired=$(paste -d' ' <(tr ',' '\n' <<<"$run") <(tr ',' '\n' <<<"$bare") |
             awk '{ printf "%s%.3f", (NR > 1 ? "," : ""), ($1 - 1000) / $2 }')
    echo "copy_${l}_paired_ratio=$(median "$paired" | awk '{ printf "%.3f", $1 }')"
  } >>"$RESULTS"
done

# ---- files --------------------------------------------------------------------------------
size_of() { stat -c %s "$1"; }
imports_of() {
  "$1" -p "$2" | sed -n 's/^[[:space:]]*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u | paste -sd' '
}
dlls_beside() {
  local found
  found=$(find "$(dirname "$1")" -maxdepth 1 -iname '*.dll' -printf '%f ' 2>/dev/null)
  echo "${found:-none}"
}
SIZE32=$(size_of "$EXE32")
SIZE64=$(size_of "$EXE64")
IMPORTS32=$(imports_of i686-w64-mingw32-objdump "$EXE32")
IMPORTS64=$(imports_of x86_64-w64-mingw32-objdump "$EXE64")
BESIDE32=$(dlls_beside "$EXE32")
BESIDE64=$(dlls_beside "$EXE64")
# DLLs that every Windows from XP on ships; anything else would have to travel with the program.
SYSTEM_DLLS=" kernel32.dll user32.dll gdi32.dll advapi32.dll shell32.dll ole32.dll oleaut32.dll
 comctl32.dll comdlg32.dll msvcrt.dll shlwapi.dll version.dll psapi.dll winmm.dll ws2_32.dll
 rpcrt4.dll ntdll.dll uxtheme.dll "
foreign_imports() {
  local d out=""
  for d in $1; do [[ $SYSTEM_DLLS == *" $d"[[:space:]]* ]] || out+="$d "; done
  echo "${out:-none}"
}
FOREIGN32=$(foreign_imports "$IMPORTS32")
FOREIGN64=$(foreign_imports "$IMPORTS64")

# ---- verdicts -----------------------------------------------------------------------------
awk_test() { awk "BEGIN { exit !($1) }"; }
verdict() { if awk_test "$1"; then echo "met"; else echo "**missed**"; fi; }
calc() { awk "BEGIN { printf \"$1\", $2 }"; }
kib() { awk -v b="$1" 'BEGIN { printf "%.0f KiB (%d bytes)", b / 1024, b }'; }
listed() { sed 's/,/, /g' <<<"$1"; }

SU_V=$(get startup_vestrand_median_ms)
SU_B=$(get startup_bare_median_ms)
SU_M=$(get startup_minimal_median_ms)
SU_RB=$(get startup_ratio_bare)
SU_RM=$(get startup_ratio_minimal)
WS_V=$(get peak_ws_vestrand_median_mb)
WS_VMAX=$(get peak_ws_vestrand_max_mb)
WS_B=$(get peak_ws_bare_median_mb)
WS_M=$(get peak_ws_minimal_median_mb)
WS_BEYOND=$(calc "%.1f" "$WS_VMAX - $WS_M")
V_SU=$(verdict "$SU_RB <= 1.1")
V_WS=$(verdict "$WS_BEYOND < 10")
V_S32=$(verdict "$SIZE32 < 1048576")
V_S64=$(verdict "$SIZE64 < 1048576")
if [[ "$BESIDE64$BESIDE32$FOREIGN64$FOREIGN32" == nonenonenonenone ]]; then V_DLL=met; else V_DLL="**missed**"; fi

FIRST=${LABELS[0]}
LAST=${LABELS[${#LABELS[@]}-1]}
# The ratio goal holds from 500 MB on; the smallest tree only shows the fixed costs.
V_RATIO=met
for l in "${LABELS[@]:1}"; do
  [[ $(verdict "$(get "copy_${l}_ratio") <= 1.05") == met ]] || V_RATIO="**missed**"
done
# Vestrand's extra cost does not grow with the data when, from the smallest tree to the
# largest, it grows by less than 2 % of the largest copy: what the copies themselves vary by.
EXTRA_FIRST=$(get "copy_${FIRST}_extra_ms")
EXTRA_LAST=$(get "copy_${LAST}_extra_ms")
BARE_LAST=$(get "copy_${LAST}_bare_median_ms")
GROWTH=$(calc "%.0f" "$EXTRA_LAST - $EXTRA_FIRST")
ALLOWANCE=$(calc "%.0f" "0.02 * $BARE_LAST")
V_GROWTH=$(verdict "$GROWTH <= $ALLOWANCE")
V_WALK=met
for l in "${LABELS[@]}"; do
  [[ $(verdict "$(get "copy_${l}_walk_share") < 5") == met ]] || V_WALK="**missed**"
done

COMMIT=$(git rev-parse --short HEAD 2>/dev/null || echo unknown)
if [[ -n $(git status --porcelain --untracked-files=no 2>/dev/null) ]]; then
  COMMIT="$COMMIT (with uncommitted changes)"
fi
CPU=$(lscpu | sed -n 's/^Model name:[[:space:]]*//p' | head -n1)
RAM=$(awk '/^MemTotal:/ { printf "%.1f GiB", $2 / 1048576 }' /proc/meminfo)
DEBIAN=$(cat /etc/debian_version 2>/dev/null || echo unknown)
WINE_VERSION=$(/usr/lib/wine/wine --version 2>/dev/null || echo unknown)
DATE=$(date -u '+%Y-%m-%d %H:%M UTC')

copy_rows() {
  local l
  for l in "${LABELS[@]}"; do
    local bytes files
    bytes=$(get "copy_${l}_bytes"); files=$(get "copy_${l}_files")
    echo "| $l: $files files, $(calc "%.0f" "$bytes / 1048576") MiB | $(get "copy_${l}_rounds") | $(get "copy_${l}_bare_median_ms") ms | $(get "copy_${l}_run_median_ms") ms | $(get "copy_${l}_run_less_pause_median_ms") ms | $(get "copy_${l}_extra_ms") ms | **$(get "copy_${l}_ratio")×** | $(get "copy_${l}_paired_ratio")× |"
  done
}
copy_samples() {
  local l
  for l in "${LABELS[@]}"; do
    echo "| $l | $(listed "$(get "copy_${l}_bare_samples_ms")") | $(listed "$(get "copy_${l}_run_samples_ms")") |"
  done
}

mkdir -p "$(dirname "$REPORT")"
{
  cat <<EOF
# Performance

Measured by \`scripts/bench.sh\`, which writes this file. Every figure below comes from
one run of that command; each ratio sets two programs against each other that ran side
by side in that run, under the same Wine prefix, taking turns. The program measured is
the shipped 32-bit \`Vestrand.exe\`, in a 64-bit prefix (WoW64) told it is Windows 7;
its yardsticks are 32-bit programs too.

## Machine

| | |
|---|---|
| Date | $DATE |
| CPU | $CPU |
| Cores | $(nproc) |
| RAM | $RAM |
| Debian | $DEBIAN (Linux $(uname -r)) |
| Wine | $WINE_VERSION, 64-bit prefix, Xvfb display |
| Vestrand | commit $COMMIT, Release build with mingw-w64 |
| Measuring time | ${elapsed} s under Wine, builds not counted |

## Summary

| Figure | Measured | Goal | |
|---|---|---|---|
| Relocation in copy mode, run less its 1,000 ms pause against a bare shell copy | $(for l in "${LABELS[@]}"; do printf '%s **%s×** (within rounds %s×) ' "$l" "$(get "copy_${l}_ratio")" "$(get "copy_${l}_paired_ratio")"; done) | at most 1.05× from 500 MB on | $V_RATIO |
| Vestrand's extra cost against the size of the data | $EXTRA_FIRST ms at $FIRST, $EXTRA_LAST ms at $LAST: grew by $GROWTH ms | does not grow (less than 2 % of the largest copy, $ALLOWANCE ms) | $V_GROWTH |
| Free-space walk of the folders to carry | $(for l in "${LABELS[@]}"; do printf '%s %s ms (**%s %%** of the copy) ' "$l" "$(get "copy_${l}_walk_median_ms")" "$(get "copy_${l}_walk_share")"; done) | under 5 % of the copy at every size | $V_WALK |
| Start-up to the window filled, against the same window made bare | $SU_V ms against $SU_B ms: **${SU_RB}×** | at most 1.1× | $V_SU |
| Start-up against the minimal empty window | $SU_V ms against $SU_M ms: **${SU_RM}×** | (for comparison) | |
| Peak working set beyond the minimal window's | $WS_BEYOND MB (largest $WS_VMAX MB against $WS_M MB) | under 10 MB | $V_WS |
| Vestrand.exe, 32-bit (shipped) | $(kib "$SIZE32") | under 1 MB | $V_S32 |
| Vestrand.exe, 64-bit | $(kib "$SIZE64") | under 1 MB | $V_S64 |
| DLLs beside the programs, or imported and not part of Windows | 32-bit: $BESIDE32, $FOREIGN32; 64-bit: $BESIDE64, $FOREIGN64 | none | $V_DLL |

MB and MiB are 2^20 bytes.

## Relocation against the shell's own copy

Copy mode copies every byte under Wine too (a move on one disk is a rename there, which
shows nothing about costs that grow with the data). At each size a tree is generated
from Linux by tests/bench/make-tree.pl into the documents folder of the prefix's
profile (folders of 40 files, half of them half the average size and half one and a
half times it). Each round, in alternating order:

- **bare copy**: \`bench_shell_copy\` (tests/bench/ShellCopy.cpp) makes one
  \`SHFileOperationW\` FO_COPY call of the documents folder into \`D:\\BenchTarget\` with
  the flags Vestrand uses (0x250); the time is that call's own.
- **run**: Vestrand is started, every row but the documents row unticked, log-off
  unticked, copy mode chosen and \`D:\\BenchTarget\` typed as the target, all through its
  window; the time runs from the click on the start button to the program's end. The
  shell it starts again is ended afterwards, and the registry value checked.

After each turn every file and byte of the copy is checked and the copy removed; before
each turn Linux's \`sync\` writes back what the turn before left in the page cache. The
run's fixed pause of 1,000 ms after ending the shell is taken off before the ratio.

| Tree | Rounds | Bare copy | Run, click to end | Run less pause | Extra cost | Ratio | Ratio within rounds |
|---|---|---|---|---|---|---|---|
$(copy_rows)

Extra cost is the run less its pause less the bare copy (medians); the ratio is of the same
medians. The ratio within rounds is the median of each round's run less pause against
that round's bare copy. Samples in ms, in order:

| Tree | Bare copy | Run |
|---|---|---|
$(copy_samples)

How far these figures go: the machine's two cores are shared with other work, and the
same bare copy varied by up to a factor of two between rounds (see the samples); a
difference between the run and the bare copy smaller than that spread is not a finding,
and a run faster than the bare copy is one of them. One difference between the two sides
may favour the run and is not verified here: the bare copy runs while the shell runs,
the run copies after it has ended the shell.

The free-space walk over the folders to carry (listing every file with its size before
the run, which also finds files the copy would replace) is timed on its own after each
round, through the program's own code, on the same tree; the run's times above include
it, and the run lists the new folder once more after its copy to count what arrived.

## Start-up

Time from \`CreateProcess\` until the program's window is usable, polled every
millisecond by \`bench_driver\` (tests/bench/BenchDriver.cpp); the three programs take
turns, the one that starts a round rotates, and a first round that warms the caches is
not counted.

- **Vestrand**, told it runs on Windows 7, with a Windows 7 profile and drive D: present:
  its main window is visible and its first path box holds the folder read from the
  registry.
- **bare window** (tests/bench/BareWindow.cpp): the same controls from the same layout
  table, with the same captions and fonts, created plainly and shown; its path boxes
  are then given fixed texts. No registry, no folder checks, no picture, no colours. The
  same point is awaited: visible, first path box filled. Vestrand's time beyond it is
  its own start-up cost.
- **minimal window** (tests/bench/MinimalWindow.cpp): one empty window becomes visible.

| | Median | Fastest | Samples (ms, in order) |
|---|---|---|---|
| Vestrand | $SU_V ms | $(get startup_vestrand_min_ms) ms | $(listed "$(get startup_vestrand_samples_ms)") |
| Bare window | $SU_B ms | $(get startup_bare_min_ms) ms | $(listed "$(get startup_bare_samples_ms)") |
| Minimal window | $SU_M ms | $(get startup_minimal_min_ms) ms | $(listed "$(get startup_minimal_samples_ms)") |

Fastest against fastest: Vestrand against the bare window
$(calc "%.2f" "$(get startup_vestrand_min_ms) / $(get startup_bare_min_ms)")×. The samples spread widely when other
work shares the machine's two cores; that is why the programs take turns and the medians
are compared.

## Memory

The peak working set (\`GetProcessMemoryInfo\`, PeakWorkingSetSize) of each program, read
in every counted start-up round once its window has handled what start-up queued and has
painted. Under Wine it counts Wine's own loader, its built-in DLLs and the X11 libraries,
which the minimal window already carries: the figure that is the program's is the part
beyond the minimal window's.

| | Median | Largest |
|---|---|---|
| Vestrand | $WS_V MB | $WS_VMAX MB |
| Bare window | $WS_B MB | $(get peak_ws_bare_max_mb) MB |
| Minimal window | $WS_M MB | $(get peak_ws_minimal_max_mb) MB |

## Files

| | Size | Imports | DLLs beside it |
|---|---|---|---|
| 32-bit Vestrand.exe (shipped) | $(kib "$SIZE32") | $IMPORTS32 | $BESIDE32 |
| 64-bit Vestrand.exe | $(kib "$SIZE64") | $IMPORTS64 | $BESIDE64 |

Both programs link the C++ runtime statically. DLLs imported that Windows does not ship:
32-bit $FOREIGN32, 64-bit $FOREIGN64.
EOF
} >"$REPORT"

# ---- summary ------------------------------------------------------------------------------
echo
echo "== Vestrand benchmark ($DATE; $CPU, $(nproc) cores; $WINE_VERSION)"
for l in "${LABELS[@]}"; do
  echo "copy $l      bare $(get "copy_${l}_bare_median_ms") ms, run less pause $(get "copy_${l}_run_less_pause_median_ms") ms: $(get "copy_${l}_ratio")x (within rounds $(get "copy_${l}_paired_ratio")x), extra $(get "copy_${l}_extra_ms") ms"
done
echo "ratio goal   <= 1.05x from 500 MB on: $V_RATIO; extra cost grew by $GROWTH ms (allowance $ALLOWANCE ms): $V_GROWTH"
echo "start-up     Vestrand $SU_V ms / bare $SU_B ms = ${SU_RB}x (goal <= 1.1x): $V_SU; / minimal $SU_M ms = ${SU_RM}x"
echo "peak memory  $WS_BEYOND MB beyond the minimal window (goal < 10 MB): $V_WS"
echo "file sizes   32-bit $SIZE32 bytes: $V_S32; 64-bit $SIZE64 bytes: $V_S64"
echo "report       $REPORT"
