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
