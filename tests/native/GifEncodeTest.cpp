#include <gtest/gtest.h>

#include <vector>

#include "LzwTestSupport.h"
#include "encoders/Gif.h"
#include "encoders/MemorySink.h"

namespace {

EncodedFile WriteGif(const ImageDesc& desc, MemoryRows* rows, uint64_t limit = UINT64_MAX) {
    MemorySink mem;
    MemorySinkInit(&mem);
    mem.limit = limit;
    ByteSink sink = MemorySinkByteSink(&mem);
    RowSource source = MemoryRowSource(rows);
    EncodedFile file;
    file.result = EncodeGif(desc, source, sink);
    file.bytes.assign(mem.data, mem.data + mem.size);
    file.writeCalls = mem.writeCalls;
    MemorySinkFree(&mem);
    return file;
}

// What a reader finds in one of our GIF files.
struct GifImage {
    bool ok = false;
    int width = 0, height = 0, colours = 0, rootBits = 0;
    std::vector<uint8_t> palette; // red, green, blue
    std::vector<uint8_t> pixels;  // top row first
    std::vector<int> blocks;
};

GifImage ReadGif(const std::vector<uint8_t>& f) {
    GifImage g;
    if (f.size() < 13 || std::string(f.begin(), f.begin() + 6) != "GIF87a")
        return g;
    g.width = Le16(f, 6);
    g.height = Le16(f, 8);
    if ((f[10] & 0x80) == 0)
        return g;
    g.colours = 2 << (f[10] & 7);
    size_t pos = 13 + 3 * static_cast<size_t>(g.colours);
    g.palette.assign(f.begin() + 13, f.begin() + static_cast<long>(pos));
    if (f.at(pos) != 0x2C || Le16(f, pos + 1) != 0 || Le16(f, pos + 3) != 0 ||
        Le16(f, pos + 5) != g.width || Le16(f, pos + 7) != g.height || f.at(pos + 9) != 0)
        return g;
    g.rootBits = f.at(pos + 10);
    std::vector<uint8_t> data;
    size_t end = 0;
    if (!JoinSubBlocks(f, pos + 11, &data, &end, &g.blocks))
        return g;
    if (end + 1 != f.size() || f[end] != 0x3B)
        return g;
    LzwDecodeTrace trace;
    g.pixels = DecodeGifLzw(data, g.rootBits, &trace);
    g.ok = trace.ok && trace.bytesUsed == data.size() &&
           g.pixels.size() == static_cast<size_t>(g.width) * static_cast<size_t>(g.height);
    return g;
}

// Pixels chosen to show a flipped, mirrored or shifted image: no symmetry, every index in use.
std::vector<uint32_t> Pattern(int32_t width, int32_t height, int bitCount) {
    std::vector<uint32_t> p(static_cast<size_t>(width) * static_cast<size_t>(height));
    const uint32_t mask = (1u << bitCount) - 1;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            p[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)] =
                static_cast<uint32_t>(x * 3 + y * y * 5 + (x > y ? 1 : 0) + (x / 7) * (y % 3)) &
                mask;
    return p;
}

std::vector<uint8_t> GreyTable(int colours) {
    std::vector<uint8_t> t;
    for (int i = 0; i < colours; ++i) {
        uint8_t v = static_cast<uint8_t>(i * 255 / (colours - 1));
        t.insert(t.end(), {v, static_cast<uint8_t>(v / 2), static_cast<uint8_t>(255 - v), 0});
    }
    return t;
}

TEST(GifEncodeTest, OnePixelFilesAreExact) {
    const std::vector<uint8_t> head = {0x47, 0x49, 0x46, 0x38, 0x37, 0x61, 0x01, 0x00, 0x01, 0x00,
                                       0x80, 0x00, 0x00, 0x00, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0x2C,
                                       0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02};
    const uint8_t table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    struct Case {
        uint32_t pixel;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {{0, {0x02, 0x44, 0x01}}, {1, {0x02, 0x4C, 0x01}}};
    for (const Case& c : cases) {
        MemoryRows rows = MakeRows(1, 1, 1, {c.pixel});
        ImageDesc desc = {1, 1, 1, table, 2};
        EncodedFile file = WriteGif(desc, &rows);
        std::vector<uint8_t> expected = head;
        expected.insert(expected.end(), c.data.begin(), c.data.end());
        expected.insert(expected.end(), {0x00, 0x3B});
        EXPECT_EQ(file.result, EncodeOk);
        EXPECT_EQ(file.bytes.size(), 35u);
        EXPECT_EQ(file.bytes, expected) << "pixel " << c.pixel;
    }
}

TEST(GifEncodeTest, FourBitRowOfOneColour) {
    std::vector<uint8_t> table = GreyTable(16);
    MemoryRows rows = MakeRows(4, 1, 4, {5, 5, 5, 5});
    ImageDesc desc = {4, 1, 4, table.data(), 16};
    EncodedFile file = WriteGif(desc, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    ASSERT_EQ(file.bytes.size(), 72u + 7u);
    EXPECT_EQ(file.bytes[10], 0xB3);
    EXPECT_EQ(file.bytes[13 + 48 + 10], 4) << "LZW minimum code size";
    EXPECT_EQ(std::vector<uint8_t>(file.bytes.begin() + 72, file.bytes.end()),
              (std::vector<uint8_t>{0x04, 0xB0, 0xC8, 0x12, 0x01, 0x00, 0x3B}));
}

TEST(GifEncodeTest, HeaderFieldsPerDepth) {
    struct Case {
        int bitCount;
        uint8_t flags;
        int rootBits;
        size_t headerBytes;
    };
    const Case cases[] = {{1, 0x80, 2, 30}, {4, 0xB3, 4, 72}, {8, 0xF7, 8, 792}};
    for (const Case& c : cases) {
        const int colours = 1 << c.bitCount;
        std::vector<uint8_t> table = GreyTable(colours);
        MemoryRows rows = MakeRows(300, 2, c.bitCount, Pattern(300, 2, c.bitCount));
        ImageDesc desc = {300, 2, c.bitCount, table.data(), colours};
        EncodedFile file = WriteGif(desc, &rows);
        ASSERT_EQ(file.result, EncodeOk);
        EXPECT_EQ(std::string(file.bytes.begin(), file.bytes.begin() + 6), "GIF87a");
        EXPECT_EQ(Le16(file.bytes, 6), 300);
        EXPECT_EQ(Le16(file.bytes, 8), 2);
        EXPECT_EQ(file.bytes[10], c.flags);
        EXPECT_EQ(file.bytes[11], 0);
        EXPECT_EQ(file.bytes[12], 0);
        EXPECT_EQ(file.bytes[c.headerBytes - 1], c.rootBits);
        // Red, green, blue from blue, green, red entries.
        for (int i = 0; i < colours; ++i) {
            const uint8_t* q = table.data() + 4 * i;
            ASSERT_EQ(file.bytes[13 + 3 * static_cast<size_t>(i)], q[2]);
            ASSERT_EQ(file.bytes[14 + 3 * static_cast<size_t>(i)], q[1]);
            ASSERT_EQ(file.bytes[15 + 3 * static_cast<size_t>(i)], q[0]);
        }
    }
}

TEST(GifEncodeTest, PixelsRoundTripAtEveryPaddingAndBand) {
    struct Case {
        int bitCount;
        int32_t width;
        int32_t height;
    };
    std::vector<Case> cases;
    for (int bitCount : {1, 4, 8})
        for (int32_t width : {1, 2, 3, 5, 7, 8, 9, 15, 17, 31, 33})
            cases.push_back({bitCount, width, 3});
    // Taller than one band (8-bit, 1000 wide: 65 rows per band), ending on a band exactly, and
    // rows wider than a band.
    cases.push_back({8, 1000, 300});
    cases.push_back({8, 1000, 130});
    cases.push_back({4, 4001, 40});
    cases.push_back({1, 60001, 9});
    cases.push_back({8, 65535, 3});
    for (const Case& c : cases) {
        const int colours = 1 << c.bitCount;
        std::vector<uint8_t> table = GreyTable(colours);
        std::vector<uint32_t> pixels = Pattern(c.width, c.height, c.bitCount);
        MemoryRows rows = MakeRows(c.width, c.height, c.bitCount, pixels);
        ImageDesc desc = {c.width, c.height, c.bitCount, table.data(), colours};
        EncodedFile file = WriteGif(desc, &rows);
        ASSERT_EQ(file.result, EncodeOk) << c.bitCount << " " << c.width;
        GifImage g = ReadGif(file.bytes);
        ASSERT_TRUE(g.ok) << c.bitCount << " " << c.width << "x" << c.height;
        EXPECT_EQ(g.rootBits, c.bitCount == 1 ? 2 : c.bitCount);
        ASSERT_EQ(g.pixels, std::vector<uint8_t>(pixels.begin(), pixels.end()))
            << c.bitCount << " " << c.width << "x" << c.height;
        // Bands of whole rows of at most 65535 bytes, at least one row, top band first.
        const int64_t bandRows = std::max<int64_t>(1, 65535 / static_cast<int64_t>(rows.stride));
        EXPECT_EQ(rows.fetches, (c.height + bandRows - 1) / bandRows);
        EXPECT_LE(rows.largestBand, bandRows);
        EXPECT_EQ(rows.firstLines.back(), 0);
    }
}

TEST(GifEncodeTest, TallImageFetchesBandsTopDown) {
    // 1000 x 300 at 8 bits: 65 rows per band, bands at scan lines 235, 170, 105, 40 and 0.
    MemoryRows rows = MakeRows(1000, 300, 8, Pattern(1000, 300, 8));
    std::vector<uint8_t> table = GreyTable(256);
    ImageDesc desc = {1000, 300, 8, table.data(), 256};
    EXPECT_EQ(WriteGif(desc, &rows).result, EncodeOk);
    EXPECT_EQ(rows.firstLines, (std::vector<int32_t>{235, 170, 105, 40, 0}));
}

TEST(GifEncodeTest, TableFullStreamClearsAndDecodes) {
    // 256 x 256 noise at 8 bits fills the code table many times over.
    std::vector<uint8_t> noise = NoiseBytes(65536, 21);
    MemoryRows rows = MakeRows(256, 256, 8, std::vector<uint32_t>(noise.begin(), noise.end()));
    std::vector<uint8_t> table = GreyTable(256);
    ImageDesc desc = {256, 256, 8, table.data(), 256};
    EncodedFile file = WriteGif(desc, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    GifImage g = ReadGif(file.bytes);
    ASSERT_TRUE(g.ok);
    EXPECT_EQ(g.pixels, noise);
    for (size_t i = 0; i + 1 < g.blocks.size(); ++i)
        ASSERT_EQ(g.blocks[i], 255);
}

TEST(GifEncodeTest, RefusalsWriteNothing) {
    std::vector<uint8_t> table = GreyTable(256);
    struct Case {
        const char* name;
        int32_t width;
        int32_t height;
        int bitCount;
        EncodeResult expected;
    };
    const Case cases[] = {
        {"wide 24-bit", 65536, 1, 24, EncodeTooLarge}, {"16-bit", 4, 4, 16, EncodeBadDepth},
        {"32-bit", 4, 4, 32, EncodeBadDepth},          {"2-bit", 4, 4, 2, EncodeBadDepth},
        {"no width", 0, 4, 8, EncodeNothing},          {"no height", 4, 0, 8, EncodeNothing},
        {"negative", -3, 4, 8, EncodeNothing},         {"wide", 65536, 1, 1, EncodeTooLarge},
        {"tall", 1, 65536, 8, EncodeTooLarge},
    };
    for (const Case& c : cases) {
        MemoryRows rows = MakeRows(1, 1, 8, {0});
        ImageDesc desc = {c.width, c.height, c.bitCount, table.data(), 256};
        EncodedFile file = WriteGif(desc, &rows);
        EXPECT_EQ(file.result, c.expected) << c.name;
        EXPECT_TRUE(file.bytes.empty()) << c.name;
        EXPECT_EQ(rows.fetches, 0) << c.name;
    }
}

TEST(GifEncodeTest, ShortColourTableIsBlackBeyondItsEnd) {
    std::vector<uint8_t> table = {1, 2, 3, 0, 4, 5, 6, 0}; // 2 of 16 entries
    MemoryRows rows = MakeRows(2, 1, 4, {0, 1});
    ImageDesc desc = {2, 1, 4, table.data(), 2};
    EncodedFile file = WriteGif(desc, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    std::vector<uint8_t> expected(48, 0);
    expected[0] = 3, expected[1] = 2, expected[2] = 1, expected[3] = 6, expected[4] = 5,
    expected[5] = 4;
    EXPECT_EQ(std::vector<uint8_t>(file.bytes.begin() + 13, file.bytes.begin() + 61), expected);
}

TEST(GifEncodeTest, SinkAndSourceFailuresStopTheWriter) {
    std::vector<uint8_t> noise = NoiseBytes(300 * 300, 3);
    std::vector<uint8_t> table = GreyTable(256);
    ImageDesc desc = {300, 300, 8, table.data(), 256};
    struct Case {
        const char* name;
        uint64_t limit;
        int failAt;
        EncodeResult expected;
    };
    const Case cases[] = {
        {"header", 100, -1, EncodeWriteFailed},
        {"data", 20000, -1, EncodeWriteFailed},
        {"trailer", 0, -1, EncodeWriteFailed}, // limit set below to the size without trailer
        {"first band", UINT64_MAX, 0, EncodeFetchFailed},
        {"second band", UINT64_MAX, 1, EncodeFetchFailed},
    };
    MemoryRows good = MakeRows(300, 300, 8, std::vector<uint32_t>(noise.begin(), noise.end()));
    const size_t fullSize = WriteGif(desc, &good).bytes.size();
    for (const Case& c : cases) {
        MemoryRows rows = MakeRows(300, 300, 8, std::vector<uint32_t>(noise.begin(), noise.end()));
        rows.failAt = c.failAt;
        uint64_t limit = c.limit == 0 ? fullSize - 1 : c.limit;
        EncodedFile file = WriteGif(desc, &rows, limit);
        EXPECT_EQ(file.result, c.expected) << c.name;
    }
}

} // namespace
