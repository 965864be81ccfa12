// TIFF writer: little-endian, one image file directory, the image in strips of about 8192 raw
// bytes (16384 for TifLzw16k), stored uncompressed, PackBits-packed row by row, or as one LZW
// stream per strip.
//
// Files worth reading back with independent decoders (each exercises a rule readers are strict
// about): a 128 x 128 8-bit image of noise with TifLzw16k (one strip whose LZW table fills and
// clears several times; the clear code must arrive at 12 bits), a 16384 x 3 24-bit image of noise
// with TifLzw8k (rows longer than a strip, one row per strip, strips above 65535 bytes: LONG
// StripByteCounts in an array), the same image 16384 x 1 (one LONG count inside the entry), and
// a 3000 x 5 24-bit image (one row per strip, SHORT counts). Every file carries Predictor 1 (none);
// libtiff warns that it does not know tag 317 when the compression is not LZW, which is expected.
#pragma once

#include <cstdint>

#include "encoders/EncodeTypes.h"

// How an image is laid out in the file.
struct TifLayout {
    uint64_t rowBytes;       // bytes of one row without padding (24-bit: 3 x width)
    uint64_t stride;         // bytes of one DIB row as the row source delivers it
    uint32_t stripSize;      // 8192, or 16384 for TifLzw16k
    uint32_t rowsPerStrip;   // stripSize / rowBytes, at least 1 (a row longer than a strip is a
                             // strip of its own)
    uint32_t strips;         // strips of rowsPerStrip rows, the last one holding the rest
    uint32_t entries;        // IFD entries: 13, or 14 with a ColorMap
    uint32_t headerBytes;    // bytes before the first strip: 192, 216, 300 or 1740
    uint16_t compressionTag; // 1, 5 or 32773
};

// Computes the layout of an image. Returns EncodeOk, EncodeNothing (width or height below 1),
// EncodeBadDepth (bitCount other than 1, 4, 8, 24 or an unknown compression) or EncodeTooLarge
// (a row too long for memory).
EncodeResult TifPlan(const ImageDesc& desc, TifCompression compression, TifLayout* layout);

// Writes the image as a TIFF file to `sink`, fetching one strip's rows at a time from `rows`.
// bitCount 1 (written as black-is-zero, 0 black and 1 white, when the colour table is black and
// white or absent; as a two-colour palette image otherwise), 4 and 8 (palette images with a
// ColorMap), 24 (RGB). Strip byte counts are SHORT unless a strip's stored size reaches 65536
// bytes, then LONG. Results as TifPlan, plus EncodeOk when the file is complete, and
// EncodeNoMemory, EncodeFetchFailed, EncodeWriteFailed or EncodeTooLarge (the file passed 4 GiB)
// with an incomplete file.
EncodeResult EncodeTif(const ImageDesc& desc, TifCompression compression, const RowSource& rows,
                       ByteSink& sink);
