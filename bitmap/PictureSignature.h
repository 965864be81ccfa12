// What kind of picture a file's first bytes announce. The open command uses it to send BMP
// files to our own reader and to tell a damaged picture from a file that is no picture at all
// when the system's codecs refuse it. Platform-free: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

enum PictureKind {
    PictureUnknown = 0, // no signature we know (the codecs may still know it)
    PictureBmp,         // "BM"
    PicturePng,         // the eight-byte PNG signature
    PictureJpeg,        // FF D8 FF
    PictureGif,         // "GIF87a" or "GIF89a"
    PictureTiff,        // "II*\0" or "MM\0*"
    PictureIcon,        // an icon directory: 0, type 1, at least one entry
};

// The kind the first bytes of data[0 .. size) announce.
PictureKind PictureKindOf(const uint8_t* data, size_t size);
