// The chunk structure of a PNG file, checked before the file is handed to a decoder: the
// signature, IHDR first with a size and a colour type and depth PNG allows, every chunk whole
// with a matching CRC, and IEND at the end. A file that passes may still hold bad image data
// (the decoder's own checks find that); a file that fails is refused outright.
// Platform-free: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

enum PngChunkResult {
    PngChunksOk = 0,
    PngChunksNoSignature, // not a PNG file
    PngChunksTruncated,   // a chunk runs past the end, or IEND is missing
    PngChunksBadCrc,      // a chunk's CRC does not match its type and data
    PngChunksBadHeader,   // IHDR missing, not first, or with values PNG does not allow
    PngChunksNoImageData, // no IDAT chunk before IEND
};

// The size IHDR gives, when the result is PngChunksOk.
struct PngHeaderInfo {
    uint32_t width;
    uint32_t height;
    int bitDepth;
    int colorType;
    bool interlaced;
};

PngChunkResult CheckPngChunks(const uint8_t* data, size_t size, PngHeaderInfo* header);
