// Opening a picture file onto the clipboard: a file that starts with "BM" goes through our own
// BMP reader; every other file is decoded with the system's imaging codecs (WicDecode.h) and
// placed the way an opened BMP file is (PlaceOpenedBitmap), so that it arrives on the clipboard
// in the display's format like any opened picture.
#pragma once

#include <windows.h>

#include <cstdint>

enum PictureOpenResult : int {
    PictureNotBmp = 0,    // starts with "BM" but the BMP reader refused it (BmpReadRefused)
    PicturePlaced = 1,    // on the clipboard now (BmpReadPlaced)
    PictureNotPlaced = 2, // read, but not put on the clipboard (BmpReadNotPlaced)
    PictureCannotOpen,    // the file cannot be opened or read at all
    PictureEmptyFile,     // the file has no bytes
    PictureNoPicture,     // a picture file that holds no picture (no frame, no pixels)
    PictureNotAPicture,   // no codec of the system reads it: not a picture
    PictureDamaged,       // a picture that is cut short or corrupt
    PictureTooLarge,      // more than PictureMemoryLimit() would be needed
};

// What a refused file was like, for the message.
struct PictureOpenDetails {
    uint32_t width = 0, height = 0; // the picture's size when known
    uint64_t needBytes = 0;         // what placing it needs (for PictureTooLarge)
    uint64_t limitBytes = 0;        // the limit it exceeded
};

// The most memory one opened picture may take as a packed DIB: a quarter of the physical
// memory free now (the picture is held a few times over while it is placed), and never more
// than a DIB may be.
uint64_t PictureMemoryLimit();

// Opens the file at `path` and places its picture on the clipboard (first frame, alpha composed
// over white, at most 8 bits with a colour table kept as they are, else 32 bits). Popup mode is
// off while it works. Returns a PictureOpenResult; details are filled for the messages.
int OpenPictureFile(const wchar_t* path, PictureOpenDetails* details);
