// Writes an image as a version 5 PCX file: the 128-byte header, every row from the top down as
// run-length encoded plane lines, and for 256-colour images the 769-byte palette trailer.
// Platform-free: no <windows.h>.
#pragma once

#include "encoders/EncodeTypes.h"

#include <cstddef>
#include <cstdint>

constexpr size_t PcxHeaderSize = 128;
constexpr size_t PcxTrailerSize = 769;

// How the rows of one image become plane lines.
struct PcxRowLayout {
    int bitCount;      // 1, 4, 8 or 24: depth of the DIB rows
    int bitsPerPixel;  // BitsPerPixel of the header: 1, 1, 8, 8
    int planes;        // NPlanes, the plane lines per row: 1, 4, 1, 3
    uint32_t rowBytes; // bytes of one plane line (BytesPerLine)
};

// Fills *layout for an image of `width` pixels at `bitCount` bits. Returns false for a depth
// PCX is not written at.
bool PcxLayoutFor(int32_t width, int bitCount, PcxRowLayout* layout);

// Appends the run-length encoding of line[0, n) to out and returns the bytes appended
// (at most 2 n). Runs hold 1 to 63 equal bytes; a single byte below 0xC0 stands for itself.
size_t PcxRunLength(const uint8_t* line, size_t n, uint8_t* out);

// Encodes one DIB row (at least DibStride bytes) plane line by plane line into out and returns
// the bytes appended (at most 2 x planes x rowBytes). planeBuffer holds rowBytes bytes.
size_t PcxEncodeRow(const PcxRowLayout& layout, const uint8_t* dibRow, uint8_t* planeBuffer,
                    uint8_t* out);

// Fills the 128-byte header for desc (the colour map from desc.colorTable, missing entries 0).
void PcxFillHeader(const ImageDesc& desc, const PcxRowLayout& layout, uint8_t* header);

// Writes desc's image to sink. desc.bitCount: 1, 4, 8 (indices into desc.colorTable) or 24.
// Results: EncodeOk; EncodeNothing for an empty image; EncodeBadDepth for any other bit count;
// EncodeTooLarge when the width or height exceeds the header's 16-bit fields (65535);
// EncodeNoMemory, EncodeFetchFailed, EncodeWriteFailed when a buffer, the source or the sink
// fails.
EncodeResult EncodePcx(const ImageDesc& desc, const RowSource& source, ByteSink& sink);
