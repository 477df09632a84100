#!/usr/bin/env bash
# The benchmark behind docs/performance.md; not part of the test command. Builds the shipped
# 32-bit Vestrand.exe (for its size) and the benchmark's program (tests/bench/Bench.cpp), which runs
# Vestrand's own code under Wine in a 64-bit prefix of its own (WoW64; Wine's default, Windows 7),
# under Xvfb when there is no display, and writes the figures to a report. About 25 minutes on two
# cores. (Start-up and memory were last measured at commit a3d7197: see docs/performance.md.)
# Settings (environment), with their defaults:
#   VESTRAND_BENCH_BUILD=build/win32  VESTRAND_WINE_ROOT=build/bench-wine
#   VESTRAND_BENCH_REPORT=build/bench-report.md
#   VESTRAND_BENCH_SIZES="50MB 1000 50 40 5;500MB 5000 100 40 5;2GB 20000 100 40 3;100k 100000 2 100 3 bare"
#     (per tree: label, files, average KiB, files a folder, rounds, and "bare" where the run is not timed)
set -euo pipefail
cd "$(dirname "$0")/.."
BUILD=$(realpath -m "${VESTRAND_BENCH_BUILD:-build/win32}")
REPORT=$(realpath -m "${VESTRAND_BENCH_REPORT:-build/bench-report.md}")
VESTRAND_WINE_ROOT=$(realpath -m "${VESTRAND_WINE_ROOT:-build/bench-wine}")
export VESTRAND_WINE_ROOT VESTRAND_WINE_ARCH=win64 VESTRAND_RUN_TIMEOUT=900
if [[ -z ${VESTRAND_BENCH_MEASURING:-} ]]; then
  bash scripts/install-deps.sh
  cmake --preset win32 -B "$BUILD" >/dev/null
  cmake --build "$BUILD" -j2 --target Vestrand bench
  export VESTRAND_BENCH_MEASURING=1 VESTRAND_BENCH_BUILD=$BUILD VESTRAND_BENCH_REPORT=$REPORT
  [[ -n ${DISPLAY:-} ]] || exec xvfb-run -a -s "-screen 0 1024x768x24" bash "$0"
fi

HARNESS=tests/e2e/wine-harness.sh
BENCH=$BUILD/bench.exe
bash "$HARNESS" reset "$BENCH"
DRIVE_D=$(bash "$HARNESS" env "$BENCH" | sed -n 's/^VESTRAND_DRIVE_D=//p')
TREE='D:\BenchTree\Documents'
RESULTS=$VESTRAND_WINE_ROOT/results.txt
: >"$RESULTS"
trap 'bash "$HARNESS" stop "$BENCH"; rm -rf "$DRIVE_D/BenchTree" "$DRIVE_D/BenchTarget"' EXIT
# Runs the benchmark's program in the prefix; the copy figures are named after the tree.
measure() {
  bash "$HARNESS" run "$BENCH" "$@" | tr -d '\r' | sed "s/^copy_/copy_${label:-}_/" | tee -a "$RESULTS"
}
started=$(date +%s)

SIZES="50MB 1000 50 40 5;500MB 5000 100 40 5;2GB 20000 100 40 3;100k 100000 2 100 3 bare"
IFS=';' read -ra trees <<<"${VESTRAND_BENCH_SIZES:-$SIZES}"
for tree in "${trees[@]}"; do
  read -r label files kib per rounds only <<<"$tree"
  rm -rf "$DRIVE_D/BenchTree"
  measure tree "$TREE" "$files" "$kib" "$per"
  for ((r = 0; r < rounds; r++)); do
    # Which goes first alternates. Each turn starts with the disk settled, so that none pays
    # for writing back the one before; every file of each copy is compared with its source.
    turns="bare run"; ((r % 2 == 0)) || turns="run bare"
    [[ $only != bare ]] || turns=bare
    for turn in $turns checks; do
      rm -rf "$DRIVE_D/BenchTarget"
      sync
      measure "$turn" "$TREE" 'D:\BenchTarget'
      [[ $turn == checks ]] || diff -rq "$DRIVE_D/BenchTree/Documents" "$DRIVE_D/BenchTarget/Documents"
    done
  done
done

{
  echo "# Vestrand benchmark, $(date -u '+%Y-%m-%d %H:%M UTC')"
  echo
  echo "$(lscpu | sed -n 's/^Model name:[[:space:]]*//p'), $(nproc) cores," \
       "$(free -g | awk '/^Mem:/ { print $2 }') GiB; Debian $(cat /etc/debian_version);" \
       "$(/usr/lib/wine/wine --version); commit $(git describe --always --dirty);" \
       "$(($(date +%s) - started)) s under Wine." \
       "32-bit Vestrand.exe: $(stat -c %s "$BUILD/Vestrand.exe") bytes (goal: under 1 MB)."
  echo
  awk '
    function median(k,   a, i, j, t, m) {
      m = n[k]
      for (i = 1; i <= m; i++) a[i] = v[k, i]
      for (i = 2; i <= m; i++)
        for (j = i; j > 1 && a[j - 1] > a[j]; j--) { t = a[j]; a[j] = a[j - 1]; a[j - 1] = t }
      return m % 2 ? a[(m + 1) / 2] : (a[m / 2] + a[m / 2 + 1]) / 2
    }
    function row(what, measured, goal) { printf "| %s | %s | %s |\n", what, measured, goal }
    NF == 2 && $2 ~ /^[0-9.]+$/ {
      if (!($1 in n)) order[++keys] = $1
      v[$1, ++n[$1]] = $2
      all[$1] = all[$1] (n[$1] > 1 ? ", " : "") $2
      if (n[$1] == 1 || $2 < low[$1]) low[$1] = $2
      if ($2 > high[$1]) high[$1] = $2
    }
    END {
      print "| Figure | Median | Smallest | Largest | Samples, in order |\n|---|---|---|---|---|"
      for (i = 1; i <= keys; i++) {
        k = order[i]
        printf "| %s | %.1f | %s | %s | %s |\n", k, median(k), low[k], high[k], all[k]
      }
      print "\n| Comparison | Measured | Goal |\n|---|---|---|"
      for (i = 1; i <= keys; i++) {
        if (order[i] !~ /^copy_.*_bare_ms$/) continue
        l = substr(order[i], 6, length(order[i]) - 13)
        bare = median(order[i])
        if (("copy_" l "_run_ms") in n) {
          run = median("copy_" l "_run_ms")
          row(l ": run against the bare copy", sprintf("%.3f× (%+.1f ms)", run / bare, run - bare),
              "at most 1.05× from 500 MB on")
        }
        row(l ": checks against the bare copy", sprintf("%.2f %%", 100 * median("copy_" l "_checks_ms") / bare),
            "under 5 %")
      }
    }' "$RESULTS"
} | tee "$REPORT"
