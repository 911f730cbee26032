#!/usr/bin/env bash
# Runs a benchmark under Wine with the simulated scanner's flat paper.
#   bench/run.sh [transfer_bench options]        (--runs N, --buffer BYTES)
#   bench/run.sh jobs [job_bench options]        (--runs N): whole twacquire jobs
#                                                 on a QC1400 into TIFF and PNG files
# Builds into build/ (or $BUILD_DIR) when needed and uses that build's Wine prefix.
set -euo pipefail
program=transfer_bench
targets=(transfer_bench dunmere tarnscan)
model=${TARNSCAN_MODEL:-}
if [ "${1:-}" = jobs ]; then
    shift
    program=job_bench
    targets=(job_bench twacquire dunmere tarnscan)
    model=QC1400
fi
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
"$root/scripts/setup.sh"

# Both widths where this machine runs 32-bit programs, else the 64-bit one alone;
# BUILD_DIR runs one build of either width.
if [ -n "${BUILD_DIR:-}" ]; then
    builds=("$BUILD_DIR")
elif can_run_32bit; then
    builds=("$root/build" "$root/build64")
else
    echo "run.sh: this machine cannot start 32-bit programs; benchmarking the 64-bit build" >&2
    builds=("$root/build64")
fi

configure() {
    case "$build" in
    "$root/build") (cd "$root" && cmake --preset mingw) ;;
    "$root/build64") (cd "$root" && cmake --preset mingw64) ;;
    *) cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-${BENCH_ARCH:-i686}-mingw.cmake" \
            -DCMAKE_BUILD_TYPE=RelWithDebInfo ;;
    esac
}
overall=0
for build in "${builds[@]}"; do
# The build speaks only when it fails.
log=$(mktemp)
if ! { { [ -f "$build/CMakeCache.txt" ] || configure; } &&
       cmake --build "$build" --target "${targets[@]}"; } >"$log" 2>&1; then
    cat "$log" >&2
    rm -f "$log"
    echo "run.sh: the build failed" >&2
    exit 1
fi
rm -f "$log"

# A wineserver left running for the prefix makes the start step fail: stop it first.
"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1 || true
"$root/scripts/wine-prefix.sh" start "$build/wineprefix" "$build/bin"
wine_for_build "$build/bin"
echo "== $(basename "$build"): $(file -b "$build/bin/dunmere.ds" | cut -d, -f1)"
status=0
TARNSCAN_MODEL=$model TARNSCAN_DOCUMENT=flat WINEPREFIX="$build/wineprefix" WINEDEBUG=-all \
    WINEDLLOVERRIDES=sane.ds=n timeout 3600 "$WINE_LOADER" "$build/bin/$program.exe" "$@" || status=$?
"$root/scripts/wine-prefix.sh" stop "$build/wineprefix" >/dev/null 2>&1 || true
[ $status = 0 ] || overall=$status
done
exit $overall
