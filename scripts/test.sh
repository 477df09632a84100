#!/usr/bin/env bash
# The one test command: installs what is missing, builds all three targets and runs
# every test (native unit tests, Wine tests of the Win32 layer, end-to-end tests of the
# real programs under Wine and Xvfb: the shipped 32-bit one in every scenario, in a
# 32-bit prefix for Windows 2000, XP and 2003 and a 64-bit one for Vista and later, and
# the 64-bit one in a smoke set). The 64-bit tree's ctest runs them all. Before them it checks
# the first set-up command (the demo, headless) and the release package.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
bash scripts/build.sh native win64 win32

status=0
echo "== the code's format (.clang-format)"
git ls-files -z 'src/*.cpp' 'src/*.h' 'tests/*.cpp' 'tests/*.h' | xargs -0 clang-format --dry-run -Werror || status=1

echo "== native unit tests"
ctest --preset native || status=1

echo "== release checks of the built programs"
bash tests/release/check-binaries.sh build/win32/Vestrand.exe build/win64/Vestrand.exe || status=1

# A step passes when its command line does.
step() { if eval "$2"; then echo "ok:   $1"; else echo "FAIL: $1"; status=1; fi; }

echo "== the demo on a machine without a display, ending by itself after its screenshot"
shot=build/demo/win64/screenshot.png
rm -f "$shot"
start=$SECONDS
step "screenshot saved within 5 minutes (log: build/demo.log)" \
  'env -u DISPLAY VESTRAND_DEMO_QUIT=1 timeout -k 10 300 bash scripts/demo.sh >build/demo.log 2>&1'
echo "      demo took $((SECONDS - start)) s"
VESTRAND_WINE_ROOT=$PWD/build/demo VESTRAND_WINE_ARCH=win64 \
  bash tests/e2e/wine-harness.sh stop build/win32/Vestrand.exe  # after a time-out too
# A blank screen has one colour; the filled window has well over a hundred.
colours=$(identify -format %k "$shot" 2>/dev/null || echo 0)
step "screenshot not blank ($colours colours)" '((colours >= 32))'

echo "== the release package, built twice from clean build trees"
first=
step "scripts/release.sh (log: build/release.log)" \
  'bash scripts/release.sh >build/release.log 2>&1 && first=$(sha256sum <build/release/Vestrand-*.zip) &&
   bash scripts/release.sh >>build/release.log 2>&1'
zip=$(echo build/release/Vestrand-*.zip)
step "the same zip both times, byte for byte" '[[ $(sha256sum <"$zip") == "$first" ]]'
rm -rf build/release/unpacked
step "unpacked, SHA256SUMS.txt checks out" \
  'unzip -q "$zip" -d build/release/unpacked && (cd build/release/unpacked && sha256sum -c --quiet SHA256SUMS.txt)'
guide=build/release/unpacked/使用说明.txt
crlf_only() { ! LC_ALL=C grep -qv $'\r$' "$1"; }
step "for Notepad on XP: the guide with a BOM and CRLF line ends" \
  '[[ $(head -c3 "$guide" | od -An -tx1) == " ef bb bf" ]] && crlf_only "$guide"'
# The names Windows reads as GBK: those without the UTF-8 flag (0x800).
names=$(python3 -c 'import sys, zipfile; print(*[i.filename for i in zipfile.ZipFile(sys.argv[1],
        metadata_encoding="gbk").infolist() if not i.flag_bits & 0x800])' "$zip" 2>/dev/null || true)
step "for the zip folders of Chinese Windows: the guide's name in GBK" '[[ " $names " == *" 使用说明.txt "* ]]'
step "it holds the program the end-to-end tests run" 'cmp build/release/unpacked/Vestrand.exe build/win32/Vestrand.exe'
bash tests/release/check-binaries.sh build/release/unpacked/Vestrand.exe build/win64/Vestrand.exe || status=1

echo "== Windows tests under Wine"
# Each test runs with its own bounded time; the whole Wine run is bounded too. A test
# is never repeated blindly: only a failure showing a known fault of Wine itself
# (tests/e2e/known-wine-faults.txt) is run once more, by the harness, from a freshly
# reset prefix; both outcomes stay in the log.
timeout 1800 xvfb-run -a -s "-screen 0 1024x768x24" ctest --preset win64 || status=1
for driver in build/win64/e2e_driver.exe build/win32/e2e_driver.exe; do
  bash tests/e2e/wine-harness.sh stop "$driver" || true
done
exit $status
