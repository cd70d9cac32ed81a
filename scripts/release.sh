#!/usr/bin/env bash
# Builds Palisor for 32-bit and 64-bit Windows in Release, strips both programs and leaves in dist/:
#   palisor-VERSION-x86.exe, palisor-VERSION-x64.exe and SHA256SUMS.
# Installs whatever the build needs first. Fails when a program imports what Windows XP SP2 lacks
# (scripts/xp-imports.py), is 600 KB or larger, or does not carry the version it is named by.
set -euo pipefail
cd "$(dirname "$0")/.."
mkdir -p build/logs
scripts/install-deps.sh >build/logs/release-install.log 2>&1 || {
    tail -20 build/logs/release-install.log
    exit 1
}

version=$(sed -n 's/^project(Palisor VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
[ -n "$version" ] || { echo "no version in CMakeLists.txt" >&2; exit 1; }
limit=$((600 * 1024))
release_flags="-Os -DNDEBUG -ffunction-sections -fdata-sections"

rm -rf dist
mkdir -p dist
for arch in x86:i686 x64:x86_64; do
    name=${arch%%:*}
    triple=${arch#*:}-w64-mingw32
    tree=build/release-$name
    echo "== building palisor.exe for $name"
    # Optimised for size, each function and datum in a section of its own so the linker drops what
    # nothing calls: the program is a window over the firewall and a tree of traffic, and small.
    cmake -S . -B "$tree" -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-w64-${arch#*:}.cmake" -DCMAKE_BUILD_TYPE=Release \
        "-DCMAKE_C_FLAGS_RELEASE=$release_flags" "-DCMAKE_CXX_FLAGS_RELEASE=$release_flags" \
        -DCMAKE_EXE_LINKER_FLAGS_RELEASE=-Wl,--gc-sections \
        -DPALISOR_TESTS=OFF -DPALISOR_WERROR=ON >"build/logs/release-$name.configure.log" 2>&1
    cmake --build "$tree" --target palisor -j"$(nproc)" >"build/logs/release-$name.build.log" 2>&1 || {
        tail -30 "build/logs/release-$name.build.log"
        exit 1
    }
    out=dist/palisor-$version-$name.exe
    "$triple-strip" -o "$out" "$tree/bin/palisor.exe"

    size=$(stat -c %s "$out")
    if [ "$size" -ge "$limit" ]; then
        echo "!! $out is $size bytes, not under 600 KB" >&2
        exit 1
    fi
    # The version resource holds its texts in UTF-16.
    if ! python3 - "$out" "$version" <<'PY'; then
import sys
data = open(sys.argv[1], "rb").read()
for key in ("FileVersion", "ProductVersion"):
    if (key + "\0\0" + sys.argv[2] + "\0").encode("utf-16-le") not in data and \
       (key + "\0" + sys.argv[2] + "\0").encode("utf-16-le") not in data:
        sys.exit(f"{sys.argv[1]}: no {key} {sys.argv[2]} in its version resource")
PY
        exit 1
    fi
    # Windows XP loads a 32-bit program of subsystem version 5.01 or lower, XP x64 one of 5.02.
    subsystem=$("$triple-objdump" -p "$out" | awk '/MajorSubsystemVersion/ {major=$2} /MinorSubsystemVersion/ {minor=$2} END {printf "%d.%02d", major, minor}')
    highest=5.02
    [ "$name" = x86 ] && highest=5.01
    if [ "$(printf '%s\n%s\n' "$subsystem" "$highest" | sort -V | tail -1)" != "$highest" ]; then
        echo "!! $out has subsystem version $subsystem; Windows XP needs $highest or lower" >&2
        exit 1
    fi
    python3 scripts/xp-imports.py --machine "${arch#*:}" "$out" || exit 1
    echo "$out: $size bytes"
done
(cd dist && sha256sum palisor-"$version"-x86.exe palisor-"$version"-x64.exe >SHA256SUMS)
cat dist/SHA256SUMS
