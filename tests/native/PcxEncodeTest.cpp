#include "encoders/Pcx.h"
#include "tests/oracles/PcxReference.h"
#include "tests/oracles/TestImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(TestImage& image, EncodeResult expect = EncodeOk) {
    VectorSink sink;
    ByteSink out = SinkOf(sink);
    EXPECT_EQ(EncodePcx(DescOf(image), SourceOf(image), out), expect);
    return sink.bytes;
}

Bytes Slice(const Bytes& b, size_t from, size_t to) {
    return Bytes(b.begin() + from, b.begin() + to);
}

TEST(PcxRunLength, Examples) {
    struct Case {
        Bytes line;
        Bytes encoded;
    };
    const Case cases[] = {
        {{0x05, 0x05, 0xC8}, {0xC2, 0x05, 0xC1, 0xC8}},
        {Bytes(64, 0x10), {0xFF, 0x10, 0x10}},
        {{0xFF}, {0xC1, 0xFF}},
        {{0xBF}, {0xBF}},
        {{0xC0}, {0xC1, 0xC0}},
        {Bytes(63, 0xC5), {0xFF, 0xC5}},
        {Bytes(126, 0x07), {0xFF, 0x07, 0xFF, 0x07}},
        {Bytes(127, 0xE0), {0xFF, 0xE0, 0xFF, 0xE0, 0xC1, 0xE0}},
        {{0x01, 0x02, 0x02, 0x03}, {0x01, 0xC2, 0x02, 0x03}},
        {{0x00, 0x00}, {0xC2, 0x00}},
        {{}, {}},
    };
    for (const Case& c : cases) {
        Bytes out(2 * c.line.size() + 1, 0xEE);
        const size_t n = PcxRunLength(c.line.data(), c.line.size(), out.data());
        out.resize(n);
        EXPECT_EQ(out, c.encoded) << "line of " << c.line.size();
    }
}

// The 1 x 1 1-bit image whose pixel is 1: header, one body byte, 129 bytes in all.
TEST(PcxEncode, OneByOne1BitFile) {
    TestImage image = MakeTestImage(1, 1, 1);
    SetColor(image, 0, 0x102030);
    SetColor(image, 1, 0xA0B0C0);
    SetPixel(image, 0, 0, 1);
    const Bytes file = Encode(image);
    Bytes expected(128, 0);
    expected[0] = 0x0A;
    expected[1] = 5;
    expected[2] = 1;
    expected[3] = 1;                                            // BitsPerPixel
    const uint8_t map[] = {0x10, 0x20, 0x30, 0xA0, 0xB0, 0xC0}; // entries 0 and 1, red first
    std::copy(std::begin(map), std::end(map), expected.begin() + 16);
    expected[65] = 1; // NPlanes
    expected[66] = 1; // BytesPerLine
    expected[68] = 1; // PaletteInfo
    expected[70] = 1; // screen 1 x 1
    expected[72] = 1;
    expected.push_back(0x80);
    EXPECT_EQ(file, expected);
}

TEST(PcxEncode, ThreeByOne8BitFileWithTrailer) {
    TestImage image = MakeTestImage(3, 1, 8);
    for (int i = 0; i < 256; ++i)
        SetColor(image, i,
                 static_cast<uint32_t>(i) << 16 | static_cast<uint32_t>(255 - i) << 8 |
                     static_cast<uint32_t>(i ^ 0x5A));
    SetPixel(image, 0, 0, 0x05);
    SetPixel(image, 1, 0, 0x05);
    SetPixel(image, 2, 0, 0xC8);
    const Bytes file = Encode(image);
    ASSERT_EQ(file.size(), 901u);
    EXPECT_EQ(file[3], 8);
    EXPECT_EQ(file[65], 1);
    EXPECT_EQ(file[66], 3); // BytesPerLine odd: not rounded up
    EXPECT_EQ(file[67], 0);
    EXPECT_EQ(file[8], 2);  // Xmax
    EXPECT_EQ(file[10], 0); // Ymax
    // Header map: the first 16 entries.
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(Slice(file, 16 + 3 * i, 19 + 3 * i),
                  (Bytes{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A)}));
    EXPECT_EQ(Slice(file, 128, 132), (Bytes{0xC2, 0x05, 0xC1, 0xC8}));
    EXPECT_EQ(file[132], 0x0C);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(Slice(file, 133 + 3 * i, 136 + 3 * i),
                  (Bytes{uint8_t(i), uint8_t(255 - i), uint8_t(i ^ 0x5A)}));
}

TEST(PcxEncode, EightByOne4BitPlanes) {
    TestImage image = MakeTestImage(8, 1, 4);
    for (int x = 0; x < 8; ++x)
        SetPixel(image, x, 0, static_cast<uint32_t>(x));
    ASSERT_EQ(Slice(image.dib, 0, 4), (Bytes{0x01, 0x23, 0x45, 0x67}));
    const Bytes file = Encode(image);
    ASSERT_EQ(file.size(), 132u);
    EXPECT_EQ(file[3], 1);
    EXPECT_EQ(file[65], 4);
    EXPECT_EQ(file[66], 1);
    EXPECT_EQ(Slice(file, 128, 132), (Bytes{0x55, 0x33, 0x0F, 0x00}));
}

TEST(PcxEncode, TwentyFourBitPlanesAndHeader) {
    TestImage image = MakeTestImage(2, 2, 24);
    SetPixel(image, 0, 0, 0x030201); // top row
    SetPixel(image, 1, 0, 0x060504);
    SetPixel(image, 0, 1, 0xC9C8C7); // bottom row
    SetPixel(image, 1, 1, 0x0C0B0A);
    const Bytes file = Encode(image);
    EXPECT_EQ(file[3], 8);
    EXPECT_EQ(file[65], 3);
    EXPECT_EQ(file[66], 2);
    EXPECT_EQ(file[68], 0); // PaletteInfo
    EXPECT_EQ(Slice(file, 16, 64), Bytes(48, 0));
    const Bytes body = {0x03, 0x06, 0x02, 0x05, 0x01, 0x04, // top: red, green, blue
                        0xC1, 0xC9, 0x0C, 0xC1, 0xC8, 0x0B, 0xC1, 0xC7, 0x0A}; // bottom
    EXPECT_EQ(Slice(file, 128, file.size()), body);                            // no trailer
}

TEST(PcxEncode, RowsNeverShareARun) {
    TestImage image = MakeTestImage(4, 3, 8); // every pixel index 7
    std::fill(image.dib.begin(), image.dib.end(), 7);
    const Bytes file = Encode(image);
    EXPECT_EQ(Slice(file, 128, file.size() - 769), (Bytes{0xC4, 7, 0xC4, 7, 0xC4, 7}));
}

// Patterned images of every depth through the reference reader: each pixel's colour, every
// padding remainder, band boundaries crossed and met exactly.
TEST(PcxEncode, RoundTripThroughReferenceReader) {
    struct Case {
        int32_t width, height;
        int bitCount;
    };
    const Case cases[] = {
        {1, 1, 1},     {7, 3, 1},     {9, 5, 1},      {33, 2, 1},    {1, 1, 4},      {3, 2, 4},
        {9, 3, 4},     {17, 4, 4},    {1, 1, 8},      {5, 4, 8},     {6, 4, 8},      {7, 4, 8},
        {8, 4, 8},     {655, 100, 8}, {100, 655, 8},  {100, 656, 8}, {100, 1310, 8}, {1, 1, 24},
        {2, 3, 24},    {3, 2, 24},    {4, 5, 24},     {5, 1, 24},    {21845, 3, 24}, {21846, 2, 24},
        {16384, 2, 4}, {2048, 40, 1}, {1000, 300, 8},
    };
    for (const Case& c : cases) {
        TestImage image = MakeTestImage(c.width, c.height, c.bitCount);
        uint32_t state = 0x12345u + static_cast<uint32_t>(c.width);
        for (size_t i = 0; i < image.table.size(); i += 4)
            SetColor(image, static_cast<int>(i / 4), static_cast<uint32_t>(i * 0x9E3779B1u) >> 8);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                state = state * 1103515245u + 12345u;
                // Runs of equal pixels interleaved with noise.
                const uint32_t v = (x / 5 + y) % 3 == 0 ? static_cast<uint32_t>(y) : state >> 8;
                SetPixel(image, x, y,
                         c.bitCount == 24 ? v & 0xFFFFFF : v & ((1u << c.bitCount) - 1));
            }
        const Bytes file = Encode(image);
        const PcxDecoded d = DecodePcxReference(file);
        ASSERT_TRUE(d.ok) << c.width << "x" << c.height << "@" << c.bitCount << ": " << d.error;
        ASSERT_EQ(d.width, c.width);
        ASSERT_EQ(d.height, c.height);
        size_t wrong = 0;
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x)
                wrong += d.rgb[static_cast<size_t>(y) * c.width + x] != PixelRgb(image, x, y);
        EXPECT_EQ(wrong, 0u) << c.width << "x" << c.height << "@" << c.bitCount;
        EXPECT_FALSE(image.badFetch);
        // Bands from the top down, adjoining, none above 65535 bytes unless a single row.
        int32_t top = c.height;
        for (const auto& f : image.fetches) {
            EXPECT_EQ(f.first + f.second, top);
            EXPECT_TRUE(f.second == 1 || f.second * image.stride <= 65535u);
            top = f.first;
        }
        EXPECT_EQ(top, 0);
    }
}

TEST(PcxEncode, RefusalsAndFailures) {
    struct Case {
        int32_t width, height;
        int bitCount;
        int failFetchAt, failAfterWrites;
        EncodeResult result;
    };
    const Case cases[] = {
        {4, 4, 32, -1, -1, EncodeBadDepth},       {4, 4, 16, -1, -1, EncodeBadDepth},
        {4, 4, 2, -1, -1, EncodeBadDepth},        {0, 4, 8, -1, -1, EncodeNothing},
        {4, -1, 8, -1, -1, EncodeNothing},        {65536, 1, 8, -1, -1, EncodeTooLarge},
        {1, 65536, 1, -1, -1, EncodeTooLarge},    {1000, 300, 8, 0, -1, EncodeFetchFailed},
        {1000, 300, 8, 2, -1, EncodeFetchFailed}, {1000, 300, 8, -1, 0, EncodeWriteFailed},
        {1000, 300, 8, -1, 1, EncodeWriteFailed}, {64, 1, 8, -1, 2, EncodeWriteFailed},
    };
    for (const Case& c : cases) {
        const bool small = c.width < 1 || c.height < 1 || c.width > 60000 || c.height > 60000;
        const int depth =
            (c.bitCount == 1 || c.bitCount == 4 || c.bitCount == 8 || c.bitCount == 24) ? c.bitCount
                                                                                        : 8;
        TestImage image = MakeTestImage(small ? 1 : c.width, small ? 1 : c.height, depth);
        image.failFetchAt = c.failFetchAt;
        ImageDesc desc = DescOf(image);
        desc.width = c.width;
        desc.height = c.height;
        desc.bitCount = c.bitCount;
        VectorSink sink;
        sink.failAfterWrites = c.failAfterWrites;
        ByteSink out = SinkOf(sink);
        EXPECT_EQ(EncodePcx(desc, SourceOf(image), out), c.result)
            << c.width << "x" << c.height << "@" << c.bitCount;
        if (c.failFetchAt < 0 && c.failAfterWrites < 0)
            EXPECT_TRUE(sink.bytes.empty() && image.fetches.empty());
    }
}

// The widest and tallest images the header can describe, at the depth with the longest rows:
// rows are synthesised per fetch so that only one band exists at a time.
TEST(PcxEncode, LargestHeaderSizes) {
    struct Synth {
        size_t stride;
        int fetches = 0;
    };
    struct Case {
        int32_t width, height;
        int bitCount;
    };
    const Case cases[] = {{65535, 2, 24}, {65535, 2, 4}, {8, 65535, 8}};
    for (const Case& c : cases) {
        Synth synth{static_cast<size_t>(DibStride(c.width, c.bitCount))};
        RowSource source{&synth, [](void* ctx, int32_t first, int32_t count, uint8_t* dest) {
                             Synth& s = *static_cast<Synth*>(ctx);
                             ++s.fetches;
                             for (size_t i = 0; i < s.stride * static_cast<size_t>(count); ++i)
                                 dest[i] = static_cast<uint8_t>((first + i / s.stride) * 3 + i % 7);
                             return true;
                         }};
        ImageDesc desc{c.width, c.height, c.bitCount, nullptr, 0};
        VectorSink sink;
        ByteSink out = SinkOf(sink);
        ASSERT_EQ(EncodePcx(desc, source, out), EncodeOk);
        const PcxDecoded d = DecodePcxReference(sink.bytes);
        ASSERT_TRUE(d.ok) << d.error;
        EXPECT_EQ(d.width, c.width);
        EXPECT_EQ(d.height, c.height);
    }
}

} // namespace
