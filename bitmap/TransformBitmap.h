// Changes of the clipboard's bitmap in place: mirroring, inverting and stretching. Each draws a
// new bitmap of the source's format and places it on the open clipboard as CF_BITMAP; the
// palette on the clipboard stays as it is.
#pragma once

#include <windows.h>

#include <cstdint>

#include "resources/DialogIds.h"

enum TransformOperation : int {
    TransformReverseX = 0, // mirrored left to right
    TransformReverseY = 1, // mirrored top to bottom
    TransformInvert = 2,   // every bit of every pixel value complemented
};

// Returns 0 when bitmap is null or the new bitmap cannot be made, else 1.
int TransformBitmap(HBITMAP bitmap, HPALETTE palette, int operation);

// What StretchBitmap and its dialog share.
struct StretchLayout {
    int32_t bitmapWidth, bitmapHeight; // the clipboard bitmap's size
    int32_t newWidth, newHeight;       // the size chosen in the dialog
    int32_t screenWidth, screenHeight; // shown for reference
    int32_t keepAspect;                // a change of one size derives the other
};

extern StretchLayout stretchLayout;

// Asks for a new size with the "Stretch Bitmap" dialog and places the stretched bitmap.
// Cancel, or OK with the size unchanged, leaves the clipboard untouched.
void StretchBitmap(HBITMAP bitmap, HPALETTE palette);

INT_PTR CALLBACK StretchBmpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
