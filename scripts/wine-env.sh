#!/bin/bash
# The private Wine environment of this repository.
#
# Sourced: sets WINEPREFIX, WINEDEBUG, WINEDLLOVERRIDES and WINEARCH and defines
#   kovel_wine_prepare   make the prefix once (no Mono/Gecko questions, no crash dialog)
#   kovel_wine_start     start a persistent wineserver and warm Wine up on $DISPLAY
#   kovel_wine_stop      stop that wineserver and every Wine process of the prefix
#   kovel_free_display   print the number of the first X display from 90 up that is not in use
#   kovel_wine_set_dpi N set the prefix's display DPI (96 is 100 %) for the programs started next
# Executed with arguments: runs them under Wine in that environment (the ctest emulator).
#
# The prefix is KOVEL_WINEPREFIX (wine-tests.sh, demo.sh and run.sh set it to wine-prefix in
# the build folder), else build-wine/prefix under the repository; it is reused across runs.
# One prefix means one wineserver and one clipboard: two runs on the same prefix at the same
# time disturb each other. Wine's background processes keep the standard output and error of
# the process that first started them, so kovel_wine_start starts them with both sent to
# /dev/null before anything whose output is piped.

KOVEL_REPO_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="${KOVEL_WINEPREFIX:-$KOVEL_REPO_ROOT/build-wine/prefix}"
export WINEARCH=win64
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko installer prompts.
export WINEDLLOVERRIDES="mscoree,mshtml="

kovel_wine_prepare() {
    # Bump when the settings below change, so that an older prefix is brought up to date.
    local version=3
    if [ "$(cat "$WINEPREFIX/.kovel-ready" 2>/dev/null)" = "$version" ]; then
        return 0
    fi
    mkdir -p "$(dirname "$WINEPREFIX")"
    wineboot -i >/dev/null 2>&1 || return 1
    # A crashing test program must end, not wait for someone to close winedbg's dialog.
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f \
        >/dev/null 2>&1 || return 1
    # Xvfb runs no window manager: unmanaged windows are shown, minimised and destroyed by Wine
    # itself, instead of waiting 2 s per destroyed window for a manager that never answers.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f \
        >/dev/null 2>&1 || return 1
    # Font linking as Windows sets it up for its interface faces: the fonts installed for the
    # other scripts (scripts/setup.sh) stand behind Tahoma and Microsoft Sans Serif, so that text
    # in a font that lacks a character is drawn from one that has it.
    local links='DejaVuSans.ttf,DejaVu Sans\0wqy-microhei.ttc,WenQuanYi Micro Hei\0Symbola_hint.ttf,Symbola'
    local face
    for face in Tahoma 'Microsoft Sans Serif'; do
        wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
            /v "$face" /t REG_MULTI_SZ /d "$links" /f >/dev/null 2>&1 || return 1
    done
    wineserver -w
    echo "$version" >"$WINEPREFIX/.kovel-ready"
}

kovel_wine_start() {
    kovel_wine_prepare || return 1
    # Persistent until kovel_wine_stop; explorer (desktop and clipboard thread) starts with the
    # first program and binds to the current $DISPLAY.
    wineserver -p >/dev/null 2>&1 </dev/null
    wine cmd /c exit >/dev/null 2>&1 </dev/null
}

kovel_wine_stop() {
    wineserver -k >/dev/null 2>&1
    wineserver -w >/dev/null 2>&1
    return 0
}

kovel_wine_set_dpi() {
    # The system DPI is the LogPixels value of the user's desktop settings; Wine reads it when its
    # server starts, so the server is stopped after the change (kovel_wine_start starts it again).
    wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f \
        >/dev/null 2>&1 </dev/null || return 1
    kovel_wine_stop
}

kovel_free_display() {
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    echo "$n"
}

if [ "${BASH_SOURCE[0]}" = "$0" ] && [ $# -gt 0 ]; then
    kovel_wine_prepare >/dev/null 2>&1 </dev/null
    # ctest reads the program's output through a pipe: start the server (kept 30 s after its
    # last client) and Wine's background processes with their output elsewhere, or the pipe
    # stays open after the program ends. Both do nothing when Wine already runs.
    wineserver -p 30 >/dev/null 2>&1 </dev/null
    wine cmd /c exit >/dev/null 2>&1 </dev/null
    exec wine "$@"
fi
