#!/usr/bin/env bash
# Installs what building and testing Vestrand needs on Debian 12, and nothing that is
# already there. Run as root. The shipped program is 32-bit: the kernel runs 32-bit x86
# programs, and Debian's wine32 (i386) runs 32-bit Windows programs beside wine64, in
# 32-bit prefixes and in 64-bit ones through WoW64. Adding the i386 architecture may let
# apt upgrade some installed 64-bit libraries to the archive's version, so that both
# architectures hold the same one. dosfstools makes the FAT32 drive of an end-to-end test.
set -euo pipefail
PACKAGES=(cmake make g++ googletest g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
          binutils-mingw-w64-x86-64 binutils-mingw-w64-i686 wine wine64 wine32:i386 xvfb xauth
          x11-utils xdotool imagemagick clang-format fonts-wqy-microhei unzip dosfstools)
missing=()
for p in "${PACKAGES[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}" >&2
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
