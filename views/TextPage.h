// The text page: the clipboard's OEM or ANSI text drawn on a screen-sized page. The clipboard
// view and "Text to bitmap" both draw it here, so a saved or placed page shows exactly what the
// view shows.
#pragma once

#include <windows.h>

#include "shell/AppState.h"

// Draws the page into `memory`, which holds a page bitmap of width x height selected (and, where
// wanted, its palette): fills it white (blackOnWhite nonzero) or black, with the text colour and
// background colour exchanged for white on black, then draws the clipboard's text of the view
// (CF_OEMTEXT in the OEM fixed font for ViewOemText, otherwise CF_UNICODETEXT, or CF_TEXT where
// the clipboard offers no Unicode text, in the system font with its linked fonts, each at the
// window's DPI `windowDpi`) at the
// top left, a new line at each line break, tabs and "&" drawn as they are, nothing wrapped, cut at
// the page's edges. The caller holds the clipboard open; with no text of that format the filled
// page stays blank. The font selected before is selected again at the end.
void DrawTextPage(HDC memory, int width, int height, ViewFormat view, int blackOnWhite);
