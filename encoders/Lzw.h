// The LZW compressor in its two flavours: GIF image data (codes least significant bit first, cut
// into data sub-blocks of up to 255 bytes) and TIFF strips (codes most significant bit first, the
// code width growing one code earlier).
//
// The code table is a trie of first-child / next-sibling lists over 4096 nodes, one per code, with
// no hashing: a symbol is looked up by walking the children of the current prefix in the order they
// were created, and a new child is linked behind the last one. A reset only makes the roots
// childless; other nodes are set up again when their code is assigned again.
//
// GIF: codes start one bit wider than the symbols; the width grows after code 2^width has been
// assigned; the stream clears (clear code at 12 bits) on the first miss after code 4095 exists.
// TIFF: 8-bit symbols, 9-bit codes; the width grows after code 2^width - 1 has been assigned; the
// stream clears right after the miss that assigns code 4093, so that a decoder, whose table runs
// one entry behind, still reads the clear code at 12 bits (a decoder that widens early at 4095
// would otherwise read it at 13). Code 4094 is never assigned in a TIFF strip.
//
// Example of a TIFF strip that fills the table and clears several times: 16384 bytes of noise (an
// 8-bit image of 4096 x 4 random bytes, or 128 x 128, written as one LZW 16k strip).
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoders/EncodeTypes.h"

constexpr int LzwMaxCodes = 4096;
constexpr int LzwMaxWidth = 12;

// The code table: the node of each code is held in two arrays, indexed by code:
//   firstChild[code]            the code of the first string that extends this one by a symbol
//   siblingSymbol[code] >> 24   the last symbol of the node's string
//   siblingSymbol[code] & 0xFFF the code of the next string with the same prefix
// A link of 0 means none: code 0 is a root and never anybody's child or sibling. Of a root only
// firstChild is used. Going from a node to its first child, the step made for almost every symbol,
// is then a single load.
struct LzwTable {
    uint16_t firstChild[LzwMaxCodes];
    uint32_t siblingSymbol[LzwMaxCodes];
};

// A code table for one compression at a time; nullptr when memory runs out.
LzwTable* LzwTableNew();
void LzwTableFree(LzwTable* table);

// Where the GIF flavour reads its symbols: next points *symbols at the next run of symbols (pixel
// indices, each below 2^rootBits; higher bits are ignored) and stores their number in *count,
// 0 after the last one. Returns false when the symbols could not be produced (the compressor then
// stops with EncodeFetchFailed).
struct LzwSymbolSource {
    void* context;
    bool (*next)(void* context, const uint8_t** symbols, size_t* count);
};

// Compresses every symbol of `source` into GIF image data with the given LZW minimum code size
// (rootBits 2..8) and writes the data sub-blocks to `sink`: each full block (count byte 255 and
// 255 data bytes) in one write of 256 bytes, the last block once with its own count. Writes no
// block terminator. A source without symbols gives the clear and end codes only.
// Returns EncodeOk, EncodeBadDepth (rootBits outside 2..8, nothing written), EncodeFetchFailed or
// EncodeWriteFailed.
EncodeResult LzwEncodeGif(LzwTable* table, int rootBits, const LzwSymbolSource& source,
                          ByteSink& sink);

// Compresses `count` bytes into one complete TIFF LZW stream (clear code first, end code last,
// last byte padded with zero bits) and writes it to `sink` in writes of 1024 bytes and one last
// shorter write. *stripBytes receives the number of bytes written.
// Returns EncodeOk or EncodeWriteFailed.
EncodeResult LzwEncodeStrip(LzwTable* table, const uint8_t* data, size_t count, ByteSink& sink,
                            uint64_t* stripBytes);
