// Shared by the rectangle selection, coordinates dialog and capture tests: a picture of pure
// colours that every display depth shows exactly, and a check of the band on the window.
#pragma once

#include <windows.h>

#include <string>

// A display bitmap of width x height: 16-pixel squares in eight pure colours (black, white,
// red, green, blue, yellow, cyan, magenta), shifted by one colour per row of squares.
HBITMAP ColourSquaresBitmap(int width, int height);

// The colour ColourSquaresBitmap has at (x, y).
COLORREF ColourSquareAt(int x, int y);

// Whether a colour read from the window is the painted colour as the display holds it (a 16-bit
// display keeps five or six bits of each channel; the other depths show the colours the tests
// paint exactly).
bool ShownAs(COLORREF shown, COLORREF painted);

// The window's title.
std::string WindowTitle(HWND window);

// What the window shows compared with the view painted without a band: "" when every differing
// pixel lies on the outline of `band` (its corners put in order, clipped to the client area) and
// each visible side of it has differing pixels along at least a quarter of its length; with
// band null, "" when no pixel differs. Otherwise a description of the first fault.
std::string BandFault(HWND window, const RECT* band);
