#!/usr/bin/env bash
# Installs what is missing, builds, and starts the shipped 32-bit Vestrand under Wine, as
# on 64-bit Windows 7 (a 64-bit prefix running it through WoW64), in a demo prefix of its
# own (build/demo), whose profile folders are real folders holding a few sample files and
# whose drive D: is a folder in the build tree: a relocation tried here touches nothing of
# yours. Uses your display if there is one; else the whole demo, prefix included, runs under
# Xvfb and saves a screenshot of the window to build/demo/win64/screenshot.png. It runs until
# you press Ctrl+C; with VESTRAND_DEMO_QUIT=1 it ends by itself once the screenshot is saved.
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ -z ${VESTRAND_DEMO_XVFB:-} ]]; then
  bash scripts/install-deps.sh
  bash scripts/build.sh win32
  # Wine needs a display from the prefix's first boot on: without one, run the rest on Xvfb.
  [[ -n ${DISPLAY:-} ]] ||
    exec env VESTRAND_DEMO_XVFB=1 xvfb-run -a -s "-screen 0 1024x768x24" bash "$0" "$@"
fi
export VESTRAND_WINE_ROOT="$PWD/build/demo"
export VESTRAND_WINE_ARCH=win64
export VESTRAND_RUN_TIMEOUT=86400  # the demo runs until you close it
EXE="$PWD/build/win32/Vestrand.exe"
HARNESS=tests/e2e/wine-harness.sh
bash "$HARNESS" reset "$EXE"
eval "$(bash "$HARNESS" env "$EXE" | sed 's/^/export /')"
export WINEDEBUG=-all LC_ALL=C.UTF-8
user="$WINEPREFIX/drive_c/users/$(id -un)"
# Wine's profile lacks the videos folder's value, which Windows 7 has (its folders are
# made by the harness), and the browser cache and cookie folders: made here, as the
# tests do, so that all fourteen rows are filled and can be ticked.
explorer='HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer'
/usr/lib/wine/wine64 reg add "$explorer\\User Shell Folders" /v "My Video" /t REG_EXPAND_SZ \
  /d '%USERPROFILE%\Videos' /f >/dev/null
/usr/lib/wine/wine64 reg add "$explorer\\Shell Folders" /v "My Video" /t REG_SZ \
  /d "C:\\users\\$(id -un)\\Videos" /f >/dev/null
mkdir -p "$user/Videos" "$user/AppData/Local/Microsoft/Windows/INetCache" \
         "$user/AppData/Roaming/Microsoft/Windows/INetCookies"
for d in Desktop Documents Pictures Music Videos; do
  mkdir -p "$user/$d/示例 sample"
  echo "Vestrand demo file in $d" > "$user/$d/示例 sample/readme.txt"
done
/usr/lib/wine/wineserver -w
if [[ -z ${VESTRAND_DEMO_XVFB:-} ]]; then
  bash "$HARNESS" run "$EXE"
  exit
fi
shot="$VESTRAND_WINE_ROOT/win64/screenshot.png"
rm -f "$shot"
bash "$HARNESS" run "$EXE" &
run=$!
# The window is filled before it is shown: wait (bounded) for it, then for it to be drawn.
for ((i = 0; i < 120; i++)); do
  xdotool search --name '^Vestrand For ' >/dev/null 2>&1 && break
  sleep 0.5
done
((i < 120)) || echo "demo: no Vestrand window within 60 s" >&2
sleep 2
import -window root "$shot"
echo "demo: screenshot saved to $shot"
if [[ ${VESTRAND_DEMO_QUIT:-} == 1 ]]; then
  kill "$run"  # first, so that the harness does not start the program again
  bash "$HARNESS" stop "$EXE"
  wait || true
  exit 0
fi
echo "demo: Vestrand keeps running until you press Ctrl+C"
wait
