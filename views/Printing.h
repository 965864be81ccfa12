// Printing the clipboard's bitmap (or a part of it) and its text on one printer page at a size
// and position chosen in a dialog. Sizes and positions are printer device pixels.
#pragma once

#include <windows.h>

#include <cstdint>

// What the two print routines and their dialogs share; each print call fills it afresh.
struct PrintLayout {
    int32_t paperWidth, paperHeight;   // printable area of the chosen printer (HORZRES, VERTRES)
    int32_t bitmapWidth, bitmapHeight; // the bitmap to print, at least 1 x 1
    int32_t imageWidth, imageHeight;   // the printed image's size
    int32_t originX, originY;          // top-left corner of the image or the text on the page
    int32_t keepAspect;                // a change of one size derives the other
};

extern PrintLayout printLayout;

// Asks for a printer and the size and position, then prints the bitmap on one page (document
// "Bitmap"). The caller keeps the bitmap and the palette (which may be null).
void PrintBitmap(HBITMAP bitmap, HPALETTE palette);

// Asks for a printer and the position, then prints the text of the clipboard block (a
// zero-terminated string; OEM characters when the view shows OEM text) from that corner, on
// as many pages as it needs (document "Text"). In the ANSI view the clipboard's CF_UNICODETEXT is
// printed in its place when there is one (the caller holds the clipboard open), so every
// character prints as the view shows it. The clipboard keeps the block.
void PrintText(HANDLE text);

// A dialog box read as an unsigned number; 0 for text that is not one, or for a value past 32
// bits. Both print dialogs read their sizes and origins this way.
int32_t UnsignedBox(HWND dialog, int box);

INT_PTR CALLBACK PrintBmpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK PrintTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
