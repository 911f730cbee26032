#!/usr/bin/env bash
# Installs, idempotently, everything the build and the tests need on a Debian machine:
# the i686 and x86_64 MinGW-w64 cross compilers, Wine with its 32-bit and 64-bit
# halves, CMake, GoogleTest's sources, Xvfb for the dialog tests, zlib built for
# MinGW, clang-format for the format check and libtiff's tools for reading TIFFs.
set -euo pipefail

packages=(
  cmake make googletest xvfb xauth
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine wine32:i386 wine64 file
  clang-format libtiff-tools python3
)

missing=()
need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ "$need_i386" = 0 ] && [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
[ "$need_i386" = 1 ] && $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
