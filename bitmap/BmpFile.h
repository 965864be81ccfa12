// Reading BMP files onto the clipboard. (Writing is SaveBmpFile in ImageFileWriters.h.)
#pragma once

#include <windows.h>

enum BmpLoadMode : int {
    BmpLoadOpen = 0,       // the Open BMP command
    BmpLoadDosCapture = 1, // a DOS capture: the image is mirrored top to bottom afterwards
};

enum BmpReadResult : int {
    BmpReadRefused = 0,   // not a BMP file, a header the reader cannot place safely, rows past the
                          // end of the file, or a read error: the clipboard is unchanged
    BmpReadPlaced = 1,    // a BMP file, now on the clipboard
    BmpReadNotPlaced = 2, // a BMP file that could not be placed: its bitmap could not be created,
                          // memory ran short, or another program held the clipboard
};

// Reads the BMP file open in `file` and places it on the clipboard in the display's format,
// with its palette when it has colours. Returns a BmpReadResult. Closes the file on every path;
// popup mode is off while it works and restored afterwards.
int LoadBmpFile(HANDLE file, int mode);

// Places a bitmap read from a file the way every opened picture arrives: taken through a packed
// DIB (DibFromBitmap) onto the clipboard in the display's format, with its palette when it has
// colours, mirrored top to bottom in DOS capture mode. Takes over and deletes the bitmap and the
// palette (which may be null). Returns BmpReadPlaced or BmpReadNotPlaced.
int PlaceOpenedBitmap(HBITMAP bitmap, HPALETTE palette, int mode);
