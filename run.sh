#!/usr/bin/env bash
# Installs what is missing, builds Palisor for Windows and starts it under Wine against the stand-in
# firewall service. With no DISPLAY it runs on a virtual X server and saves a screenshot.
# PALISOR_STANDIN_READONLY=1 ./run.sh plays a user without administrator rights: the stand-in refuses
# every change with access denied (see the README). PALISOR_DPI=144 ./run.sh shows it on a screen of
# 144 dots per inch (any of 48 to 480; 96 when unset), which grows from 1024x768 with the DPI so that
# the window stays whole on it (1536x1152 at 144).
set -eu
cd "$(dirname "$0")"
root=$PWD
mkdir -p build/logs
scripts/install-deps.sh >build/logs/install.log 2>&1 || { tail -20 build/logs/install.log; exit 1; }
cmake -S . -B build/mingw64 -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake >build/logs/run-configure.log 2>&1 ||
    { tail -30 build/logs/run-configure.log; exit 1; }
# Only what a run needs: the program, the stand-in firewall and the helper that shows it headless.
cmake --build build/mingw64 -j"$(nproc)" --target palisor palisor_standin_firewall palisor_showcase \
    >build/logs/run-build.log 2>&1 || { tail -30 build/logs/run-build.log; exit 1; }
exec scripts/run-palisor.sh "$root/build/mingw64/bin/palisor.exe"
