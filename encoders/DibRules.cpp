#include "encoders/DibRules.h"
#include "encoders/ByteOrder.h"

int ColorTableSize(int bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint64_t DibRowBytes(int64_t width, int bitCount) {
    if (width < 1 || bitCount < 1)
        return 0;
    uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
    return (bits + 7) / 8;
}

uint64_t BandRows(uint64_t stride, int32_t height) {
    uint64_t rows = stride == 0 ? 1 : 65535 / stride;
    if (rows < 1)
        rows = 1;
    if (height > 0 && rows > static_cast<uint64_t>(height))
        rows = static_cast<uint64_t>(height);
    return rows;
}

uint64_t DibStride(int64_t width, int bitCount) {
    uint64_t bytes = DibRowBytes(width, bitCount);
    return (bytes + 3) & ~static_cast<uint64_t>(3);
}

DibParseResult ParsePackedDib(const uint8_t* data, uint64_t size, PackedDibLayout* layout) {
    if (size < DibHeaderSize)
        return DibParseTruncated;
    uint32_t headerSize = ReadLe32(data);
    if (headerSize != 40 && headerSize != 108 && headerSize != 124)
        return DibParseBadHeaderSize;
    if (size < headerSize)
        return DibParseTruncated;
    int32_t width = int32_t(ReadLe32(data + 4));
    int32_t rawHeight = int32_t(ReadLe32(data + 8));
    uint16_t planes = ReadLe16(data + 12);
    int bitCount = ReadLe16(data + 14);
    uint32_t compression = ReadLe32(data + 16);
    uint32_t clrUsed = ReadLe32(data + 32);

    if (width < 1 || width > DibMaxDimension || rawHeight == 0 || rawHeight < -DibMaxDimension ||
        rawHeight > DibMaxDimension)
        return DibParseBadSize;
    if (planes != 1)
        return DibParseBadPlanes;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 16 && bitCount != 24 &&
        bitCount != 32)
        return DibParseBadBitCount;
    if (compression != 0 && !(compression == 3 && (bitCount == 16 || bitCount == 32)))
        return DibParseCompressed;

    // With a 40-byte header, bit-field DIBs keep their three masks between header and table;
    // later headers hold the masks themselves.
    uint64_t tableOffset = headerSize + ((compression == 3 && headerSize == 40) ? 12 : 0);
    uint64_t colorCount = 0;
    int maxColors = ColorTableSize(bitCount);
    if (maxColors > 0)
        // GDI takes biClrUsed entries (at most 256) before the rows even where the depth needs
        // fewer, so the rows start behind all of them and the block must hold them.
        colorCount = clrUsed == 0 ? uint32_t(maxColors) : (clrUsed < 256 ? clrUsed : 256);
    else if (clrUsed <= 256)
        colorCount = clrUsed; // an optional table in front of true-colour rows
    else
        return DibParseTruncated;

    uint64_t rowOffset = tableOffset + 4 * colorCount;
    uint64_t stride = DibStride(width, bitCount);
    uint64_t height = rawHeight < 0 ? uint64_t(-int64_t(rawHeight)) : uint64_t(rawHeight);
    uint64_t imageBytes = stride * height;
    if (imageBytes > DibMaxImageBytes)
        return DibParseBadSize;
    if (rowOffset > size || imageBytes > size - rowOffset)
        return DibParseTruncated;

    layout->width = width;
    layout->height = int32_t(height);
    layout->topDown = rawHeight < 0;
    layout->bitCount = bitCount;
    layout->compression = compression;
    layout->headerSize = headerSize;
    layout->colorCount = uint32_t(colorCount);
    layout->tableOffset = uint32_t(tableOffset);
    layout->rowOffset = uint32_t(rowOffset);
    layout->stride = uint32_t(stride);
    layout->imageBytes = imageBytes;
    return DibParseOk;
}
