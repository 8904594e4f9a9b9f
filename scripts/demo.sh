#!/bin/bash
# The main job: a demo installation. Builds the author's tool (Linux) and the
# 64-bit Windows build of the engine (this machine runs 64-bit code only),
# builds the example package with "setupkit build", installs it with
# setup.exe under Wine on a private Xvfb screen while the robot answers the
# wizard, and prints what was installed: files, registry values, links, the
# uninstall log, and where the screenshots are.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
out=${1:-build/demo}

echo "== building the author's tool (linux) and the engine (win64)"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target setupkit
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target setup uninstall_exe robot example_package_binaries

echo "== installing the example package under Wine"
bash scripts/wine-scenarios.sh build/win64 build/linux/tools/setupkit/setupkit "$out" --demo
