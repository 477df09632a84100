#!/usr/bin/env bash
# Builds the shipped 32-bit program from a clean build tree and packs what a user downloads:
# build/release/Vestrand-<version>.zip holding Vestrand.exe, the Chinese guide 使用说明.txt (UTF-8
# with BOM and CRLF line ends, which Notepad on Windows XP shows) and SHA256SUMS.txt. The version
# is project(VERSION) in CMakeLists.txt. One commit gives one zip, byte for byte, wherever it is
# built: the program carries no link time nor build path, and the zip's entries have a fixed
# order, the commit's time and fixed attributes.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
version=$(sed -n 's/^project(Vestrand VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
[[ -n $version ]] || { echo "release: no version in CMakeLists.txt" >&2; exit 1; }
tree=build/release-tree out=build/release
rm -rf "$tree" "$out"
mkdir -p "$out"
# The flags of the tested 32-bit tree (the win32 preset), without its tests.
cmake --preset win32 -B "$tree" -DVESTRAND_TESTS=OFF >/dev/null
cmake --build "$tree" -j"$(nproc)" --target Vestrand
# Every entry gets the time of the commit (or SOURCE_DATE_EPOCH).
when=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct 2>/dev/null || echo 1262304000)}
python3 - "$tree/Vestrand.exe" docs/使用说明.txt "$out" "Vestrand-$version.zip" "$when" <<'PY'
import hashlib, struct, sys, time, zipfile, zlib
exe, guide, out, zipname, when = sys.argv[1:]
files = {"Vestrand.exe": open(exe, "rb").read()}
# The guide's source is UTF-8; Notepad on XP wants the BOM and CRLF line ends.
text = open(guide, encoding="utf-8-sig").read().replace("\r\n", "\n")
files["使用说明.txt"] = "\ufeff".encode() + text.replace("\n", "\r\n").encode()
files["SHA256SUMS.txt"] = "".join(f"{hashlib.sha256(d).hexdigest()}  {n}\n" for n, d in files.items()).encode()

class Entry(zipfile.ZipInfo):
    # A name is stored in GBK, which the zip folders of Chinese Windows read (they ignore the
    # UTF-8 flag), and again in UTF-8 in the Info-ZIP Unicode Path field (0x7075), which
    # 7-Zip, WinRAR and unzip read.
    def _encodeFilenameFlags(self):
        return self.filename.encode("gbk"), self.flag_bits

with zipfile.ZipFile(f"{out}/{zipname}", "w") as z:
    for name, data in files.items():
        info = Entry(name, time.gmtime(int(when))[:6])
        info.create_system, info.external_attr = 0, 0x20  # MS-DOS, "archive"
        if not name.isascii():
            legacy, utf8 = name.encode("gbk"), name.encode("utf-8")
            info.extra = struct.pack("<HHBI", 0x7075, 5 + len(utf8), 1, zlib.crc32(legacy)) + utf8
        z.writestr(info, data, zipfile.ZIP_DEFLATED, 9)
PY
(cd "$out" && sha256sum "Vestrand-$version.zip")
