#!/bin/sh
# Creates a throwaway Wine prefix for the Windows test run.
# Usage: wine-prefix.sh PREFIX WINE
set -eu
prefix=$1
wine=${2:-wine}
export WINEPREFIX="$prefix" WINEDEBUG=-all HOME="$(dirname "$prefix")/winehome"
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
mkdir -p "$HOME"
if [ ! -f "$prefix/system.reg" ]; then
  # Wine's helper processes inherit our pipes; keep them off ctest's output.
  "$wine" wineboot -u </dev/null >/dev/null 2>&1 || true
  wineserver -w || true
  # Real folders instead of links into $HOME, and Wine's own fonts.
  for link in "$prefix"/drive_c/users/*/*; do
    if [ -L "$link" ]; then rm -f "$link"; mkdir -p "$link"; fi
  done
  mkdir -p "$prefix/drive_c/windows/Fonts"
  cp /usr/share/wine/fonts/*.ttf "$prefix/drive_c/windows/Fonts/" 2>/dev/null || true
fi
# Start the server detached so tests do not wait on it.
wineserver -p </dev/null >/dev/null 2>&1 || true
"$wine" wineboot </dev/null >/dev/null 2>&1 || true
echo "wine prefix ready: $prefix"
