// Fuzzes the layout of a CF_DIB block another program placed on the clipboard: the decision the
// viewer takes before GDI makes a bitmap of it (where the colour table and the rows lie, how many
// bytes they need, which blocks are refused). The first input byte chooses how the block is made:
//  - even: the rest of the input is the block itself;
//  - odd: the next bytes choose a header (the 12-byte core header, 40, 52, 56, 64, 108 and 124
//    bytes), a size, top-down or bottom-up rows, a bit count, a compression, a biClrUsed (none,
//    short, full, longer than the depth allows) and a block length near the one the image needs,
//    and the rest of the input fills the table and the rows.
// The block always lies in a buffer of exactly its size, so ASan reports any read past it.
//
// Every block is accepted exactly when the format's rules (PackedDibAccepted) say so. Checks on
// an accepted block: the header fields are the block's own; the rows start where GDI
// puts them (after the header, the three masks of a 40-byte bit-field header and biClrUsed table
// entries, at most 256, or 2^bitCount when biClrUsed is 0), so GDI never reads a table entry past
// the rows' start; the stride is the DIB formula ((width x bits + 31) / 32) x 4; every row lies
// inside the block; the block cut to exactly the bytes the layout needs is accepted with the same
// layout, and one byte less is refused as truncated. A refused block leaves the layout untouched,
// and a refusal for its header does not change when more bytes follow.
#include "encoders/DibRules.h"
#include "tests/fuzz/FuzzImage.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "packed DIB check failed: %s\n", what);
        std::abort();
    }
}

uint32_t Le32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// Where GDI takes the rows of a packed DIB to start: the header, then the three masks when a
// 40-byte header has bit fields, then biClrUsed entries (at most 256), or 2^bitCount entries
// when biClrUsed is 0 and the depth has a palette.
uint64_t SystemRowOffset(uint32_t headerSize, int bitCount, uint32_t compression,
                         uint32_t clrUsed) {
    uint64_t header = headerSize;
    if (compression == 3 && header < 52)
        header = 52;
    uint64_t colors = 0;
    if (clrUsed != 0)
        colors = clrUsed < 256 ? clrUsed : 256;
    else if (bitCount <= 8)
        colors = uint64_t(1) << bitCount;
    return header + 4 * colors;
}

DibParseResult Parse(const std::vector<uint8_t>& block, PackedDibLayout* layout) {
    // A copy of exactly the block's size: any read past its end is caught.
    std::vector<uint8_t> exact(block);
    return ParsePackedDib(exact.data(), exact.size(), layout);
}

void CheckBlock(const std::vector<uint8_t>& block) {
    PackedDibLayout layout;
    std::memset(&layout, 0xA5, sizeof layout);
    PackedDibLayout untouched;
    std::memcpy(&untouched, &layout, sizeof layout);
    const DibParseResult result = Parse(block, &layout);
    Require((result == DibParseOk) == PackedDibAccepted(block.data(), block.size()),
            "accepted or refused against the format's rules");
    if (result != DibParseOk) {
        Require(std::memcmp(&layout, &untouched, sizeof layout) == 0, "refusal changed layout");
        if (result != DibParseTruncated) {
            // A header the reader does not take stays refused, whatever follows it.
            std::vector<uint8_t> longer(block);
            longer.resize(block.size() + 4096, 0x5A);
            PackedDibLayout other{};
            Require(Parse(longer, &other) == result, "header refusal depends on length");
        }
        return;
    }
    Require(block.size() >= 40, "accepted a block shorter than a header");
    const uint32_t headerSize = Le32(block.data());
    const int32_t width = int32_t(Le32(block.data() + 4));
    const int32_t rawHeight = int32_t(Le32(block.data() + 8));
    const int bitCount = block[14] | block[15] << 8;
    const uint32_t compression = Le32(block.data() + 16);
    const uint32_t clrUsed = Le32(block.data() + 32);
    Require(headerSize == 40 || headerSize == 108 || headerSize == 124, "header size");
    Require(layout.headerSize == headerSize, "header size copied");
    Require(block[12] == 1 && block[13] == 0, "planes");
    Require(layout.width == width && width >= 1 && width <= 65535, "width");
    Require(layout.topDown == (rawHeight < 0), "row order");
    Require(int64_t(layout.height) == (rawHeight < 0 ? -int64_t(rawHeight) : rawHeight) &&
                layout.height >= 1 && layout.height <= 65535,
            "height");
    Require(layout.bitCount == bitCount, "bit count copied");
    Require(bitCount == 1 || bitCount == 4 || bitCount == 8 || bitCount == 16 || bitCount == 24 ||
                bitCount == 32,
            "bit count");
    Require(layout.compression == compression, "compression copied");
    Require(compression == 0 || (compression == 3 && (bitCount == 16 || bitCount == 32)),
            "only plain rows or bit fields at 16 and 32 bits");
    const uint64_t stride = (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4;
    Require(layout.stride == stride, "stride");
    Require(layout.imageBytes == stride * uint64_t(layout.height), "image bytes");
    Require(layout.tableOffset >= headerSize, "table inside the header");
    Require(layout.rowOffset == layout.tableOffset + 4ull * layout.colorCount, "table length");
    Require(layout.colorCount <= 256, "table longer than 256");
    Require(layout.rowOffset == SystemRowOffset(headerSize, bitCount, compression, clrUsed),
            "rows not where GDI takes them");
    Require(uint64_t(layout.rowOffset) + layout.imageBytes <= block.size(), "rows past the block");

    // Read what the viewer hands to GDI: the table and every byte of every row.
    unsigned sum = 0;
    for (uint32_t i = layout.tableOffset; i < layout.rowOffset; ++i)
        sum += block[i];
    for (int32_t y = 0; y < layout.height; ++y) {
        const uint64_t row = layout.rowOffset + uint64_t(y) * layout.stride;
        sum += block[row] + block[row + layout.stride - 1];
    }
    Require(sum != 0xFFFFFFFFu, "sum");

    // Exactly the bytes the layout needs are enough; one less is not.
    const uint64_t needed = layout.rowOffset + layout.imageBytes;
    std::vector<uint8_t> cut(block.begin(), block.begin() + long(needed));
    PackedDibLayout again;
    std::memcpy(&again, &untouched, sizeof again); // the same padding bytes as layout
    Require(Parse(cut, &again) == DibParseOk && std::memcmp(&again, &layout, sizeof layout) == 0,
            "the block cut to its needed length reads differently");
    cut.pop_back();
    std::memcpy(&again, &untouched, sizeof again);
    Require(Parse(cut, &again) == DibParseTruncated, "one byte short is not refused as truncated");
}

// A block made from fields, so that most inputs get past the header checks.
std::vector<uint8_t> BuildBlock(const uint8_t* data, size_t size) {
    uint8_t field[9] = {};
    for (size_t i = 0; i < sizeof field && i < size; ++i)
        field[i] = data[i];
    const size_t used = size < sizeof field ? size : sizeof field;
    data += used;
    size -= used;
    static const uint32_t headerSizes[8] = {12, 40, 40, 52, 56, 64, 108, 124};
    static const int bitCounts[8] = {1, 4, 8, 16, 24, 32, 2, 0};
    static const uint32_t compressions[8] = {0, 0, 3, 3, 1, 2, 4, 6};
    const uint32_t headerSize = headerSizes[field[0] & 7];
    const int bitCount = bitCounts[field[0] >> 3 & 7];
    const uint32_t compression = compressions[field[1] & 7];
    const int32_t width = 1 + field[2] % 64;
    int32_t height = 1 + field[3] % 32;
    if (field[1] & 8)
        height = -height;
    // biClrUsed: none, a short table, exactly the depth's, longer than the depth allows, 256,
    // beyond 256, or any value.
    uint32_t clrUsed = 0;
    const uint32_t depthColors = bitCount >= 1 && bitCount <= 8 ? 1u << bitCount : 0;
    switch (field[4] & 7) {
    case 0: clrUsed = 0; break;
    case 1: clrUsed = 1 + field[5] % (depthColors > 1 ? depthColors - 1 : 16); break;
    case 2: clrUsed = depthColors; break;
    case 3: clrUsed = depthColors + 1 + field[5] % 16; break;
    case 4: clrUsed = 256; break;
    case 5: clrUsed = 257 + field[5]; break;
    default: clrUsed = Le32(field + 5); break;
    }
    const uint64_t stride =
        bitCount > 0 ? (uint64_t(width) * uint64_t(bitCount) + 31) / 32 * 4 : uint64_t(4);
    const uint64_t needed =
        SystemRowOffset(headerSize < 40 ? 40 : headerSize, bitCount, compression, clrUsed) +
        stride * uint64_t(height < 0 ? -height : height);
    // A length near the needed one: short by up to 8 bytes, exact, or up to 23 bytes more.
    const int64_t delta = int64_t(field[4] >> 3) - 8;
    int64_t length = int64_t(needed) + delta;
    if (length < int64_t(headerSize))
        length = headerSize;
    if (length > 1 << 20)
        length = 1 << 20;
    std::vector<uint8_t> block(size_t(length), 0);
    for (size_t i = 0; i < block.size() && size > 0; ++i)
        block[i] = data[i % size];
    if (block.size() >= 4)
        Put32(block, 0, headerSize);
    if (block.size() >= 40) {
        Put32(block, 4, uint32_t(width));
        Put32(block, 8, uint32_t(height));
        block[12] = 1;
        block[13] = 0;
        block[14] = uint8_t(bitCount);
        block[15] = 0;
        Put32(block, 16, compression);
        Put32(block, 32, clrUsed);
    }
    return block;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] % 2 == 0)
        CheckBlock(std::vector<uint8_t>(data + 1, data + size));
    else
        CheckBlock(BuildBlock(data + 1, size - 1));
    return 0;
}
