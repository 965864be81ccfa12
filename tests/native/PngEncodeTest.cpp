#include "encoders/Png.h"
#include "tests/oracles/TestImage.h"

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Encode(TestImage& image, EncodeResult expect = EncodeOk) {
    VectorSink sink;
    ByteSink out = SinkOf(sink);
    EXPECT_EQ(EncodePng(DescOf(image), SourceOf(image), out), expect);
    return sink.bytes;
}

uint32_t Be32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) << 24 | static_cast<uint32_t>(b[at + 1]) << 16 |
           static_cast<uint32_t>(b[at + 2]) << 8 | b[at + 3];
}

struct Chunk {
    std::string type;
    Bytes data;
    uint32_t crc;
};

// The chunks of a file, read by their length fields.
std::vector<Chunk> Chunks(const Bytes& file) {
    std::vector<Chunk> chunks;
    size_t at = PngSignatureSize;
    while (at + 12 <= file.size()) {
        const uint32_t length = Be32(file, at);
        if (at + 12 + length > file.size())
            break;
        Chunk c;
        c.type.assign(file.begin() + at + 4, file.begin() + at + 8);
        c.data.assign(file.begin() + at + 8, file.begin() + at + 8 + length);
        c.crc = Be32(file, at + 8 + length);
        chunks.push_back(c);
        at += 12 + length;
    }
    EXPECT_EQ(at, file.size()) << "bytes after the last whole chunk";
    return chunks;
}

// The IDAT data inflated by zlib: the filter bytes and filtered rows.
Bytes Inflated(const std::vector<Chunk>& chunks, size_t expectBytes) {
    Bytes stream;
    for (const Chunk& c : chunks)
        if (c.type == "IDAT")
            stream.insert(stream.end(), c.data.begin(), c.data.end());
    Bytes out(expectBytes + 16);
    uLongf length = static_cast<uLongf>(out.size());
    EXPECT_EQ(uncompress(out.data(), &length, stream.data(), static_cast<uLong>(stream.size())),
              Z_OK);
    out.resize(length);
    return out;
}

// Decodes a PNG with libpng's simplified reader to RGB, top row first.
bool DecodeWithLibpng(const Bytes& file, int32_t* width, int32_t* height, Bytes* rgb) {
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, file.data(), file.size()))
        return false;
    image.format = PNG_FORMAT_RGB;
    rgb->assign(PNG_IMAGE_SIZE(image), 0);
    if (!png_image_finish_read(&image, nullptr, rgb->data(), 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    *width = static_cast<int32_t>(image.width);
    *height = static_cast<int32_t>(image.height);
    return image.warning_or_error == 0;
}

Bytes ExpectedRgb(const TestImage& image) {
    Bytes rgb;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t v = PixelRgb(image, x, y);
            rgb.push_back(static_cast<uint8_t>(v >> 16));
            rgb.push_back(static_cast<uint8_t>(v >> 8));
            rgb.push_back(static_cast<uint8_t>(v));
        }
    return rgb;
}

// Two pixels of one colour, 24 bits: the worked example of the layout. IHDR and IEND CRCs are
// the values zlib.crc32 of Python gives for the same bytes; IEND's is the well-known AE426082.
TEST(PngEncode, TwoByOneRgbFileLayout) {
    TestImage image = MakeTestImage(2, 1, 24);
    SetPixel(image, 0, 0, 0x0A141E);
    SetPixel(image, 1, 0, 0x0A141E);
    const Bytes file = Encode(image);
    ASSERT_GE(file.size(), 8u);
    EXPECT_EQ(Bytes(file.begin(), file.begin() + 8),
              (Bytes{0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A}));
    const std::vector<Chunk> chunks = Chunks(file);
    ASSERT_EQ(chunks.size(), 3u);
    EXPECT_EQ(chunks[0].type, "IHDR");
    EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 2, 0, 0, 0, 1, 8, 2, 0, 0, 0}));
    EXPECT_EQ(chunks[0].crc, 0x7B40E8DDu);
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[2].type, "IEND");
    EXPECT_TRUE(chunks[2].data.empty());
    EXPECT_EQ(chunks[2].crc, 0xAE426082u);
    // None sums 120, Sub 60, Up 120, Average 90, Paeth 60: Sub, the first of the smallest.
    EXPECT_EQ(Inflated(chunks, 7), (Bytes{1, 0x0A, 0x14, 0x1E, 0, 0, 0}));
    // The IDAT CRC, checked against zlib's crc32 of its type and data.
    uLong crc = crc32(0, reinterpret_cast<const Bytef*>("IDAT"), 4);
    crc = crc32(crc, chunks[1].data.data(), static_cast<uInt>(chunks[1].data.size()));
    EXPECT_EQ(chunks[1].crc, static_cast<uint32_t>(crc));
}

// An 8-bit image whose pixels use three table entries of two colours (entry 200 repeats entry
// 5): a 1-bit palette image with exactly red and blue, in the order of their first index.
TEST(PngEncode, PaletteHoldsTheDistinctColoursInUse) {
    TestImage image = MakeTestImage(3, 2, 8);
    for (int i = 0; i < 256; ++i)
        SetColor(image, i, 0x101010u * static_cast<uint32_t>(i % 15));
    SetColor(image, 5, 0xFF0000);
    SetColor(image, 9, 0x0000FF);
    SetColor(image, 200, 0xFF0000);
    const uint32_t pixels[2][3] = {{9, 5, 200}, {5, 9, 9}};
    for (int32_t y = 0; y < 2; ++y)
        for (int32_t x = 0; x < 3; ++x)
            SetPixel(image, x, y, pixels[y][x]);
    const std::vector<Chunk> chunks = Chunks(Encode(image));
    ASSERT_EQ(chunks.size(), 4u);
    EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 3, 0, 0, 0, 2, 1, 3, 0, 0, 0}));
    EXPECT_EQ(chunks[0].crc, 0xA7BAF459u);
    EXPECT_EQ(chunks[1].type, "PLTE");
    EXPECT_EQ(chunks[1].data, (Bytes{0xFF, 0, 0, 0, 0, 0xFF}));
    EXPECT_EQ(chunks[1].crc, 0x6CA1FD8Eu);
    // Unfiltered rows, red = 0 and blue = 1, the first pixel in the top bit.
    EXPECT_EQ(Inflated(chunks, 4), (Bytes{0, 0x80, 0, 0x60}));
}

TEST(PngFilter, EachFilterOnAWorkedRow) {
    // Two RGB pixels under a prior row; expected bytes worked out by hand from the definitions.
    const uint8_t row[6] = {100, 50, 200, 110, 40, 10};
    const uint8_t prior[6] = {90, 95, 255, 100, 100, 0};
    struct Case {
        PngFilter filter;
        Bytes out;
    };
    const Case cases[] = {
        {PngFilterNone, {100, 50, 200, 110, 40, 10}},
        {PngFilterSub, {100, 50, 200, 10, 246, 66}},
        {PngFilterUp, {10, 211, 201, 10, 196, 10}},
        // row - floor((left + up) / 2): 100-45, 50-47, 200-127; 110-100, 40-75, 10-(200+0)/2
        {PngFilterAverage, {55, 3, 73, 10, 221, 166}},
        // First pixel: the predictor is up. Second: a = left, b = up, c = upper left.
        // R: a100 b100 c90 p110 -> pa10 pb10 pc20 -> a: 10. G: a50 b100 c95 p55 -> pa5 pb45
        // pc40 -> a: 246. B: a200 b0 c255 p-55 -> pa255 pb55 pc310 -> b: 10.
        {PngFilterPaeth, {10, 211, 201, 10, 246, 10}},
    };
    for (const Case& c : cases) {
        Bytes out(6, 0xEE);
        PngFilterRow(c.filter, row, prior, 6, 3, out.data());
        EXPECT_EQ(out, c.out) << "filter " << int(c.filter);
    }
}

// The chooser's one-pass sums against each filter's output summed byte by byte, on random rows
// and rows of few values (where ties happen): same filter, same bytes. Rows whose Up output sums
// to at most their length (rows equal to the one above among them) go to Up.
TEST(PngFilter, ChooserAgreesWithEachFiltersOwnOutput) {
    uint32_t seed = 99;
    auto next = [&seed] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 16;
    };
    for (int round = 0; round < 400; ++round) {
        const size_t bpp = round % 2 ? 3 : 1;
        const size_t n = 1 + next() % 40;
        const uint32_t spread = round % 3 == 0 ? 3 : 256;
        Bytes row(n), prior(n);
        for (size_t i = 0; i < n; ++i) {
            row[i] = static_cast<uint8_t>(next() % spread * (255 / (spread - 1)));
            prior[i] = static_cast<uint8_t>(next() % spread * (255 / (spread - 1)));
        }
        if (round % 7 == 0)
            prior = row;
        uint64_t best = ~0ull;
        int expect = -1;
        Bytes expectBytes;
        uint64_t upSum = 0;
        for (int f = 0; f < 5; ++f) {
            Bytes out(n);
            PngFilterRow(static_cast<PngFilter>(f), row.data(), prior.data(), n, bpp, out.data());
            uint64_t sum = 0;
            for (uint8_t v : out)
                sum += v < 128 ? v : 256 - v;
            if (f == PngFilterUp)
                upSum = sum;
            if (sum < best) {
                best = sum;
                expect = f;
                expectBytes = out;
            }
        }
        Bytes got(n, 0xEE);
        const PngFilter chosen = PngChooseFilter(row.data(), prior.data(), n, bpp, got.data());
        if (round % 7 == 0) {
            EXPECT_EQ(PngFilterUp, chosen);
            EXPECT_EQ(Bytes(n, 0), got);
        } else if (upSum <= n) {
            EXPECT_EQ(PngFilterUp, chosen) << "round " << round;
        } else {
            EXPECT_EQ(expect, static_cast<int>(chosen)) << "round " << round;
            EXPECT_EQ(expectBytes, got) << "round " << round;
        }
    }
}

// Up is taken at once when its output averages at most 1 per byte, even where another filter
// would sum less; one more and the full trial decides. Worked by hand: 30 bytes of 5 (bpp 3)
// under 30 bytes of 4 give Up 30 x 1 = 30, Sub 3 x 5 = 15 and Paeth 3 x 1 = 3 (left predicts
// exactly after the first pixel). With the last byte above 3, Up sums 31; Paeth predicts that
// byte from the upper left (a 5, b 3, c 4: p 4, distances 1, 1, 0) and sums 4, the smallest.
TEST(PngFilter, UpIsTakenWhenItLeavesAtMostOnePerByte) {
    const size_t n = 30, bpp = 3;
    const Bytes row(n, 5);
    Bytes prior(n, 4);
    Bytes out(n, 0xEE);
    EXPECT_EQ(PngFilterUp, PngChooseFilter(row.data(), prior.data(), n, bpp, out.data()));
    EXPECT_EQ(Bytes(n, 1), out);
    prior[n - 1] = 3;
    EXPECT_EQ(PngFilterPaeth, PngChooseFilter(row.data(), prior.data(), n, bpp, out.data()));
    Bytes paeth(n, 0);
    paeth[0] = paeth[1] = paeth[2] = paeth[n - 1] = 1;
    EXPECT_EQ(paeth, out);
}

// Every depth, with sizes that cross band boundaries and every row-padding remainder, decodes
// through libpng to the colours encoded.
TEST(PngEncode, RoundTripThroughLibpng) {
    struct Case {
        int32_t width, height;
        int bitCount;
        int colours; // table entries the pixels use
    };
    const Case cases[] = {
        {1, 1, 1, 2},   {7, 5, 1, 2},       {9, 3, 1, 1},       {2000, 70, 1, 2},
        {5, 4, 4, 16},  {3, 7, 4, 3},       {1000, 140, 4, 16}, {1, 1, 8, 1},
        {5, 3, 8, 200}, {655, 300, 8, 256}, {1000, 131, 8, 17}, {1, 1, 24, 0},
        {5, 3, 24, 0},  {1000, 43, 24, 0},  {22000, 3, 24, 0},
    };
    uint32_t seed = 12345;
    for (const Case& c : cases) {
        TestImage image = MakeTestImage(c.width, c.height, c.bitCount);
        const int entries = ColorTableSize(c.bitCount);
        for (int i = 0; i < entries; ++i)
            SetColor(image, i, (static_cast<uint32_t>(i) * 0x9E3779B1u) & 0xFFFFFF);
        for (int32_t y = 0; y < c.height; ++y)
            for (int32_t x = 0; x < c.width; ++x) {
                seed = seed * 1103515245u + 12345u;
                const uint32_t r = seed >> 8;
                // Half the rows screen-like (runs), half noise.
                const uint32_t v =
                    (y & 1) ? r : static_cast<uint32_t>(x / 13 + y / 7) * 2654435761u;
                SetPixel(image, x, y,
                         c.bitCount == 24 ? (v & 0xFFFFFF) : v % static_cast<uint32_t>(c.colours));
            }
        const Bytes file = Encode(image);
        int32_t width = 0, height = 0;
        Bytes rgb;
        ASSERT_TRUE(DecodeWithLibpng(file, &width, &height, &rgb))
            << c.width << "x" << c.height << " at " << c.bitCount;
        EXPECT_EQ(width, c.width);
        EXPECT_EQ(height, c.height);
        EXPECT_TRUE(rgb == ExpectedRgb(image))
            << c.width << "x" << c.height << " at " << c.bitCount;
        EXPECT_FALSE(image.badFetch);
        // Palette images fetch every row twice (colours in use, then the rows); none more.
        uint64_t rows = 0;
        for (const auto& f : image.fetches)
            rows += static_cast<uint64_t>(f.second);
        EXPECT_EQ(rows, static_cast<uint64_t>(c.height) * (c.bitCount == 24 ? 1 : 2));
    }
}

TEST(PngEncode, RefusalsAndFailures) {
    TestImage empty = MakeTestImage(0, 0, 24);
    Encode(empty, EncodeNothing);
    TestImage deep = MakeTestImage(2, 2, 16);
    Encode(deep, EncodeBadDepth);

    TestImage image = MakeTestImage(300, 400, 24);
    for (int32_t y = 0; y < 400; ++y)
        for (int32_t x = 0; x < 300; ++x)
            SetPixel(image, x, y, static_cast<uint32_t>(x * y * 2654435761u) & 0xFFFFFF);
    image.failFetchAt = 3;
    Encode(image, EncodeFetchFailed);
    image.failFetchAt = -1;
    image.fetches.clear();
    // Every write position of the sink fails once: each gives EncodeWriteFailed.
    VectorSink full;
    ByteSink probe = SinkOf(full);
    ASSERT_EQ(EncodePng(DescOf(image), SourceOf(image), probe), EncodeOk);
    const int writes = full.writes;
    ASSERT_GT(writes, 4);
    for (int n = 0; n < writes; ++n) {
        VectorSink sink;
        sink.failAfterWrites = n;
        ByteSink out = SinkOf(sink);
        EXPECT_EQ(EncodePng(DescOf(image), SourceOf(image), out), EncodeWriteFailed) << n;
    }
}

} // namespace
