// Fuzzes the BMP header parser and the packed DIB parser, chosen by the first input byte mod 3:
//  - 0: the rest of the input is a whole BMP file. Only the first 54 bytes are handed over, in a
//    buffer of exactly that size, so any read past them is caught; the file is accepted exactly
//    when the format's rules say so (BmpFileAccepted), an accepted layout must lie inside the
//    file, and every table entry and row byte it names is read.
//  - 1: the input describes an image that the BMP writer encodes; the parser must accept the
//    file and give back the image's own layout, and the rows must be the ones encoded.
//  - 2: the rest is a packed DIB block in a buffer of exactly its size, accepted exactly when
//    the rules say so (PackedDibAccepted); an accepted layout must lie inside the block, and its
//    table and rows are read.
#include "bitmap/BmpHeader.h"
#include "encoders/Bmp.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/fuzz/SmallQuarantine.h"

#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

void ParseWholeFile(const uint8_t* data, size_t size) {
    const size_t headLen = size < 54 ? size : 54;
    std::vector<uint8_t> head(data, data + headLen);
    BmpLayout layout;
    std::memset(&layout, 0xA5, sizeof layout);
    const BmpLayout untouched = layout;
    const BmpParseResult result = ParseBmpHeader(head.data(), head.size(), size, &layout);
    // Accepted exactly when the format's rules say so.
    Require((result == BmpOk) == BmpFileAccepted(head.data(), head.size(), size));
    if (result != BmpOk) {
        Require(std::memcmp(&layout, &untouched, sizeof layout) == 0);
        return;
    }
    Require(layout.width >= 1 && layout.width <= 65535 && layout.height >= 1 &&
            layout.height <= 65535);
    Require(layout.stride == DibStride(layout.width, layout.bitCount));
    Require(layout.imageSize == static_cast<uint64_t>(layout.stride) * layout.height);
    Require(layout.colorCount == ColorTableSize(layout.bitCount));
    Require(layout.tableEntries >= 0 && layout.tableEntries <= layout.colorCount);
    Require(54 + 4 * static_cast<uint64_t>(layout.tableEntries) <= layout.offBits);
    Require(static_cast<uint64_t>(layout.offBits) + layout.imageSize <= size);
    // Touch everything the reader would read; ASan reports any byte outside the input.
    std::vector<uint8_t> file(data, data + size);
    unsigned sum = 0;
    for (int i = 0; i < 4 * layout.tableEntries; ++i)
        sum += file[54 + static_cast<size_t>(i)];
    for (uint32_t i = 0; i < layout.imageSize; i += 97)
        sum += file[layout.offBits + i];
    if (layout.imageSize > 0)
        sum += file[layout.offBits + layout.imageSize - 1];
    Require(sum != 0xFFFFFFFFu || size > 0);
}

void EncodeAndParse(const uint8_t* data, size_t size) {
    if (size < 4)
        return;
    const int depths[] = {1, 4, 8, 24, 32};
    const int bitCount = depths[data[0] % 5];
    // Mostly small images (at most 4096 pixels, widths up to 1024), fast to write and compare.
    // When the input asks for a large one: widths up to 2048, up to 200 rows, 2^17 pixels.
    const bool large = (data[2] & 0x30) == 0x30;
    int32_t width = 0, height = 0;
    BoundedSize(data[1], data[2], data[3],
                large ? SizeBounds{7, 200, 1 << 17} : SizeBounds{3, 64, 1 << 12}, &width, &height);
    data += 4;
    size -= 4;
    TestImage image = MakeTestImage(width, height, bitCount);
    FillFromBytes(image, data, size, false);
    ImageDesc desc = DescOf(image);
    std::vector<uint8_t> table;
    if (bitCount == 32) { // the caller's own table length
        table.assign(4 * static_cast<size_t>(size % 7), 0x33);
        desc.colorTable = table.empty() ? nullptr : table.data();
        desc.colorCount = static_cast<int>(table.size() / 4);
    }
    VectorSink out;
    ByteSink sink = SinkOf(out);
    RowSource source = SourceOf(image);
    Require(EncodeBmp(desc, source, sink) == EncodeOk);
    Require(!image.badFetch);
    BmpLayout layout{};
    Require(ParseBmpHeader(out.bytes.data(), out.bytes.size(), out.bytes.size(), &layout) == BmpOk);
    Require(layout.width == width && layout.height == height && layout.bitCount == bitCount);
    Require(layout.offBits + layout.imageSize == out.bytes.size());
    Require(std::memcmp(out.bytes.data() + layout.offBits, image.dib.data(), image.dib.size()) ==
            0);
}

void ParsePackedBlock(const uint8_t* data, size_t size) {
    std::vector<uint8_t> block(data, data + size);
    PackedDibLayout layout{};
    const bool accepted = ParsePackedDib(block.data(), block.size(), &layout) == DibParseOk;
    Require(accepted == PackedDibAccepted(block.data(), block.size()));
    if (!accepted)
        return;
    Require(layout.width >= 1 && layout.height >= 1);
    Require(layout.stride == DibStride(layout.width, layout.bitCount));
    Require(layout.imageBytes == static_cast<uint64_t>(layout.stride) * layout.height);
    Require(layout.tableOffset >= layout.headerSize);
    Require(layout.rowOffset == layout.tableOffset + 4ull * layout.colorCount);
    Require(layout.rowOffset + layout.imageBytes <= size);
    unsigned sum = 0;
    for (uint32_t i = layout.tableOffset; i < layout.rowOffset; ++i)
        sum += block[i];
    for (uint64_t i = 0; i < layout.imageBytes; i += 61)
        sum += block[layout.rowOffset + i];
    Require(sum != 0xFFFFFFFFu || size > 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    switch (data[0] % 3) {
    case 0: ParseWholeFile(data + 1, size - 1); break;
    case 1: EncodeAndParse(data + 1, size - 1); break;
    default: ParsePackedBlock(data + 1, size - 1); break;
    }
    return 0;
}
