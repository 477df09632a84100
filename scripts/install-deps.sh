#!/usr/bin/env bash
# Installs what building and testing Vestrand needs on Debian 12, and nothing that is
# already there. Run as root. 32-bit Linux programs cannot run on these kernels, so no
# i386 architecture and no wine32: Wine runs 64-bit Windows programs only.
set -euo pipefail
PACKAGES=(cmake make g++ googletest g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 xvfb xauth x11-utils
          xdotool imagemagick fonts-wqy-microhei)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
