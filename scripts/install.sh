#!/usr/bin/env bash
# Installs the built data source, device library and still-image driver, both
# widths, into an existing Wine prefix, laid out as an installer lays them out on
# 64-bit Windows:
#   scripts/install.sh [BUILD32DIR] [BUILD64DIR]      (defaults: build/ and build64/)
# The prefix is WINEPREFIX, else ~/.wine. A width that is not built is skipped and
# said so; nothing built at all is an error. Nothing is built here: build first
# (scripts/test.sh, or cmake --build --preset mingw / mingw64).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/wine-env.sh"

if [ $# -gt 2 ]; then
    echo "usage: $0 [BUILD32DIR] [BUILD64DIR]" >&2
    exit 2
fi
builds=("${1:-$root/build}" "${2:-$root/build64}")
export WINEPREFIX=${WINEPREFIX:-$HOME/.wine}
export WINEDEBUG=-all

if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "install.sh: $WINEPREFIX is not a Wine prefix (no system.reg): create it with" \
        "'wineboot -i' or name another with WINEPREFIX" >&2
    exit 1
fi

# A build counts when its bin folder holds the source and the device library.
built() {
    [ -f "$1/bin/dunmere.ds" ] && [ -f "$1/bin/tarnscan.dll" ]
}

installed=0
for build in "${builds[@]}"; do
    if ! built "$build"; then
        echo "install.sh: nothing built in $build/bin: skipped"
        continue
    fi
    system_dir_for_build "$build/bin"
    if [ "$TWAIN_DIR_NAME" = twain_64 ] && ! prefix_is_wow64; then
        echo "install.sh: $WINEPREFIX is a 32-bit prefix: the 64-bit build in $build skipped"
        continue
    fi
    install_modules "$build/bin"
    echo "install.sh: ${TWAIN_DIR_NAME#twain_}-bit from $build/bin: C:\\windows\\$TWAIN_DIR_NAME\\Halvard\\dunmere.ds" \
        "(and $TWAIN_DIR_NAME\\sane.ds), C:\\windows\\$SYSTEM_DIR_NAME\\tarnscan.dll"
    installed=$((installed + 1))
done
if [ $installed -eq 0 ]; then
    echo "install.sh: no build to install (looked in ${builds[*]}): build first with" \
        "'cmake --preset mingw64 && cmake --build --preset mingw64' (or mingw for 32-bit)" >&2
    exit 1
fi

# Wine's Source Manager takes its own sane.ds unless told to load the file
# installed over it.
if prefix_is_wow64 && [ -x /usr/lib/wine/wine64 ]; then loader=/usr/lib/wine/wine64; else loader=wine; fi
if "$loader" reg add 'HKCU\Software\Wine\DllOverrides' /v sane.ds /t REG_SZ /d native /f \
    >/dev/null 2>&1; then
    echo "install.sh: sane.ds set to load natively in $WINEPREFIX (Wine's SANE source is replaced)"
else
    echo "install.sh: could not set sane.ds to native in the prefix's registry; run" \
        "programs with WINEDLLOVERRIDES=sane.ds=n" >&2
fi
