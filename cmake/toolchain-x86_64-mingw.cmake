# Cross build for 64-bit Windows with MinGW-w64; programs run under Wine.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)

# Debian's wine script prefers the 32-bit loader whenever it is installed; 64-bit
# programs are started by the 64-bit loader itself.
find_program(WINE_PROGRAM wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_PROGRAM})
