// Colour reduction of 24-bit images for GIF: the exact path, the reduced palette and its error,
// error diffusion, band independence; files read back by giflib.
#include <gtest/gtest.h>

#include <gif_lib.h>

#include <cmath>
#include <cstring>
#include <set>
#include <vector>

#include "encoders/Gif.h"
#include "encoders/Quantize.h"
#include "tests/oracles/GifMemoryRead.h"
#include "tests/oracles/TestImage.h"

namespace {

// What giflib reads from a GIF in memory: the global colour table and each pixel's colour.
struct Decoded {
    bool ok = false;
    int tableSize = 0;
    int codeSize = 0;
    std::vector<uint32_t> table; // 0xRRGGBB
    std::vector<uint8_t> index;  // top row first
    std::vector<uint32_t> rgb;   // top row first
};

Decoded DecodeGif(const std::vector<uint8_t>& bytes) {
    Decoded d;
    MemoryGif reader = {bytes.data(), bytes.size(), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    if (gif == nullptr)
        return d;
    if (DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1 && gif->SColorMap != nullptr) {
        d.tableSize = gif->SColorMap->ColorCount;
        for (int i = 0; i < d.tableSize; ++i) {
            const GifColorType& c = gif->SColorMap->Colors[i];
            d.table.push_back(uint32_t(c.Red) << 16 | uint32_t(c.Green) << 8 | c.Blue);
        }
        const SavedImage& image = gif->SavedImages[0];
        const size_t n = size_t(image.ImageDesc.Width) * size_t(image.ImageDesc.Height);
        d.index.assign(image.RasterBits, image.RasterBits + n);
        d.ok = true;
        for (uint8_t i : d.index) {
            d.ok = d.ok && i < d.tableSize;
            d.rgb.push_back(i < d.tableSize ? d.table[i] : 0);
        }
        d.codeSize = bytes.size() > 13 + 3 * size_t(d.tableSize) + 10
                         ? bytes[13 + 3 * size_t(d.tableSize) + 10]
                         : 0;
    }
    DGifCloseFile(gif, &error);
    return d;
}

std::vector<uint8_t> WriteGif(TestImage& image, bool dither) {
    VectorSink out;
    ByteSink sink = SinkOf(out);
    EXPECT_EQ(EncodeOk, EncodeGif(DescOf(image), SourceOf(image), sink, dither));
    return out.bytes;
}

std::vector<uint32_t> Pixels(const TestImage& image) {
    std::vector<uint32_t> p;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            p.push_back(PixelRgb(image, x, y));
    return p;
}

// An image of `colours` distinct colours, spread over the cube so that red and blue differ, in a
// pattern without symmetry; every colour appears.
TestImage ImageOfColours(int32_t width, int32_t height, int colours) {
    TestImage image = MakeTestImage(width, height, 24);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t i = uint32_t(y * width + x) * 7919u % uint32_t(colours);
            SetPixel(image, x, y, (i * 2654435761u) >> 8 & 0xFFFFFF);
        }
    return image;
}

// Red along x, green along y, blue fixed: 65536 colours in a square of the cube.
TestImage Gradient() {
    TestImage image = MakeTestImage(256, 256, 24);
    for (int32_t y = 0; y < 256; ++y)
        for (int32_t x = 0; x < 256; ++x)
            SetPixel(image, x, y, uint32_t(x) << 16 | uint32_t(y) << 8 | 0x80);
    return image;
}

double Channel(uint32_t rgb, int c) {
    return double(rgb >> (8 * c) & 0xFF);
}

// Root-mean-square distance between two pictures, per pixel over red, green and blue.
double RmsError(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
    double sum = 0;
    for (size_t i = 0; i < a.size(); ++i)
        for (int c = 0; c < 3; ++c)
            sum += std::pow(Channel(a[i], c) - Channel(b[i], c), 2);
    return std::sqrt(sum / double(a.size()));
}

// The same distance between averages over blocks of 8 x 8 pixels: what the eye sees from afar.
double BlockRmsError(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b, int width) {
    const int height = int(a.size()) / width;
    double sum = 0;
    int blocks = 0;
    for (int by = 0; by + 8 <= height; by += 8)
        for (int bx = 0; bx + 8 <= width; bx += 8, ++blocks)
            for (int c = 0; c < 3; ++c) {
                double d = 0;
                for (int y = by; y < by + 8; ++y)
                    for (int x = bx; x < bx + 8; ++x)
                        d += Channel(a[size_t(y * width + x)], c) -
                             Channel(b[size_t(y * width + x)], c);
                sum += std::pow(d / 64, 2);
            }
    return std::sqrt(sum / blocks);
}

TEST(QuantizeTest, AtMost256ColoursKeepEveryPixelWithATableOfJustThem) {
    const struct {
        int colours, tableSize, codeSize;
    } cases[] = {{1, 2, 2},   {2, 2, 2},     {3, 4, 2},    {5, 8, 3},
                 {17, 32, 5}, {255, 256, 8}, {256, 256, 8}};
    for (const auto& c : cases) {
        TestImage image = ImageOfColours(37, 23, c.colours);
        const Decoded gif = DecodeGif(WriteGif(image, true));
        ASSERT_TRUE(gif.ok) << c.colours;
        EXPECT_EQ(c.tableSize, gif.tableSize) << c.colours;
        EXPECT_EQ(c.codeSize, gif.codeSize) << c.colours;
        EXPECT_EQ(Pixels(image), gif.rgb) << c.colours;
        std::set<uint8_t> used(gif.index.begin(), gif.index.end());
        EXPECT_EQ(size_t(c.colours), used.size());
        EXPECT_EQ(c.colours - 1, int(*used.rbegin())) << "the colours come first";
    }
}

TEST(QuantizeTest, MoreColoursReduceTo256WithEveryIndexInRange) {
    TestImage noise = MakeTestImage(61, 47, 24);
    uint32_t state = 12345;
    for (int32_t y = 0; y < noise.height; ++y)
        for (int32_t x = 0; x < noise.width; ++x) {
            state = state * 1664525u + 1013904223u;
            SetPixel(noise, x, y, state >> 8);
        }
    TestImage images[] = {ImageOfColours(37, 23, 257), noise, Gradient()};
    for (TestImage& image : images)
        for (bool dither : {false, true}) {
            EncodeResult result = EncodeNothing;
            ColourMap* map = ColourMapBuild(DescOf(image), SourceOf(image), dither, &result);
            ASSERT_NE(nullptr, map);
            EXPECT_FALSE(ColourMapIsExact(map));
            EXPECT_LE(ColourMapSize(map), 256);
            EXPECT_GE(ColourMapSize(map), 200) << "a palette that uses its room";
            std::vector<uint8_t> row(size_t(image.width));
            for (int32_t y = 0; y < image.height; ++y) {
                ColourMapRow(map, TopRow(image, y), row.data());
                for (uint8_t i : row)
                    ASSERT_LT(i, ColourMapSize(map));
            }
            ColourMapFree(map);
            const Decoded gif = DecodeGif(WriteGif(image, dither));
            EXPECT_TRUE(gif.ok);
            EXPECT_EQ(256, gif.tableSize);
        }
}

TEST(QuantizeTest, GradientErrorStaysWithinTheBoundOfItsSquare) {
    // 65536 colours filling a 256 x 256 square of the cube share 256 entries: at best squares of
    // 16 x 16 levels, whose pixels lie 16 / sqrt(6) = 6.5 levels from the centre on average
    // (root mean square). Perceptual spacing makes the cells uneven; allowed: 25 % more.
    TestImage image = Gradient();
    const Decoded plain = DecodeGif(WriteGif(image, false));
    const Decoded dithered = DecodeGif(WriteGif(image, true));
    ASSERT_TRUE(plain.ok && dithered.ok);
    const double bound = 16 / std::sqrt(6.0) * 1.25;
    EXPECT_LT(RmsError(Pixels(image), plain.rgb), bound);
    // Dithering trades pixel error for local averages that follow the gradient.
    EXPECT_NE(plain.index, dithered.index);
    EXPECT_LT(BlockRmsError(Pixels(image), dithered.rgb, 256),
              0.5 * BlockRmsError(Pixels(image), plain.rgb, 256));
    EXPECT_LT(RmsError(Pixels(image), dithered.rgb), 2 * bound);
}

TEST(QuantizeTest, BandsOfEveryHeightGiveTheSamePaletteAndIndices) {
    TestImage image = Gradient();
    for (int32_t y = 100; y < 140; ++y) // a flat stripe and a second run of colours
        for (int32_t x = 0; x < 256; ++x)
            SetPixel(image, x, y, x < 128 ? 0x204060u : uint32_t(x * 0x010101));
    std::vector<uint8_t> first;
    for (int32_t band : {0, 1, 2, 3, 7, 100, 255, 256}) {
        EncodeResult result = EncodeNothing;
        ColourMap* map = ColourMapBuild(DescOf(image), SourceOf(image), false, &result, band);
        ASSERT_NE(nullptr, map);
        std::vector<uint8_t> out(ColourMapColours(map), ColourMapColours(map) + 3 * 256);
        std::vector<uint8_t> row(256);
        for (int32_t y = 0; y < 256; ++y) {
            ColourMapRow(map, TopRow(image, y), row.data());
            out.insert(out.end(), row.begin(), row.end());
        }
        ColourMapFree(map);
        if (first.empty())
            first = out;
        EXPECT_EQ(first, out) << "band of " << band << " rows";
    }
    EXPECT_EQ(WriteGif(image, true), WriteGif(image, true));
}

TEST(QuantizeTest, BadInputWritesNothing) {
    TestImage image = ImageOfColours(40, 30, 300);
    for (int failAt : {0, 1}) {
        image.failFetchAt = failAt;
        image.fetches.clear();
        VectorSink out;
        ByteSink sink = SinkOf(out);
        EXPECT_EQ(EncodeFetchFailed, EncodeGif(DescOf(image), SourceOf(image), sink));
        EXPECT_EQ(failAt == 0, out.bytes.empty()) << "a first pass that fails writes nothing";
    }
    EncodeResult result = EncodeOk;
    ImageDesc desc = DescOf(image);
    desc.bitCount = 32;
    EXPECT_EQ(nullptr, ColourMapBuild(desc, SourceOf(image), false, &result));
    EXPECT_EQ(EncodeBadDepth, result);
}

} // namespace
