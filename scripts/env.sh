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
# Counter PCs run Windows in the Chinese (PRC) locale; Wine takes its own
# from the environment. Set once scripts/bootstrap has generated it.
WINE_LOCALE=zh_CN.UTF-8
WINE_LOCALE_NAME=zh_CN.utf8
if locale -a 2>/dev/null | grep -qx "$WINE_LOCALE_NAME"; then
  export LANG="$WINE_LOCALE" LC_ALL="$WINE_LOCALE"
fi
# unixODBC finds our spreadsheet driver in the native build's private
# registration, so that the query tool's export works under Wine.
export ODBCSYSINI="${ODBCSYSINI:-$BUILD_ROOT/native/odbc}"
