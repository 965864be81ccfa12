#include "bitmap/BmpHeader.h"
#include "encoders/ByteOrder.h"

#include "encoders/DibRules.h"

namespace {

// Widths and heights are held as 16-bit values throughout the program, as its writer stores
// them; a larger image is refused rather than read with its size cut short.
constexpr int32_t MaxDimension = 65535;

bool IsBitCountRead(uint32_t bitCount) {
    switch (bitCount) {
    case 1:
    case 4:
    case 8:
    case 16:
    case 24:
    case 32: return true;
    default: return false;
    }
}

} // namespace

BmpParseResult ParseBmpHeader(const uint8_t* head, size_t headLen, uint64_t fileSize,
                              BmpLayout* layout) {
    constexpr uint32_t headersSize = BmpFileHeaderSize + DibHeaderSize;
    if (head == nullptr || headLen < 2 || fileSize < 2)
        return BmpTruncated;
    if (head[0] != 'B' || head[1] != 'M')
        return BmpNotBmp;
    if (headLen < headersSize || fileSize < headersSize)
        return BmpTruncated;

    const uint32_t offBits = ReadLe32(head + 10);
    const uint32_t infoSize = ReadLe32(head + 14);
    const int32_t width = static_cast<int32_t>(ReadLe32(head + 18));
    const int32_t height = static_cast<int32_t>(ReadLe32(head + 22));
    const uint32_t planes = ReadLe16(head + 26);
    const uint32_t bitCount = ReadLe16(head + 28);
    const uint32_t compression = ReadLe32(head + 30);
    const uint32_t clrUsed = ReadLe32(head + 46);

    if (infoSize != DibHeaderSize)
        return BmpBadHeaderSize;
    if (width <= 0 || height <= 0)
        return BmpBadDimensions;
    if (planes != 1 || !IsBitCountRead(bitCount))
        return BmpBadBitCount;
    if (compression != 0)
        return BmpCompressed;
    if (width > MaxDimension || height > MaxDimension)
        return BmpTooLarge;

    const uint64_t stride = DibStride(width, static_cast<int>(bitCount));
    const uint64_t imageSize = stride * static_cast<uint64_t>(height);
    if (imageSize > UINT32_MAX)
        return BmpTooLarge;

    // The table the file declares: all entries of the depth, or biClrUsed of them when it names
    // fewer. The rows must not begin inside the headers or that table.
    const uint32_t colorCount = static_cast<uint32_t>(ColorTableSize(static_cast<int>(bitCount)));
    const uint32_t declared = (clrUsed != 0 && clrUsed < colorCount) ? clrUsed : colorCount;
    if (offBits < headersSize + 4 * declared)
        return BmpBadOffset;
    if (static_cast<uint64_t>(offBits) + imageSize > fileSize)
        return BmpRowsPastEnd;

    const uint32_t room = (offBits - headersSize) / 4;
    layout->width = width;
    layout->height = height;
    layout->bitCount = static_cast<int>(bitCount);
    layout->stride = static_cast<uint32_t>(stride);
    layout->colorCount = static_cast<int>(colorCount);
    layout->tableEntries = static_cast<int>(room < colorCount ? room : colorCount);
    layout->offBits = offBits;
    layout->imageSize = static_cast<uint32_t>(imageSize);
    return BmpOk;
}

const char* BmpParseResultText(BmpParseResult result) {
    switch (result) {
    case BmpOk: return "ok";
    case BmpNotBmp: return "not a BMP file";
    case BmpTruncated: return "file shorter than its headers";
    case BmpBadHeaderSize: return "information header is not 40 bytes";
    case BmpBadDimensions: return "width or height not positive";
    case BmpBadBitCount: return "unsupported planes or bit count";
    case BmpCompressed: return "compressed rows";
    case BmpTooLarge: return "image too large";
    case BmpBadOffset: return "rows start inside the headers or colour table";
    case BmpRowsPastEnd: return "rows run past the end of the file";
    }
    return "unknown";
}
