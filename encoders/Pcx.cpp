#include "encoders/Pcx.h"
#include "encoders/ByteOrder.h"

#include "encoders/DibRules.h"

#include <cstring>
#include <memory>
#include <new>

namespace {

constexpr int32_t MaxDimension = 65535;
// Encoded rows collect in the output buffer and leave once it holds this many bytes.
constexpr size_t FlushBytes = 15360;
constexpr int MaxRun = 63;

// Entry i of the colour table as red, green, blue; zeros for entries the table lacks.
void PutRgb(const ImageDesc& desc, int i, uint8_t* rgb) {
    if (desc.colorTable != nullptr && i < desc.colorCount) {
        const uint8_t* quad = desc.colorTable + 4 * i;
        rgb[0] = quad[2];
        rgb[1] = quad[1];
        rgb[2] = quad[0];
    } else {
        rgb[0] = rgb[1] = rgb[2] = 0;
    }
}

} // namespace

bool PcxLayoutFor(int32_t width, int bitCount, PcxRowLayout* layout) {
    const uint32_t w = width > 0 ? static_cast<uint32_t>(width) : 0;
    switch (bitCount) {
    case 1: *layout = {1, 1, 1, (w + 7) / 8}; return true;
    case 4: *layout = {4, 1, 4, (w + 7) / 8}; return true;
    case 8: *layout = {8, 8, 1, w}; return true;
    case 24: *layout = {24, 8, 3, w}; return true;
    default: return false;
    }
}

size_t PcxRunLength(const uint8_t* line, size_t n, uint8_t* out) {
    size_t written = 0;
    size_t i = 0;
    while (i < n) {
        const uint8_t v = line[i];
        int count = 1;
        while (i + count < n && line[i + count] == v && count < MaxRun)
            ++count;
        if (count > 1 || v >= 0xC0)
            out[written++] = static_cast<uint8_t>(0xC0 + count);
        out[written++] = v;
        i += static_cast<size_t>(count);
    }
    return written;
}

size_t PcxEncodeRow(const PcxRowLayout& layout, const uint8_t* dibRow, uint8_t* planeBuffer,
                    uint8_t* out) {
    const uint32_t n = layout.rowBytes;
    size_t written = 0;
    switch (layout.bitCount) {
    case 1:
    case 8: written = PcxRunLength(dibRow, n, out); break;
    case 4:
        // Plane j, byte k: bit j of pixels 8k .. 8k + 7 (pixel 8k in bit 7), taken from the
        // DIB bytes 4k .. 4k + 3, high nibble first.
        for (int plane = 0; plane < 4; ++plane) {
            for (uint32_t k = 0; k < n; ++k) {
                const uint8_t* src = dibRow + 4 * static_cast<size_t>(k);
                uint32_t bits = 0;
                for (int b = 0; b < 4; ++b) {
                    bits = bits << 1 | ((src[b] >> (4 + plane)) & 1);
                    bits = bits << 1 | ((src[b] >> plane) & 1);
                }
                planeBuffer[k] = static_cast<uint8_t>(bits);
            }
            written += PcxRunLength(planeBuffer, n, out + written);
        }
        break;
    case 24:
        // Red, green, blue lines: bytes 2, 1 and 0 of each blue-green-red pixel.
        for (int plane = 0; plane < 3; ++plane) {
            const uint8_t* src = dibRow + (2 - plane);
            for (uint32_t k = 0; k < n; ++k)
                planeBuffer[k] = src[3 * static_cast<size_t>(k)];
            written += PcxRunLength(planeBuffer, n, out + written);
        }
        break;
    default: break;
    }
    return written;
}

void PcxFillHeader(const ImageDesc& desc, const PcxRowLayout& layout, uint8_t* header) {
    std::memset(header, 0, PcxHeaderSize);
    header[0] = 0x0A;
    header[1] = 5;
    header[2] = 1;
    header[3] = static_cast<uint8_t>(layout.bitsPerPixel);
    PutLe16(header + 8, static_cast<uint32_t>(desc.width - 1));
    PutLe16(header + 10, static_cast<uint32_t>(desc.height - 1));
    const int mapEntries = layout.bitCount == 1 ? 2 : (layout.bitCount == 24 ? 0 : 16);
    for (int i = 0; i < mapEntries; ++i)
        PutRgb(desc, i, header + 16 + 3 * i);
    header[65] = static_cast<uint8_t>(layout.planes);
    PutLe16(header + 66, layout.rowBytes);
    PutLe16(header + 68, layout.bitCount == 24 ? 0 : 1);
    PutLe16(header + 70, static_cast<uint32_t>(desc.width));
    PutLe16(header + 72, static_cast<uint32_t>(desc.height));
}

EncodeResult EncodePcx(const ImageDesc& desc, const RowSource& source, ByteSink& sink) {
    PcxRowLayout layout;
    if (!PcxLayoutFor(desc.width, desc.bitCount, &layout))
        return EncodeBadDepth;
    if (desc.width < 1 || desc.height < 1)
        return EncodeNothing;
    // Xmax, Ymax, BytesPerLine and the screen size are 16-bit fields.
    if (desc.width > MaxDimension || desc.height > MaxDimension)
        return EncodeTooLarge;

    uint8_t header[PcxHeaderSize];
    PcxFillHeader(desc, layout, header);
    if (!sink.write(sink.context, header, PcxHeaderSize))
        return EncodeWriteFailed;

    const uint64_t stride = DibStride(desc.width, desc.bitCount);
    const uint64_t bandRows = BandRows(stride, desc.height);
    // Worst case of one encoded row: every byte of every plane line becomes two bytes.
    const size_t maxRow = 2 * static_cast<size_t>(layout.planes) * layout.rowBytes;
    std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[bandRows * stride]);
    std::unique_ptr<uint8_t[]> planeBuffer(new (std::nothrow) uint8_t[layout.rowBytes]);
    std::unique_ptr<uint8_t[]> out(new (std::nothrow) uint8_t[FlushBytes + maxRow]);
    if (!band || !planeBuffer || !out)
        return EncodeNoMemory;

    // Bands from the top of the image down; a band arrives bottom row first, so its rows are
    // encoded from the last one in the buffer back to the first.
    size_t outFill = 0;
    int32_t bandTop = desc.height;
    while (bandTop > 0) {
        int32_t count = bandTop;
        if (static_cast<uint64_t>(count) > bandRows)
            count = static_cast<int32_t>(bandRows);
        const int32_t bandStart = bandTop - count;
        if (!source.fetch(source.context, bandStart, count, band.get()))
            return EncodeFetchFailed;
        for (int32_t row = count - 1; row >= 0; --row) {
            const uint8_t* dibRow = band.get() + static_cast<size_t>(row) * stride;
            outFill += PcxEncodeRow(layout, dibRow, planeBuffer.get(), out.get() + outFill);
            if (outFill >= FlushBytes) {
                if (!sink.write(sink.context, out.get(), outFill))
                    return EncodeWriteFailed;
                outFill = 0;
            }
        }
        bandTop = bandStart;
    }
    if (outFill > 0 && !sink.write(sink.context, out.get(), outFill))
        return EncodeWriteFailed;

    if (desc.bitCount == 8) {
        uint8_t trailer[PcxTrailerSize];
        trailer[0] = 0x0C;
        for (int i = 0; i < 256; ++i)
            PutRgb(desc, i, trailer + 1 + 3 * i);
        if (!sink.write(sink.context, trailer, PcxTrailerSize))
            return EncodeWriteFailed;
    }
    return EncodeOk;
}
