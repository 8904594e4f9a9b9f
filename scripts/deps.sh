#!/bin/bash
# Installs everything the builds and tests need on a fresh Debian 12 machine
# (run as root). Safe to run again.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
fi
apt-get update -qq
apt-get install -y -qq --no-install-recommends \
  build-essential cmake ninja-build googletest libgtest-dev libssl-dev pkg-config python3 \
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools \
  wine wine64 wine32:i386 xvfb xauth imagemagick fonts-wine xdotool \
  libarchive-tools unar libcli11-dev osslsigncode >/dev/null
echo "dependencies installed"
