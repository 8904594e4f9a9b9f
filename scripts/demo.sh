#!/bin/bash
# The main job: build the author's tool and lint the example package's script.
set -euo pipefail
cd "$(dirname "$0")/.."
cmake --preset linux >/dev/null
cmake --build --preset linux --target setupkit
./build/linux/tools/setupkit/setupkit lint examples/demo/Install.Ini
