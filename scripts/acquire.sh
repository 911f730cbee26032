#!/usr/bin/env bash
# Acquires one image from the simulated scanner through Wine's TWAIN Source
# Manager with twacquire into OUTPUT: a .tif, .png or .bmp file, as its ending says.
#   scripts/acquire.sh [twacquire options] OUTPUT     (scripts/acquire.sh --help)
# Installs what is missing, configures and builds into build/ when needed, prepares
# the project's Wine prefix build/wineprefix and runs twacquire there. The
# simulated scanner's TARNSCAN_* variables pass through.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

"$root/scripts/setup.sh"
# The 32-bit build where this machine can run it, else the 64-bit one;
# DUNMERE_ARCH=32 or 64 chooses.
arch=${DUNMERE_ARCH:-}
if [ -z "$arch" ]; then
    if can_run_32bit; then arch=32; else arch=64; fi
fi
if [ "$arch" = 64 ]; then preset=mingw64; build="$root/build64"; else preset=mingw; build="$root/build"; fi
# The build speaks only when it fails.
log=$(mktemp)
if ! (cd "$root" && { [ -f "$build/CMakeCache.txt" ] || cmake --preset $preset; } &&
      cmake --build --preset $preset --target dunmere tarnscan twacquire) >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "acquire.sh: the build failed" >&2
    exit 1
fi
rm -f "$log"

# A wineserver left running for the prefix makes the start step fail: stop it first.
"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1 || true
"$root/scripts/wine-prefix.sh" start "$build/wineprefix" "$build/bin"
wine_for_build "$build/bin"
# The prefix's wineserver is kept running by the start step; stop it when done.
trap '"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1' EXIT

for argument in "$@"; do
    if [ "$argument" = "--ui" ] && [ -z "${DISPLAY:-}" ]; then
        echo "acquire.sh: --ui shows the source's dialog and needs a display (DISPLAY is not set)" >&2
        exit 2
    fi
done

# Only an output name: the whole letter-size chart at 100 dpi, the scan a person
# most likely wants to look at first.
if [ $# -eq 1 ] && [ "${1#-}" = "$1" ]; then
    set -- --resolution 100 --frame 0,0,8.5,11 "$1"
    echo "acquire.sh: the whole chart at 100 dpi (twacquire --help lists the options)" >&2
fi

status=0
WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=sane.ds=n \
    "$WINE_LOADER" "$build/bin/twacquire.exe" "$@" || status=$?
exit $status
