#include "encoders/DibRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

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

// Bands hold whole rows of at most 65535 bytes together, never less than one row and never
// more rows than the image has.
TEST(DibRules, BandRowsByStride) {
    struct Case {
        uint64_t stride;
        int32_t height;
        uint64_t rows;
    } cases[] = {
        {100, 1000, 655}, // 65,500 bytes: the next row would pass 65535
        {100, 655, 655},  // an image of exactly one band
        {100, 10, 10},    // a short image is one band of its own height
        {65535, 5, 1},    // a row of exactly the band size
        {65536, 5, 1},    // a longer row travels alone
        {196608, 3, 1},   // a 16384-pixel row of 32 bits
        {4, 100000, 16383},
    };
    for (const Case& c : cases)
        EXPECT_EQ(BandRows(c.stride, c.height), c.rows) << c.stride << " x " << c.height;
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

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A packed DIB as another application may place it: header, table, rows.
std::vector<uint8_t> PackedDib(uint32_t headerSize, int32_t width, int32_t height, int bitCount,
                               uint32_t compression, uint32_t clrUsed, size_t tableAndRows) {
    std::vector<uint8_t> b(headerSize + tableAndRows, 0);
    Put32(b, 0, headerSize);
    Put32(b, 4, static_cast<uint32_t>(width));
    Put32(b, 8, static_cast<uint32_t>(height));
    Put16(b, 12, 1);
    Put16(b, 14, static_cast<uint32_t>(bitCount));
    Put32(b, 16, compression);
    Put32(b, 32, clrUsed);
    return b;
}

TEST(PackedDibLayout, AcceptsAndRefuses) {
    struct Case {
        const char* name;
        std::vector<uint8_t> block;
        std::function<void(std::vector<uint8_t>&)> change;
        DibParseResult result;
        uint32_t colorCount, tableOffset, rowOffset; // checked when the result is DibParseOk
        bool topDown;
    };
    auto none = [](std::vector<uint8_t>&) {};
    const Case cases[] = {
        {"8-bit 10x2, full table", PackedDib(40, 10, 2, 8, 0, 0, 1024 + 24), none, DibParseOk, 256,
         40, 1064, false},
        {"8-bit, 16 colours used", PackedDib(40, 10, 2, 8, 0, 16, 64 + 24), none, DibParseOk, 16,
         40, 104, false},
        {"24-bit 3x2", PackedDib(40, 3, 2, 24, 0, 0, 24), none, DibParseOk, 0, 40, 40, false},
        {"1-bit top-down", PackedDib(40, 33, -2, 1, 0, 0, 8 + 16), none, DibParseOk, 2, 40, 48,
         true},
        {"32-bit bit fields, masks after a 40-byte header", PackedDib(40, 2, 2, 32, 3, 0, 12 + 16),
         none, DibParseOk, 0, 52, 52, false},
        {"v5 header, 16-bit bit fields", PackedDib(124, 2, 2, 16, 3, 0, 8), none, DibParseOk, 0,
         124, 124, false},
        {"rows one byte short", PackedDib(40, 10, 2, 8, 0, 0, 1024 + 23), none, DibParseTruncated,
         0, 0, 0, false},
        {"table short", PackedDib(40, 10, 2, 8, 0, 0, 1000), none, DibParseTruncated, 0, 0, 0,
         false},
        {"header only", PackedDib(40, 1, 1, 24, 0, 0, 0), none, DibParseTruncated, 0, 0, 0, false},
        {"39 bytes", PackedDib(40, 1, 1, 24, 0, 0, 4), [](auto& b) { b.resize(39); },
         DibParseTruncated, 0, 0, 0, false},
        {"header size 12", PackedDib(40, 1, 1, 24, 0, 0, 4), [](auto& b) { Put32(b, 0, 12); },
         DibParseBadHeaderSize, 0, 0, 0, false},
        {"v4 header longer than block", PackedDib(40, 1, 1, 24, 0, 0, 4),
         [](auto& b) { Put32(b, 0, 108); }, DibParseTruncated, 0, 0, 0, false},
        {"width 0", PackedDib(40, 0, 1, 24, 0, 0, 4), none, DibParseBadSize, 0, 0, 0, false},
        {"width 65536", PackedDib(40, 65536, 1, 24, 0, 0, 4), none, DibParseBadSize, 0, 0, 0,
         false},
        {"height 0", PackedDib(40, 1, 0, 24, 0, 0, 4), none, DibParseBadSize, 0, 0, 0, false},
        {"height INT_MIN", PackedDib(40, 1, INT32_MIN, 24, 0, 0, 4), none, DibParseBadSize, 0, 0, 0,
         false},
        {"planes 2", PackedDib(40, 1, 1, 24, 0, 0, 4), [](auto& b) { Put16(b, 12, 2); },
         DibParseBadPlanes, 0, 0, 0, false},
        {"bit count 2", PackedDib(40, 1, 1, 2, 0, 0, 64), none, DibParseBadBitCount, 0, 0, 0,
         false},
        {"RLE8", PackedDib(40, 1, 1, 8, 1, 0, 1028), none, DibParseCompressed, 0, 0, 0, false},
        {"bit fields at 24 bits", PackedDib(40, 1, 1, 24, 3, 0, 16), none, DibParseCompressed, 0, 0,
         0, false},
        {"24-bit with a 300-entry table", PackedDib(40, 1, 1, 24, 0, 300, 1204), none,
         DibParseTruncated, 0, 0, 0, false},
        // biClrUsed above what the depth allows: GDI takes that many entries (at most 256)
        // before the rows, so the rows start there and the block must hold them all.
        {"1-bit, biClrUsed 4", PackedDib(40, 33, 2, 1, 0, 4, 16 + 16), none, DibParseOk, 4, 40, 56,
         false},
        {"4-bit, biClrUsed 300", PackedDib(40, 8, 1, 4, 0, 300, 1024 + 4), none, DibParseOk, 256,
         40, 1064, false},
        {"1-bit, biClrUsed 256, two entries in the block", PackedDib(40, 1, 1, 1, 0, 256, 8 + 4),
         none, DibParseTruncated, 0, 0, 0, false},
        {"over 2 GB of rows", PackedDib(40, 65535, 65535, 32, 0, 0, 16), none, DibParseBadSize, 0,
         0, 0, false},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> block = c.block;
        c.change(block);
        PackedDibLayout layout{};
        const DibParseResult result = ParsePackedDib(block.data(), block.size(), &layout);
        EXPECT_EQ(result, c.result) << c.name;
        if (result == DibParseOk && c.result == DibParseOk) {
            EXPECT_EQ(layout.colorCount, c.colorCount) << c.name;
            EXPECT_EQ(layout.tableOffset, c.tableOffset) << c.name;
            EXPECT_EQ(layout.rowOffset, c.rowOffset) << c.name;
            EXPECT_EQ(layout.topDown, c.topDown) << c.name;
            EXPECT_LE(layout.rowOffset + layout.imageBytes, block.size()) << c.name;
        }
    }
}

} // namespace
