// Conversions between clipboard bitmaps (a device bitmap with an optional logical palette) and
// the packed device-independent bitmap: a BITMAPINFOHEADER, its colour table and the rows in
// one movable global memory block.
#pragma once

#include <windows.h>

#include <cstdint>

// The packed DIB produced last by DibFromBitmap: its locked header and its first pixel row.
// Valid only while that block stays locked.
extern BITMAPINFOHEADER* currentDib;
extern uint8_t* currentDibBits;

// A BITMAPINFO with room for a full 256-entry colour table.
struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// A logical palette of the first `count` entries (at most 256) of a table of RGBQUAD entries
// (blue, green, red, reserved). Null when count is 0 or the palette cannot be made.
HPALETTE CreatePaletteFromTable(const uint8_t* table, uint32_t count);

// Makes a new packed DIB of the bitmap at its own depth, with the colour table the realised
// palette gives. Returns the block still locked (the caller unlocks and frees it), or null when
// the bitmap cannot be read or the block cannot be allocated.
HGLOBAL DibFromBitmap(HBITMAP bitmap, HPALETTE palette);

// Places the packed DIB on the open clipboard as CF_PALETTE (when it has colours) and CF_BITMAP
// in the display's format; `suppress` is stored into ignoreNextClipboardChange before each
// placement. CF_DIB and any text already there stay. The block is not taken over.
// Returns 1 when the bitmap was placed, 0 when the block does not hold a DIB that can be
// placed safely (a header other than a BITMAPINFOHEADER or larger, compressed rows other than
// bit fields, or rows past the end of the block); nothing is placed then.
int DibToClipboard(HGLOBAL dib, int suppress);
