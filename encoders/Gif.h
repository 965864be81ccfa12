// GIF87a writer: logical screen the size of the image, a global colour table, one image with its
// pixel indices compressed by the GIF flavour of the LZW compressor, no extensions.
#pragma once

#include "encoders/EncodeTypes.h"

// Writes the image as a GIF87a file to `sink`. Rows are fetched from `rows` in bands of
// max(1, 65535 / stride) rows, the top band first, and handed to the compressor top row first.
// bitCount 1, 4 or 8: the colour table is written from desc.colorTable (entries missing from a
// short table are written black). bitCount 24: the rows are read once more before, to reduce the
// image to at most 256 colours (ColourMapBuild; `dither` diffuses the error of reduced colours);
// the colour table holds the palette, padded with black to the next power of two (at least 2),
// and the LZW code size follows it (at least 2). Results:
//   EncodeOk             the file is complete;
//   EncodeNothing        width or height below 1, nothing written;
//   EncodeBadDepth       any other bitCount, nothing written;
//   EncodeTooLarge       width or height above 65535 (the format's 16-bit fields), nothing written;
//   EncodeNoMemory, EncodeFetchFailed, EncodeWriteFailed: the file is incomplete.
EncodeResult EncodeGif(const ImageDesc& desc, const RowSource& rows, ByteSink& sink,
                       bool dither = false);
