#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine, with
# a virtual display for the dialog tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset mingw >/dev/null
cmake --build --preset mingw
xvfb-run -a -s "-screen 0 1280x1024x24" ctest --preset mingw "$@"
