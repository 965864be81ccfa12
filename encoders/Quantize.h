// Colour reduction of 24-bit rows to a palette of at most 256 colours, and the map that turns
// each row's pixels into indices of that palette. Used by the GIF writer for images deeper than
// 8 bits; platform-free, rows come through the same RowSource as every encoder's.
//
// The image is read twice in bands: once here to count its colours, once by the caller, row by
// row, to map them. Memory stays bounded whatever the image's size: a 4 MB histogram at most,
// plus a band and a few rows.
#pragma once

#include "encoders/EncodeTypes.h"

constexpr int QuantizeMaxColours = 256;

// The chosen palette and the state of mapping rows onto it.
struct ColourMap;

// Reads every row of the 24-bit image `desc` (blue, green, red per pixel) from `rows` in bands
// of `bandRows` rows (0: BandRows of the row size, as every encoder fetches) and chooses the
// palette:
//  - at most 256 distinct colours: exactly those colours, in ascending order of their 0xRRGGBB
//    value, and every pixel maps to its own colour;
//  - more: 256 colours, cut from a histogram of 6 bits per channel by variance-minimising splits
//    (each time the box of most squared error, along its widest axis, where the two halves keep
//    the least error) and refined by k-means passes; distances are those of sRGB values with
//    lightness weighted a little above colour. Each pixel maps to the nearest palette colour, or
//    with `dither` its error is diffused onto its neighbours (Floyd-Steinberg on a serpentine
//    path, less of it where the picture has edges or texture).
// The same pixels give the same palette and indices whatever the band height.
// Returns nullptr and sets *result: EncodeNothing (no pixels), EncodeBadDepth (bitCount other
// than 24), EncodeNoMemory or EncodeFetchFailed.
ColourMap* ColourMapBuild(const ImageDesc& desc, const RowSource& rows, bool dither,
                          EncodeResult* result, int32_t bandRows = 0);

// Entries of the palette (1 .. 256) and the entries themselves (red, green, blue each).
int ColourMapSize(const ColourMap* map);
const uint8_t* ColourMapColours(const ColourMap* map);
// True when every colour of the image is in the palette.
bool ColourMapIsExact(const ColourMap* map);

// Maps one row of desc.width pixels (blue, green, red) to palette indices. Rows are handed in
// from the top row down, each once: the error diffusion carries from one row to the next.
void ColourMapRow(ColourMap* map, const uint8_t* bgr, uint8_t* indices);

void ColourMapFree(ColourMap* map);
