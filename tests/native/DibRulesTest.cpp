#include "bitmap/DibRules.h"

#include <gtest/gtest.h>

namespace {

TEST(DibRules, StrideOfEveryPaddingRemainder) {
    struct Case {
        int64_t width;
        int bitCount;
        uint64_t stride;
        uint64_t rowBytes;
    };
    const Case cases[] = {
        {1, 1, 4, 1},
        {33, 1, 8, 5},
        {32, 1, 4, 4},
        {8, 1, 4, 1},
        {3, 24, 12, 9},
        {1, 24, 4, 3},
        {2, 24, 8, 6},
        {4, 24, 12, 12},
        {10, 8, 12, 10},
        {9, 8, 12, 9},
        {11, 8, 12, 11},
        {12, 8, 12, 12},
        {1, 4, 4, 1},
        {7, 4, 4, 4},
        {9, 4, 8, 5},
        {17, 4, 12, 9},
        {1, 16, 4, 2},
        {3, 16, 8, 6},
        {1, 32, 4, 4},
        {100, 8, 100, 100},
        {16384, 24, 49152, 49152},
        {65535, 32, 262140, 262140},
        {0, 8, 0, 0},
        {-5, 8, 0, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(DibStride(c.width, c.bitCount), c.stride) << c.width << " at " << c.bitCount;
        EXPECT_EQ(DibRowBytes(c.width, c.bitCount), c.rowBytes) << c.width << " at " << c.bitCount;
    }
}

TEST(DibRules, ColorTableSizeByBitCount) {
    const int cases[][2] = {{1, 2}, {4, 16}, {8, 256}, {16, 0}, {24, 0}, {32, 0}, {2, 0}, {0, 0}};
    for (const auto& c : cases)
        EXPECT_EQ(ColorTableSize(c[0]), c[1]) << c[0];
}

// Packed DIB sizes: header, table and rows, and where the first row starts.
TEST(DibRules, PackedDibWorkedSizes) {
    struct Case {
        int64_t width, height;
        int bitCount;
        uint64_t stride, imageSize;
        int entries;
        uint64_t block, firstRow;
    };
    const Case cases[] = {
        {10, 2, 8, 12, 24, 256, 1088, 1064},
        {3, 2, 24, 12, 24, 0, 64, 40},
        {1, 1, 1, 4, 4, 2, 52, 48},
    };
    for (const Case& c : cases) {
        const uint64_t stride = DibStride(c.width, c.bitCount);
        const int entries = ColorTableSize(c.bitCount);
        EXPECT_EQ(stride, c.stride);
        EXPECT_EQ(stride * c.height, c.imageSize);
        EXPECT_EQ(entries, c.entries);
        EXPECT_EQ(DibHeaderSize + 4u * entries + stride * c.height, c.block);
        EXPECT_EQ(DibHeaderSize + 4u * entries, c.firstRow);
    }
}

} // namespace
