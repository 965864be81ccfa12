#include "bitmap/PngChunks.h"

#include <zlib.h>

#include <cstring>

namespace {

uint32_t Be32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
           static_cast<uint32_t>(p[2]) << 8 | p[3];
}

// Bit depths PNG allows for each colour type.
bool DepthAllowed(int colorType, int depth) {
    switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

} // namespace

PngChunkResult CheckPngChunks(const uint8_t* data, size_t size, PngHeaderInfo* header) {
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    if (data == nullptr || size < 8 || std::memcmp(data, signature, 8) != 0)
        return PngChunksNoSignature;
    size_t at = 8;
    bool first = true;
    bool imageData = false;
    for (;;) {
        if (size - at < 12)
            return PngChunksTruncated;
        const uint32_t length = Be32(data + at);
        // A chunk's length is at most 2^31 - 1, and it must fit in what is left.
        if (length > 0x7FFFFFFFu || length > size - at - 12)
            return PngChunksTruncated;
        const uint8_t* type = data + at + 4;
        const uint8_t* body = data + at + 8;
        uLong crc = crc32(0L, type, 4);
        // zlib takes at most 4 GB at once; a chunk is below 2 GB.
        crc = crc32(crc, body, static_cast<uInt>(length));
        if (static_cast<uint32_t>(crc) != Be32(body + length))
            return PngChunksBadCrc;
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        if (first != isHeader)
            return PngChunksBadHeader;
        if (isHeader) {
            if (length != 13)
                return PngChunksBadHeader;
            PngHeaderInfo info;
            info.width = Be32(body);
            info.height = Be32(body + 4);
            info.bitDepth = body[8];
            info.colorType = body[9];
            info.interlaced = body[12] == 1;
            if (info.width == 0 || info.height == 0 || info.width > 0x7FFFFFFFu ||
                info.height > 0x7FFFFFFFu || !DepthAllowed(info.colorType, info.bitDepth) ||
                body[10] != 0 || body[11] != 0 || body[12] > 1)
                return PngChunksBadHeader;
            if (header != nullptr)
                *header = info;
        }
        first = false;
        if (std::memcmp(type, "IDAT", 4) == 0)
            imageData = true;
        at += 12 + static_cast<size_t>(length);
        if (std::memcmp(type, "IEND", 4) == 0)
            return imageData ? PngChunksOk : PngChunksNoImageData;
    }
}
