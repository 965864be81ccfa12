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
