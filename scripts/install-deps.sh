#!/usr/bin/env bash
# Installs everything the build and the tests need on Debian 12, Wine for the
# Windows tests included. Safe to run again.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
export DEBIAN_FRONTEND=noninteractive

# Wine runs the 32-bit Windows DLL, so the i386 architecture must be known
# before the package lists are read.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
$SUDO apt-get update -q
$SUDO apt-get install -y -q \
  cmake ninja-build g++ clang libclang-rt-14-dev \
  googletest libgtest-dev libbenchmark-dev libcli11-dev \
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 \
  wine wine32
