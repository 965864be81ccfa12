#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "LzwTestSupport.h"
#include "encoders/Lzw.h"
#include "encoders/MemorySink.h"

namespace {

// Hands out the symbols in pieces of `piece` (the GIF writer gives one row per call).
struct VectorSymbols {
    const std::vector<uint8_t>* symbols;
    size_t piece;
    size_t pos;
    int failAtCall;
    int calls;
};

bool NextSymbols(void* context, const uint8_t** symbols, size_t* count) {
    VectorSymbols* v = static_cast<VectorSymbols*>(context);
    if (v->calls++ == v->failAtCall)
        return false;
    size_t left = v->symbols->size() - v->pos;
    *count = left < v->piece ? left : v->piece;
    *symbols = v->symbols->data() + v->pos;
    v->pos += *count;
    return true;
}

struct Output {
    EncodeResult result;
    std::vector<uint8_t> bytes;
    std::vector<size_t> writes; // size of each write call
    uint64_t stripBytes = 0;
};

// A sink that records the size of every write; fails once more than `limit` bytes were asked for.
struct RecordingSink {
    Output* out;
    size_t limit;
};

bool RecordWrite(void* context, const uint8_t* data, size_t count) {
    RecordingSink* s = static_cast<RecordingSink*>(context);
    if (s->out->bytes.size() + count > s->limit)
        return false;
    s->out->bytes.insert(s->out->bytes.end(), data, data + count);
    s->out->writes.push_back(count);
    return true;
}

bool NoSeek(void*, uint64_t) {
    return false;
}

Output EncodeGifSymbols(const std::vector<uint8_t>& symbols, int rootBits, size_t piece = 1 << 30,
                        size_t limit = SIZE_MAX, int failAtCall = -1) {
    Output out;
    RecordingSink rec = {&out, limit};
    ByteSink sink = {&rec, RecordWrite, NoSeek};
    VectorSymbols v = {&symbols, piece, 0, failAtCall, 0};
    LzwSymbolSource source = {&v, NextSymbols};
    LzwTable* table = LzwTableNew();
    out.result = LzwEncodeGif(table, rootBits, source, sink);
    LzwTableFree(table);
    return out;
}

Output EncodeStrip(const std::vector<uint8_t>& data, size_t limit = SIZE_MAX) {
    Output out;
    RecordingSink rec = {&out, limit};
    ByteSink sink = {&rec, RecordWrite, NoSeek};
    LzwTable* table = LzwTableNew();
    out.result = LzwEncodeStrip(table, data.data(), data.size(), sink, &out.stripBytes);
    LzwTableFree(table);
    return out;
}

// Splits a stream into codes of fixed width (for the short examples, where the width never grows).
std::vector<int> CodesMsb(const std::vector<uint8_t>& bytes, int width, size_t count) {
    std::vector<int> codes;
    for (size_t c = 0; c < count; ++c) {
        int code = 0;
        for (int i = 0; i < width; ++i) {
            size_t bit = c * static_cast<size_t>(width) + static_cast<size_t>(i);
            code = (code << 1) | ((bytes.at(bit / 8) >> (7 - bit % 8)) & 1);
        }
        codes.push_back(code);
    }
    return codes;
}

std::vector<uint8_t> Repeat(uint8_t value, size_t n) {
    return std::vector<uint8_t>(n, value);
}

// A screen-like byte stream: long runs of a background value with short distinct patches.
std::vector<uint8_t> ScreenBytes(size_t n) {
    std::vector<uint8_t> out(n, 0xF0);
    std::vector<uint8_t> noise = NoiseBytes(n, 7);
    for (size_t i = 0; i < n; ++i)
        if (i % 97 < 11)
            out[i] = static_cast<uint8_t>(noise[i] % 5);
    return out;
}

// The compressor's rules taken one step at a time, with 5-field nodes, codes written bit by bit and
// the data cut into sub-blocks afterwards: a second, slower statement of the same bytes. A TIFF
// stream clears right after code 4093 is assigned; a GIF stream on the first miss after 4095.
std::vector<uint8_t> StepByStepLzw(const std::vector<uint8_t>& input, int rootBits, bool tiff) {
    struct Node {
        uint16_t firstChild = 0xFFFF, nextSibling = 0xFFFF;
        uint8_t symbol = 0;
    };
    std::vector<Node> nodes(4096);
    const int clear = 1 << rootBits;
    int nextCode = 0, width = 0, growLimit = 0;
    std::vector<uint8_t> data;
    int pending = 0, pendingBits = 0; // GIF: bits from the low end; TIFF: from the high end
    auto emit = [&](int code) {
        for (int i = 0; i < width; ++i) {
            int bit = tiff ? (code >> (width - 1 - i)) & 1 : (code >> i) & 1;
            pending |= tiff ? bit << (7 - pendingBits) : bit << pendingBits;
            if (++pendingBits == 8) {
                data.push_back(static_cast<uint8_t>(pending));
                pending = pendingBits = 0;
            }
        }
    };
    auto reset = [&] {
        nextCode = clear + 2;
        width = rootBits + 1;
        growLimit = tiff ? (1 << width) - 1 : 1 << width;
        for (int i = 0; i < clear; ++i)
            nodes[static_cast<size_t>(i)].firstChild = 0xFFFF;
    };
    reset();
    emit(clear);
    if (!input.empty()) {
        int prefix = input[0];
        for (size_t i = 1; i < input.size(); ++i) {
            const uint8_t symbol = input[i];
            int child = nodes[static_cast<size_t>(prefix)].firstChild, last = -1;
            while (child != 0xFFFF && nodes[static_cast<size_t>(child)].symbol != symbol) {
                last = child;
                child = nodes[static_cast<size_t>(child)].nextSibling;
            }
            if (child != 0xFFFF) {
                prefix = child;
                continue;
            }
            const int assigned = nextCode;
            if (assigned < 4096) {
                if (last < 0)
                    nodes[static_cast<size_t>(prefix)].firstChild = static_cast<uint16_t>(assigned);
                else
                    nodes[static_cast<size_t>(last)].nextSibling = static_cast<uint16_t>(assigned);
                nodes[static_cast<size_t>(assigned)] = Node{0xFFFF, 0xFFFF, symbol};
                nextCode += 1;
            }
            emit(prefix);
            if (tiff && assigned == 4093) {
                emit(clear);
                reset();
            } else if (assigned >= growLimit) {
                if (width < 12) {
                    width += 1;
                    growLimit = tiff ? 2 * growLimit + 1 : 2 * growLimit;
                } else {
                    emit(clear);
                    reset();
                }
            }
            prefix = symbol;
        }
        emit(prefix);
        if (nextCode >= growLimit && width < 12)
            width += 1;
    }
    emit(clear + 1);
    if (pendingBits > 0)
        data.push_back(static_cast<uint8_t>(pending));
    if (tiff)
        return data;
    std::vector<uint8_t> blocks;
    for (size_t pos = 0; pos < data.size(); pos += 255) {
        size_t n = std::min<size_t>(255, data.size() - pos);
        blocks.push_back(static_cast<uint8_t>(n));
        blocks.insert(blocks.end(), data.begin() + static_cast<long>(pos),
                      data.begin() + static_cast<long>(pos + n));
    }
    return blocks;
}

TEST(LzwTest, AgreesWithStepByStepRules) {
    // Lengths around the table filling, alphabets from one symbol to all of them.
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        const int rootBits = seed % 3 == 0 ? 2 : seed % 3 == 1 ? 4 : 8;
        const size_t n = seed * 997 % 30000;
        std::vector<uint8_t> input = NoiseBytes(n, seed);
        const int alphabet =
            seed % 4 == 0 ? 1 << rootBits : std::min(1 << rootBits, 1 + static_cast<int>(seed % 7));
        for (uint8_t& b : input)
            b = static_cast<uint8_t>(b % alphabet);
        ASSERT_EQ(EncodeGifSymbols(input, rootBits, 1 + seed * 13).bytes,
                  StepByStepLzw(input, rootBits, false))
            << "GIF seed " << seed;
        if (rootBits == 8 || seed % 4 == 1) {
            ASSERT_EQ(EncodeStrip(input).bytes, StepByStepLzw(input, 8, true))
                << "TIFF seed " << seed;
        }
    }
}

TEST(LzwTest, WorkedExamples) {
    struct Case {
        const char* name;
        bool tiff;
        int rootBits;
        std::vector<uint8_t> input;
        std::vector<uint8_t> expected; // GIF: with the sub-block count byte
    };
    const Case cases[] = {
        {"gif abc", false, 8, {0x61, 0x62, 0x63}, {0x06, 0x00, 0xC3, 0x88, 0x19, 0x13, 0x10}},
        {"tif abc", true, 8, {0x61, 0x62, 0x63}, {0x80, 0x18, 0x4C, 0x46, 0x38, 0x08}},
        {"tif aaaa", true, 8, {0x61, 0x61, 0x61, 0x61}, {0x80, 0x18, 0x60, 0x46, 0x18, 0x08}},
        {"gif 2-bit", false, 2, {0, 1, 1, 1, 1, 0}, {0x03, 0x44, 0x1E, 0x50}},
        // 4 x 1 pixels of index 5 at 4 bits: codes 16, 5, 18, 5, 17 at 5 bits.
        {"gif 4-bit", false, 4, {5, 5, 5, 5}, {0x04, 0xB0, 0xC8, 0x12, 0x01}},
        // 1 x 1 pixel 0 and pixel 1 at 1 bit (LZW minimum code size 2).
        {"gif pixel 0", false, 2, {0}, {0x02, 0x44, 0x01}},
        {"gif pixel 1", false, 2, {1}, {0x02, 0x4C, 0x01}},
    };
    for (const Case& c : cases) {
        Output out = c.tiff ? EncodeStrip(c.input) : EncodeGifSymbols(c.input, c.rootBits);
        EXPECT_EQ(out.result, EncodeOk) << c.name;
        EXPECT_EQ(out.bytes, c.expected) << c.name;
        if (c.tiff) {
            EXPECT_EQ(out.stripBytes, c.expected.size()) << c.name;
        } else {
            // The same symbols one at a time give the same bytes.
            EXPECT_EQ(EncodeGifSymbols(c.input, c.rootBits, 1).bytes, c.expected) << c.name;
        }
    }
}

TEST(LzwTest, SingleByteStripIsClearByteEnd) {
    for (int b : {0, 0x41, 0xFF}) {
        Output out = EncodeStrip({static_cast<uint8_t>(b)});
        ASSERT_EQ(out.result, EncodeOk);
        EXPECT_EQ(out.bytes.size(), 4u); // 27 bits
        EXPECT_EQ(CodesMsb(out.bytes, 9, 3), (std::vector<int>{256, b, 257})) << b;
        EXPECT_EQ(out.bytes[3] & 0x1F, 0) << "padding bits are zero";
    }
}

TEST(LzwTest, RoundTripsThroughReferenceDecoders) {
    struct Case {
        const char* name;
        int rootBits;
        std::vector<uint8_t> symbols;
    };
    std::vector<uint8_t> ramp(5000);
    for (size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = static_cast<uint8_t>(i * 7 / 3);
    const Case cases[] = {
        {"one symbol", 8, {9}},
        {"long run", 8, Repeat(0x33, 100000)},
        {"ramp", 8, ramp},
        {"screen", 8, ScreenBytes(60000)},
        {"noise", 8, NoiseBytes(70000, 1)},
        {"noise 4-bit", 4, NoiseBytes(40000, 2)},
        {"noise 2-bit", 2, NoiseBytes(40000, 3)},
        {"run 2-bit", 2, Repeat(3, 20000)},
    };
    for (const Case& c : cases) {
        const uint8_t mask = static_cast<uint8_t>((1 << c.rootBits) - 1);
        std::vector<uint8_t> symbols = c.symbols;
        for (uint8_t& s : symbols)
            s &= mask;

        Output gif = EncodeGifSymbols(symbols, c.rootBits, 333);
        ASSERT_EQ(gif.result, EncodeOk) << c.name;
        std::vector<uint8_t> data;
        size_t end = 0;
        // The compressor writes no terminator: its blocks run to the end of the bytes without
        // one, and join once a terminator is added.
        EXPECT_FALSE(JoinSubBlocks(gif.bytes, 0, &data, &end, nullptr))
            << c.name << ": a terminator inside the compressor's output";
        std::vector<uint8_t> terminated = gif.bytes;
        terminated.push_back(0);
        ASSERT_TRUE(JoinSubBlocks(terminated, 0, &data, &end, nullptr)) << c.name;
        EXPECT_EQ(end, terminated.size()) << c.name;
        LzwDecodeTrace trace;
        EXPECT_EQ(DecodeGifLzw(data, c.rootBits, &trace), symbols) << c.name;
        EXPECT_TRUE(trace.ok) << c.name;
        EXPECT_EQ(trace.bytesUsed, data.size()) << c.name;
        EXPECT_LE(trace.maxWidth, 12) << c.name;

        if (c.rootBits == 8) {
            Output tif = EncodeStrip(symbols);
            ASSERT_EQ(tif.result, EncodeOk) << c.name;
            EXPECT_EQ(tif.stripBytes, tif.bytes.size()) << c.name;
            EXPECT_EQ(DecodeTiffLzw(tif.bytes, &trace), symbols) << c.name;
            EXPECT_TRUE(trace.ok) << c.name;
            EXPECT_EQ(trace.bytesUsed, tif.bytes.size()) << c.name;
            EXPECT_LE(trace.maxWidth, 12) << c.name;
        }
    }
}

// A full table: the GIF stream uses every code up to 4095 and clears at 12 bits; the TIFF strip
// clears at 12 bits once code 4093 is assigned, so that a decoder that widens one entry early
// never reaches 13 bits, and no code above 4092 appears.
TEST(LzwTest, FullTableClearsWhereDecodersExpectIt) {
    std::vector<uint8_t> noise = NoiseBytes(16384, 11);
    Output tif = EncodeStrip(noise);
    ASSERT_EQ(tif.result, EncodeOk);
    LzwDecodeTrace trace;
    EXPECT_EQ(DecodeTiffLzw(tif.bytes, &trace), noise);
    EXPECT_TRUE(trace.ok);
    EXPECT_GE(trace.clears, 2);
    EXPECT_EQ(trace.maxWidth, 12);
    EXPECT_EQ(trace.maxEntry, 4092);
    EXPECT_LE(trace.maxCode, 4092);
    for (int width : trace.clearWidths)
        EXPECT_EQ(width, 12);
    // After a clear, code k (k >= 2) is read while entry 256 + k is made: the table reaches 4092
    // with code 3836, and the clear code follows it at once.
    for (int codes : trace.codesBeforeClear)
        EXPECT_EQ(codes, 3836);

    Output gif = EncodeGifSymbols(noise, 8, 128);
    ASSERT_EQ(gif.result, EncodeOk);
    gif.bytes.push_back(0);
    std::vector<uint8_t> data;
    size_t end = 0;
    ASSERT_TRUE(JoinSubBlocks(gif.bytes, 0, &data, &end, nullptr));
    EXPECT_EQ(DecodeGifLzw(data, 8, &trace), noise);
    EXPECT_TRUE(trace.ok);
    EXPECT_GE(trace.clears, 2);
    EXPECT_EQ(trace.maxEntry, 4095);
    for (int width : trace.clearWidths)
        EXPECT_EQ(width, 12);
    // Code 3839 makes the decoder's entry 4095: the compressor emitted it on the miss that found
    // no room left, and the clear code follows it.
    for (int codes : trace.codesBeforeClear)
        EXPECT_EQ(codes, 3839);
}

// Input that ends just before, at and just after the miss that fills the table: the last prefix
// and the end code must still be read back at the width the decoder expects.
TEST(LzwTest, InputEndingAroundTheFirstClear) {
    std::vector<uint8_t> noise = NoiseBytes(12000, 5);
    for (bool tiff : {false, true}) {
        // The shortest prefix of the noise whose stream holds a second clear code.
        size_t lo = 1, hi = noise.size();
        auto clears = [&](size_t n) {
            std::vector<uint8_t> part(noise.begin(), noise.begin() + static_cast<long>(n));
            LzwDecodeTrace trace;
            if (tiff) {
                DecodeTiffLzw(EncodeStrip(part).bytes, &trace);
            } else {
                Output gif = EncodeGifSymbols(part, 8);
                gif.bytes.push_back(0);
                std::vector<uint8_t> data;
                size_t end = 0;
                JoinSubBlocks(gif.bytes, 0, &data, &end, nullptr);
                DecodeGifLzw(data, 8, &trace);
            }
            return trace.clears;
        };
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (clears(mid) >= 1)
                hi = mid;
            else
                lo = mid + 1;
        }
        ASSERT_LT(lo, noise.size()) << tiff;
        for (size_t n = lo - 4; n <= lo + 4; ++n) {
            std::vector<uint8_t> part(noise.begin(), noise.begin() + static_cast<long>(n));
            LzwDecodeTrace trace;
            std::vector<uint8_t> back;
            if (tiff) {
                back = DecodeTiffLzw(EncodeStrip(part).bytes, &trace);
            } else {
                Output gif = EncodeGifSymbols(part, 8);
                gif.bytes.push_back(0);
                std::vector<uint8_t> data;
                size_t end = 0;
                ASSERT_TRUE(JoinSubBlocks(gif.bytes, 0, &data, &end, nullptr));
                back = DecodeGifLzw(data, 8, &trace);
            }
            EXPECT_EQ(back, part) << "tiff " << tiff << " length " << n;
            EXPECT_TRUE(trace.ok) << "tiff " << tiff << " length " << n;
            EXPECT_LE(trace.maxWidth, 12) << "tiff " << tiff << " length " << n;
        }
    }
}

TEST(LzwTest, GifSubBlocksOfExactMultipleOf255) {
    // Find a noise length whose data is exactly a multiple of 255 bytes.
    std::vector<uint8_t> noise = NoiseBytes(3000, 9);
    bool found = false;
    for (size_t n = 400; n < noise.size() && !found; ++n) {
        std::vector<uint8_t> part(noise.begin(), noise.begin() + static_cast<long>(n));
        Output out = EncodeGifSymbols(part, 8, 64);
        ASSERT_EQ(out.result, EncodeOk);
        size_t dataBytes = out.bytes.size() - (out.bytes.size() + 255) / 256;
        if (dataBytes % 255 != 0)
            continue;
        found = true;
        size_t blocks = dataBytes / 255;
        ASSERT_GE(blocks, 2u);
        EXPECT_EQ(out.bytes.size(), 256 * blocks);
        // Every block full, each written once as 256 bytes; no empty block.
        EXPECT_EQ(out.writes, std::vector<size_t>(blocks, 256));
        for (size_t b = 0; b < blocks; ++b)
            EXPECT_EQ(out.bytes[256 * b], 255);
        out.bytes.push_back(0);
        std::vector<uint8_t> data;
        size_t end = 0;
        ASSERT_TRUE(JoinSubBlocks(out.bytes, 0, &data, &end, nullptr));
        LzwDecodeTrace trace;
        EXPECT_EQ(DecodeGifLzw(data, 8, &trace), part);
    }
    EXPECT_TRUE(found);
}

TEST(LzwTest, OutputLeavesInBlocksAndChunks) {
    std::vector<uint8_t> noise = NoiseBytes(16384, 4);
    Output tif = EncodeStrip(noise);
    ASSERT_EQ(tif.result, EncodeOk);
    ASSERT_GT(tif.bytes.size(), 2048u);
    for (size_t i = 0; i + 1 < tif.writes.size(); ++i)
        EXPECT_EQ(tif.writes[i], 1024u);
    EXPECT_EQ(tif.writes.size(), (tif.bytes.size() + 1023) / 1024);

    Output gif = EncodeGifSymbols(noise, 8, 100);
    ASSERT_EQ(gif.result, EncodeOk);
    for (size_t i = 0; i + 1 < gif.writes.size(); ++i)
        EXPECT_EQ(gif.writes[i], 256u);
    EXPECT_LE(gif.writes.back(), 256u);
    const size_t lastBlock = gif.bytes.size() - gif.writes.back();
    EXPECT_EQ(lastBlock + 1 + gif.bytes[lastBlock], gif.bytes.size())
        << "the last block's count byte says how many bytes follow";
}

TEST(LzwTest, EmptyInputGivesClearAndEnd) {
    Output tif = EncodeStrip({});
    EXPECT_EQ(tif.result, EncodeOk);
    EXPECT_EQ(CodesMsb(tif.bytes, 9, 2), (std::vector<int>{256, 257}));
    Output gif = EncodeGifSymbols({}, 2);
    EXPECT_EQ(gif.result, EncodeOk);
    // Codes 4 and 5 at 3 bits: 100 then 101, least significant bit first: 0x2C.
    EXPECT_EQ(gif.bytes, (std::vector<uint8_t>{0x01, 0x2C}));
}

TEST(LzwTest, RefusalsAndFailures) {
    std::vector<uint8_t> noise = NoiseBytes(20000, 6);
    for (int rootBits : {0, 1, 9, 12}) {
        Output out = EncodeGifSymbols(noise, rootBits);
        EXPECT_EQ(out.result, EncodeBadDepth) << rootBits;
        EXPECT_TRUE(out.bytes.empty()) << rootBits;
    }
    struct Case {
        const char* name;
        size_t limit;
        int failAtCall;
        EncodeResult gif;
    };
    const Case cases[] = {
        {"first write", 0, -1, EncodeWriteFailed},
        {"middle write", 3000, -1, EncodeWriteFailed},
        {"first fetch", SIZE_MAX, 0, EncodeFetchFailed},
        {"later fetch", SIZE_MAX, 5, EncodeFetchFailed},
    };
    for (const Case& c : cases) {
        Output gif = EncodeGifSymbols(noise, 8, 1000, c.limit, c.failAtCall);
        EXPECT_EQ(gif.result, c.gif) << c.name;
        if (c.failAtCall < 0) {
            Output tif = EncodeStrip(noise, c.limit);
            EXPECT_EQ(tif.result, EncodeWriteFailed) << c.name;
            EXPECT_LE(tif.stripBytes, c.limit) << c.name;
        }
    }
}

} // namespace
