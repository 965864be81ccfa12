// Pictures decoded with the system's imaging codecs (Windows Imaging Component) into packed
// DIBs: the first frame, every pixel composed over white. Whatever codec the system has
// installed works, so that PNG, JPEG, GIF, TIFF, icons and more open alike.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The DIB a decoded picture becomes.
enum WicDibForm {
    WicDib24,          // 24 bits, whatever the picture's own depth
    WicDibKeepPalette, // 1, 4 or 8 bits with the picture's colour table when it has one (2-bit
                       // pictures at 4 bits), else 32 bits (blue, green, red, 0)
};

enum WicDecodeResult {
    WicDecoded = 0,
    WicNoCodec,   // no codec of the system reads these bytes (or not the container asked for)
    WicNoFrame,   // the file holds no picture
    WicDamaged,   // a codec took the file but could not read its picture
    WicTooLarge,  // the DIB would need more than the limit (or a side above DibMaxDimension)
    WicNoMemory,  // the DIB could not be allocated
    WicNoImaging, // the imaging component itself is missing
};

struct WicDibResult {
    HGLOBAL dib = nullptr; // GMEM_MOVEABLE, unlocked; the caller owns it
    uint32_t width = 0;    // the picture's size, known from WicDamaged on
    uint32_t height = 0;
    uint64_t bytes = 0; // what the DIB needs (header, table and rows)
};

// Decodes data[0 .. size). `pngOnly` refuses every container but PNG (as WicNoCodec). A DIB
// larger than maxBytes is refused as WicTooLarge. COM is started for the call when the thread
// has none.
WicDecodeResult DecodeWithWic(const uint8_t* data, size_t size, WicDibForm form, bool pngOnly,
                              uint64_t maxBytes, WicDibResult* result);
