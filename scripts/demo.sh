#!/bin/bash
# A scripted demonstration on a virtual screen: starts Xvfb (1024x768, 24 bits), runs the
# program under Wine, puts a screen capture on the clipboard as the PrtSc key would, and leaves
# screenshots of the window under out/:
#   out/<program>-start.png     the window after start-up
#   out/<program>-capture.png   the window after the capture arrived on the clipboard
#
#   scripts/demo.sh [build-dir] [palorin|mendrival]      (defaults: build-win64 palorin)
# The programs must be built (scripts/run.sh builds them first).
set -u
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-build-win64}"
PROGRAM="${2:-palorin}"
case "$BUILD" in /*) ;; *) BUILD="$REPO/$BUILD" ;; esac
case "$PROGRAM" in
palorin) TITLE=Palorin ;;
mendrival) TITLE=Mendrival ;;
*) echo "demo: unknown program $PROGRAM" >&2; exit 2 ;;
esac
for file in "$PROGRAM.exe" win_tests.exe; do
    if [ ! -f "$BUILD/$file" ]; then
        echo "demo: $BUILD/$file not built" >&2
        exit 2
    fi
done
OUT="$REPO/out"
mkdir -p "$OUT"

# shellcheck source=scripts/wine-env.sh
source "$REPO/scripts/wine-env.sh"

display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do
    display=$((display + 1))
done
XVFB_PID=""
cleanup() {
    kovel_wine_stop
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
}
trap cleanup EXIT
kovel_wine_stop
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
XVFB_PID=$!
for _ in $(seq 50); do
    [ -e "/tmp/.X11-unix/X$display" ] && break
    sleep 0.1
done
export DISPLAY=":$display"
# Wine's clipboard thread empties the clipboard when it starts: warm Wine up first.
kovel_wine_start || { echo "demo: Wine did not start" >&2; exit 1; }

wait_for_window() {
    for _ in $(seq 100); do
        if xdotool search --name "^$1\$" >/dev/null 2>&1; then
            return 0
        fi
        sleep 0.1
    done
    return 1
}

wine "$BUILD/$PROGRAM.exe" >/dev/null 2>&1 &
PROGRAM_PID=$!
if ! wait_for_window "$TITLE"; then
    echo "demo: no $TITLE window appeared" >&2
    exit 1
fi
sleep 1
WINDOW_ID=$(xdotool search --name "^$TITLE\$" | head -1)
/usr/bin/import -window "$WINDOW_ID" "$OUT/$PROGRAM-start.png"

# A screen capture arrives on the clipboard, as after a PrtSc press.
wine "$BUILD/win_tests.exe" --kovel-capture-screen >/dev/null 2>&1 || {
    echo "demo: could not put a capture on the clipboard" >&2
    exit 1
}
sleep 2
/usr/bin/import -window "$WINDOW_ID" "$OUT/$PROGRAM-capture.png"

# A second start only wakes the running copy.
wine "$BUILD/$PROGRAM.exe" >/dev/null 2>&1
second=$?

wine "$BUILD/win_tests.exe" --kovel-close-main >/dev/null 2>&1
status=0
for _ in $(seq 100); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$PROGRAM_PID" 2>/dev/null; then
    echo "demo: $PROGRAM did not end after WM_CLOSE" >&2
    status=1
fi
echo "demo: second start ended with $second; screenshots:"
ls -1 "$OUT/$PROGRAM-start.png" "$OUT/$PROGRAM-capture.png"
exit $status
