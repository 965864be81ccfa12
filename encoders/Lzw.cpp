#include "encoders/Lzw.h"

#include <cstring>
#include <new>

// Both flavours share one compression loop (CompressRun), instantiated for each: the flavour
// decides the bit order, the width growth and when the table is cleared. Codes are packed into a
// 64-bit accumulator that leaves four bytes at a time; the bytes that reach the file are the same
// as if they left one at a time.

namespace {

constexpr uint32_t TiffLastCode = 4093; // a TIFF strip clears once this code is assigned

// Bytes waiting for the sink. GIF: data bytes that are cut into sub-blocks; TIFF: strip bytes
// that leave in writes of 1024.
constexpr size_t GifBatchBlocks = 16;
constexpr size_t TifChunk = 1024;
constexpr size_t OutSlack = 64;

struct LzwState {
    uint16_t* firstChild;
    uint32_t* siblingSymbol;
    uint32_t rootBits;
    uint32_t clearCode;
    uint32_t nextCode;
    uint32_t codeWidth;
    uint32_t growLimit;
    uint32_t prefix;
    uint64_t acc;  // GIF: pending bits from bit 0 up; TIFF: pending bits in the low `bits`
    uint32_t bits; // number of pending bits
    uint8_t* out;  // next free byte of buf
    uint8_t* flushAt;
    ByteSink* sink;
    uint64_t written; // bytes handed to the sink (TIFF: the strip size)
    uint8_t buf[255 * GifBatchBlocks + TifChunk + OutSlack];
};

template <bool Tiff> void ResetTable(LzwState& s) {
    s.nextCode = s.clearCode + 2;
    s.codeWidth = s.rootBits + 1;
    s.growLimit = Tiff ? (1u << s.codeWidth) - 1 : (1u << s.codeWidth);
    for (uint32_t i = 0; i < s.clearCode; ++i)
        s.firstChild[i] = 0;
}

inline void Store32Le(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

inline void Store32Be(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

// Adds one code of `width` bits; whole groups of 32 bits leave as four bytes.
template <bool Tiff>
inline void PutCode(uint64_t& acc, uint32_t& bits, uint8_t*& out, uint32_t code, uint32_t width) {
    if (Tiff) {
        acc = (acc << width) | code;
        bits += width;
        if (bits >= 32) {
            bits -= 32;
            Store32Be(out, static_cast<uint32_t>(acc >> bits));
            out += 4;
        }
    } else {
        acc |= static_cast<uint64_t>(code) << bits;
        bits += width;
        if (bits >= 32) {
            Store32Le(out, static_cast<uint32_t>(acc));
            out += 4;
            acc >>= 32;
            bits -= 32;
        }
    }
}

// Moves every pending bit into the buffer; a last incomplete byte is padded with zero bits.
template <bool Tiff> void FlushBits(LzwState& s) {
    while (s.bits >= 8) {
        if (Tiff) {
            s.bits -= 8;
            *s.out++ = static_cast<uint8_t>(s.acc >> s.bits);
        } else {
            *s.out++ = static_cast<uint8_t>(s.acc);
            s.acc >>= 8;
            s.bits -= 8;
        }
    }
    if (s.bits > 0) {
        if (Tiff)
            *s.out++ = static_cast<uint8_t>(s.acc << (8 - s.bits));
        else
            *s.out++ = static_cast<uint8_t>(s.acc);
    }
    s.bits = 0;
    s.acc = 0;
}

bool SinkWrite(LzwState& s, const uint8_t* data, size_t count) {
    if (!s.sink->write(s.sink->context, data, count))
        return false;
    s.written += count;
    return true;
}

// Writes the full sub-blocks of the buffer, keeping back at least one byte: a full block leaves
// only once a byte after it exists, so that the last block is written once at the end. With
// `final`, the rest leaves as the last block.
bool GifWriteBlocks(LzwState& s, bool final) {
    size_t fill = static_cast<size_t>(s.out - s.buf);
    size_t pos = 0;
    uint8_t block[256];
    while (fill - pos > 255 || (final && fill > pos)) {
        size_t n = fill - pos > 255 ? 255 : fill - pos;
        block[0] = static_cast<uint8_t>(n);
        std::memcpy(block + 1, s.buf + pos, n);
        if (!SinkWrite(s, block, n + 1))
            return false;
        pos += n;
    }
    std::memmove(s.buf, s.buf + pos, fill - pos);
    s.out = s.buf + (fill - pos);
    return true;
}

// Writes the buffer in pieces of 1024 bytes; with `final`, the rest in one last write.
bool TifWriteChunks(LzwState& s, bool final) {
    size_t fill = static_cast<size_t>(s.out - s.buf);
    size_t pos = 0;
    while (fill - pos >= TifChunk) {
        if (!SinkWrite(s, s.buf + pos, TifChunk))
            return false;
        pos += TifChunk;
    }
    if (final && fill > pos) {
        if (!SinkWrite(s, s.buf + pos, fill - pos))
            return false;
        pos = fill;
    }
    std::memmove(s.buf, s.buf + pos, fill - pos);
    s.out = s.buf + (fill - pos);
    return true;
}

template <bool Tiff> bool FlushOut(LzwState& s, bool final) {
    return Tiff ? TifWriteChunks(s, final) : GifWriteBlocks(s, final);
}

template <bool Tiff> void Start(LzwState& s, LzwTable* table, uint32_t rootBits, ByteSink& sink) {
    s.firstChild = table->firstChild;
    s.siblingSymbol = table->siblingSymbol;
    s.rootBits = rootBits;
    s.clearCode = 1u << rootBits;
    s.acc = 0;
    s.bits = 0;
    s.out = s.buf;
    s.flushAt = s.buf + (Tiff ? TifChunk : 255 * GifBatchBlocks + 1);
    s.sink = &sink;
    s.written = 0;
    ResetTable<Tiff>(s);
    PutCode<Tiff>(s.acc, s.bits, s.out, s.clearCode, s.codeWidth);
}

// Fields of siblingSymbol (see Lzw.h).
constexpr uint32_t SymbolShift = 24;
constexpr uint32_t SiblingMask = 0xFFF;

// A miss: the code assigned now names prefix + symbol and is linked behind `last`, the last child
// of prefix, or as its first child when `last` is 0; prefix itself is emitted; then the width
// grows or the table is cleared. Its state stays in the compressor record, so that the search
// loop, which it rarely interrupts, keeps its few values in registers.
template <bool Tiff>
__attribute__((always_inline)) inline bool Miss(LzwState& s, uint32_t prefix, uint32_t symbol,
                                                uint32_t last) {
    const uint32_t assigned = s.nextCode;
    if (assigned < static_cast<uint32_t>(LzwMaxCodes)) {
        if (last == 0)
            s.firstChild[prefix] = static_cast<uint16_t>(assigned);
        else
            s.siblingSymbol[last] |= assigned;
        s.firstChild[assigned] = 0;
        s.siblingSymbol[assigned] = symbol << SymbolShift;
        s.nextCode = assigned + 1;
    }
    PutCode<Tiff>(s.acc, s.bits, s.out, prefix, s.codeWidth);
    if (Tiff ? assigned == TiffLastCode : assigned >= s.growLimit) {
        if (!Tiff && s.codeWidth < static_cast<uint32_t>(LzwMaxWidth)) {
            s.codeWidth += 1;
            s.growLimit *= 2;
        } else {
            // Table full: clear code at 12 bits, then only the roots are made childless.
            PutCode<Tiff>(s.acc, s.bits, s.out, s.clearCode, s.codeWidth);
            ResetTable<Tiff>(s);
        }
    } else if (Tiff && assigned >= s.growLimit) {
        s.codeWidth += 1;
        s.growLimit = 2 * s.growLimit + 1;
    }
    if (s.out >= s.flushAt)
        return FlushOut<Tiff>(s, false);
    return true;
}

// Feeds n symbols to the compressor, s.prefix holding the string matched so far. Symbols are
// masked to the root range when they come from a caller that may hand out larger values.
template <bool Tiff, bool Masked> bool CompressRun(LzwState& s, const uint8_t* symbols, size_t n) {
    const uint16_t* const firstChild = s.firstChild;
    const uint32_t* const siblingSymbol = s.siblingSymbol;
    const uint32_t mask = s.clearCode - 1;
    uint32_t prefix = s.prefix;
    const uint8_t* const end = symbols + n;
    while (symbols != end) {
        uint32_t symbol = *symbols++;
        if (Masked)
            symbol &= mask;
        // The first child of prefix, then its siblings in the order they were created. Node 0 is
        // read when there is no child; its word is not used then.
        uint32_t child = firstChild[prefix];
        uint32_t node = siblingSymbol[child];
        if (child != 0 && (node >> SymbolShift) == symbol) {
            prefix = child;
            continue;
        }
        uint32_t last = child;
        if (child != 0) {
            child = node & SiblingMask;
            while (child != 0) {
                node = siblingSymbol[child];
                if ((node >> SymbolShift) == symbol)
                    break;
                last = child;
                child = node & SiblingMask;
            }
            if (child != 0) {
                prefix = child;
                continue;
            }
        }
        if (!Miss<Tiff>(s, prefix, symbol, last)) {
            s.prefix = prefix;
            return false;
        }
        prefix = symbol;
    }
    s.prefix = prefix;
    return true;
}

// Emits the last prefix and the end code (one bit wider when the decoder's table reaches the
// growth point with the last prefix) and writes everything that is left.
template <bool Tiff> bool Finish(LzwState& s, bool havePrefix) {
    if (havePrefix) {
        PutCode<Tiff>(s.acc, s.bits, s.out, s.prefix, s.codeWidth);
        if (s.nextCode >= s.growLimit && s.codeWidth < static_cast<uint32_t>(LzwMaxWidth))
            s.codeWidth += 1;
    }
    PutCode<Tiff>(s.acc, s.bits, s.out, s.clearCode + 1, s.codeWidth);
    FlushBits<Tiff>(s);
    return FlushOut<Tiff>(s, true);
}

} // namespace

LzwTable* LzwTableNew() {
    LzwTable* table = new (std::nothrow) LzwTable;
    if (table != nullptr)
        std::memset(table, 0, sizeof *table);
    return table;
}

void LzwTableFree(LzwTable* table) {
    delete table;
}

EncodeResult LzwEncodeGif(LzwTable* table, int rootBits, const LzwSymbolSource& source,
                          ByteSink& sink) {
    if (rootBits < 2 || rootBits > 8)
        return EncodeBadDepth;
    LzwState state;
    LzwState* s = &state;
    Start<false>(*s, table, static_cast<uint32_t>(rootBits), sink);
    const uint32_t mask = s->clearCode - 1;
    EncodeResult result = EncodeOk;
    bool havePrefix = false;
    for (;;) {
        const uint8_t* symbols = nullptr;
        size_t count = 0;
        if (!source.next(source.context, &symbols, &count)) {
            result = EncodeFetchFailed;
            break;
        }
        if (count == 0)
            break;
        if (!havePrefix) {
            s->prefix = symbols[0] & mask;
            havePrefix = true;
            symbols += 1;
            count -= 1;
        }
        if (!(rootBits == 8 ? CompressRun<false, false>(*s, symbols, count)
                            : CompressRun<false, true>(*s, symbols, count))) {
            result = EncodeWriteFailed;
            break;
        }
    }
    if (result == EncodeOk && !Finish<false>(*s, havePrefix))
        result = EncodeWriteFailed;
    return result;
}

EncodeResult LzwEncodeStrip(LzwTable* table, const uint8_t* data, size_t count, ByteSink& sink,
                            uint64_t* stripBytes) {
    *stripBytes = 0;
    LzwState state;
    LzwState* s = &state;
    Start<true>(*s, table, 8, sink);
    EncodeResult result = EncodeOk;
    bool havePrefix = count > 0;
    if (havePrefix) {
        s->prefix = data[0];
        if (!CompressRun<true, false>(*s, data + 1, count - 1))
            result = EncodeWriteFailed;
    }
    if (result == EncodeOk && !Finish<true>(*s, havePrefix))
        result = EncodeWriteFailed;
    *stripBytes = s->written;
    return result;
}
