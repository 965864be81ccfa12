// Reading BMP files onto the clipboard. (Writing is SaveBmpFile in ImageFileWriters.h.)
#pragma once

#include <windows.h>

enum BmpLoadMode : int {
    BmpLoadOpen = 0,       // the Open BMP command
    BmpLoadDosCapture = 1, // a DOS capture: the image is mirrored top to bottom afterwards
};

// Reads the BMP file open in `file` and places it on the clipboard in the display's format,
// with its palette when it has colours. Returns 1 when the file was a BMP file and is now on
// the clipboard, 0 when it was refused (not a BMP file, a header the reader cannot place
// safely, rows past the end of the file, or a read error). Closes the file on every path;
// popup mode is off while it works and restored afterwards.
int LoadBmpFile(HANDLE file, int mode);
