#!/bin/bash
# Builds the Linux and Windows targets and runs every test suite.
#   linux   native build, unit and component tests
#   linux-asan  the archive, script-reader and fuzz-replay suites built with
#           AddressSanitizer and UBSan (only the targets those suites need)
#   win64   64-bit MinGW build; its tests run under 64-bit Wine
#   win32   32-bit MinGW build: the shipped setup.exe; its tests run under
#           32-bit Wine where this machine can execute 32-bit code
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)

echo "== linux"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs"
ctest --preset linux -j "$jobs"

echo "== linux-asan (AddressSanitizer and UBSan)"
cmake --preset linux-asan >/dev/null
cmake --build --preset linux-asan -j "$jobs"
ctest --preset linux-asan -j "$jobs"

echo "== win64 (tests under Wine)"
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs"
ctest --preset win64

echo "== real installations under Wine + Xvfb"
# The example package, a damaged volume, a Break, the removal and a split
# medium, on one prefix made for this run.
bash scripts/wine-scenarios.sh build/win64 build/linux/tools/setupkit/setupkit build/win64/wine-scenarios

echo "== win32 (shipped build)"
cmake --preset win32 >/dev/null
cmake --build --preset win32 -j "$jobs"
# The shipped programs cannot run here; check their files instead: i386 GUI
# images with the visual-styles manifest whose every import exists in the
# 32-bit Windows DLLs of Wine.
python3 scripts/check-pe-imports.py build/win32/app/setup.exe
python3 scripts/check-pe-imports.py build/win32/uninstall/uninstall.exe
if /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  ctest --preset win32
else
  echo "this machine cannot execute 32-bit code: the win32 tests were built, not run"
fi

# setup.exe walked under Wine and Xvfb with screenshots; it needs a display
# server and a Wine prefix of its own, so it runs on request.
if [ "${SETUPKIT_GUI_SMOKE:-0}" = 1 ]; then
  echo "== setup.exe smoke test (Wine + Xvfb)"
  bash scripts/setup-smoke.sh build/win64/app/setup.exe build/win64/tools/robot/robot.exe \
    build/win64/setup-smoke-screenshots
fi
