#!/bin/bash
# Builds the example package's distribution medium: the script and texts of
# examples/demo, the binaries a Windows build made of examples/demo/src, the
# uninstaller and setup.exe of that build, put together by "setupkit build".
#
# Usage: example-package.sh WINDOWS_BUILD_DIR SETUPKIT OUT_DIR [BUILD OPTIONS...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win=$(realpath "$1")
setupkit=$(realpath "$2")
out=$3
shift 3

bin=$win/examples/demo/bin
for f in "$bin/files/demo.exe" "$win/app/setup.exe" "$win/uninstall/uninstall.exe"; do
  [ -f "$f" ] || { echo "example-package: $f is missing: build the Windows preset first" >&2; exit 1; }
done

stage=$(mktemp -d /tmp/example-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
# The texts, then the binaries under the names the script gives them.
find "$root/examples/demo" -maxdepth 1 -type f -exec cp {} "$stage/" \;
cp "$bin"/files/* "$stage/"
# A RunLib pack is a folder named as the pack.
mkdir -p "$stage/prepare.rar" "$stage/legacy.rar"
cp "$bin"/runlib/prepare/* "$stage/prepare.rar/"
cp "$bin"/runlib/legacy/* "$stage/legacy.rar/"

# The uninstaller comes from the same build: setupkit build packs it as
# [Main] UFile, since the package folder has none of its own.
"$setupkit" build "$stage" "$out" --setup-exe "$win/app/setup.exe" --uninstaller "$win/uninstall/uninstall.exe" "$@"
