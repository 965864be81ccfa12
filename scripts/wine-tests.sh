#!/bin/bash
# Runs the cross-built Windows tests under Wine, once at each display depth (8, 16 and 24):
# per depth one Xvfb, one warmed-up wineserver and one ctest run of the whole test program.
# Everything runs at 96 DPI; at depth 24 the display-scaling tests (Dpi*) run again at 144 and
# 192 DPI (KOVEL_DPI_RUNS, "" for none), and the prefix is put back to 96 afterwards.
#
#   scripts/wine-tests.sh [build-dir] [depth...]     (defaults: build-win64, 8 16 24)
#
# The gtest output is shown; a summary with the counts per depth ends the run. Exit status 0
# only when every depth passed.
set -u
REPO="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD="${1:-build-win64}"
shift || true
DEPTHS="${*:-8 16 24}"
case "$BUILD" in /*) ;; *) BUILD="$REPO/$BUILD" ;; esac
if [ ! -f "$BUILD/win_tests.exe" ]; then
    echo "wine-tests: $BUILD/win_tests.exe not built" >&2
    exit 2
fi

# Each build folder has its own Wine prefix, hence its own wineserver and clipboard: runs for
# different build folders at the same time do not disturb each other.
export KOVEL_WINEPREFIX="${KOVEL_WINEPREFIX:-$BUILD/wine-prefix}"
# shellcheck source=scripts/wine-env.sh
source "$REPO/scripts/wine-env.sh"
LOGDIR="$BUILD/wine-test-logs"
mkdir -p "$LOGDIR"

# Wine reports 32 bits per pixel for a 24-bit X screen.
expected_bits() { if [ "$1" = 24 ]; then echo 32; else echo "$1"; fi; }

XVFB_PID=""
cleanup() {
    kovel_wine_stop
    if [ -n "$XVFB_PID" ]; then
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
    fi
    XVFB_PID=""
}
trap cleanup EXIT

# The prefix is made once, outside any display run.
kovel_wine_stop
kovel_wine_prepare || { echo "wine-tests: could not make the Wine prefix" >&2; exit 2; }
# 100 % scaling, also after a run that was stopped during its DPI step.
kovel_wine_set_dpi 96 || { echo "wine-tests: could not set the display DPI" >&2; exit 2; }
export KOVEL_EXPECT_DPI=96
DPI_RUNS="${KOVEL_DPI_RUNS-144 192}"
# A filter that leaves out the display-scaling tests leaves out their DPI step too.
case "${GTEST_FILTER:-Dpi}" in *Dpi*) ;; *) DPI_RUNS="" ;; esac

# Files of the image tests, on the prefix's C: drive: BMP files written by other programs for the
# Open picture tests, and per depth the files the save tests write, which are decoded afterwards by
# independent decoders (tests/win/check_saved_files.py).
FILES="$WINEPREFIX/drive_c/kovel-test-files"
rm -rf "$FILES"
/usr/bin/python3 "$REPO/tests/win/make_bmp_inputs.py" "$FILES/bmp-inputs" >/dev/null ||
    { echo "wine-tests: could not write the BMP test inputs" >&2; exit 2; }
export KOVEL_BMP_INPUTS='C:\kovel-test-files\bmp-inputs'
# PNG files of every colour type and depth for the PNG clipboard tests, built byte by byte.
/usr/bin/python3 "$REPO/tests/win/make_png_inputs.py" "$FILES/png-inputs" >/dev/null ||
    { echo "wine-tests: could not write the PNG test inputs" >&2; exit 2; }
export KOVEL_PNG_INPUTS='C:\kovel-test-files\png-inputs'
# Pictures of every kind from independent encoders for the "Open picture..." tests, with the
# pixels an independent decoder reads from them.
/usr/bin/python3 "$REPO/tests/win/make_picture_inputs.py" "$FILES/picture-inputs" >/dev/null ||
    { echo "wine-tests: could not write the picture test inputs" >&2; exit 2; }
export KOVEL_PICTURE_INPUTS='C:\kovel-test-files\picture-inputs'

# The print tests print on the PDF queue (scripts/printer.sh sets it up and says where the PDFs
# land); what each page must show is listed per depth and checked after the run.
if [ -z "${KOVEL_PDF_DIR:-}" ]; then
    KOVEL_PDF_DIR=$(bash "$REPO/scripts/printer.sh") ||
        { echo "wine-tests: no printer queue" >&2; exit 2; }
fi
export KOVEL_PDF_DIR

# Reads one ctest run's gtest counts from its log into passed, failed and skipped and adds them
# to the totals. A run that ended without gtest's summary (crash, time-out) counts as a failure,
# and so does a non-zero exit status (the second argument).
count_run() {
    passed=$(grep -o '\[  PASSED  \] [0-9]* test' "$1" | grep -o '[0-9]*' | tail -1)
    failed=$(grep -o '\[  FAILED  \] [0-9]* test' "$1" | grep -o '[0-9]*' | tail -1)
    skipped=$(grep -o '\[  SKIPPED \] [0-9]* test' "$1" | grep -o '[0-9]*' | tail -1)
    total_passed=$((total_passed + ${passed:-0}))
    total_failed=$((total_failed + ${failed:-0}))
    if [ -z "$passed" ] && [ -z "$failed" ]; then
        total_failed=$((total_failed + 1))
        status=1
    fi
    [ "$2" -eq 0 ] || status=1
}

status=0
summary=""
total_passed=0
total_failed=0
for depth in $DEPTHS; do
    display=$(kovel_free_display)
    Xvfb ":$display" -screen 0 "1024x768x$depth" -nolisten tcp >/dev/null 2>&1 &
    XVFB_PID=$!
    for _ in $(seq 50); do
        [ -e "/tmp/.X11-unix/X$display" ] && break
        sleep 0.1
    done
    export DISPLAY=":$display"
    export KOVEL_EXPECT_BITS KOVEL_EXPECT_SCREEN=1024x768
    KOVEL_EXPECT_BITS=$(expected_bits "$depth")
    start=$(date +%s)
    # Wine's explorer (desktop and clipboard thread) binds to this display: start it now, with
    # its output away from the pipe below.
    kovel_wine_start
    warm=$(date +%s)
    log="$LOGDIR/depth-$depth.log"
    mkdir -p "$FILES/saved-$depth"
    export KOVEL_SAVED_FILES="C:\\kovel-test-files\\saved-$depth"
    mkdir -p "$FILES/printed-$depth"
    export KOVEL_PRINTED="C:\\kovel-test-files\\printed-$depth"
    echo "=== Wine tests at display depth $depth (DISPLAY=$DISPLAY) ==="
    ctest --test-dir "$BUILD" -L wine -V 2>&1 | tee "$log"
    count_run "$log" "${PIPESTATUS[0]}"
    end=$(date +%s)
    line="depth $depth: ${passed:-0} passed, ${failed:-0} failed, ${skipped:-0} skipped;"
    line="$line warm-up $((warm - start)) s, tests $((end - warm)) s"
    summary="$summary$line"$'\n'
    # Every saved file must decode to the colours its test listed. (With GTEST_FILTER set the
    # save tests may not have run.)
    if [ -s "$FILES/saved-$depth/manifest.tsv" ] || [ -z "${GTEST_FILTER:-}" ]; then
        /usr/bin/python3 "$REPO/tests/win/check_saved_files.py" "$FILES/saved-$depth" 2>&1 |
            tee -a "$log"
        if [ "${PIPESTATUS[0]}" -ne 0 ]; then
            status=1
            total_failed=$((total_failed + 1))
            summary="${summary}depth $depth: saved files not decoded to their colours"$'\n'
        fi
    fi
    # Every printed page must show what its test listed.
    if [ -s "$FILES/printed-$depth/printed.tsv" ] || [ -z "${GTEST_FILTER:-}" ]; then
        /usr/bin/python3 "$REPO/tests/win/check_printed_pages.py" "$KOVEL_PDF_DIR" \
            "$FILES/printed-$depth" 2>&1 | tee -a "$log"
        if [ "${PIPESTATUS[0]}" -ne 0 ]; then
            status=1
            total_failed=$((total_failed + 1))
            summary="${summary}depth $depth: printed pages not as listed"$'\n'
        fi
    fi
    # The display-scaling tests at higher DPIs: only at depth 24, as the scaling does not depend
    # on the depth and a Wine run costs time.
    if [ "$depth" = 24 ]; then
        for dpi in $DPI_RUNS; do
            kovel_wine_set_dpi "$dpi"
            kovel_wine_start
            dpilog="$LOGDIR/depth-$depth-dpi-$dpi.log"
            echo "=== Display-scaling tests at depth $depth, $dpi DPI ==="
            GTEST_FILTER='Dpi*' KOVEL_EXPECT_DPI=$dpi ctest --test-dir "$BUILD" -L wine -V 2>&1 |
                tee "$dpilog"
            count_run "$dpilog" "${PIPESTATUS[0]}"
            summary="${summary}depth $depth at $dpi DPI: ${passed:-0} passed, ${failed:-0} failed"$'\n'
        done
        [ -z "$DPI_RUNS" ] || kovel_wine_set_dpi 96
    fi
    cleanup
done
echo "=== Wine test summary ==="
printf '%s' "$summary"
echo "wine-tests: $total_passed passed, $total_failed failed"
exit $status
