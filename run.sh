#!/usr/bin/env bash
# Installs what is missing, builds Palisor for Windows and starts it under Wine against the stand-in
# firewall service. With no DISPLAY it runs on a virtual X server and saves a screenshot.
set -eu
cd "$(dirname "$0")"
root=$PWD
mkdir -p build/logs
scripts/install-deps.sh >build/logs/install.log 2>&1 || { tail -20 build/logs/install.log; exit 1; }
cmake -S . -B build/mingw64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >build/logs/run-configure.log
cmake --build build/mingw64 -j"$(nproc)" >build/logs/run-build.log 2>&1 || { tail -30 build/logs/run-build.log; exit 1; }
exe=$root/build/mingw64/bin/palisor.exe
if [ ! -f "$exe" ]; then
    echo "palisor.exe is not built yet; the libraries and test programs are in build/mingw64/bin"
    exit 0
fi
exec scripts/run-palisor.sh "$exe"
