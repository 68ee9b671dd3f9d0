# Shared settings of the scripts; sourced, never run.
# BUILD_ROOT may be set to keep several independent build trees apart.
: "${ROOT:=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}"
: "${BUILD_ROOT:=$ROOT/build}"
case "$BUILD_ROOT" in /*) ;; *) BUILD_ROOT="$ROOT/$BUILD_ROOT" ;; esac
export BUILD_ROOT
export WINEPREFIX="${WINEPREFIX:-$BUILD_ROOT/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEARCH=win64
# Once Wine's 32-bit part is installed, Debian's "wine" starts Wine's own
# tools as 32-bit programs, and the 32-bit taskkill finds no 64-bit program
# by name. Scripts and tests start taskkill with the 64-bit loader, which
# sees programs of both word sizes.
export WINE64_LOADER="${WINE64_LOADER:-/usr/lib/wine/wine64}"
