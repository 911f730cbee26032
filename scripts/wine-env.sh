# Sourced by the scripts: picks the Wine loader for a build's architecture.
#   wine_for_build BINDIR   sets WINE_LOADER and TWAIN_DIR_NAME for the modules in BINDIR
# A 64-bit module runs under wine64 and installs under twain_64; a 32-bit one under
# the 32-bit loader and twain_32, as Wine's Source Manager of each width looks there.
wine_for_build() {
    if file -L "$1/dunmere.ds" 2>/dev/null | grep -q 'x86-64'; then
        WINE_LOADER=/usr/lib/wine/wine64
        TWAIN_DIR_NAME=twain_64
    else
        WINE_LOADER=wine
        TWAIN_DIR_NAME=twain_32
    fi
}

# True when this machine can start 32-bit Linux programs (Wine's 32-bit loader is one).
can_run_32bit() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}
