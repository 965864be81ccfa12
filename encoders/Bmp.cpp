#include "encoders/Bmp.h"
#include "encoders/ByteOrder.h"

#include "encoders/DibRules.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int32_t MaxDimension = 65535;

bool Put(ByteSink& sink, const uint8_t* data, size_t count) {
    return sink.write(sink.context, data, count);
}

} // namespace

EncodeResult EncodeBmp(const ImageDesc& desc, const RowSource& source, ByteSink& sink) {
    const int bitCount = desc.bitCount;
    int entries = 0;
    switch (bitCount) {
    case 1:
    case 4:
    case 8: entries = ColorTableSize(bitCount); break;
    case 24: entries = 0; break;
    case 32: entries = desc.colorCount > 0 ? desc.colorCount : 0; break;
    default: return EncodeBadDepth;
    }
    if (desc.width < 1 || desc.height < 1)
        return EncodeNothing;
    if (desc.width > MaxDimension || desc.height > MaxDimension)
        return EncodeTooLarge;

    const uint64_t stride = DibStride(desc.width, bitCount);
    const uint64_t imageSize = stride * static_cast<uint64_t>(desc.height);
    const uint64_t offBits = BmpFileHeaderSize + DibHeaderSize + 4 * static_cast<uint64_t>(entries);
    if (offBits + imageSize > UINT32_MAX)
        return EncodeTooLarge;

    // Both headers and the colour table leave in one write.
    std::unique_ptr<uint8_t[]> headBlock(new (std::nothrow) uint8_t[offBits]());
    if (!headBlock)
        return EncodeNoMemory;
    uint8_t* head = headBlock.get();
    head[0] = 'B';
    head[1] = 'M';
    PutLe32(head + 2, static_cast<uint32_t>(offBits + imageSize));
    PutLe32(head + 10, static_cast<uint32_t>(offBits));
    uint8_t* info = head + BmpFileHeaderSize;
    PutLe32(info + 0, DibHeaderSize);
    PutLe32(info + 4, static_cast<uint32_t>(desc.width));
    PutLe32(info + 8, static_cast<uint32_t>(desc.height));
    PutLe16(info + 12, 1);
    PutLe16(info + 14, static_cast<uint32_t>(bitCount));
    PutLe32(info + 20, static_cast<uint32_t>(imageSize));
    const int given = desc.colorTable != nullptr && desc.colorCount > 0 ? desc.colorCount : 0;
    const int copied = given < entries ? given : entries;
    if (copied > 0)
        std::memcpy(info + DibHeaderSize, desc.colorTable, 4 * static_cast<size_t>(copied));
    if (!Put(sink, head, static_cast<size_t>(offBits)))
        return EncodeWriteFailed;

    // Bands from the bottom row up; each band arrives bottom row first, as the file stores it.
    const uint64_t bandRows = BandRows(stride, desc.height);
    std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[bandRows * stride]);
    if (!band)
        return EncodeNoMemory;
    int32_t firstLine = 0;
    while (firstLine < desc.height) {
        int32_t count = desc.height - firstLine;
        if (static_cast<uint64_t>(count) > bandRows)
            count = static_cast<int32_t>(bandRows);
        if (!source.fetch(source.context, firstLine, count, band.get()))
            return EncodeFetchFailed;
        if (!Put(sink, band.get(), static_cast<size_t>(count * stride)))
            return EncodeWriteFailed;
        firstLine += count;
    }
    return EncodeOk;
}
