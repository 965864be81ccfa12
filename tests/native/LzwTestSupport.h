// Helpers for the LZW, GIF and TIFF tests: reference LZW decoders written from the two formats'
// decoding rules (not from the compressor), and sinks and sources over memory.
#pragma once

#include <cstdint>
#include <vector>

#include "encoders/EncodeTypes.h"

// What a decoder saw in a stream, beside the decoded symbols.
struct LzwDecodeTrace {
    bool ok = false;                   // stream well formed and ended by the end code
    int clears = 0;                    // clear codes after the first
    int maxCode = -1;                  // highest code read that names a table entry (not clear/end)
    int maxEntry = -1;                 // highest table entry the decoder made
    int maxWidth = 0;                  // widest code read
    std::vector<int> clearWidths;      // width at which each clear code was read
    std::vector<int> codesBeforeClear; // codes read between a clear code and the next one
    size_t bytesUsed = 0;              // bytes consumed up to and including the end code
};

// TIFF LZW decoding with early change: codes most significant bit first, 9 bits after a clear,
// one bit wider as soon as the next free entry reaches 511, 1023, 2047; entries stop at 4094.
std::vector<uint8_t> DecodeTiffLzw(const std::vector<uint8_t>& data, LzwDecodeTrace* trace);

// GIF LZW decoding of the bytes inside the data sub-blocks (already joined): least significant
// bit first, rootBits + 1 bits after a clear, one bit wider when the next free entry reaches
// 2^width, no growth past 12 bits.
std::vector<uint8_t> DecodeGifLzw(const std::vector<uint8_t>& data, int rootBits,
                                  LzwDecodeTrace* trace);

// Joins the data sub-blocks starting at `pos` up to the zero terminator; *end receives the
// position after the terminator, *blocks the sizes of the blocks. Returns false when malformed.
bool JoinSubBlocks(const std::vector<uint8_t>& file, size_t pos, std::vector<uint8_t>* data,
                   size_t* end, std::vector<int>* blocks);

// Deterministic pseudo-random bytes.
std::vector<uint8_t> NoiseBytes(size_t n, uint32_t seed);

// A row source over a whole image held in memory as DIB rows (bottom row first); counts the
// fetches and can be told to fail.
struct MemoryRows {
    std::vector<uint8_t> dib;
    uint64_t stride = 0;
    int32_t height = 0;
    int fetches = 0;
    int32_t largestBand = 0;
    int failAt = -1; // fetch number that fails, -1 never
    std::vector<int32_t> firstLines;
};
RowSource MemoryRowSource(MemoryRows* rows);

// DIB rows of an image given top row first as `width` pixel values per row (indices at 1/4/8
// bits, 0xRRGGBB at 24 bits).
MemoryRows MakeRows(int32_t width, int32_t height, int bitCount,
                    const std::vector<uint32_t>& topDownPixels);

// The file produced by an encoder writing into memory.
struct EncodedFile {
    EncodeResult result;
    std::vector<uint8_t> bytes;
    uint64_t writeCalls;
};

uint16_t Le16(const std::vector<uint8_t>& b, size_t at);
uint32_t Le32(const std::vector<uint8_t>& b, size_t at);
