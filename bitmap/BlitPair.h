// A source bitmap and a new bitmap of its format, each selected into a memory context, for
// drawing the one from the other with the platform's block transfers.
#pragma once

#include <windows.h>

#include "bitmap/PackedDib.h"

// Two memory contexts with the source bitmap selected into one and a new bitmap of the same
// format, width x height, into the other; the palette, when given, realised in both.
//
// A device bitmap can only be selected into a memory context when it is monochrome or has the
// display's format. Any other (a 4- or 8-bit bitmap on a 32-bit display, say) is copied into a
// DIB section of its own depth and colour table, which can always be selected; the new bitmap
// is then drawn as such a section too and turned back into a device bitmap of the source's
// depth when the pair is closed, so that the pixel values come out exactly as drawn.
struct BlitPair {
    HDC source, dest;
    HGDIOBJ oldSourceBitmap, oldDestBitmap;
    HPALETTE oldSourcePalette, oldDestPalette;
    HBITMAP result;
    HBITMAP sourceSection; // the copy of a bitmap that could not be selected, or null
    int depth;             // planes x bits per pixel of the source
    BitmapInfo256 sectionInfo;
};

// Selects the bitmap into `source` and a new bitmap of its format, width x height, into `dest`,
// with the palette (when given) realised in both. Returns false when that fails; the pair is
// closed with CloseBlitPair in every case.
bool OpenBlitPair(BlitPair* pair, HBITMAP bitmap, HPALETTE palette, int width, int height);

// Deselects everything and deletes both contexts; returns the new bitmap (null on failure).
HBITMAP CloseBlitPair(BlitPair* pair);
