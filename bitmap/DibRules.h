// The two rules every reader and writer of DIB rows shares, and the packed DIB layout.
// Platform-free: used by the encoders, the BMP header parser and the Win32 conversions.
#pragma once

#include <cstdint>

// Size of the BITMAPINFOHEADER that starts every packed DIB and BMP information header.
constexpr uint32_t DibHeaderSize = 40;
// Size of the BITMAPFILEHEADER in front of it in a BMP file.
constexpr uint32_t BmpFileHeaderSize = 14;

// Colour-table entries for a bit count: 2, 16 or 256 for 1, 4 and 8 bits, 0 otherwise.
int ColorTableSize(int bitCount);

// Bytes of one DIB row of `width` pixels at `bitCount` bits, padded to a multiple of 4.
// Computed in 64 bits so that no width the encoders accept can overflow; callers that need
// a 32-bit value check it themselves. Returns 0 for a width or bit count below 1.
uint64_t DibStride(int64_t width, int bitCount);

// Bytes of one row without padding (what TIFF and the PCX 8-bit plane store).
uint64_t DibRowBytes(int64_t width, int bitCount);
