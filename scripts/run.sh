#!/bin/bash
# Builds the Windows programs (x86_64 cross build) and runs one under Wine.
#   scripts/run.sh [palorin|mendrival]       (default palorin)
# With $DISPLAY set the program opens there; without one, scripts/demo.sh runs a scripted
# demonstration on Xvfb and leaves screenshots under out/.
set -eu
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
PROGRAM="${1:-palorin}"
BUILD="$REPO/build-win64"
# Compilers, Wine and a virtual display, installed when missing.
bash "$REPO/scripts/setup.sh" run
cmake -S "$REPO" -B "$BUILD" -DCMAKE_TOOLCHAIN_FILE="$REPO/cmake/mingw-x86_64.cmake" \
    -DKOVEL_WERROR=ON >/dev/null
cmake --build "$BUILD" --target "$PROGRAM" win_tests manual -j "$(nproc)"
if [ -z "${DISPLAY:-}" ]; then
    exec "$REPO/scripts/demo.sh" "$BUILD" "$PROGRAM"
fi
# The printer queue before Wine starts: a Wine process sees only the printers that existed when
# it started. Without root there is no queue, and the program runs without a printer.
if { [ "$(id -u)" = 0 ] || sudo -n true 2>/dev/null; } &&
    bash "$REPO/scripts/printer.sh" >/dev/null 2>&1; then
    :
else
    echo "run: no printer queue (scripts/printer.sh needs root); printing will find no printer" >&2
fi
export KOVEL_WINEPREFIX="${KOVEL_WINEPREFIX:-$BUILD/wine-prefix}"
# shellcheck source=scripts/wine-env.sh
source "$REPO/scripts/wine-env.sh"
kovel_wine_prepare
exec wine "$BUILD/$PROGRAM.exe"
