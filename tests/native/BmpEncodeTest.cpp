#include "bitmap/BmpHeader.h"
#include "encoders/Bmp.h"
#include "tests/oracles/TestImage.h"

#include <gtest/gtest.h>

namespace {

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
    return b[at] | b[at + 1] << 8;
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return U16(b, at) | U16(b, at + 2) << 16;
}

// Fills every pixel from its position so that a row or column in the wrong place shows.
void FillPattern(TestImage& image) {
    for (size_t i = 0; i < image.table.size(); i += 4)
        SetColor(image, static_cast<int>(i / 4), static_cast<uint32_t>(i * 0x0301F7u) & 0xFFFFFF);
    if (image.bitCount == 32) { // no pixel helper: bytes straight into the rows
        for (size_t i = 0; i < image.dib.size(); ++i)
            image.dib[i] = static_cast<uint8_t>(i * 31 + i / image.stride);
        return;
    }
    const uint32_t mask = image.bitCount == 24 ? 0xFFFFFF : (1u << image.bitCount) - 1;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            SetPixel(image, x, y,
                     (static_cast<uint32_t>(x) * 7 + static_cast<uint32_t>(y) * 13 +
                      static_cast<uint32_t>(x * y)) *
                             0x10101u &
                         mask);
}

TEST(BmpEncode, ThreeByTwo24BitFileBytes) {
    TestImage image = MakeTestImage(3, 2, 24);
    SetPixel(image, 0, 0, 0xFF0000); // top row: red, green, blue
    SetPixel(image, 1, 0, 0x00FF00);
    SetPixel(image, 2, 0, 0x0000FF);
    SetPixel(image, 0, 1, 0x123456); // bottom row
    VectorSink sink;
    ByteSink out = SinkOf(sink);
    ASSERT_EQ(EncodeBmp(DescOf(image), SourceOf(image), out), EncodeOk);
    const std::vector<uint8_t> expected = {
        'B', 'M', 78, 0, 0, 0, 0, 0, 0, 0, 54, 0, 0, 0, // file header
        40, 0, 0, 0, 3, 0, 0, 0, 2, 0, 0, 0, 1, 0, 24, 0, 0, 0, 0, 0, 24, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0,
        // bottom row first: blue, green, red per pixel, 3 bytes of padding
        0x56, 0x34, 0x12, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0, 0xFF, 0, 0xFF, 0, 0, 0, 0, 0};
    EXPECT_EQ(sink.bytes, expected);
}

TEST(BmpEncode, HundredByFifty8BitSizes) {
    TestImage image = MakeTestImage(100, 50, 8);
    FillPattern(image);
    VectorSink sink;
    ByteSink out = SinkOf(sink);
    ASSERT_EQ(EncodeBmp(DescOf(image), SourceOf(image), out), EncodeOk);
    ASSERT_EQ(sink.bytes.size(), 6078u);
    EXPECT_EQ(U32(sink.bytes, 2), 6078u);
    EXPECT_EQ(U32(sink.bytes, 10), 1078u);
    EXPECT_EQ(U32(sink.bytes, 34), 5000u);
    EXPECT_EQ(U32(sink.bytes, 46), 0u); // biClrUsed
    EXPECT_EQ(std::vector<uint8_t>(sink.bytes.begin() + 54, sink.bytes.begin() + 1078),
              image.table);
    EXPECT_EQ(std::vector<uint8_t>(sink.bytes.begin() + 1078, sink.bytes.end()), image.dib);
}

// Whatever the depth and width, the file parses back to the layout it was written with and
// carries the rows unchanged; bands never exceed 65535 bytes unless one row does.
TEST(BmpEncode, RoundTripThroughHeaderParser) {
    struct Case {
        int32_t width, height;
        int bitCount;
    };
    const Case cases[] = {
        {1, 1, 1},  {31, 3, 1},    {33, 700, 1},  {1, 2, 4},      {5, 9, 4},      {7, 3, 8},
        {10, 2, 8}, {655, 100, 8}, {100, 655, 8}, {100, 656, 8},  {1, 1, 24},     {2, 5, 24},
        {3, 2, 24}, {4, 1, 24},    {2, 2, 32},    {16384, 3, 24}, {30000, 2, 32}, {1, 70000 / 2, 8},
    };
    for (const Case& c : cases) {
        TestImage image = MakeTestImage(c.width, c.height, c.bitCount);
        FillPattern(image);
        VectorSink sink;
        ByteSink out = SinkOf(sink);
        ASSERT_EQ(EncodeBmp(DescOf(image), SourceOf(image), out), EncodeOk);
        BmpLayout layout{};
        ASSERT_EQ(ParseBmpHeader(sink.bytes.data(), sink.bytes.size(), sink.bytes.size(), &layout),
                  BmpOk)
            << c.width << "x" << c.height << "@" << c.bitCount;
        EXPECT_EQ(layout.width, c.width);
        EXPECT_EQ(layout.height, c.height);
        EXPECT_EQ(layout.bitCount, c.bitCount);
        EXPECT_EQ(layout.stride, image.stride);
        EXPECT_EQ(layout.tableEntries, ColorTableSize(c.bitCount));
        EXPECT_EQ(layout.offBits + layout.imageSize, sink.bytes.size());
        EXPECT_EQ(U32(sink.bytes, 2), sink.bytes.size());
        EXPECT_TRUE(
            std::equal(image.dib.begin(), image.dib.end(), sink.bytes.begin() + layout.offBits));
        EXPECT_FALSE(image.badFetch);
        int32_t next = 0;
        for (const auto& f : image.fetches) {
            EXPECT_EQ(f.first, next); // bottom band first, bands adjoining
            EXPECT_TRUE(f.second == 1 || f.second * image.stride <= 65535u);
            next += f.second;
        }
        EXPECT_EQ(next, c.height);
    }
}

// 32-bit rows carry the table the caller gives, entry for entry; 1/4/8 bits always a full
// table, entries the caller lacks written as zeros.
TEST(BmpEncode, TableEntriesByDepth) {
    struct Case {
        int bitCount;
        int given;
        uint32_t offBits;
    };
    const Case cases[] = {{32, 0, 54},  {32, 3, 66},  {32, 300, 1254}, {1, 1, 62},
                          {4, 16, 118}, {8, 5, 1078}, {24, 4, 54}};
    for (const Case& c : cases) {
        TestImage image = MakeTestImage(2, 2, c.bitCount);
        std::vector<uint8_t> table(4 * static_cast<size_t>(c.given));
        for (size_t i = 0; i < table.size(); ++i)
            table[i] = static_cast<uint8_t>(0xA0 + i);
        ImageDesc desc = DescOf(image);
        desc.colorTable = table.empty() ? nullptr : table.data();
        desc.colorCount = c.given;
        VectorSink sink;
        ByteSink out = SinkOf(sink);
        ASSERT_EQ(EncodeBmp(desc, SourceOf(image), out), EncodeOk);
        EXPECT_EQ(U32(sink.bytes, 10), c.offBits) << c.bitCount;
        std::vector<uint8_t> expectTable(c.offBits - 54, 0);
        std::copy(table.begin(), table.begin() + std::min(table.size(), expectTable.size()),
                  expectTable.begin());
        EXPECT_EQ(std::vector<uint8_t>(sink.bytes.begin() + 54, sink.bytes.begin() + c.offBits),
                  expectTable)
            << c.bitCount;
    }
}

TEST(BmpEncode, RefusalsAndFailures) {
    struct Case {
        int32_t width, height;
        int bitCount;
        int failFetchAt, failAfterWrites;
        EncodeResult result;
    };
    const Case cases[] = {
        {4, 4, 16, -1, -1, EncodeBadDepth},         {4, 4, 2, -1, -1, EncodeBadDepth},
        {0, 4, 8, -1, -1, EncodeNothing},           {4, 0, 8, -1, -1, EncodeNothing},
        {65536, 1, 1, -1, -1, EncodeTooLarge},      {1, 65536, 1, -1, -1, EncodeTooLarge},
        {65535, 65535, 32, -1, -1, EncodeTooLarge}, // rows alone pass 4 GB
        {100, 700, 8, 0, -1, EncodeFetchFailed},    {100, 700, 8, 1, -1, EncodeFetchFailed},
        {100, 700, 8, -1, 0, EncodeWriteFailed},    {100, 700, 8, -1, 1, EncodeWriteFailed},
        {100, 700, 8, -1, 2, EncodeWriteFailed},
    };
    for (const Case& c : cases) {
        // The image stays tiny for the size refusals: they must come before any fetch.
        const bool small =
            static_cast<int64_t>(c.width) * c.height > 1000000 || c.width < 1 || c.height < 1;
        TestImage image = MakeTestImage(small ? 1 : c.width, small ? 1 : c.height,
                                        c.bitCount == 16 || c.bitCount == 2 ? 8 : c.bitCount);
        image.failFetchAt = c.failFetchAt;
        ImageDesc desc = DescOf(image);
        desc.width = c.width;
        desc.height = c.height;
        desc.bitCount = c.bitCount;
        VectorSink sink;
        sink.failAfterWrites = c.failAfterWrites;
        ByteSink out = SinkOf(sink);
        EXPECT_EQ(EncodeBmp(desc, SourceOf(image), out), c.result)
            << c.width << "x" << c.height << "@" << c.bitCount;
        if (c.result != EncodeOk && c.failFetchAt < 0 && c.failAfterWrites < 0)
            EXPECT_TRUE(sink.bytes.empty() && image.fetches.empty());
    }
}

} // namespace
