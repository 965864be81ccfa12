#include <gtest/gtest.h>

#include <map>
#include <vector>

#include "LzwTestSupport.h"
#include "encoders/DibRules.h"
#include "encoders/MemorySink.h"
#include "encoders/Tif.h"

namespace {

EncodedFile WriteTif(const ImageDesc& desc, TifCompression compression, MemoryRows* rows,
                     uint64_t limit = UINT64_MAX) {
    MemorySink mem;
    MemorySinkInit(&mem);
    mem.limit = limit;
    ByteSink sink = MemorySinkByteSink(&mem);
    RowSource source = MemoryRowSource(rows);
    EncodedFile file;
    file.result = EncodeTif(desc, compression, source, sink);
    file.bytes.assign(mem.data, mem.data + mem.size);
    file.writeCalls = mem.writeCalls;
    MemorySinkFree(&mem);
    return file;
}

std::vector<uint8_t> Hex(const char* text) {
    std::vector<uint8_t> out;
    int digits = 0, value = 0;
    for (const char* p = text; *p != 0; ++p) {
        int d = *p >= '0' && *p <= '9' ? *p - '0' : *p >= 'A' && *p <= 'F' ? *p - 'A' + 10 : -1;
        if (d < 0)
            continue;
        value = value * 16 + d;
        if (++digits == 2) {
            out.push_back(static_cast<uint8_t>(value));
            digits = value = 0;
        }
    }
    return out;
}

struct Entry {
    uint16_t type = 0;
    uint32_t count = 0;
    uint32_t value = 0; // the value field as a LONG (or a SHORT in its first two bytes)
    size_t at = 0;      // file offset of the entry
};

// What a reader finds in one of our TIFF files: the entries by tag, and each strip decoded back
// to raw rows.
struct TifFile {
    bool ok = false;
    std::map<uint16_t, Entry> tags;
    std::vector<uint32_t> offsets;
    std::vector<uint32_t> counts;
    std::vector<std::vector<uint8_t>> strips; // decoded
    std::vector<uint8_t> raw;                 // all strips' rows joined
};

std::vector<uint8_t> UnpackBits(const uint8_t* p, size_t n) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < n) {
        int8_t c = static_cast<int8_t>(p[i++]);
        if (c >= 0) {
            out.insert(out.end(), p + i, p + i + c + 1);
            i += static_cast<size_t>(c) + 1;
        } else if (c != -128) {
            out.insert(out.end(), static_cast<size_t>(1 - c), p[i++]);
        }
    }
    return out;
}

uint32_t Value(const std::vector<uint8_t>& f, const Entry& e, uint32_t i) {
    uint32_t size = e.type == 3 ? 2 : 4;
    size_t at = size * e.count <= 4 ? e.at + 8 : e.value;
    at += static_cast<size_t>(size) * i;
    return size == 2 ? Le16(f, at) : Le32(f, at);
}

TifFile ReadTif(const std::vector<uint8_t>& f) {
    TifFile t;
    if (f.size() < 8 || f[0] != 'I' || f[1] != 'I' || Le16(f, 2) != 42)
        return t;
    size_t ifd = Le32(f, 4);
    uint16_t n = Le16(f, ifd);
    for (uint16_t i = 0; i < n; ++i) {
        size_t at = ifd + 2 + 12 * static_cast<size_t>(i);
        Entry e;
        e.type = Le16(f, at + 2);
        e.count = Le32(f, at + 4);
        e.value = Le32(f, at + 8);
        e.at = at;
        t.tags[Le16(f, at)] = e;
    }
    if (Le32(f, ifd + 2 + 12 * static_cast<size_t>(n)) != 0)
        return t;
    const Entry& offsets = t.tags[273];
    const Entry& counts = t.tags[279];
    if (offsets.count != counts.count)
        return t;
    const uint32_t compression = Value(f, t.tags[259], 0);
    for (uint32_t s = 0; s < offsets.count; ++s) {
        uint32_t off = Value(f, offsets, s);
        uint32_t cnt = Value(f, counts, s);
        t.offsets.push_back(off);
        t.counts.push_back(cnt);
        if (static_cast<uint64_t>(off) + cnt > f.size())
            return t;
        std::vector<uint8_t> strip;
        if (compression == 1) {
            strip.assign(f.begin() + off, f.begin() + off + cnt);
        } else if (compression == 32773) {
            strip = UnpackBits(f.data() + off, cnt);
        } else if (compression == 5) {
            LzwDecodeTrace trace;
            strip =
                DecodeTiffLzw(std::vector<uint8_t>(f.begin() + off, f.begin() + off + cnt), &trace);
            if (!trace.ok || trace.bytesUsed != cnt || trace.maxWidth > 12)
                return t;
        } else {
            return t;
        }
        t.raw.insert(t.raw.end(), strip.begin(), strip.end());
        t.strips.push_back(strip);
    }
    t.ok = true;
    return t;
}

// The rows as a reader expects them: top row first, no padding, red-green-blue at 24 bits.
std::vector<uint8_t> ExpectedRaw(const MemoryRows& rows, int32_t width, int bitCount) {
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(width, bitCount));
    std::vector<uint8_t> out;
    for (int32_t y = rows.height - 1; y >= 0; --y) {
        const uint8_t* line = rows.dib.data() + static_cast<uint64_t>(y) * rows.stride;
        std::vector<uint8_t> row(line, line + rowBytes);
        if (bitCount == 24)
            for (size_t x = 0; x < rowBytes; x += 3)
                std::swap(row[x], row[x + 2]);
        out.insert(out.end(), row.begin(), row.end());
    }
    return out;
}

std::vector<uint32_t> Pattern(int32_t width, int32_t height, int bitCount, uint32_t seed) {
    std::vector<uint32_t> p(static_cast<size_t>(width) * static_cast<size_t>(height));
    std::vector<uint8_t> noise = NoiseBytes(p.size() * 3, seed);
    for (size_t i = 0; i < p.size(); ++i) {
        size_t x = i % static_cast<size_t>(width), y = i / static_cast<size_t>(width);
        uint32_t v = x < y ? 0x123456u : static_cast<uint32_t>(x * 7 + y); // no symmetry
        if ((x / 5 + y / 3) % 4 == 0)
            v = noise[3 * i] | noise[3 * i + 1] << 8 |
                static_cast<uint32_t>(noise[3 * i + 2]) << 16;
        p[i] = bitCount == 24 ? v & 0xFFFFFF : v & ((1u << bitCount) - 1);
    }
    return p;
}

std::vector<uint8_t> ColourTable(int colours) {
    std::vector<uint8_t> t;
    for (int i = 0; i < colours; ++i)
        t.insert(t.end(), {static_cast<uint8_t>(i * 3), static_cast<uint8_t>(i * 5 + 1),
                           static_cast<uint8_t>(255 - i), 0});
    return t;
}

const uint8_t BlackWhite[8] = {0, 0, 0, 0, 255, 255, 255, 0};

TEST(TifEncodeTest, OnePixelFileIsExact) {
    MemoryRows rows = MakeRows(1, 1, 1, {1});
    ImageDesc desc = {1, 1, 1, BlackWhite, 2};
    EncodedFile file = WriteTif(desc, TifNone, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    EXPECT_EQ(file.bytes, Hex("49 49 2A 00 1E 00 00 00 08 00 08 00 08 00"
                              "01 00 00 00 01 00 00 00 01 00 00 00 01 00 00 00 0D 00"
                              "00 01 04 00 01 00 00 00 01 00 00 00"
                              "01 01 04 00 01 00 00 00 01 00 00 00"
                              "02 01 03 00 01 00 00 00 01 00 00 00"
                              "03 01 03 00 01 00 00 00 01 00 00 00"
                              "06 01 03 00 01 00 00 00 01 00 00 00"
                              "11 01 04 00 01 00 00 00 C0 00 00 00"
                              "15 01 03 00 01 00 00 00 01 00 00 00"
                              "16 01 04 00 01 00 00 00 00 20 00 00"
                              "17 01 03 00 01 00 00 00 01 00 00 00"
                              "1A 01 05 00 01 00 00 00 0E 00 00 00"
                              "1B 01 05 00 01 00 00 00 16 00 00 00"
                              "28 01 03 00 01 00 00 00 01 00 00 00"
                              "3D 01 03 00 01 00 00 00 01 00 00 00"
                              "00 00 00 00 80"));
}

TEST(TifEncodeTest, StripLayouts) {
    struct Case {
        const char* name;
        int32_t width, height;
        int bitCount;
        TifCompression compression;
        uint32_t rowsPerStrip, strips, headerBytes, compressionTag;
    };
    const Case cases[] = {
        {"640x480 8-bit LZW 8k", 640, 480, 8, TifLzw8k, 12, 40, 1740, 5},
        {"640x480 8-bit LZW 16k", 640, 480, 8, TifLzw16k, 25, 20, 1740, 5},
        {"two strips", 640, 20, 8, TifNone, 12, 2, 1740, 1},
        {"one short strip", 640, 5, 8, TifPackBits, 12, 1, 1740, 32773},
        {"ends on a strip", 100, 243, 24, TifNone, 27, 9, 192, 1},
        {"4-bit", 33, 700, 4, TifLzw8k, 481, 2, 300, 5},
        {"1-bit", 81, 9000, 1, TifPackBits, 744, 13, 192, 32773},
        {"row longer than a strip", 3000, 5, 24, TifLzw8k, 1, 5, 192, 5},
        {"row longer than 16k", 6000, 3, 24, TifLzw16k, 1, 3, 192, 5},
    };
    for (const Case& c : cases) {
        const int colours = ColorTableSize(c.bitCount);
        std::vector<uint8_t> table = c.bitCount == 1
                                         ? std::vector<uint8_t>(BlackWhite, BlackWhite + 8)
                                         : ColourTable(colours);
        MemoryRows rows =
            MakeRows(c.width, c.height, c.bitCount, Pattern(c.width, c.height, c.bitCount, 3));
        ImageDesc desc = {c.width, c.height, c.bitCount, table.data(), colours};
        TifLayout layout;
        ASSERT_EQ(TifPlan(desc, c.compression, &layout), EncodeOk) << c.name;
        EXPECT_EQ(layout.rowsPerStrip, c.rowsPerStrip) << c.name;
        EXPECT_EQ(layout.strips, c.strips) << c.name;
        EXPECT_EQ(layout.headerBytes, c.headerBytes) << c.name;

        EncodedFile file = WriteTif(desc, c.compression, &rows);
        ASSERT_EQ(file.result, EncodeOk) << c.name;
        TifFile t = ReadTif(file.bytes);
        ASSERT_TRUE(t.ok) << c.name;
        EXPECT_EQ(t.tags[259].value & 0xFFFF, c.compressionTag) << c.name;
        EXPECT_EQ(t.tags[278].value, c.rowsPerStrip) << c.name;
        EXPECT_EQ(t.tags[273].count, c.strips) << c.name;
        EXPECT_EQ(t.tags[279].type, 3) << c.name;
        EXPECT_EQ(t.raw, ExpectedRaw(rows, c.width, c.bitCount)) << c.name;
        // Strips follow the header back to back, top strip first; each holds its rows.
        uint64_t pos = c.headerBytes;
        const uint64_t rowBytes = DibRowBytes(c.width, c.bitCount);
        for (uint32_t s = 0; s < c.strips; ++s) {
            EXPECT_EQ(t.offsets[s], pos) << c.name << " strip " << s;
            pos += t.counts[s];
            uint64_t n = s + 1 < c.strips ? c.rowsPerStrip
                                          : c.height - static_cast<uint64_t>(s) * c.rowsPerStrip;
            EXPECT_EQ(t.strips[s].size(), n * rowBytes) << c.name << " strip " << s;
        }
        // The tables after the last strip: offsets (2+ strips), then SHORT counts (3+ strips).
        const uint64_t arrays =
            (c.strips >= 2 ? 4 * c.strips : 0) + (c.strips >= 3 ? 2 * c.strips : 0);
        EXPECT_EQ(file.bytes.size(), pos + arrays) << c.name;
        EXPECT_EQ(Le32(file.bytes, 100), c.strips == 1 ? c.headerBytes : pos) << c.name;
        if (c.strips >= 3) {
            EXPECT_EQ(Le32(file.bytes, 136), pos + 4 * c.strips) << c.name;
        }
        // Rows come a strip at a time.
        EXPECT_EQ(rows.fetches, static_cast<int>(c.strips)) << c.name;
        EXPECT_LE(rows.largestBand, static_cast<int32_t>(c.rowsPerStrip)) << c.name;
    }
}

TEST(TifEncodeTest, DepthFields) {
    struct Case {
        int bitCount;
        uint32_t entries, bitsCount, bitsValue, photometric, samples;
    };
    const Case cases[] = {
        {1, 13, 1, 1, 1, 1}, {4, 14, 1, 4, 3, 1}, {8, 14, 1, 8, 3, 1}, {24, 13, 3, 8, 2, 3}};
    for (const Case& c : cases) {
        const int colours = ColorTableSize(c.bitCount);
        std::vector<uint8_t> table = c.bitCount == 1
                                         ? std::vector<uint8_t>(BlackWhite, BlackWhite + 8)
                                         : ColourTable(colours);
        MemoryRows rows = MakeRows(7, 3, c.bitCount, Pattern(7, 3, c.bitCount, 1));
        ImageDesc desc = {7, 3, c.bitCount, table.data(), colours};
        EncodedFile file = WriteTif(desc, TifNone, &rows);
        ASSERT_EQ(file.result, EncodeOk);
        TifFile t = ReadTif(file.bytes);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(Le16(file.bytes, 30), c.entries);
        EXPECT_EQ(t.tags[258].count, c.bitsCount);
        EXPECT_EQ(c.bitsCount == 3 ? t.tags[258].value : t.tags[258].value & 0xFFFF, c.bitsValue);
        EXPECT_EQ(Le16(file.bytes, 8), 8);
        EXPECT_EQ(Le16(file.bytes, 10), 8);
        EXPECT_EQ(Le16(file.bytes, 12), 8);
        EXPECT_EQ(t.tags[262].value, c.photometric);
        EXPECT_EQ(t.tags[277].value, c.samples);
        EXPECT_EQ(t.tags[282].value, 14u);
        EXPECT_EQ(Le32(file.bytes, 14), 7u);
        EXPECT_EQ(Le32(file.bytes, 22), 3u);
        EXPECT_EQ(t.tags.count(320), c.entries == 14 ? 1u : 0u);
        EXPECT_EQ(t.raw, ExpectedRaw(rows, 7, c.bitCount));
    }
}

TEST(TifEncodeTest, ColorMapHoldsRedsThenGreensThenBlues) {
    std::vector<uint8_t> table = ColourTable(16);
    table[4 * 3 + 2] = 0x80; // entry 3: red 0x80
    MemoryRows rows = MakeRows(2, 2, 4, {0, 1, 2, 3});
    ImageDesc desc = {2, 2, 4, table.data(), 16};
    EncodedFile file = WriteTif(desc, TifNone, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    TifFile t = ReadTif(file.bytes);
    ASSERT_TRUE(t.ok);
    EXPECT_EQ(t.tags[320].count, 48u);
    EXPECT_EQ(t.tags[320].value, 204u);
    EXPECT_EQ(Le16(file.bytes, 204 + 2 * 3), 0x8000);
    for (int i = 0; i < 16; ++i) {
        ASSERT_EQ(Le16(file.bytes, 204 + 2 * static_cast<size_t>(i)), table[4 * i + 2] << 8);
        ASSERT_EQ(Le16(file.bytes, 236 + 2 * static_cast<size_t>(i)), table[4 * i + 1] << 8);
        ASSERT_EQ(Le16(file.bytes, 268 + 2 * static_cast<size_t>(i)), table[4 * i] << 8);
    }
    EXPECT_EQ(t.offsets[0], 300u);
}

TEST(TifEncodeTest, TwoColourImageOtherThanBlackAndWhiteKeepsItsColours) {
    // White on black would read inverted as black-is-zero; red and blue would be lost.
    const uint8_t whiteBlack[8] = {255, 255, 255, 0, 0, 0, 0, 0};
    const uint8_t redBlue[8] = {0, 0, 255, 0, 255, 0, 0, 0};
    for (const uint8_t* table : {whiteBlack, redBlue}) {
        MemoryRows rows = MakeRows(9, 2, 1, Pattern(9, 2, 1, 4));
        ImageDesc desc = {9, 2, 1, table, 2};
        EncodedFile file = WriteTif(desc, TifPackBits, &rows);
        ASSERT_EQ(file.result, EncodeOk);
        TifFile t = ReadTif(file.bytes);
        ASSERT_TRUE(t.ok);
        EXPECT_EQ(t.tags[262].value, 3u);
        ASSERT_EQ(t.tags[320].count, 6u);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(Le16(file.bytes, 204 + 2 * static_cast<size_t>(i)), table[4 * i + 2] << 8);
            EXPECT_EQ(Le16(file.bytes, 208 + 2 * static_cast<size_t>(i)), table[4 * i + 1] << 8);
            EXPECT_EQ(Le16(file.bytes, 212 + 2 * static_cast<size_t>(i)), table[4 * i] << 8);
        }
        EXPECT_EQ(t.offsets[0], 216u);
        EXPECT_EQ(t.raw, ExpectedRaw(rows, 9, 1));
    }
}

TEST(TifEncodeTest, PackBitsRowsNeverShareARun) {
    MemoryRows rows = MakeRows(40, 2, 8, std::vector<uint32_t>(80, 7));
    std::vector<uint8_t> table = ColourTable(256);
    ImageDesc desc = {40, 2, 8, table.data(), 256};
    EncodedFile file = WriteTif(desc, TifPackBits, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    EXPECT_EQ(std::vector<uint8_t>(file.bytes.begin() + 1740, file.bytes.begin() + 1744),
              (std::vector<uint8_t>{0xD9, 7, 0xD9, 7}));
    EXPECT_EQ(Le16(file.bytes, 136), 4);
}

TEST(TifEncodeTest, TableFullLzwStripReadsBackWithEarlyChange) {
    // 128 x 128 noise in one 16k strip fills the code table several times.
    std::vector<uint8_t> noise = NoiseBytes(16384, 8);
    MemoryRows rows = MakeRows(128, 128, 8, std::vector<uint32_t>(noise.begin(), noise.end()));
    std::vector<uint8_t> table = ColourTable(256);
    ImageDesc desc = {128, 128, 8, table.data(), 256};
    EncodedFile file = WriteTif(desc, TifLzw16k, &rows);
    ASSERT_EQ(file.result, EncodeOk);
    TifFile t = ReadTif(file.bytes);
    ASSERT_TRUE(t.ok);
    ASSERT_EQ(t.offsets.size(), 1u);
    LzwDecodeTrace trace;
    std::vector<uint8_t> strip(file.bytes.begin() + t.offsets[0],
                               file.bytes.begin() + t.offsets[0] + t.counts[0]);
    EXPECT_EQ(DecodeTiffLzw(strip, &trace), ExpectedRaw(rows, 128, 8));
    EXPECT_GE(trace.clears, 2);
    EXPECT_EQ(trace.maxWidth, 12);
    EXPECT_EQ(trace.maxEntry, 4092);
    for (int width : trace.clearWidths)
        EXPECT_EQ(width, 12);
    for (int codes : trace.codesBeforeClear)
        EXPECT_EQ(codes, 3836);
}

// 16384-wide rows at 24 bits: every row is a strip of its own; noise compressed with LZW grows past
// 65535 bytes a strip, so the byte counts become LONG.
TEST(TifEncodeTest, WideRowsAndLongByteCounts) {
    struct Case {
        const char* name;
        int32_t height;
        TifCompression compression;
        bool noise;
        bool longCounts;
    };
    const Case cases[] = {
        {"none, 1 strip", 1, TifNone, true, false},
        {"packbits, 3 strips", 3, TifPackBits, true, false},
        {"lzw noise, 1 strip", 1, TifLzw8k, true, true},
        {"lzw noise, 2 strips", 2, TifLzw16k, true, true},
        {"lzw noise, 3 strips", 3, TifLzw8k, true, true},
        {"lzw flat, 3 strips", 3, TifLzw8k, false, false},
    };
    const int32_t width = 16384;
    for (const Case& c : cases) {
        std::vector<uint32_t> pixels(static_cast<size_t>(width) * static_cast<size_t>(c.height),
                                     0x102030);
        if (c.noise)
            pixels = Pattern(width, c.height, 24, 9);
        if (c.noise)
            for (size_t i = 0; i < pixels.size(); ++i)
                pixels[i] = static_cast<uint32_t>(i * 2654435761u >> 8) & 0xFFFFFF;
        MemoryRows rows = MakeRows(width, c.height, 24, pixels);
        ImageDesc desc = {width, c.height, 24, nullptr, 0};
        EncodedFile file = WriteTif(desc, c.compression, &rows);
        ASSERT_EQ(file.result, EncodeOk) << c.name;
        TifFile t = ReadTif(file.bytes);
        ASSERT_TRUE(t.ok) << c.name;
        EXPECT_EQ(t.tags[278].value, 1u) << c.name;
        EXPECT_EQ(t.offsets.size(), static_cast<size_t>(c.height)) << c.name;
        EXPECT_EQ(t.raw, ExpectedRaw(rows, width, 24)) << c.name;
        EXPECT_EQ(t.tags[279].type, c.longCounts ? 4 : 3) << c.name;
        uint32_t largest = 0;
        for (uint32_t count : t.counts)
            largest = std::max(largest, count);
        EXPECT_EQ(largest >= 65536, c.longCounts) << c.name;
        // One LONG count sits in the entry; two or more LONG counts in an array after the offsets.
        if (c.longCounts && c.height == 1) {
            EXPECT_EQ(Le32(file.bytes, 136), t.counts[0]) << c.name;
        }
        if (c.longCounts && c.height >= 2) {
            EXPECT_EQ(Le32(file.bytes, 136), Le32(file.bytes, 100) + 4 * c.height) << c.name;
            EXPECT_EQ(file.bytes.size(), Le32(file.bytes, 136) + 4u * c.height) << c.name;
        }
    }
}

TEST(TifEncodeTest, RefusalsWriteNothing) {
    struct Case {
        const char* name;
        int32_t width, height;
        int bitCount;
        TifCompression compression;
        EncodeResult expected;
    };
    const Case cases[] = {
        {"16-bit", 4, 4, 16, TifNone, EncodeBadDepth},
        {"32-bit", 4, 4, 32, TifNone, EncodeBadDepth},
        {"2-bit", 4, 4, 2, TifNone, EncodeBadDepth},
        {"unknown compression", 4, 4, 8, static_cast<TifCompression>(7), EncodeBadDepth},
        {"no width", 0, 4, 8, TifNone, EncodeNothing},
        {"no height", 4, 0, 8, TifLzw8k, EncodeNothing},
        {"row too long", 0x7FFFFFFF, 1, 24, TifNone, EncodeTooLarge},
    };
    for (const Case& c : cases) {
        MemoryRows rows = MakeRows(1, 1, 8, {0});
        std::vector<uint8_t> table = ColourTable(256);
        ImageDesc desc = {c.width, c.height, c.bitCount, table.data(), 256};
        EncodedFile file = WriteTif(desc, c.compression, &rows);
        EXPECT_EQ(file.result, c.expected) << c.name;
        EXPECT_TRUE(file.bytes.empty()) << c.name;
        EXPECT_EQ(rows.fetches, 0) << c.name;
    }
}

TEST(TifEncodeTest, SinkAndSourceFailuresStopTheWriter) {
    std::vector<uint8_t> table = ColourTable(256);
    ImageDesc desc = {300, 300, 8, table.data(), 256};
    std::vector<uint32_t> pixels = Pattern(300, 300, 8, 5);
    for (TifCompression compression : {TifNone, TifPackBits, TifLzw8k}) {
        MemoryRows good = MakeRows(300, 300, 8, pixels);
        const size_t fullSize = WriteTif(desc, compression, &good).bytes.size();
        struct Case {
            const char* name;
            uint64_t limit;
            int failAt;
            EncodeResult expected;
        };
        const Case cases[] = {
            {"header", 100, -1, EncodeWriteFailed},
            {"strips", 20000, -1, EncodeWriteFailed},
            {"tables", fullSize - 1, -1, EncodeWriteFailed},
            {"first strip", UINT64_MAX, 0, EncodeFetchFailed},
            {"third strip", UINT64_MAX, 2, EncodeFetchFailed},
        };
        for (const Case& c : cases) {
            MemoryRows rows = MakeRows(300, 300, 8, pixels);
            rows.failAt = c.failAt;
            EXPECT_EQ(WriteTif(desc, compression, &rows, c.limit).result, c.expected)
                << c.name << " " << compression;
        }
    }
}

} // namespace
