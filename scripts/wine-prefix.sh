#!/usr/bin/env bash
# The project's Wine prefix for tests and tools.
#   wine-prefix.sh start PREFIX BINDIR   create PREFIX if needed, install the built
#                                        modules where the Source Manager looks,
#                                        keep a wineserver running
#   wine-prefix.sh stop PREFIX           stop that prefix's wineserver
set -euo pipefail
source "$(dirname "$0")/wine-env.sh"
action=$1
export WINEPREFIX=$(realpath -m "$2")
export WINEDEBUG=-all

case "$action" in
start)
    bindir=$3
    wine_for_build "$bindir"
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$WINEPREFIX"
        # No Mono or Gecko installer prompts: the prefix needs neither.
        WINEDLLOVERRIDES="mscoree,mshtml=" "$WINE_LOADER" wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    install_modules "$bindir"
    # The server and the prefix's services (started by wineboot) are kept apart from
    # our output: CTest waits for every holder of its pipes before a test ends.
    wineserver -p </dev/null >/dev/null 2>&1 || true  # already running: it persists as it is
    "$WINE_LOADER" wineboot </dev/null >/dev/null 2>&1
    ;;
stop)
    wineserver -k || true
    ;;
*)
    echo "usage: $0 start PREFIX BINDIR | stop PREFIX" >&2
    exit 2
    ;;
esac
