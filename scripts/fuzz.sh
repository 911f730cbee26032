#!/usr/bin/env bash
# Runs the project's fuzzers for as long as asked, each with a new random seed
# (printed, so that a finding can be replayed with the same seed):
#   scripts/fuzz.sh [SECONDS]          (default 60 seconds)
# ds_fuzzer (DS_Entry) and usd_fuzzer (the still-image driver) run side by side for
# SECONDS in the 64-bit build, and again in the 32-bit build where this machine can
# run 32-bit programs. A fuzzer whose executable is not built is skipped with a
# message. Exits non-zero when any fuzzer reports a finding or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"
seconds=${1:-60}
if ! [[ "$seconds" =~ ^[0-9]+$ ]]; then
    echo "usage: $0 [SECONDS]" >&2
    exit 2
fi

random_seed() {
    od -An -N4 -tu4 /dev/urandom | tr -d ' '
}

# Builds the fuzzers that exist in the tree; the build speaks only when it fails.
build() {
    local preset=$1 build=$2 log targets
    log=$(mktemp)
    if ! (cd "$root" && { [ -f "$build/CMakeCache.txt" ] || cmake --preset "$preset"; } &&
          targets=$(cmake --build "$build" --target help | grep -oE '(ds|usd)_fuzzer' | sort -u | tr '\n' ' ') &&
          cmake --build --preset "$preset" --target dunmere tarnscan $targets) >"$log" 2>&1; then
        cat "$log" >&2
        rm -f "$log"
        echo "fuzz.sh: the $preset build failed" >&2
        return 1
    fi
    rm -f "$log"
}

status=0
run_fuzzers() {
    local preset=$1 build=$2
    build "$preset" "$build" || { status=1; return; }
    local bindir="$build/bin" prefix="$build/wineprefix"
    "$root/scripts/wine-prefix.sh" start "$prefix" "$bindir"
    wine_for_build "$bindir"
    local pids=() names=()
    for fuzzer in ds_fuzzer usd_fuzzer; do
        if [ ! -f "$bindir/$fuzzer.exe" ]; then
            echo "fuzz.sh: $preset: $fuzzer is not built; skipped"
            continue
        fi
        local seed
        seed=$(random_seed)
        echo "fuzz.sh: $preset: $fuzzer --seed $seed --seconds $seconds"
        # The data source may show its dialog: a virtual display where there is none.
        local display=()
        if [ -z "${DISPLAY:-}" ] && command -v xvfb-run >/dev/null; then
            display=(xvfb-run -a -s "-screen 0 1280x1024x24")
        fi
        (cd "$bindir" && WINEPREFIX="$prefix" WINEDEBUG=-all "${display[@]}" \
            "$WINE_LOADER" "./$fuzzer.exe" --seed "$seed" --seconds "$seconds" 2>&1 |
            sed "s/^/[$preset $fuzzer] /") &
        pids+=($!)
        names+=("$preset $fuzzer seed $seed")
    done
    for i in "${!pids[@]}"; do
        if ! wait "${pids[$i]}"; then
            echo "fuzz.sh: ${names[$i]}: FAILED (finding or error, see above)"
            status=1
        fi
    done
    "$root/scripts/wine-prefix.sh" stop "$prefix"
}

run_fuzzers mingw64 "$root/build64"
if can_run_32bit; then
    run_fuzzers mingw "$root/build"
else
    echo "fuzz.sh: this machine cannot start 32-bit programs; the 32-bit fuzzers are not run"
fi
exit $status
