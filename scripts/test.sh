#!/usr/bin/env bash
# Installs what is missing, builds both architectures and runs every test under
# Wine, with a virtual display for the dialog tests. The 32-bit suite runs where
# the machine can start 32-bit programs (some kernels are built without that); the
# 64-bit suite runs everywhere.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/wine-env.sh
scripts/setup.sh
scripts/check-format.sh

status=0
run_suite() {
    local preset=$1
    shift
    cmake --preset "$preset" >/dev/null
    cmake --build --preset "$preset"
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset "$preset" "$@" || status=1
}

if can_run_32bit; then
    run_suite mingw "$@"
else
    echo "test.sh: this machine cannot start 32-bit programs; building the 32-bit modules without running their tests" >&2
    cmake --preset mingw >/dev/null
    cmake --build --preset mingw
fi
run_suite mingw64 "$@"
exit $status
