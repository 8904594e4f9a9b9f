#!/bin/bash
# The main job: a demo installation of the example package. Builds the
# author's tool (Linux) and the 64-bit Windows build of the engine and the
# example's binaries (this machine runs 64-bit code only), builds the
# example package's medium with "setupkit build", installs it with the real
# engine on the simulated machine and removes it again with the uninstaller
# ("setupkit simulate --uninstall"), printing what was installed (files,
# registry values, links, the uninstall log); then installs the same medium
# with setup.exe under Wine on a private Xvfb screen while the robot answers
# the wizard, checks the result against the simulation, and says where the
# screenshots are.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
out=${1:-build/demo}

echo "== building the author's tool (linux) and the engine (win64)"
cmake --preset linux >/dev/null
cmake --build --preset linux -j "$jobs" --target setupkit
cmake --preset win64 >/dev/null
cmake --build --preset win64 -j "$jobs" --target setup uninstall_exe robot example_package_binaries

setupkit=build/linux/tools/setupkit/setupkit
echo "== building the example package's medium"
rm -rf "$out"
bash scripts/example-package.sh build/win64 "$setupkit" "$out/medium"

echo "== installing it with the engine on a simulated Windows machine, then removing it"
"$setupkit" simulate "$out/medium" --machine examples/machine --answers examples/answers.ini \
  --out "$out/machine-after" --uninstall
echo "The medium: $out/medium (setup.exe, install.dat, data.000, RunLib packs)"

echo "== installing it with setup.exe under Wine (the robot answers the wizard)"
WINE_SCENARIOS=install bash scripts/wine-scenarios.sh build/win64 "$setupkit" "$out/wine"
echo "The uninstall log of the installation under Wine:"
sed 's/^/  /' "$out/wine/checks/install-log.txt"
echo "Screenshots of every page: $out/wine/screenshots"
