#!/usr/bin/env bash
# Builds the Windows programs and packs the shipped files of dist/ into a
# release zip, with a SHA-256 sums file beside it:
#   scripts/package.sh [output-folder]       (default build/release)
# gives orvane-VERSION-win64.zip and SHA256SUMS (check with
# "sha256sum -c SHA256SUMS" in that folder). VERSION is ORVANE_VERSION_TEXT
# of CMakeLists.txt, the one version definition. The zip's entries are
# sorted and dated from the last commit, so the same tree packs the same
# way. The administrative template for Group Policy goes beside the
# programs, in policy/ (orvane.admx and en-US/orvane.adml).
# ORVANE_PACKAGE_NO_BUILD=1 packs dist/ as it is.
set -eu
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
out=${1:-$ROOT/build/release}

version=$(sed -n 's/^set(ORVANE_VERSION_TEXT "\([^"]*\)")$/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
    echo "package.sh: no ORVANE_VERSION_TEXT in CMakeLists.txt" >&2
    exit 1
fi

if [ "${ORVANE_PACKAGE_NO_BUILD:-0}" != 1 ]; then
    cmake -S . -B build/windows -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/mingw-w64-x86_64.cmake" >/dev/null
    cmake --build build/windows -j2
fi

# Every program and file the build ships, and nothing else (no folders).
mapfile -t files < <(find dist -maxdepth 1 -type f -printf '%f\n' | LC_ALL=C sort)
for wanted in Orvane.exe Setup.exe Uninstall.exe OrvaneService.exe; do
    if [[ " ${files[*]} " != *" $wanted "* ]]; then
        echo "package.sh: dist/$wanted is missing" >&2
        exit 1
    fi
done

# Zip entry and the file it holds.
entries=()
for file in "${files[@]}"; do
    entries+=("$file=dist/$file")
done
for file in policy/orvane.admx policy/en-US/orvane.adml; do
    entries+=("$file=$file")
done

mkdir -p "$out"
name=orvane-$version-win64.zip
rm -f "$out/$name" "$out/SHA256SUMS"
stamp=$(git log -1 --format=%ct 2>/dev/null || echo 315532800)
python3 - "$out/$name" "$stamp" "${entries[@]}" <<'PY'
import sys, time, zipfile
target, stamp = sys.argv[1], int(sys.argv[2])
entries = sorted(entry.split("=", 1) for entry in sys.argv[3:])
# Zip dates start in 1980 and carry no zone.
when = time.gmtime(max(stamp, 315532800))[:6]
with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as z:
    for name, source in entries:
        info = zipfile.ZipInfo(name, when)
        info.compress_type = zipfile.ZIP_DEFLATED
        info.external_attr = 0o644 << 16
        with open(source, "rb") as f:
            z.writestr(info, f.read())
PY
(cd "$out" && sha256sum "$name" >SHA256SUMS)
echo "$out/$name"
cat "$out/SHA256SUMS"
