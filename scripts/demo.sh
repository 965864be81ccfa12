#!/bin/bash
# A scripted demonstration on a virtual screen: starts Xvfb (1024x768, 24 bits), runs the
# program under Wine, drives it as a user would (commands sent to its window, contents put on
# the clipboard by another program) and leaves a screenshot of each screen under out/:
#   out/<program>-intro.png                the intro screen after start-up
#   out/<program>-about.png                the About screen
#   out/<program>-sysinfo.png              the System info screen
#   out/<program>-capture.png              a screen capture on the clipboard, as after PrtSc
#   out/<program>-capture.gif              that capture saved with "Save as" > "GIF" (reduced to
#                                          at most 256 colours on a deeper display)
#   out/<program>-capture-dithered.gif     the same with "Options" > "GIF dithering" checked
#                                          (the same bytes when the capture has at most 256
#                                          colours: those are kept exactly)
#   out/<program>-bitmap.png               a 1200 x 900 picture on the clipboard
#   out/<program>-saved.png                that picture saved by the program's PNG command
#   out/<program>-rectangle.png            a rectangle marked on it, its size in the title
#   out/<program>-rectangle-cutout.bmp (and .png) that rectangle saved with "Save as" > "BMP"
#   out/<program>-rectangle-captured.png   the clipboard after "Capture rectangle"
#   out/<program>-ansi-black-on-white.png  ANSI text, black on white
#   out/<program>-ansi-white-on-black.png  ANSI text, white on black
#   out/<program>-oem-black-on-white.png   OEM text, black on white
#   out/<program>-oem-white-on-black.png   OEM text, white on black
#   out/<program>-unicode.png              a line in several scripts (CF_UNICODETEXT), ANSI view
#   out/<program>-unicode.txt              that text saved by "Save as" > "TXT" > "Unicode text..."
#   out/<program>-printed-unicode.pdf, .png  that text printed on the PDF printer, and its page
#   out/<program>-printed.pdf, .png        the picture printed on the PDF printer, and its page
#   out/<program>-help.png                 the help window that Help > Contents opens
#   out/<program>-opened-png.png           a PNG with transparency (made here) opened by a
#                                          second start that names it on its command line
#   out/<program>-opened-jpeg.png          the same with a JPEG
#   out/<program>-dpi144-bitmap.png        at 144 DPI (150 % scaling): the picture, pixel for pixel
#   out/<program>-dpi144-text.png          ANSI text at 144 DPI
#   out/<program>-dpi144-coordinates.png   the "Rectangle Coordinates" dialog at 144 DPI
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

# The printer queue comes first, before any Wine process starts: Wine learns of the system's
# printers when a process starts (through libcups, which the printer packages bring), so a
# program started before the queue existed finds no printer for as long as it runs.
pdf_dir=""
if ! pdf_dir=$(bash "$REPO/scripts/printer.sh" 2>/dev/null); then
    pdf_dir=""
fi

# Each build folder has its own Wine prefix, hence its own wineserver and clipboard: runs for
# different build folders at the same time do not disturb each other.
export KOVEL_WINEPREFIX="${KOVEL_WINEPREFIX:-$BUILD/wine-prefix}"
# shellcheck source=scripts/wine-env.sh
source "$REPO/scripts/wine-env.sh"

display=$(kovel_free_display)
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
# 100 % scaling (96 DPI), also after a demo that was stopped at 144 DPI.
kovel_wine_prepare && kovel_wine_set_dpi 96
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
SHOTS=()
shot() {
    sleep 1
    /usr/bin/import -window "$WINDOW_ID" "$OUT/$PROGRAM-$1.png"
    SHOTS+=("$OUT/$PROGRAM-$1.png")
}
# Another program: the test program's helper modes.
helper() {
    wine "$BUILD/win_tests.exe" "$@" >/dev/null 2>&1 || {
        echo "demo: the helper $* failed" >&2
        exit 1
    }
}
shot intro
helper --kovel-command=273 # Help > About
shot about
helper --kovel-command=274 # Help > System info
shot sysinfo
helper --kovel-command=278 # the OK button

# A screen capture arrives on the clipboard, as after a PrtSc press.
helper --kovel-capture-screen
shot capture
# File > Save as... > GIF of the capture, plain and with Options > GIF dithering.
WINDOWS_OUT="Z:${OUT//\//\\}"
helper "--kovel-save=258,$WINDOWS_OUT\\$PROGRAM-capture.gif"
helper --kovel-command=311 # Options > GIF dithering (checked)
helper "--kovel-save=258,$WINDOWS_OUT\\$PROGRAM-capture-dithered.gif"
helper --kovel-command=311 # Options > GIF dithering (unchecked again)
SHOTS+=("$OUT/$PROGRAM-capture.gif" "$OUT/$PROGRAM-capture-dithered.gif")
helper --kovel-place-picture
shot bitmap
# File > Save as... > PNG, the file name typed into the dialog.
helper "--kovel-save=310,$WINDOWS_OUT\\$PROGRAM-saved.png"
SHOTS+=("$OUT/$PROGRAM-saved.png")
# A rectangle marked with the mouse, saved as a BMP file, then cut out to the clipboard.
helper --kovel-drag=60,50,420,300
shot rectangle
rm -f "$OUT/$PROGRAM-rectangle-cutout.bmp"
helper --kovel-save=257,"Z:${OUT//\//\\}\\$PROGRAM-rectangle-cutout.bmp" # Save as > BMP
/usr/bin/convert "$OUT/$PROGRAM-rectangle-cutout.bmp" "$OUT/$PROGRAM-rectangle-cutout.png"
SHOTS+=("$OUT/$PROGRAM-rectangle-cutout.bmp" "$OUT/$PROGRAM-rectangle-cutout.png")
helper --kovel-command=305 # Options > Capture rectangle
shot rectangle-captured
helper --kovel-place-text=1 # CF_TEXT
shot ansi-black-on-white
helper --kovel-command=288 # Options > Text colors > white-on-black
shot ansi-white-on-black
helper --kovel-command=287 # black-on-white
helper --kovel-place-text=7 # CF_OEMTEXT
shot oem-black-on-white
helper --kovel-command=288
shot oem-white-on-black
helper --kovel-command=287
# Text in several scripts from another program, and saved as UTF-8.
helper --kovel-place-unicode
shot unicode
rm -f "$OUT/$PROGRAM-unicode.txt"
helper --kovel-save=312,"$WINDOWS_OUT\\$PROGRAM-unicode.txt" # Save as > TXT > Unicode text...
SHOTS+=("$OUT/$PROGRAM-unicode.txt")

# Printing on the PDF printer: the text in several scripts (the ANSI view), then the picture at
# its own size from the corner (100, 100) of the page. Each PDF and a picture of its page are
# left in out/.
press_in() {
    local title=$1
    shift
    wait_for_window "$title" || { echo "demo: no \"$title\" dialog" >&2; return 1; }
    sleep 1
    xdotool windowfocus --sync "$(xdotool search --name "^$title\$" | head -1)"
    xdotool key --delay 150 "$@"
}
# print_page NAME DOCUMENT DIALOG KEY...: File > Print, the printer dialog's OK, then KEYs in the
# program's own print dialog; the job named DOCUMENT lands as out/<program>-NAME.pdf and .png.
print_page() {
    local name=$1 document=$2 dialog=$3
    shift 3
    local before printed=""
    before=$(ls "$pdf_dir")
    wine "$BUILD/win_tests.exe" --kovel-command=295 >/dev/null 2>&1 &
    local print_pid=$!
    press_in "Print" Return
    press_in "$dialog" "$@"
    for _ in $(seq 300); do
        printed=$(ls "$pdf_dir" | grep "^$document.*\.pdf\$" | grep -vxF "$before" | head -1)
        [ -n "$printed" ] && break
        sleep 0.2
    done
    wait "$print_pid"
    if [ -z "$printed" ]; then
        echo "demo: the printed $name page did not arrive" >&2
        return
    fi
    sleep 1
    cp "$pdf_dir/$printed" "$OUT/$PROGRAM-$name.pdf"
    pdftoppm -r 40 -png -singlefile "$OUT/$PROGRAM-$name.pdf" "$OUT/$PROGRAM-$name"
    SHOTS+=("$OUT/$PROGRAM-$name.pdf" "$OUT/$PROGRAM-$name.png")
}
if [ -n "$pdf_dir" ]; then
    print_page printed-unicode Text "Print Text" Return
    helper --kovel-place-picture
    print_page printed Bitmap "Print Size and Location" Tab Tab 1 0 0 Tab 1 0 0 Tab space
else
    echo "demo: no printer queue (scripts/printer.sh needs root); nothing printed" >&2
fi

# Help > Contents opens the manual (the .chm beside the program) in the help window.
helper --kovel-command=270
MANUAL_TITLE="$TITLE User's Manual"
if wait_for_window "$MANUAL_TITLE"; then
    sleep 2
    HELP_ID=$(xdotool search --name "^$MANUAL_TITLE\$" | head -1)
    /usr/bin/import -window "$HELP_ID" "$OUT/$PROGRAM-help.png"
    SHOTS+=("$OUT/$PROGRAM-help.png")
else
    echo "demo: Help > Contents opened no window titled $MANUAL_TITLE" >&2
    status_help=1
fi

# A second start that names a picture hands it to the running copy, which opens and shows it.
# The pictures are made here with ImageMagick; their names have spaces.
/usr/bin/convert -size 640x400 radial-gradient:yellow-purple -fill '#0060FF80' \
    -draw 'circle 320,200 320,40' "$OUT/$PROGRAM demo picture.png"
/usr/bin/convert -size 640x400 gradient:orange-navy -fill white -draw 'rectangle 40,40 200,120' \
    -quality 85 "$OUT/$PROGRAM demo picture.jpg"
helper --kovel-command=267 # Options > Clear clipboard
for kind in png jpg; do
    wine "$BUILD/$PROGRAM.exe" "$WINDOWS_OUT\\$PROGRAM demo picture.$kind" >/dev/null 2>&1
    case $kind in png) shot opened-png ;; *) shot opened-jpeg ;; esac
done

# A second start only wakes the running copy.
wine "$BUILD/$PROGRAM.exe" >/dev/null 2>&1
second=$?

wine "$BUILD/win_tests.exe" --kovel-close-main >/dev/null 2>&1
status=${status_help:-0}
for _ in $(seq 100); do
    kill -0 "$PROGRAM_PID" 2>/dev/null || break
    sleep 0.1
done
if kill -0 "$PROGRAM_PID" 2>/dev/null; then
    echo "demo: $PROGRAM did not end after WM_CLOSE" >&2
    status=1
fi
if xdotool search --name "^$MANUAL_TITLE\$" >/dev/null 2>&1; then
    echo "demo: the help window stayed open after $PROGRAM ended" >&2
    status=1
fi
# The same program at 150 % scaling (144 DPI), started anew as the DPI is read at start-up; the
# prefix goes back to 96 DPI afterwards.
if kovel_wine_set_dpi 144 && kovel_wine_start; then
    wine "$BUILD/$PROGRAM.exe" >/dev/null 2>&1 &
    PROGRAM_PID=$!
    if wait_for_window "$TITLE"; then
        sleep 1
        WINDOW_ID=$(xdotool search --name "^$TITLE\$" | head -1)
        helper --kovel-place-picture
        shot dpi144-bitmap
        helper --kovel-place-text=1
        shot dpi144-text
        helper --kovel-place-picture
        # The dialog is modal: the command is sent from a helper left running until it closes.
        wine "$BUILD/win_tests.exe" --kovel-command=269 >/dev/null 2>&1 &
        DIALOG_PID=$!
        if wait_for_window "Rectangle Coordinates"; then
            sleep 1
            DIALOG_ID=$(xdotool search --name "^Rectangle Coordinates\$" | head -1)
            /usr/bin/import -window "$DIALOG_ID" "$OUT/$PROGRAM-dpi144-coordinates.png"
            SHOTS+=("$OUT/$PROGRAM-dpi144-coordinates.png")
            xdotool windowfocus --sync "$DIALOG_ID" key Escape
        else
            echo "demo: no \"Rectangle Coordinates\" dialog at 144 DPI" >&2
            status_dpi=1
        fi
        wait "$DIALOG_PID"
        wine "$BUILD/win_tests.exe" --kovel-close-main >/dev/null 2>&1
        wait "$PROGRAM_PID"
    else
        echo "demo: no $TITLE window appeared at 144 DPI" >&2
        status_dpi=1
    fi
else
    echo "demo: could not set 144 DPI" >&2
    status_dpi=1
fi
kovel_wine_set_dpi 96
[ "${status_dpi:-0}" = 0 ] || status=1

echo "demo: second start ended with $second; screenshots:"
ls -1 "${SHOTS[@]}"
exit $status
