#include "encoders/Gif.h"
#include "encoders/ByteOrder.h"

#include <cstdlib>
#include <cstring>

#include "encoders/DibRules.h"
#include "encoders/Lzw.h"

namespace {

// The pixel source: hands the compressor one row of pixel indices per call, the top row first,
// fetching bands of rows from the bottom-up row source as they are needed. 8-bit rows are handed
// out where they lie in the band; 1- and 4-bit rows are unpacked to one index per byte, so the
// spare bits at the end of a row never become pixels.
struct GifPixelSource {
    const RowSource* rows;
    int32_t width;
    int bitCount;
    uint64_t stride;
    int32_t bandRows;
    int32_t bandLow;  // lowest scan line in the band buffer
    int32_t nextLine; // scan line of the next row to hand out (counting down to 0)
    bool haveBand;
    uint8_t* band;
    uint8_t* row; // unpacked indices of 1- and 4-bit rows
};

bool NextGifRow(void* context, const uint8_t** symbols, size_t* count) {
    GifPixelSource* src = static_cast<GifPixelSource*>(context);
    *count = 0;
    if (src->nextLine < 0)
        return true;
    if (!src->haveBand || src->nextLine < src->bandLow) {
        int32_t n = src->nextLine + 1 < src->bandRows ? src->nextLine + 1 : src->bandRows;
        src->bandLow = src->nextLine - n + 1;
        if (!src->rows->fetch(src->rows->context, src->bandLow, n, src->band))
            return false;
        src->haveBand = true;
    }
    const uint8_t* line =
        src->band + static_cast<uint64_t>(src->nextLine - src->bandLow) * src->stride;
    src->nextLine -= 1;
    const size_t width = static_cast<size_t>(src->width);
    if (src->bitCount == 8) {
        *symbols = line;
    } else if (src->bitCount == 4) {
        uint8_t* out = src->row;
        for (size_t x = 0; x + 1 < width; x += 2) {
            uint8_t b = line[x / 2];
            out[x] = static_cast<uint8_t>(b >> 4);
            out[x + 1] = static_cast<uint8_t>(b & 0x0F);
        }
        if (width % 2 != 0)
            out[width - 1] = static_cast<uint8_t>(line[width / 2] >> 4);
        *symbols = out;
    } else {
        // Eight pixels a byte, the leftmost in bit 7: each byte is spread over eight bytes of 0
        // or 1 at once, the byte at the lowest address taking bit 7.
        uint8_t* out = src->row;
        size_t x = 0;
        for (; x + 8 <= width; x += 8) {
            uint64_t spread = (line[x / 8] * 0x0101010101010101ull) & 0x0102040810204080ull;
            spread = ((spread + 0x7F7F7F7F7F7F7F7Full) >> 7) & 0x0101010101010101ull;
            for (int i = 0; i < 8; ++i)
                out[x + static_cast<size_t>(i)] = static_cast<uint8_t>(spread >> (8 * i));
        }
        for (; x < width; ++x)
            out[x] = static_cast<uint8_t>((line[x / 8] >> (7 - x % 8)) & 1);
        *symbols = out;
    }
    *count = width;
    return true;
}

} // namespace

EncodeResult EncodeGif(const ImageDesc& desc, const RowSource& rows, ByteSink& sink) {
    if (desc.width < 1 || desc.height < 1)
        return EncodeNothing;
    int rootBits = 0;
    uint8_t flags = 0;
    switch (desc.bitCount) {
    case 1:
        rootBits = 2;
        flags = 0x80;
        break;
    case 4:
        rootBits = 4;
        flags = 0xB3;
        break;
    case 8:
        rootBits = 8;
        flags = 0xF7;
        break;
    case 24: return EncodeRefused24Bit;
    default: return EncodeBadDepth;
    }
    if (desc.width > 65535 || desc.height > 65535)
        return EncodeTooLarge;

    // Header: signature, logical screen, global colour table (red, green, blue from the RGBQUAD
    // entries; entries the table lacks are black), image descriptor, LZW minimum code size.
    const int colours = ColorTableSize(desc.bitCount);
    uint8_t header[24 + 3 * 256];
    std::memset(header, 0, sizeof header);
    std::memcpy(header, "GIF87a", 6);
    PutLe16(header + 6, static_cast<uint32_t>(desc.width));
    PutLe16(header + 8, static_cast<uint32_t>(desc.height));
    header[10] = flags;
    for (int i = 0; i < colours; ++i) {
        if (desc.colorTable == nullptr || i >= desc.colorCount)
            break;
        const uint8_t* quad = desc.colorTable + 4 * i;
        header[13 + 3 * i] = quad[2];
        header[14 + 3 * i] = quad[1];
        header[15 + 3 * i] = quad[0];
    }
    uint8_t* image = header + 13 + 3 * colours;
    image[0] = 0x2C;
    PutLe16(image + 5, static_cast<uint32_t>(desc.width));
    PutLe16(image + 7, static_cast<uint32_t>(desc.height));
    image[10] = static_cast<uint8_t>(rootBits);

    GifPixelSource src;
    src.rows = &rows;
    src.width = desc.width;
    src.bitCount = desc.bitCount;
    src.stride = DibStride(desc.width, desc.bitCount);
    const uint64_t bandRows = BandRows(src.stride, desc.height);
    src.bandRows = static_cast<int32_t>(bandRows);
    src.bandLow = 0;
    src.nextLine = desc.height - 1;
    src.haveBand = false;
    src.band = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bandRows * src.stride)));
    src.row = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(desc.width)));
    LzwTable* table = LzwTableNew();

    EncodeResult result = EncodeOk;
    if (src.band == nullptr || src.row == nullptr || table == nullptr) {
        result = EncodeNoMemory;
    } else if (!sink.write(sink.context, header, static_cast<size_t>(24 + 3 * colours))) {
        result = EncodeWriteFailed;
    } else {
        LzwSymbolSource source = {&src, NextGifRow};
        result = LzwEncodeGif(table, rootBits, source, sink);
        static const uint8_t trailer[2] = {0x00, 0x3B};
        if (result == EncodeOk && !sink.write(sink.context, trailer, 2))
            result = EncodeWriteFailed;
    }
    LzwTableFree(table);
    std::free(src.row);
    std::free(src.band);
    return result;
}
