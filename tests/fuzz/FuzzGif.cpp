// Fuzz target: a random image (size, depth, colours and pixels from the input, padding bytes
// included) is written by the GIF writer into memory and read back by giflib; the screen, the
// colour table and every pixel must come back as they went in.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <gif_lib.h>

#include "encoders/DibRules.h"
#include "encoders/Gif.h"
#include "encoders/MemorySink.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/oracles/GifMemoryRead.h"
#include "tests/fuzz/SmallQuarantine.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "GIF round trip failed: %s\n", what);
        abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6)
        return 0;
    ByteStream in = {data, size, 0, 0x9E3779B9u ^ static_cast<uint32_t>(size)};
    static const int depths[4] = {1, 4, 8, 8};
    const int bitCount = depths[in.Next() % 4];
    int shape = in.Next();
    // Mostly small images; now and then wide rows or enough pixels to fill the code table.
    const bool medium = shape >= 230 && shape < 250;
    const bool wide = shape >= 250;
    int32_t maxWidth = wide ? 3000 : medium ? 300 : 40;
    const int32_t width = 1 + static_cast<int32_t>((in.Next() | in.Next() << 8) % maxWidth);
    const int32_t height = 1 + static_cast<int32_t>(in.Next() % (wide ? 8 : medium ? 70 : 40));
    TestImage image = MakeTestImage(width, height, bitCount);
    const int colours = ColorTableSize(bitCount);
    const bool flat = (shape & 1) != 0; // fewer distinct values: longer strings
    for (uint8_t& b : image.table)
        b = in.Next();
    for (uint8_t& b : image.dib) // padding bytes included
        b = flat ? static_cast<uint8_t>(in.Next() & 0x11) : in.Next();

    MemorySink mem;
    MemorySinkInit(&mem);
    ByteSink sink = MemorySinkByteSink(&mem);
    RowSource rows = SourceOf(image);
    Check(EncodeGif(DescOf(image), rows, sink) == EncodeOk, "writer result");
    Check(!image.badFetch, "rows asked for inside the image");

    MemoryGif reader = {mem.data, static_cast<size_t>(mem.size), 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadGif, &error);
    Check(gif != nullptr, "open");
    Check(DGifSlurp(gif) == GIF_OK, "decode");
    Check(gif->SWidth == image.width && gif->SHeight == image.height, "screen size");
    Check(gif->ImageCount == 1, "one image");
    Check(gif->SColorMap != nullptr && gif->SColorMap->ColorCount == colours, "colour table");
    for (int i = 0; i < colours; ++i) {
        const GifColorType& c = gif->SColorMap->Colors[i];
        const uint8_t* q = image.table.data() + 4 * i;
        Check(c.Red == q[2] && c.Green == q[1] && c.Blue == q[0], "colour entry");
    }
    const SavedImage& saved = gif->SavedImages[0];
    Check(saved.ImageDesc.Width == image.width && saved.ImageDesc.Height == image.height &&
              !saved.ImageDesc.Interlace && saved.ImageDesc.ColorMap == nullptr,
          "image descriptor");
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            Check(saved.RasterBits[static_cast<size_t>(y) * static_cast<size_t>(image.width) +
                                   static_cast<size_t>(x)] == PixelIndex(image, x, y),
                  "pixel");
    DGifCloseFile(gif, &error);
    Check(reader.pos == reader.size, "trailer is the last byte");
    MemorySinkFree(&mem);
    return 0;
}
