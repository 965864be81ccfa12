// Images made from fuzzer input, shared by the writer targets that use the test image.
#pragma once

#include "tests/oracles/TestImage.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

// How large an image the input may ask for: the width is 1 + (lo | (hi & widthHighMask) << 8),
// the height 1 + rows % maxRows, cut so that the image holds at most maxPixels pixels.
struct SizeBounds {
    int widthHighMask;
    int maxRows;
    int64_t maxPixels;
};

TEST_HELPER inline void BoundedSize(uint8_t lo, uint8_t hi, uint8_t rows, SizeBounds bounds,
                                    int32_t* width, int32_t* height) {
    *width = 1 + (lo | (hi & bounds.widthHighMask) << 8);
    *height = 1 + rows % bounds.maxRows;
    if (int64_t(*width) * *height > bounds.maxPixels)
        *height = *width >= bounds.maxPixels ? 1 : static_cast<int32_t>(bounds.maxPixels / *width);
}

// Fills the pixel bytes, padding included, with the input repeated as it is, or (runs) with each
// input byte repeated 67 times, which makes long runs of equal bytes. Byte i of the rows is
// data[i % size], or data[(i / 67) % size] for runs.
TEST_HELPER inline void FillFromBytes(TestImage& image, const uint8_t* data, size_t size,
                                      bool runs) {
    if (size == 0)
        return;
    uint8_t* out = image.dib.data();
    const size_t total = image.dib.size();
    if (!runs) {
        for (size_t at = 0; at < total; at += size)
            std::memcpy(out + at, data, std::min(size, total - at));
        return;
    }
    for (size_t at = 0, from = 0; at < total; at += 67, from = (from + 1) % size)
        std::memset(out + at, data[from], std::min<size_t>(67, total - at));
}

// The image the first five input bytes describe, as the PCX and PNG writer targets read them:
// byte 0 the depth (1, 4, 8 or 24), bytes 1 to 3 the size, bits 4 and 5 of byte 4 both set for a
// large image. Wide rows make bands of few rows, so that band ends fall inside small images.
// Mostly small images (at most 4096 pixels, widths up to 1024), fast to write and decode; when
// the input asks for a large one, widths up to 16384 and at most 2^15 pixels: bands of one row,
// band ends inside a 1024-pixel 24-bit image, more than 64 KB of compressed noise.
TEST_HELPER inline TestImage WriterImage(const uint8_t* head) {
    static const int depths[] = {1, 4, 8, 24};
    const bool large = (head[4] & 0x30) == 0x30;
    int32_t width = 0, height = 0;
    BoundedSize(head[1], head[2], head[3],
                large ? SizeBounds{0x3F, 64, 1 << 15} : SizeBounds{3, 64, 1 << 12}, &width,
                &height);
    return MakeTestImage(width, height, depths[head[0] & 3]);
}

// The input's bytes, then a pseudo-random continuation seeded by it, so that large noise images
// (enough to fill a code table) need no large inputs.
struct ByteStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
    uint32_t state;

    TEST_HELPER uint8_t Next() {
        if (pos < size)
            return data[pos++];
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<uint8_t>(state >> 24);
    }
};

// ---- What a parser must answer, from the formats' rules ----

TEST_HELPER inline uint32_t FuzzLe32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// Whether a packed DIB block of `size` bytes is one the viewer reads: a 40, 108 or 124-byte
// header inside the block; width 1..65535 and height 1..65535 either way up; one plane; 1, 4, 8,
// 16, 24 or 32 bits; plain rows, or bit fields at 16 and 32 bits; at most 2^31 bytes of rows;
// the header, the three masks of a 40-byte bit-field header, the table GDI reads (biClrUsed
// entries, at most 256, or 2^bitCount when biClrUsed is 0 at 8 bits and less; a true-colour
// block naming more than 256 is refused) and the rows, each ((width x bits + 31) / 32) x 4
// bytes, all inside the block.
TEST_HELPER inline bool PackedDibAccepted(const uint8_t* block, uint64_t size) {
    if (size < 40)
        return false;
    const uint32_t headerSize = FuzzLe32(block);
    const int64_t width = int32_t(FuzzLe32(block + 4));
    const int64_t height = int32_t(FuzzLe32(block + 8));
    const int planes = block[12] | block[13] << 8;
    const int bits = block[14] | block[15] << 8;
    const uint32_t compression = FuzzLe32(block + 16);
    const uint32_t clrUsed = FuzzLe32(block + 32);
    const int64_t rows = height < 0 ? -height : height;
    if ((headerSize != 40 && headerSize != 108 && headerSize != 124) || size < headerSize ||
        width < 1 || width > 65535 || rows < 1 || rows > 65535 || planes != 1)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    if (compression != 0 && !(compression == 3 && (bits == 16 || bits == 32)))
        return false;
    if (bits > 8 && clrUsed > 256)
        return false;
    const uint64_t masks = compression == 3 && headerSize == 40 ? 12 : 0;
    const uint64_t entries =
        clrUsed != 0 ? (clrUsed < 256 ? clrUsed : 256) : (bits <= 8 ? uint64_t(1) << bits : 0);
    const uint64_t imageBytes = uint64_t((width * bits + 31) / 32 * 4) * uint64_t(rows);
    return imageBytes <= (uint64_t(1) << 31) &&
           headerSize + masks + 4 * entries + imageBytes <= size;
}

// Whether a BMP file of fileSize bytes starting with head (headLen bytes) is one the reader
// opens: "BM", both headers (54 bytes) present, the 40-byte information header, width and height
// 1..65535 (bottom-up only), one plane, 1, 4, 8, 16, 24 or 32 bits, no compression, rows of at
// most 2^32 - 1 bytes that start after the headers and the table the file declares (biClrUsed
// entries when it names fewer than the depth has, else all) and end inside the file.
TEST_HELPER inline bool BmpFileAccepted(const uint8_t* head, size_t headLen, uint64_t fileSize) {
    if (headLen < 54 || fileSize < 54 || head[0] != 'B' || head[1] != 'M')
        return false;
    const uint32_t offBits = FuzzLe32(head + 10);
    const int64_t width = int32_t(FuzzLe32(head + 18));
    const int64_t height = int32_t(FuzzLe32(head + 22));
    const int planes = head[26] | head[27] << 8;
    const int bits = head[28] | head[29] << 8;
    const uint32_t clrUsed = FuzzLe32(head + 46);
    if (FuzzLe32(head + 14) != 40 || width < 1 || width > 65535 || height < 1 || height > 65535 ||
        planes != 1 || FuzzLe32(head + 30) != 0)
        return false;
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32)
        return false;
    const uint64_t depthEntries = bits <= 8 ? uint64_t(1) << bits : 0;
    const uint64_t declared = clrUsed != 0 && clrUsed < depthEntries ? clrUsed : depthEntries;
    const uint64_t imageBytes = uint64_t((width * bits + 31) / 32 * 4) * uint64_t(height);
    return imageBytes <= 0xFFFFFFFFu && offBits >= 54 + 4 * declared &&
           offBits + imageBytes <= fileSize;
}
