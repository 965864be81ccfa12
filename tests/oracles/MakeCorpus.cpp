// Writes the round-trip corpus: test images encoded by every writer that takes their depth,
// the colours each image must decode to (binary PPM, top row first), and a manifest that the
// checker reads. Usage: make_corpus OUTPUT_DIR
//
// Manifest (manifest.tsv), one file per line, tab-separated:
//   file  format  depth  compression  width  height  expected-ppm  palette  notes
// format: bmp, gif, tif, pcx, png; compression: the TIFF choice (none, packbits, lzw8k, lzw16k) or
// "-"; palette: bw (a two-colour black and white table), color (any other table) or rgb.

#include "encoders/Bmp.h"
#include "encoders/Gif.h"
#include "encoders/Pcx.h"
#include "encoders/Png.h"
#include "encoders/Quantize.h"
#include "encoders/Tif.h"
#include "tests/oracles/TestImage.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct Corpus {
    std::string dir;
    FILE* manifest = nullptr;
    int files = 0;
    bool failed = false;
};

// A deterministic generator, so that the corpus is the same on every run.
struct Random {
    uint64_t state;
    uint32_t Next() {
        state = state * 6364136223846793005ull + 1442695040888963407ull;
        return static_cast<uint32_t>(state >> 33);
    }
};

bool WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void WriteExpected(Corpus& corpus, const TestImage& image, const std::string& name) {
    std::string ppm =
        "P6\n" + std::to_string(image.width) + " " + std::to_string(image.height) + "\n255\n";
    std::vector<uint8_t> bytes(ppm.begin(), ppm.end());
    bytes.reserve(bytes.size() + 3 * static_cast<size_t>(image.width) * image.height);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t rgb = PixelRgb(image, x, y);
            bytes.push_back(static_cast<uint8_t>(rgb >> 16));
            bytes.push_back(static_cast<uint8_t>(rgb >> 8));
            bytes.push_back(static_cast<uint8_t>(rgb));
        }
    if (!WriteFile(corpus.dir + "/" + name + ".ppm", bytes)) {
        std::fprintf(stderr, "cannot write %s.ppm\n", name.c_str());
        corpus.failed = true;
    }
}

const char* PaletteKind(const TestImage& image) {
    if (image.bitCount == 24)
        return "rgb";
    if (image.bitCount == 1) {
        const uint8_t* t = image.table.data();
        if (t[0] == 0 && t[1] == 0 && t[2] == 0 && t[4] == 255 && t[5] == 255 && t[6] == 255)
            return "bw";
    }
    return "color";
}

void Record(Corpus& corpus, const TestImage& image, const std::string& name, const char* format,
            const char* compression, const std::vector<uint8_t>& bytes, const char* notes) {
    const std::string file =
        name + (compression[0] == '-' ? "" : std::string(".") + compression) + "." + format;
    if (!WriteFile(corpus.dir + "/" + file, bytes)) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        corpus.failed = true;
        return;
    }
    std::fprintf(corpus.manifest, "%s\t%s\t%d\t%s\t%d\t%d\t%s.ppm\t%s\t%s\n", file.c_str(), format,
                 image.bitCount, compression, image.width, image.height, name.c_str(),
                 PaletteKind(image), notes);
    ++corpus.files;
}

bool Check(Corpus& corpus, EncodeResult result, const std::string& what) {
    if (result == EncodeOk)
        return true;
    std::fprintf(stderr, "%s: encoder result %d\n", what.c_str(), static_cast<int>(result));
    corpus.failed = true;
    return false;
}

// The colours a GIF of a 24-bit image holds: each pixel's palette colour as the colour reduction
// maps it (the image itself when it has at most 256 colours).
TestImage ReducedForGif(TestImage& image, bool* exact) {
    TestImage reduced = MakeTestImage(image.width, image.height, 24);
    EncodeResult result = EncodeOk;
    ColourMap* map = ColourMapBuild(DescOf(image), SourceOf(image), false, &result);
    if (map == nullptr)
        return TestImage();
    *exact = ColourMapIsExact(map);
    std::vector<uint8_t> indices(static_cast<size_t>(image.width));
    const uint8_t* palette = ColourMapColours(map);
    for (int32_t y = 0; y < image.height; ++y) {
        ColourMapRow(map, TopRow(image, y), indices.data());
        for (int32_t x = 0; x < image.width; ++x) {
            const uint8_t* c = palette + 3 * indices[static_cast<size_t>(x)];
            SetPixel(reduced, x, y, uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2]);
        }
    }
    ColourMapFree(map);
    return reduced;
}

// Encodes one image in every format and compression that takes its depth. A 24-bit image's GIF
// is listed with the image's own colours when it has at most 256, else with the reduced colours
// under the name <name>-reduced.
void AddImage(Corpus& corpus, TestImage& image, const std::string& name, const char* notes) {
    WriteExpected(corpus, image, name);
    const ImageDesc desc = DescOf(image);
    RowSource source = SourceOf(image);
    {
        VectorSink out;
        ByteSink sink = SinkOf(out);
        if (Check(corpus, EncodeBmp(desc, source, sink), name + ".bmp"))
            Record(corpus, image, name, "bmp", "-", out.bytes, notes);
    }
    {
        VectorSink out;
        ByteSink sink = SinkOf(out);
        if (Check(corpus, EncodePcx(desc, source, sink), name + ".pcx"))
            Record(corpus, image, name, "pcx", "-", out.bytes, notes);
    }
    {
        VectorSink out;
        ByteSink sink = SinkOf(out);
        if (Check(corpus, EncodePng(desc, source, sink), name + ".png"))
            Record(corpus, image, name, "png", "-", out.bytes, notes);
    }
    {
        VectorSink out;
        ByteSink sink = SinkOf(out);
        bool exact = true;
        TestImage reduced = image.bitCount == 24 ? ReducedForGif(image, &exact) : TestImage();
        if (Check(corpus, EncodeGif(desc, source, sink), name + ".gif")) {
            if (exact) {
                Record(corpus, image, name, "gif", "-", out.bytes, notes);
            } else {
                WriteExpected(corpus, reduced, name + "-reduced");
                Record(corpus, reduced, name + "-reduced", "gif", "-", out.bytes,
                       "more than 256 colours: reduced");
            }
        }
    }
    const struct {
        TifCompression value;
        const char* name;
    } choices[] = {
        {TifNone, "none"}, {TifPackBits, "packbits"}, {TifLzw8k, "lzw8k"}, {TifLzw16k, "lzw16k"}};
    for (const auto& choice : choices) {
        VectorSink out;
        ByteSink sink = SinkOf(out);
        if (Check(corpus, EncodeTif(desc, choice.value, source, sink),
                  name + "." + choice.name + ".tif"))
            Record(corpus, image, name, "tif", choice.name, out.bytes, notes);
    }
}

// Palettes whose entries differ between red and blue, so that a swapped table shows.
void SetPalette(TestImage& image, bool blackWhite) {
    if (image.bitCount == 1) {
        SetColor(image, 0, blackWhite ? 0x000000 : 0x1030A0);
        SetColor(image, 1, blackWhite ? 0xFFFFFF : 0xF0C020);
    } else if (image.bitCount == 4) {
        const uint32_t colors[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                     0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                     0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
        for (int i = 0; i < 16; ++i)
            SetColor(image, i, colors[i]);
    } else if (image.bitCount == 8) {
        for (uint32_t i = 0; i < 256; ++i)
            SetColor(image, static_cast<int>(i),
                     ((i * 53) & 255) << 16 | ((i * 97 + 31) & 255) << 8 | ((255 - i * 29) & 255));
        SetColor(image, 1, 0xFF0000);
        SetColor(image, 2, 0x0000FF);
        SetColor(image, 255, 0xFFFFFF);
    }
}

uint32_t MaxValue(const TestImage& image) {
    return image.bitCount == 24 ? 0xFFFFFF : (1u << image.bitCount) - 1;
}

// Screen-like content: a light desktop, a window with a title bar across the top, text-like
// glyph rows, a red and a blue block, and a marker in the top-left corner, so that neither a
// mirror nor a rotation nor a colour swap gives the same image.
void PaintScreen(TestImage& image, uint32_t seed) {
    Random random{seed};
    const bool rgb = image.bitCount == 24;
    const uint32_t top = MaxValue(image);
    auto pick = [&](uint32_t index, uint32_t color) { return rgb ? color : index % (top + 1); };
    const uint32_t desktop = pick(7, 0xD4D0C8);
    const uint32_t title = pick(4, 0x0A246A);
    const uint32_t text = pick(0, 0x000000);
    const uint32_t red = pick(1, 0xFF0000);
    const uint32_t blue = pick(2, 0x0000FF);
    const uint32_t marker = pick(top > 8 ? 9 : 1, 0x00FF00);
    const int32_t w = image.width, h = image.height;
    for (int32_t y = 0; y < h; ++y) {
        const bool titleBar = y < h / 8 + 1;
        for (int32_t x = 0; x < w; ++x) {
            uint32_t v = desktop;
            if (titleBar)
                v = rgb ? (0x0A246A + static_cast<uint32_t>((x * 0x60) / (w + 1)) * 0x010101u)
                        : title;
            else if (x >= w / 10 && x < w - w / 6 && y >= h / 5 && y < h - h / 7) {
                const int32_t line = (y - h / 5) % 12;
                const bool glyph = line < 8 && (random.Next() & 3) == 0 && (x / 6) % 9 != 8;
                v = glyph ? text : pick(15, 0xFFFFFF);
            }
            if (x >= w - w / 6 && x < w - w / 12 && y >= h / 3 && y < h / 2)
                v = red;
            if (x >= w - w / 12 && y >= h / 2)
                v = blue;
            if (x < 3 && y < 3)
                v = marker;
            if (x == y) // a diagonal from the top-left only
                v = text;
            SetPixel(image, x, y, v);
        }
    }
}

void PaintNoise(TestImage& image, uint32_t seed) {
    Random random{seed};
    const uint32_t mask = MaxValue(image);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            SetPixel(image, x, y, random.Next() & mask);
}

// Red rises to the right, green downwards, blue along the diagonal: every pixel differs from its
// neighbours and a channel swap changes the picture.
void PaintGradient(TestImage& image) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x) {
            const uint32_t r =
                static_cast<uint32_t>(x * 255 / (image.width > 1 ? image.width - 1 : 1));
            const uint32_t g =
                static_cast<uint32_t>(y * 255 / (image.height > 1 ? image.height - 1 : 1));
            const uint32_t b = static_cast<uint32_t>((x + 2 * y) & 255);
            const uint32_t v = r << 16 | g << 8 | b;
            SetPixel(image, x, y,
                     image.bitCount == 24 ? v : (x * 3 + y * 5) % (MaxValue(image) + 1));
        }
}

enum Content { Screen, Noise, Gradient };

void Add(Corpus& corpus, int32_t width, int32_t height, int bitCount, Content content,
         bool blackWhite, const char* notes) {
    TestImage image = MakeTestImage(width, height, bitCount);
    SetPalette(image, blackWhite);
    const char* contentName = content == Screen  ? "screen"
                              : content == Noise ? "noise"
                                                 : "gradient";
    const uint32_t seed = static_cast<uint32_t>(width * 7919 + height * 104729 + bitCount);
    if (content == Screen)
        PaintScreen(image, seed);
    else if (content == Noise)
        PaintNoise(image, seed);
    else
        PaintGradient(image);
    const std::string name = std::string(contentName) + "-" + std::to_string(bitCount) + "bit-" +
                             (bitCount == 1 ? (blackWhite ? "bw-" : "color-") : "") +
                             std::to_string(width) + "x" + std::to_string(height);
    AddImage(corpus, image, name, notes);
}

// Bytes of LZW data in a GIF written for desc: the sum of its sub-block lengths.
size_t GifDataBytes(const std::vector<uint8_t>& gif, int colours) {
    size_t at = 13 + 3 * static_cast<size_t>(colours) + 10 + 1;
    size_t total = 0;
    while (at < gif.size() && gif[at] != 0) {
        total += gif[at];
        at += 1 + gif[at];
    }
    return total;
}

// Noise images whose compressed data fills its last 255-byte sub-block exactly.
void AddGifExactSubBlocks(Corpus& corpus, int bitCount) {
    for (int32_t width = 16; width < 400; ++width) {
        TestImage image = MakeTestImage(width, 9, bitCount);
        SetPalette(image, false);
        PaintNoise(image, static_cast<uint32_t>(width) * 31u + 5u);
        VectorSink out;
        ByteSink sink = SinkOf(out);
        RowSource source = SourceOf(image);
        if (!Check(corpus, EncodeGif(DescOf(image), source, sink), "gif search"))
            return;
        const size_t data = GifDataBytes(out.bytes, ColorTableSize(bitCount));
        if (data % 255 == 0) {
            const std::string name = "noise-" + std::to_string(bitCount) + "bit-" +
                                     std::to_string(width) + "x9-gif255x" +
                                     std::to_string(data / 255);
            WriteExpected(corpus, image, name);
            Record(corpus, image, name, "gif", "-", out.bytes, "LZW data a multiple of 255 bytes");
            return;
        }
    }
    std::fprintf(stderr, "no %d-bit GIF with data a multiple of 255 bytes found\n", bitCount);
    corpus.failed = true;
}

// A 32-bit BMP: the writer's only depth with a caller-given table length.
void AddBmp32(Corpus& corpus, int32_t width, int32_t height, int entries) {
    TestImage image = MakeTestImage(width, height, 32);
    Random random{static_cast<uint64_t>(width * 131 + height)};
    TestImage expect = MakeTestImage(width, height, 24);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint32_t rgb = x < 2 && y < 2 ? 0xFF0000 : random.Next() & 0xFFFFFF;
            uint8_t* p = TopRow(image, y) + 4 * x;
            p[0] = static_cast<uint8_t>(rgb);
            p[1] = static_cast<uint8_t>(rgb >> 8);
            p[2] = static_cast<uint8_t>(rgb >> 16);
            p[3] = 0;
            SetPixel(expect, x, y, rgb);
        }
    std::vector<uint8_t> table(4 * static_cast<size_t>(entries), 0);
    ImageDesc desc = DescOf(image);
    desc.colorTable = entries ? table.data() : nullptr;
    desc.colorCount = entries;
    const std::string name = "noise-32bit-" + std::to_string(width) + "x" + std::to_string(height) +
                             "-table" + std::to_string(entries);
    WriteExpected(corpus, expect, name);
    VectorSink out;
    ByteSink sink = SinkOf(out);
    RowSource source = SourceOf(image);
    if (Check(corpus, EncodeBmp(desc, source, sink), name))
        Record(corpus, image, name, "bmp", "-", out.bytes, "32-bit rows");
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR\n", argv[0]);
        return 2;
    }
    Corpus corpus;
    corpus.dir = argv[1];
    corpus.manifest = std::fopen((corpus.dir + "/manifest.tsv").c_str(), "w");
    if (corpus.manifest == nullptr) {
        std::fprintf(stderr, "cannot create %s/manifest.tsv\n", argv[1]);
        return 1;
    }

    // Every row-padding remainder at every depth, small enough to read pixel by pixel.
    for (int32_t width : {1, 7, 8, 9, 17, 25, 33})
        for (bool bw : {true, false})
            Add(corpus, width, 5, 1, Screen, bw, "padding remainder");
    for (int32_t width : {1, 2, 3, 5, 7, 8, 9})
        Add(corpus, width, 4, 4, Screen, false, "padding remainder");
    for (int32_t width : {1, 2, 3, 4, 5})
        Add(corpus, width, 3, 8, Screen, false, "padding remainder");
    for (int32_t width : {1, 2, 3, 4, 5})
        Add(corpus, width, 3, 24, Gradient, false, "padding remainder");

    // Band boundaries (rows of at most 65535 bytes per fetch) and strip boundaries
    // (8192 or 16384 raw bytes), crossed and met exactly.
    Add(corpus, 2000, 261, 1, Screen, true, "band 260 rows: one past; strips of 32 rows");
    Add(corpus, 2000, 520, 1, Screen, false, "exactly two bands");
    Add(corpus, 1000, 262, 4, Screen, false, "band 131 rows: exactly two bands");
    Add(corpus, 1000, 256, 4, Screen, false, "strips of 16 and 32 rows: exact");
    Add(corpus, 1000, 128, 8, Screen, false, "strips of 8 and 16 rows: exact");
    Add(corpus, 1000, 130, 8, Screen, false, "band 65 rows: exactly two bands");
    Add(corpus, 1000, 131, 8, Screen, false, "one row past two bands");
    Add(corpus, 1000, 42, 24, Screen, false, "band 21 rows: exactly two bands, strips of 2");
    Add(corpus, 1000, 43, 24, Gradient, false, "one row past two bands, odd last strip");
    Add(corpus, 655, 100, 8, Screen, false, "one band exactly (rowSize 656)");

    // Screenshots and noise: code tables that fill and clear, long runs and none.
    Add(corpus, 640, 480, 8, Screen, false, "screenshot-like");
    Add(corpus, 640, 480, 8, Noise, false, "noise: LZW table fills in every strip");
    Add(corpus, 512, 300, 4, Noise, false, "noise");
    Add(corpus, 512, 300, 1, Noise, false, "noise: GIF table fills at 2-bit roots");
    Add(corpus, 320, 200, 24, Screen, false, "screenshot-like");
    Add(corpus, 256, 256, 24, Gradient, false, "gradient");
    Add(corpus, 200, 120, 24, Noise, false, "noise: LZW table fills");

    // Rows longer than a strip and than a band: one row per strip and per fetch; strips whose
    // stored size passes 65535 bytes.
    Add(corpus, 22000, 3, 24, Noise, false, "row of 66000 bytes: strip over 65535 bytes");
    Add(corpus, 16384, 2, 24, Screen, false, "16384 pixels wide");
    Add(corpus, 70000 / 4, 2, 8, Noise, false, "row longer than a 16k strip");
    Add(corpus, 16384, 3, 24, Noise, false, "one row per strip, LONG byte counts in an array");
    Add(corpus, 16384, 1, 24, Noise, false, "one strip, its LONG byte count inside the entry");
    Add(corpus, 3000, 5, 24, Noise, false, "one row per strip, SHORT byte counts");
    Add(corpus, 128, 128, 8, Noise, false, "one 16k strip whose LZW table fills several times");

    // Single pixels, and sizes drawn at random (the same on every run) with either content.
    for (int bitCount : {1, 4, 8, 24})
        Add(corpus, 1, 1, bitCount, Screen, false, "single pixel");
    Random sizes{20261207};
    for (int bitCount : {1, 4, 8, 24})
        for (int i = 0; i < 6; ++i) {
            const int32_t width = 1 + static_cast<int32_t>(sizes.Next() % 700);
            const int32_t height = 1 + static_cast<int32_t>(sizes.Next() % 300);
            Add(corpus, width, height, bitCount, i % 2 ? Noise : Screen, bitCount == 1 && i < 2,
                "random size");
        }

    // 24-bit images of exactly 2, 255 and 256 colours keep them in a GIF; 257 are reduced.
    for (int colours : {2, 255, 256, 257}) {
        TestImage image = MakeTestImage(37, 23, 24);
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x) {
                const uint32_t i = uint32_t(y * image.width + x) * 7919u % uint32_t(colours);
                SetPixel(image, x, y, (i * 2654435761u) >> 8 & 0xFFFFFF);
            }
        AddImage(corpus, image, "colours-" + std::to_string(colours) + "-24bit-37x23",
                 "exactly this many colours");
    }

    AddGifExactSubBlocks(corpus, 8);
    AddGifExactSubBlocks(corpus, 4);
    AddBmp32(corpus, 3, 2, 0);
    AddBmp32(corpus, 37, 21, 3);

    std::fclose(corpus.manifest);
    std::printf("corpus: %d files\n", corpus.files);
    return corpus.failed ? 1 : 0;
}
