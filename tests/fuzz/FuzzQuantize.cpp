// Fuzz target: a 24-bit image of a few or of many colours (size, colours, pixels, padding bytes,
// band height and dithering from the input) goes through the colour reduction and the mapper,
// then through the GIF writer and back through giflib. The palette holds 1 to 256 colours, is
// exact (and then every pixel keeps its colour) exactly when the image has at most 256 colours,
// every index is in range, and the file decodes to the palette colours the mapper chose.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include <gif_lib.h>

#include "encoders/DibRules.h"
#include "encoders/Gif.h"
#include "encoders/MemorySink.h"
#include "encoders/Quantize.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/oracles/GifMemoryRead.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "colour reduction failed: %s\n", what);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8)
        return 0;
    ByteStream in = {data, size, 0, 0x2545F491u ^ static_cast<uint32_t>(size)};
    const uint8_t shape = in.Next();
    const bool dither = (shape & 1) != 0;
    // Mostly small images; now and then one of enough pixels for every bin count.
    const bool large = shape >= 224;
    int32_t width = 0, height = 0;
    const uint8_t lo = in.Next(), hi = in.Next(), rows = in.Next();
    BoundedSize(lo, hi, rows, large ? SizeBounds{0x1F, 128, 1 << 13} : SizeBounds{1, 48, 1 << 10},
                &width, &height);
    TestImage image = MakeTestImage(width, height, 24);
    // A set of colours to draw from: 1 to 600 of them, or any colour at all (noise).
    const int kinds = 1 + (in.Next() | (in.Next() & 1) << 8) % 600;
    const bool noise = (shape & 6) == 6;
    std::vector<uint32_t> colours(static_cast<size_t>(kinds));
    for (uint32_t& c : colours)
        c = uint32_t(in.Next()) << 16 | uint32_t(in.Next()) << 8 | in.Next();
    for (uint8_t& b : image.dib) // padding bytes too: the mapper must not read them as pixels
        b = in.Next();
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (!noise)
                SetPixel(image, x, y,
                         colours[(in.Next() | in.Next() << 8) % static_cast<unsigned>(kinds)]);
    std::set<uint32_t> distinct;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            distinct.insert(PixelIndex(image, x, y));
    const int32_t bandRows = in.Next() % 4 == 0 ? 0 : 1 + in.Next() % height;

    EncodeResult result = EncodeNothing;
    RowSource source = SourceOf(image);
    ColourMap* map = ColourMapBuild(DescOf(image), source, dither, &result, bandRows);
    Check(map != nullptr && result == EncodeOk, "result");
    Check(!image.badFetch, "rows asked for inside the image");
    const int count = ColourMapSize(map);
    Check(count >= 1 && count <= 256, "palette size");
    Check(ColourMapIsExact(map) == (distinct.size() <= 256), "exact when it can be");
    if (ColourMapIsExact(map))
        Check(static_cast<size_t>(count) == distinct.size(), "a palette of the colours used");
    const std::vector<uint8_t> palette(ColourMapColours(map), ColourMapColours(map) + 3 * count);
    std::vector<uint8_t> mapped(static_cast<size_t>(width) * static_cast<size_t>(height));
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* indices = mapped.data() + static_cast<size_t>(y) * static_cast<size_t>(width);
        ColourMapRow(map, TopRow(image, y), indices);
        for (int32_t x = 0; x < width; ++x) {
            Check(indices[x] < count, "index in range");
            if (ColourMapIsExact(map)) {
                const uint8_t* c = palette.data() + 3 * indices[x];
                Check((uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2]) ==
                          PixelIndex(image, x, y),
                      "exact pixel");
            }
        }
    }
    ColourMapFree(map);

    // The GIF writer makes the same choices, and giflib reads them back.
    MemorySink mem;
    MemorySinkInit(&mem);
    ByteSink sink = MemorySinkByteSink(&mem);
    image.fetches.clear();
    Check(EncodeGif(DescOf(image), source, sink, dither) == EncodeOk, "writer result");
    MemoryGif reader = {mem.data, static_cast<size_t>(mem.size), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    Check(gif != nullptr, "open");
    Check(DGifSlurp(gif) == GIF_OK && gif->ImageCount == 1, "decode");
    const int tableSize = gif->SColorMap != nullptr ? gif->SColorMap->ColorCount : 0;
    Check(tableSize >= count && tableSize < 2 * count + 2, "table just large enough");
    for (int i = 0; i < count; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        Check(c.Red == palette[3 * i] && c.Green == palette[3 * i + 1] &&
                  c.Blue == palette[3 * i + 2],
              "colour entry");
    }
    Check(std::memcmp(gif->SavedImages[0].RasterBits, mapped.data(), mapped.size()) == 0,
          "pixels as mapped");
    DGifCloseFile(gif, &error);
    MemorySinkFree(&mem);
    return 0;
}
