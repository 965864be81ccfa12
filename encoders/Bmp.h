// Writes an image as an uncompressed BMP file: the 14-byte file header, the 40-byte information
// header, the colour table and the rows, bottom row first, exactly as the row source delivers
// them. Platform-free: no <windows.h>.
#pragma once

#include "encoders/EncodeTypes.h"

// Writes desc's image to sink. desc.bitCount is the depth of the rows the source delivers:
// 1, 4 or 8 (a full table of ColorTableSize entries is written, entries missing from
// desc.colorTable as zeros), 24 (no table) or 32 (desc.colorCount entries written as given,
// zeros without desc.colorTable; bfOffBits points past them).
// Results: EncodeOk; EncodeNothing for an empty image; EncodeBadDepth for any other bit count;
// EncodeTooLarge when width or height exceeds 65535 or the file would pass 4 GB;
// EncodeNoMemory, EncodeFetchFailed, EncodeWriteFailed when a buffer, the source or the sink
// fails (the bytes written so far are then incomplete).
EncodeResult EncodeBmp(const ImageDesc& desc, const RowSource& source, ByteSink& sink);
