# Sourced by the scripts: picks the Wine loader for a build's architecture and
# installs a build's modules into a prefix.
#   wine_for_build BINDIR    sets WINE_LOADER and TWAIN_DIR_NAME for the modules in BINDIR
#   install_modules BINDIR   installs them into $WINEPREFIX
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

# True when $WINEPREFIX runs 64-bit programs beside 32-bit ones (a WoW64 prefix,
# as wine64 creates): its 32-bit system folder is syswow64.
prefix_is_wow64() {
    [ -d "$WINEPREFIX/drive_c/windows/syswow64" ]
}

# The system folder a module of BINDIR's width is loaded from: system32 for 64-bit
# modules, and for 32-bit ones in a 32-bit prefix; syswow64 for 32-bit modules in a
# WoW64 prefix, where system32 holds the 64-bit modules.
system_dir_for_build() {
    wine_for_build "$1"
    if [ "$TWAIN_DIR_NAME" = twain_32 ] && prefix_is_wow64; then
        SYSTEM_DIR_NAME=syswow64
    else
        SYSTEM_DIR_NAME=system32
    fi
}

# Installs the modules built in BINDIR into $WINEPREFIX as an installer lays them
# out on Windows: the source under C:\windows\twain_NN\Halvard, the device library
# and the still-image driver in the system folder of their width. Wine's Source
# Manager probes only c:\windows\twain_NN\sane.ds (and gphoto2.ds), NN its own
# width, so the source is copied over that path as well.
install_modules() {
    local bindir=$1
    system_dir_for_build "$bindir"
    local windows="$WINEPREFIX/drive_c/windows"
    local twain="$windows/$TWAIN_DIR_NAME" system="$windows/$SYSTEM_DIR_NAME"
    mkdir -p "$twain/Halvard" "$system"
    cp "$bindir/dunmere.ds" "$twain/Halvard/dunmere.ds"
    cp "$bindir/dunmere.ds" "$twain/sane.ds"
    cp "$bindir/tarnscan.dll" "$system/tarnscan.dll"
    if [ -f "$bindir/halvardusd.dll" ]; then
        cp "$bindir/halvardusd.dll" "$system/halvardusd.dll"
    fi
}
