// The two rules every reader and writer of DIB rows shares, and the packed DIB layout.
// Platform-free: used by the encoders, the BMP header parser and the Win32 conversions.
#pragma once

#include <cstdint>

// Size of the BITMAPINFOHEADER that starts every packed DIB and BMP information header.
constexpr uint32_t DibHeaderSize = 40;
// Size of the BITMAPFILEHEADER in front of it in a BMP file.
constexpr uint32_t BmpFileHeaderSize = 14;

// Colour-table entries for a bit count: 2, 16 or 256 for 1, 4 and 8 bits, 0 otherwise.
int ColorTableSize(int bitCount);

// Bytes of one DIB row of `width` pixels at `bitCount` bits, padded to a multiple of 4.
// Computed in 64 bits so that no width the encoders accept can overflow; callers that need
// a 32-bit value check it themselves. Returns 0 for a width or bit count below 1.
uint64_t DibStride(int64_t width, int bitCount);

// Rows fetched or moved at a time: whole rows of at most 65535 bytes together, at least one
// row (a longer row travels alone) and at most the image's height.
uint64_t BandRows(uint64_t stride, int32_t height);

// Bytes of one row without padding (what TIFF and the PCX 8-bit plane store).
uint64_t DibRowBytes(int64_t width, int bitCount);

// Where the parts of a packed DIB (a BITMAPINFOHEADER or a later header, its colour table and
// its rows, as another application may place it on the clipboard) lie within its block.
struct PackedDibLayout {
    int32_t width;        // pixels, at least 1
    int32_t height;       // rows, at least 1 (the absolute value of biHeight)
    bool topDown;         // biHeight was negative: the first row in the block is the top row
    int bitCount;         // 1, 4, 8, 16, 24 or 32
    uint32_t compression; // 0 (BI_RGB) or 3 (BI_BITFIELDS, 16 and 32 bits only)
    uint32_t headerSize;  // biSize: 40, 108 or 124
    uint32_t colorCount;  // colour-table entries present in the block
    uint32_t tableOffset; // offset of the colour table
    uint32_t rowOffset;   // offset of the first row
    uint32_t stride;      // bytes per row, padded to 4
    uint64_t imageBytes;  // stride x height
};

enum DibParseResult {
    DibParseOk = 0,
    DibParseTruncated,     // the block ends inside the header, the table or the rows
    DibParseBadHeaderSize, // biSize is not 40, 108 or 124
    DibParseBadSize,       // width or height zero, or larger than the reader handles
    DibParseBadPlanes,     // biPlanes is not 1
    DibParseBadBitCount,   // not 1, 4, 8, 16, 24 or 32
    DibParseCompressed,    // run-length, JPEG or PNG rows, or bit fields at another depth
};

// Largest width or height accepted in a packed DIB or BMP file, and the largest image.
constexpr int32_t DibMaxDimension = 65535;
constexpr uint64_t DibMaxImageBytes = uint64_t(1) << 31;

// Reads the layout of the packed DIB in data[0 .. size). The colour table has biClrUsed entries
// (at most 256), or 2^bitCount when biClrUsed is 0, as GDI reads it: a table shorter than the
// depth allows is taken at its own length, and a longer one is skipped whole before the rows.
DibParseResult ParsePackedDib(const uint8_t* data, uint64_t size, PackedDibLayout* layout);
