#!/usr/bin/env bash
# Acquires one image from the simulated scanner through Wine's TWAIN Source
# Manager with twacquire, and writes OUTPUT.bmp and OUTPUT.png.
#   scripts/acquire.sh OUTPUT [twacquire options]     (scripts/acquire.sh --help)
# Installs what is missing, configures and builds into build/ when needed, prepares
# the project's Wine prefix build/wineprefix and runs twacquire there. The
# simulated scanner's TARNSCAN_* variables pass through.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build="$root/build"

"$root/scripts/setup.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
    (cd "$root" && cmake --preset mingw >/dev/null)
fi
(cd "$root" && cmake --build --preset mingw --target dunmere tarnscan twacquire >/dev/null)

# A wineserver left running for the prefix makes the start step fail: stop it first.
"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1 || true
"$root/scripts/wine-prefix.sh" start "$build/wineprefix" "$build/bin"
# The prefix's wineserver is kept running by the start step; stop it when done.
trap '"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1' EXIT

for argument in "$@"; do
    if [ "$argument" = "--ui" ] && [ -z "${DISPLAY:-}" ]; then
        echo "acquire.sh: --ui shows the source's dialog and needs a display (DISPLAY is not set)" >&2
        exit 2
    fi
done

status=0
WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=sane.ds=n \
    wine "$build/bin/twacquire.exe" "$@" || status=$?
exit $status
