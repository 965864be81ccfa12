#include "encoders/Tif.h"
#include "encoders/ByteOrder.h"

#include <cstdlib>
#include <cstring>

#include "encoders/DibRules.h"
#include "encoders/Lzw.h"
#include "encoders/PackBits.h"

namespace {

constexpr uint64_t MaxRowBytes = 0x7FFFFFFF; // rows beyond this are refused as too large
constexpr uint32_t StripOffsetsField = 100;  // value field of the StripOffsets entry
constexpr uint32_t CountsEntry = 128;        // the StripByteCounts entry
constexpr uint32_t ColorMapOffset = 204;
constexpr uint16_t TypeShort = 3;
constexpr uint16_t TypeLong = 4;
constexpr uint16_t TypeRational = 5;

void PutEntry(uint8_t* p, uint16_t tag, uint16_t type, uint32_t count, uint32_t value) {
    PutLe16(p, tag);
    PutLe16(p + 2, type);
    PutLe32(p + 4, count);
    if (type == TypeShort && count <= 2)
        PutLe16(p + 8, value);
    else
        PutLe32(p + 8, value);
}

// A buffer of `bytes` bytes, or nullptr when that is more than this process can address.
void* Allocate(uint64_t bytes) {
    if (bytes > SIZE_MAX)
        return nullptr;
    return std::malloc(static_cast<size_t>(bytes));
}

// A 1-bit image is written black-is-zero when its two colours are black and white (or it has no
// colour table); other colours need a palette.
bool IsBlackWhite(const ImageDesc& desc) {
    if (desc.colorTable == nullptr || desc.colorCount < 2)
        return true;
    const uint8_t* t = desc.colorTable;
    return t[0] == 0 && t[1] == 0 && t[2] == 0 && t[4] == 255 && t[5] == 255 && t[6] == 255;
}

// Writes through the sink and keeps the file position, which gives the strip offsets.
struct TifOut {
    ByteSink* sink;
    uint64_t position;
};

bool Write(TifOut& out, const void* data, size_t count) {
    if (!out.sink->write(out.sink->context, static_cast<const uint8_t*>(data), count))
        return false;
    out.position += count;
    return true;
}

bool Patch(TifOut& out, uint64_t position, const void* data, size_t count) {
    return out.sink->seek(out.sink->context, position) &&
           out.sink->write(out.sink->context, static_cast<const uint8_t*>(data), count);
}

// Work buffers of one save, all sized from the image.
struct TifBuffers {
    uint8_t* header;
    uint8_t* band;
    uint8_t* strip;
    uint64_t* offsets;
    uint64_t* counts;
    uint8_t* arrays; // the offsets and counts arrays as they are written to the file
    LzwTable* table;
};

void FreeBuffers(TifBuffers& b) {
    std::free(b.header);
    std::free(b.band);
    std::free(b.strip);
    std::free(b.offsets);
    std::free(b.counts);
    std::free(b.arrays);
    LzwTableFree(b.table);
}

void FillHeader(const ImageDesc& desc, const TifLayout& layout, uint8_t* h) {
    std::memset(h, 0, layout.headerBytes);
    h[0] = 'I';
    h[1] = 'I';
    PutLe16(h + 2, 42);
    PutLe32(h + 4, 30);
    PutLe16(h + 8, 8);
    PutLe16(h + 10, 8);
    PutLe16(h + 12, 8);
    PutLe32(h + 14, static_cast<uint32_t>(desc.width));
    PutLe32(h + 18, 1);
    PutLe32(h + 22, static_cast<uint32_t>(desc.height));
    PutLe32(h + 26, 1);
    PutLe16(h + 30, layout.entries);

    const bool rgb = desc.bitCount == 24;
    const bool palette = layout.entries == 14;
    const uint32_t colours = palette ? static_cast<uint32_t>(ColorTableSize(desc.bitCount)) : 0;
    uint8_t* e = h + 32;
    PutEntry(e + 0, 256, TypeLong, 1, static_cast<uint32_t>(desc.width));
    PutEntry(e + 12, 257, TypeLong, 1, static_cast<uint32_t>(desc.height));
    PutEntry(e + 24, 258, TypeShort, rgb ? 3 : 1, rgb ? 8 : static_cast<uint32_t>(desc.bitCount));
    PutEntry(e + 36, 259, TypeShort, 1, layout.compressionTag);
    PutEntry(e + 48, 262, TypeShort, 1, rgb ? 2 : palette ? 3 : 1);
    PutEntry(e + 60, 273, TypeLong, layout.strips, 0);
    PutEntry(e + 72, 277, TypeShort, 1, rgb ? 3 : 1);
    PutEntry(e + 84, 278, TypeLong, 1, layout.rowsPerStrip);
    PutEntry(e + 96, 279, TypeShort, layout.strips, 0);
    PutEntry(e + 108, 282, TypeRational, 1, 14);
    PutEntry(e + 120, 283, TypeRational, 1, 22);
    PutEntry(e + 132, 296, TypeShort, 1, 1);
    PutEntry(e + 144, 317, TypeShort, 1, 1);
    if (palette) {
        PutEntry(e + 156, 320, TypeShort, 3 * colours, ColorMapOffset);
        // All reds, then all greens, then all blues; each 8-bit component c becomes c x 256.
        uint8_t* map = h + ColorMapOffset;
        for (uint32_t i = 0; i < colours; ++i) {
            if (desc.colorTable == nullptr || i >= static_cast<uint32_t>(desc.colorCount))
                break;
            const uint8_t* quad = desc.colorTable + 4 * i;
            map[2 * i + 1] = quad[2];
            map[2 * (colours + i) + 1] = quad[1];
            map[2 * (2 * colours + i) + 1] = quad[0];
        }
    }
}

// After the last strip: the offsets of the strips (in the entry for one strip, else in an array
// after the data) and their byte counts (SHORT while every count fits, else LONG; in the entry
// while they fit in its 4 bytes, else in an array after the offsets array).
EncodeResult WriteStripTables(TifOut& out, const TifLayout& layout, TifBuffers& b) {
    const uint32_t strips = layout.strips;
    bool longCounts = false;
    for (uint32_t i = 0; i < strips; ++i)
        if (b.counts[i] > 0xFFFF)
            longCounts = true;
    const uint32_t countSize = longCounts ? 4 : 2;
    const bool countsInEntry = strips * countSize <= 4;

    uint8_t* a = b.arrays;
    size_t arrayBytes = 0;
    uint64_t offsetsPos = out.position;
    if (strips >= 2) {
        for (uint32_t i = 0; i < strips; ++i)
            PutLe32(a + 4 * static_cast<size_t>(i), static_cast<uint32_t>(b.offsets[i]));
        arrayBytes = 4 * static_cast<size_t>(strips);
    }
    uint64_t countsPos = out.position + arrayBytes;
    uint8_t counts[4] = {0, 0, 0, 0};
    uint8_t* c = countsInEntry ? counts : a + arrayBytes;
    for (uint32_t i = 0; i < strips; ++i) {
        if (longCounts)
            PutLe32(c + 4 * static_cast<size_t>(i), static_cast<uint32_t>(b.counts[i]));
        else
            PutLe16(c + 2 * static_cast<size_t>(i), static_cast<uint32_t>(b.counts[i]));
    }
    if (!countsInEntry)
        arrayBytes += countSize * static_cast<size_t>(strips);
    if (out.position + arrayBytes > 0xFFFFFFFF)
        return EncodeTooLarge;
    const uint64_t end = out.position + arrayBytes;
    if (arrayBytes > 0 && !Write(out, a, arrayBytes))
        return EncodeWriteFailed;

    uint8_t value[4];
    PutLe32(value, static_cast<uint32_t>(strips == 1 ? b.offsets[0] : offsetsPos));
    if (!Patch(out, StripOffsetsField, value, 4))
        return EncodeWriteFailed;
    if (longCounts) {
        uint8_t entry[12];
        PutEntry(entry, 279, TypeLong, strips, 0);
        if (countsInEntry)
            std::memcpy(entry + 8, counts, 4);
        else
            PutLe32(entry + 8, static_cast<uint32_t>(countsPos));
        if (!Patch(out, CountsEntry, entry, 12))
            return EncodeWriteFailed;
    } else if (countsInEntry) {
        if (!Patch(out, CountsEntry + 8, counts, 2 * static_cast<size_t>(strips)))
            return EncodeWriteFailed;
    } else {
        PutLe32(value, static_cast<uint32_t>(countsPos));
        if (!Patch(out, CountsEntry + 8, value, 4))
            return EncodeWriteFailed;
    }
    if (!out.sink->seek(out.sink->context, end))
        return EncodeWriteFailed;
    return EncodeOk;
}

} // namespace

EncodeResult TifPlan(const ImageDesc& desc, TifCompression compression, TifLayout* layout) {
    if (desc.width < 1 || desc.height < 1)
        return EncodeNothing;
    if (desc.bitCount != 1 && desc.bitCount != 4 && desc.bitCount != 8 && desc.bitCount != 24)
        return EncodeBadDepth;
    if (compression != TifNone && compression != TifLzw8k && compression != TifLzw16k &&
        compression != TifPackBits)
        return EncodeBadDepth;
    layout->rowBytes = DibRowBytes(desc.width, desc.bitCount);
    layout->stride = DibStride(desc.width, desc.bitCount);
    if (layout->stride > MaxRowBytes)
        return EncodeTooLarge;
    layout->stripSize = compression == TifLzw16k ? 16384 : 8192;
    uint64_t rowsPerStrip = layout->stripSize / layout->rowBytes;
    if (rowsPerStrip < 1)
        rowsPerStrip = 1;
    layout->rowsPerStrip = static_cast<uint32_t>(rowsPerStrip);
    layout->strips = static_cast<uint32_t>((static_cast<uint64_t>(desc.height) + rowsPerStrip - 1) /
                                           rowsPerStrip);
    layout->compressionTag = compression == TifLzw16k ? 5 : static_cast<uint16_t>(compression);
    switch (desc.bitCount) {
    case 1:
        layout->entries = IsBlackWhite(desc) ? 13 : 14;
        layout->headerBytes = IsBlackWhite(desc) ? 192 : ColorMapOffset + 12;
        break;
    case 4:
        layout->entries = 14;
        layout->headerBytes = ColorMapOffset + 96;
        break;
    case 8:
        layout->entries = 14;
        layout->headerBytes = ColorMapOffset + 1536;
        break;
    default:
        layout->entries = 13;
        layout->headerBytes = 192;
        break;
    }
    return EncodeOk;
}

EncodeResult EncodeTif(const ImageDesc& desc, TifCompression compression, const RowSource& rows,
                       ByteSink& sink) {
    TifLayout layout;
    EncodeResult planned = TifPlan(desc, compression, &layout);
    if (planned != EncodeOk)
        return planned;

    const uint64_t height = static_cast<uint64_t>(desc.height);
    const uint64_t bandRows = layout.rowsPerStrip < height ? layout.rowsPerStrip : height;
    const bool packBits = compression == TifPackBits;
    const bool lzw = compression == TifLzw8k || compression == TifLzw16k;
    const uint64_t packedRow = packBits ? PackBitsBound(layout.rowBytes) : layout.rowBytes;

    TifBuffers b;
    std::memset(&b, 0, sizeof b);
    const uint64_t strips = layout.strips;
    b.header = static_cast<uint8_t*>(Allocate(layout.headerBytes));
    b.band = static_cast<uint8_t*>(Allocate(bandRows * layout.stride));
    b.strip = static_cast<uint8_t*>(Allocate(bandRows * packedRow));
    b.offsets = static_cast<uint64_t*>(Allocate(sizeof(uint64_t) * strips));
    b.counts = static_cast<uint64_t*>(Allocate(sizeof(uint64_t) * strips));
    b.arrays = static_cast<uint8_t*>(Allocate(8 * strips));
    if (lzw)
        b.table = LzwTableNew();
    if (b.header == nullptr || b.band == nullptr || b.strip == nullptr || b.offsets == nullptr ||
        b.counts == nullptr || b.arrays == nullptr || (lzw && b.table == nullptr)) {
        FreeBuffers(b);
        return EncodeNoMemory;
    }

    FillHeader(desc, layout, b.header);
    TifOut out = {&sink, 0};
    EncodeResult result = EncodeOk;
    if (!Write(out, b.header, layout.headerBytes))
        result = EncodeWriteFailed;

    // Strips from the top of the image down; each strip's rows arrive bottom-up in the band.
    int64_t top = desc.height; // one past the scan line of the strip's top row
    const size_t rowBytes = static_cast<size_t>(layout.rowBytes);
    for (uint32_t strip = 0; result == EncodeOk && strip < layout.strips; ++strip) {
        int64_t n = top < static_cast<int64_t>(bandRows) ? top : static_cast<int64_t>(bandRows);
        int64_t low = top - n;
        if (!rows.fetch(rows.context, static_cast<int32_t>(low), static_cast<int32_t>(n), b.band)) {
            result = EncodeFetchFailed;
            break;
        }
        size_t fill = 0;
        for (int64_t r = n - 1; r >= 0; --r) {
            uint8_t* row = b.band + static_cast<uint64_t>(r) * layout.stride;
            if (desc.bitCount == 24) {
                for (size_t x = 0; x < rowBytes; x += 3) {
                    uint8_t blue = row[x];
                    row[x] = row[x + 2];
                    row[x + 2] = blue;
                }
            }
            if (packBits) {
                fill += PackRow(row, rowBytes, b.strip + fill);
            } else {
                std::memcpy(b.strip + fill, row, rowBytes);
                fill += rowBytes;
            }
        }
        if (out.position > 0xFFFFFFFF) {
            result = EncodeTooLarge;
            break;
        }
        b.offsets[strip] = out.position;
        if (lzw) {
            uint64_t stripBytes = 0;
            result = LzwEncodeStrip(b.table, b.strip, fill, sink, &stripBytes);
            out.position += stripBytes;
            b.counts[strip] = stripBytes;
        } else {
            if (!Write(out, b.strip, fill))
                result = EncodeWriteFailed;
            b.counts[strip] = fill;
        }
        top = low;
    }
    if (result == EncodeOk)
        result = WriteStripTables(out, layout, b);
    FreeBuffers(b);
    return result;
}
