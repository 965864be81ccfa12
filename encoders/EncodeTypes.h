// Types shared by every byte-producing encoder and by the Win32 writers that feed them.
// Nothing here depends on <windows.h>: the encoders build and are tested natively.
#pragma once

#include <cstddef>
#include <cstdint>

// Result of an encoder. The first four values are the ones the save commands already know:
// 0 nothing to do, 1 written, 2 refused with a message (no encoder refuses any more: GIF reduces
// deeper images to 256 colours), 3 unsupported depth (a beep). The rest tell why a file could not
// be produced.
enum EncodeResult : int {
    EncodeNothing = 0,
    EncodeOk = 1,
    EncodeRefused24Bit = 2,
    EncodeBadDepth = 3,
    EncodeTooLarge = 4,    // a size the format's own fields cannot hold (16-bit fields)
    EncodeWriteFailed = 5, // the sink refused bytes (disk full, unwritable file)
    EncodeFetchFailed = 6, // the row source could not deliver rows
    EncodeNoMemory = 7,    // a work buffer could not be allocated
};

// Compression choice of the TIF writer; the values are the TIFF Compression tag's own numbers,
// except LZW 16k (6), which writes tag value 5 with 16384-byte strips.
enum TifCompression : uint16_t {
    TifNone = 1,
    TifLzw8k = 5,
    TifLzw16k = 6,
    TifPackBits = 32773,
};

// Where an encoder's bytes go: a file (the Win32 writers use a temporary file that replaces
// the target only when complete), or a memory buffer in tests. write returns false when the
// bytes could not be stored; the encoder then stops with EncodeWriteFailed. seek moves to an
// absolute position already written (the TIF writer patches its strip tables this way); after
// a seek, writes overwrite. An encoder seeks back to the end before writing further.
struct ByteSink {
    void* context;
    bool (*write)(void* context, const uint8_t* data, size_t count);
    bool (*seek)(void* context, uint64_t position);
};

// Hands out pixel rows in the DIB layout, as GetDIBits delivers them: fetch(first, count, dest)
// fills dest with scan lines first .. first + count - 1, where scan line 0 is the bottom row of
// the image, the bottom row first, each row `stride` bytes (DibStride of the width at bitCount).
// Returns false on failure. Encoders fetch bands of whole rows and never the whole image at once
// unless it fits in one band.
struct RowSource {
    void* context;
    bool (*fetch)(void* context, int32_t firstLine, int32_t count, uint8_t* dest);
};

// The image an encoder writes. bitCount is the depth of the rows the row source delivers:
// 1, 4, 8 (indices into colorTable) or 24 (blue, green, red per pixel). The Win32 writers ask
// GetDIBits for 24-bit rows when the bitmap is 16 or 32 bits deep. colorTable holds colorCount
// RGBQUAD entries (blue, green, red, reserved) as GetDIBits reports them; GIF, TIF and PCX use
// ColorTableSize(bitCount) entries, the BMP writer writes colorCount entries.
struct ImageDesc {
    int32_t width;
    int32_t height;
    int bitCount;
    const uint8_t* colorTable;
    int colorCount;
};
