// Checks the start of a BMP file before anything is read from it and tells the reader where
// the colour table and the pixel rows lie. Platform-free: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

// Why a file was refused. Every value but BmpOk means the file is not read at all.
enum BmpParseResult : int {
    BmpOk = 0,
    BmpNotBmp = 1,        // the first two bytes are not "BM"
    BmpTruncated = 2,     // fewer than the 54 bytes of the two headers
    BmpBadHeaderSize = 3, // an information header other than the 40-byte one
    BmpBadDimensions = 4, // width or height zero or negative (top-down files are refused)
    BmpBadBitCount = 5,   // planes other than 1, or a bit count other than 1, 4, 8, 16, 24, 32
    BmpCompressed = 6,    // biCompression other than 0 (run-length or bit-field rows)
    BmpTooLarge = 7,      // width or height above 65535, or rows that do not fit 32-bit sizes
    BmpBadOffset = 8,     // the rows would start inside the headers or the colour table
    BmpRowsPastEnd = 9,   // the rows run past the end of the file
};

// Where the parts of an accepted file lie. Offsets count from the start of the file.
struct BmpLayout {
    int32_t width;
    int32_t height;     // rows are stored bottom row first
    int bitCount;       // 1, 4, 8, 16, 24 or 32
    uint32_t stride;    // bytes per stored row, padded to a multiple of 4
    int colorCount;     // palette entries the image uses: ColorTableSize(bitCount)
    int tableEntries;   // of those, entries stored in the file from offset 54; the rest are
                        // black (a table shorter than colorCount ends where the rows begin)
    uint32_t offBits;   // first byte of the bottom row
    uint32_t imageSize; // stride x height, the bytes of rows to read from offBits
};

// Examines the first headLen bytes of a file of fileSize bytes. head must hold at least the
// 54 bytes of the file and information headers when the file has them; nothing beyond head
// [0, headLen) is read. On BmpOk, *layout is filled; otherwise it is left unchanged.
//
// The file's biSizeImage and biClrUsed are not trusted: the rows are always stride x height
// bytes from bfOffBits, and the number of table entries follows the bit count, cut short when
// bfOffBits leaves room for fewer (files that store only the used entries).
BmpParseResult ParseBmpHeader(const uint8_t* head, size_t headLen, uint64_t fileSize,
                              BmpLayout* layout);

// A short English text for a result, for logs and test messages.
const char* BmpParseResultText(BmpParseResult result);
