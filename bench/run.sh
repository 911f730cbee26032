#!/usr/bin/env bash
# Runs the transfer benchmark under Wine with the simulated scanner's flat paper.
#   bench/run.sh [transfer_bench options]      (--runs N, --buffer BYTES)
# Builds into build/ (or $BUILD_DIR) when needed and uses that build's Wine prefix.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}

"$root/scripts/setup.sh"
configure() {
    if [ "$build" = "$root/build" ]; then
        (cd "$root" && cmake --preset mingw)
    else
        cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-i686-mingw.cmake" \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo
    fi
}
# The build speaks only when it fails.
log=$(mktemp)
if ! { { [ -f "$build/CMakeCache.txt" ] || configure; } &&
       cmake --build "$build" --target transfer_bench dunmere tarnscan; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "run.sh: the build failed" >&2
    exit 1
fi
rm -f "$log"

# A wineserver left running for the prefix makes the start step fail: stop it first.
"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1 || true
"$root/scripts/wine-prefix.sh" start "$build/wineprefix" "$build/bin"
trap '"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1' EXIT

status=0
TARNSCAN_DOCUMENT=flat WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES=sane.ds=n \
    timeout 1800 wine "$build/bin/transfer_bench.exe" "$@" || status=$?
exit $status
