// Writes an image as a PNG file: the signature, IHDR, PLTE for indexed images, the rows as one
// zlib stream cut into IDAT chunks, and IEND, every chunk with its CRC. Rows arrive in bands from
// a RowSource, so memory holds a band and a few rows, never the whole image.
// Platform-free: no <windows.h>.
#pragma once

#include "encoders/EncodeTypes.h"

#include <cstddef>
#include <cstdint>

constexpr size_t PngSignatureSize = 8;
extern const uint8_t PngSignature[PngSignatureSize];

// PNG row filter types.
enum PngFilter : uint8_t {
    PngFilterNone = 0,
    PngFilterSub = 1,
    PngFilterUp = 2,
    PngFilterAverage = 3,
    PngFilterPaeth = 4,
};

// How the rows are compressed. level, strategy and memLevel are zlib's (0..9; Z_DEFAULT_STRATEGY,
// Z_FILTERED, Z_RLE ...; 1..9); filterRows chooses a filter per row for RGB images (indexed
// images are always written unfiltered, where filters rarely help). When niceLength is not 0,
// the four match-search limits replace the level's own (zlib's deflateTune: good, lazy, nice,
// chain); at levels 1-3 `lazy` is the longest match whose strings still enter the hash table.
struct PngOptions {
    int level;
    int strategy;
    bool filterRows;
    int memLevel;
    int goodLength;
    int lazyLength;
    int niceLength;
    int chainLength;
};

// The options EncodePng uses, chosen from measurements on screen-like images (bench/).
PngOptions PngDefaultOptions();

// Filters row[0, n) with the given filter into out[0, n); prior is the row above (all zeros for
// the first row), bpp the bytes per complete pixel (at least 1).
void PngFilterRow(PngFilter filter, const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp,
                  uint8_t* out);

// Chooses the filter whose output has the smallest sum of absolute values (bytes read as
// signed), the first of equal ones in filter order, writes its output to out[0, n) and returns
// it. A row whose Up output sums to at most n (one per byte on average; a row equal to prior
// sums to 0) takes Up without further trials.
PngFilter PngChooseFilter(const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp,
                          uint8_t* out);

// Appends one chunk (length, type, data, CRC) to out and returns its size, 12 + length.
size_t PngPutChunk(const char type[4], const uint8_t* data, uint32_t length, uint8_t* out);

// Writes desc's image to sink. desc.bitCount: 1, 4, 8 (indices into desc.colorTable; the PNG
// is a palette image holding exactly the distinct colours the pixels use, at 1, 4 or 8 bits as
// their number needs; indices beyond colorCount stand for black) or 24 (8-bit RGB, no alpha).
// Results: EncodeOk; EncodeNothing for an empty image; EncodeBadDepth for any other bit count;
// EncodeNoMemory, EncodeFetchFailed, EncodeWriteFailed when a buffer, the source or the sink
// fails.
EncodeResult EncodePng(const ImageDesc& desc, const RowSource& source, ByteSink& sink);
EncodeResult EncodePngWith(const ImageDesc& desc, const PngOptions& options,
                           const RowSource& source, ByteSink& sink);
