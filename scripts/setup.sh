#!/usr/bin/env bash
# Installs, idempotently, everything the build and the tests need on a Debian machine:
# the i686 and x86_64 MinGW-w64 cross compilers, Wine with its 32-bit and 64-bit
# halves, CMake, GoogleTest's sources, Xvfb for the dialog tests, zlib built for
# MinGW, clang-format for the format check and libtiff's tools for reading TIFFs.
#
# A package index that cannot be refreshed (a mirror caught mid-sync) is retried,
# then the lists at hand are used. Wine's 32-bit half is installed on its own: when
# it cannot be (its i386 libraries do not match the amd64 ones installed), setup
# says why in one line and goes on; both widths are still built and the 64-bit
# suite runs, as on a kernel that cannot start 32-bit programs.
set -euo pipefail

packages=(
  cmake make googletest xvfb xauth
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686
  mingw-w64-i686-dev libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  mingw-w64-x86-64-dev
  wine wine64 file
  clang-format libtiff-tools python3
)
packages_32bit=(wine32:i386)

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || echo "$p"
  done
}

need_i386=0
dpkg --print-foreign-architectures | grep -qx i386 || need_i386=1
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_32bit < <(missing_of "${packages_32bit[@]}")

if [ "$need_i386" = 0 ] && [ ${#missing[@]} -eq 0 ] && [ ${#missing_32bit[@]} -eq 0 ]; then
  exit 0
fi

SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo
export DEBIAN_FRONTEND=noninteractive
[ "$need_i386" = 1 ] && $SUDO dpkg --add-architecture i386

# Only the 32-bit half missing: one try, as it may never install on this machine.
attempts=3
[ ${#missing[@]} -eq 0 ] && [ "$need_i386" = 0 ] && attempts=1
refreshed=0
for attempt in $(seq 1 $attempts); do
  if $SUDO apt-get update -qq >/dev/null 2>&1; then
    refreshed=1
    break
  fi
  [ "$attempt" -lt "$attempts" ] && sleep $((attempt * 3))
done
[ "$refreshed" = 1 ] ||
  echo "setup.sh: some package lists could not be refreshed; going on with the lists at hand" >&2

if [ ${#missing[@]} -gt 0 ]; then
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

if [ ${#missing_32bit[@]} -gt 0 ]; then
  log=$(mktemp)
  if ! $SUDO apt-get install -y -qq --no-install-recommends "${missing_32bit[@]}" >"$log" 2>&1; then
    reason=$(grep -m1 -E '^E: ' "$log" | cut -c4- || true)
    echo "setup.sh: Wine's 32-bit half cannot be installed (${reason:-apt-get failed}); the 64-bit suite runs alone" >&2
  fi
  rm -f "$log"
fi
exit 0
