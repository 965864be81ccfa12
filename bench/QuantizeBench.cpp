// Colour reduction to 256 colours: our quantizer and mapper (plain and with error diffusion)
// against libimagequant (the library behind pngquant, at its default speed, without and with
// dithering) and ImageMagick's QuantizeImage (what "-colors 256" does, dithered by default, and
// without dithering), on the same images in the same run, one thread each. Pillow's quantize
// (median cut and fast octree) is timed by bench/quantize_quality.py, which then measures every
// result against its original (1 - SSIM and PSNR, scikit-image) and prints the table.
//
// Only the reduction and the mapping are timed (CPU time of this thread, best of several runs
// taken in turns); reading, converting and writing the pixels are not. Also measured: the peak
// heap of a 7680 x 4320 24-bit GIF save whose rows are made on demand.
//
// Usage: bench_QuantizeBench [OUTPUT_DIR]   (default build-bench/quantize)
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <libimagequant.h>
#include <magick/MagickCore.h>
#include <malloc.h>
#include <png.h>
#include <sys/stat.h>
#include <time.h>

#include "encoders/DibRules.h"
#include "encoders/Gif.h"
#include "encoders/Quantize.h"

#include "bench/HeapCount.h"

namespace {

struct Picture {
    std::string name;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> rgb; // top row first, red, green, blue
};

uint32_t randomState = 20261209;
uint32_t Rand() {
    randomState = randomState * 1664525u + 1013904223u;
    return randomState >> 8;
}

void Fill(Picture& im, int x0, int y0, int x1, int y1, uint32_t c) {
    for (int y = std::max(0, y0); y < std::min(im.height, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(im.width, x1); ++x) {
            uint8_t* p = im.rgb.data() + 3 * (size_t(y) * size_t(im.width) + size_t(x));
            p[0] = uint8_t(c >> 16);
            p[1] = uint8_t(c >> 8);
            p[2] = uint8_t(c);
        }
}

// A desktop of today: a wallpaper gradient, windows with gradient title bars and soft shadows,
// toolbars of icons, white client areas with anti-aliased text (grey levels between ink and
// paper), a photo-like thumbnail and a task bar.
Picture Screen(const char* name, int32_t w, int32_t h) {
    Picture im;
    im.name = name;
    im.width = w;
    im.height = h;
    im.rgb.assign(size_t(w) * size_t(h) * 3, 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            Fill(im, x, y, x + 1, y + 1,
                 uint32_t(20 + 40 * y / h) << 16 | uint32_t(60 + 80 * x / w) << 8 |
                     uint32_t(120 + 100 * y / h));
    for (int win = 0; win < 6; ++win) {
        int x0 = int(Rand() % uint32_t(w * 2 / 3)), y0 = int(Rand() % uint32_t(h * 2 / 3));
        int ww = w / 4 + int(Rand() % uint32_t(w / 3)), wh = h / 4 + int(Rand() % uint32_t(h / 3));
        for (int s = 8; s > 0; --s) // shadow
            Fill(im, x0 + s, y0 + s, x0 + ww + s, y0 + wh + s, uint32_t(0x10 * (8 - s)) * 0x010101);
        uint32_t accent = Rand() & 0xFFFFFF;
        for (int x = x0; x < x0 + ww; ++x) { // title bar gradient
            int t = (x - x0) * 255 / ww;
            uint32_t r = ((accent >> 16) * uint32_t(255 - t) + 0xE0u * uint32_t(t)) / 255;
            uint32_t g = (((accent >> 8) & 255) * uint32_t(255 - t) + 0xE8u * uint32_t(t)) / 255;
            uint32_t b = ((accent & 255) * uint32_t(255 - t) + 0xF0u * uint32_t(t)) / 255;
            Fill(im, x, y0, x + 1, y0 + 24, r << 16 | g << 8 | b);
        }
        Fill(im, x0, y0 + 24, x0 + ww, y0 + 52, 0xF0F0F0);
        for (int i = 0; i < ww / 28 - 1; ++i) { // icons
            uint32_t c = Rand() & 0xFFFFFF;
            Fill(im, x0 + 6 + 28 * i, y0 + 28, x0 + 26 + 28 * i, y0 + 48, c);
            Fill(im, x0 + 10 + 28 * i, y0 + 32, x0 + 22 + 28 * i, y0 + 44, c ^ 0x404040);
        }
        Fill(im, x0, y0 + 52, x0 + ww, y0 + wh, 0xFFFFFF);
        uint32_t ink = (Rand() & 1) ? 0x202020 : 0x1030A0;
        for (int line = 0; y0 + 60 + 18 * line + 12 < y0 + wh; ++line) {
            int len = int(Rand() % uint32_t(std::max(1, ww - 20)));
            for (int x = x0 + 8; x < x0 + 8 + len; ++x)
                for (int y = y0 + 60 + 18 * line; y < y0 + 72 + 18 * line; ++y) {
                    if (Rand() % 3 != 0)
                        continue;
                    uint32_t a = Rand() % 256; // coverage of an anti-aliased glyph edge
                    uint32_t r = ((ink >> 16) * a + 255 * (255 - a)) / 255;
                    uint32_t g = (((ink >> 8) & 255) * a + 255 * (255 - a)) / 255;
                    uint32_t b = ((ink & 255) * a + 255 * (255 - a)) / 255;
                    Fill(im, x, y, x + 1, y + 1, r << 16 | g << 8 | b);
                }
        }
    }
    int tx = w - 260, ty = h / 8; // thumbnail: a smooth landscape with noise
    for (int y = 0; y < 180; ++y)
        for (int x = 0; x < 240; ++x) {
            double s = std::sin(x * 0.05) * std::cos(y * 0.07);
            uint32_t r = uint32_t(std::clamp(120 + 80 * s + double(Rand() % 16), 0.0, 255.0));
            uint32_t g =
                uint32_t(std::clamp(140 + 60 * s - y * 0.3 + double(Rand() % 16), 0.0, 255.0));
            uint32_t b = uint32_t(std::clamp(90 + y * 0.6 + double(Rand() % 16), 0.0, 255.0));
            Fill(im, tx + x, ty + y, tx + x + 1, ty + y + 1, r << 16 | g << 8 | b);
        }
    Fill(im, 0, h - 40, w, h, 0x202830);
    return im;
}

// A smooth gradient over three channels, the hardest case for banding.
Picture Gradient(int32_t w, int32_t h) {
    Picture im;
    im.name = "gradient";
    im.width = w;
    im.height = h;
    im.rgb.resize(size_t(w) * size_t(h) * 3);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint8_t* p = im.rgb.data() + 3 * (size_t(y) * size_t(w) + size_t(x));
            p[0] = uint8_t(255 * x / (w - 1));
            p[1] = uint8_t(255 * y / (h - 1));
            p[2] = uint8_t(255 - 200 * (x + y) / (w + h - 2));
        }
    return im;
}

// An RGB or RGBA PNG file (a photograph from a Debian package); empty when it cannot be read.
Picture ReadPng(const char* name, const char* path) {
    Picture im;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&png, path))
        return im;
    png.format = PNG_FORMAT_RGB;
    im.rgb.resize(PNG_IMAGE_SIZE(png));
    if (!png_image_finish_read(&png, nullptr, im.rgb.data(), 0, nullptr)) {
        im.rgb.clear();
        return im;
    }
    im.name = name;
    im.width = int32_t(png.width);
    im.height = int32_t(png.height);
    return im;
}

double ThreadSeconds() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + 1e-9 * double(t.tv_nsec);
}

// An entrant: reduces the image and writes its result as RGB rows into `out`.
using Entrant = std::function<void(const Picture&, std::vector<uint8_t>& out)>;

// The DIB rows our quantizer reads (bottom row first, blue, green, red, padded), prepared once.
struct DibImage {
    std::vector<uint8_t> rows;
    uint64_t stride;
    int32_t height;
};

bool FetchDib(void* context, int32_t first, int32_t count, uint8_t* dest) {
    const DibImage* dib = static_cast<const DibImage*>(context);
    std::memcpy(dest, dib->rows.data() + uint64_t(first) * dib->stride,
                size_t(count) * dib->stride);
    return true;
}

DibImage DibOf(const Picture& im) {
    DibImage dib;
    dib.stride = DibStride(im.width, 24);
    dib.height = im.height;
    dib.rows.assign(dib.stride * uint64_t(im.height), 0);
    for (int y = 0; y < im.height; ++y)
        for (int x = 0; x < im.width; ++x) {
            const uint8_t* p = im.rgb.data() + 3 * (size_t(y) * size_t(im.width) + size_t(x));
            uint8_t* q = dib.rows.data() + uint64_t(im.height - 1 - y) * dib.stride + 3 * size_t(x);
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    return dib;
}

// Ours: the palette from one pass over the rows, then every row mapped, as the GIF writer does.
void Ours(const Picture& im, const DibImage& dib, bool dither, std::vector<uint8_t>& indices,
          std::vector<uint8_t>& palette) {
    ImageDesc desc = {im.width, im.height, 24, nullptr, 0};
    RowSource source = {const_cast<DibImage*>(&dib), FetchDib};
    EncodeResult result = EncodeOk;
    ColourMap* map = ColourMapBuild(desc, source, dither, &result);
    if (map == nullptr) {
        std::fprintf(stderr, "quantizer failed: %d\n", int(result));
        std::exit(1);
    }
    for (int y = 0; y < im.height; ++y)
        ColourMapRow(map, dib.rows.data() + uint64_t(im.height - 1 - y) * dib.stride,
                     indices.data() + size_t(y) * size_t(im.width));
    palette.assign(ColourMapColours(map), ColourMapColours(map) + 3 * ColourMapSize(map));
    ColourMapFree(map);
}

// libimagequant at its defaults (speed 4), dithering level 0 or 1.
void Liq(const Picture& im, const std::vector<uint8_t>& rgba, float dither,
         std::vector<uint8_t>& indices, std::vector<uint8_t>& palette) {
    liq_attr* attr = liq_attr_create();
    liq_image* image = liq_image_create_rgba(attr, rgba.data(), im.width, im.height, 0);
    liq_result* res = nullptr;
    if (liq_image_quantize(image, attr, &res) != LIQ_OK) {
        std::fprintf(stderr, "libimagequant failed\n");
        std::exit(1);
    }
    liq_set_dithering_level(res, dither);
    liq_write_remapped_image(res, image, indices.data(), indices.size());
    const liq_palette* pal = liq_get_palette(res);
    palette.clear();
    for (unsigned i = 0; i < pal->count; ++i)
        palette.insert(palette.end(), {pal->entries[i].r, pal->entries[i].g, pal->entries[i].b});
    liq_result_destroy(res);
    liq_image_destroy(image);
    liq_attr_destroy(attr);
}

struct Timed {
    std::string entrant;
    double seconds = 1e30;
    std::vector<uint8_t> rgb;
};

void WriteRaw(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        std::exit(1);
    }
    std::fclose(f);
}

// Rows of a huge image made on demand: a screen-like pattern of many colours.
bool FetchSynthetic(void* context, int32_t first, int32_t count, uint8_t* dest) {
    const int32_t width = *static_cast<int32_t*>(context);
    const uint64_t stride = DibStride(width, 24);
    for (int32_t i = 0; i < count; ++i) {
        uint8_t* row = dest + uint64_t(i) * stride;
        const int32_t y = first + i;
        for (int32_t x = 0; x < width; ++x) {
            row[3 * x] = uint8_t((x / 64 + y / 64) % 2 ? 255 : (x * 7 + y) / 31);
            row[3 * x + 1] = uint8_t(y / 17);
            row[3 * x + 2] = uint8_t(x / 31);
        }
    }
    return true;
}

bool DiscardWrite(void*, const uint8_t*, size_t) {
    return true;
}
bool DiscardSeek(void*, uint64_t) {
    return true;
}

} // namespace

int main(int argc, char** argv) {
    const std::string dir = argc > 1 ? argv[1] : "build-bench/quantize";
    mkdir(dir.c_str(), 0755);
    MagickCoreGenesis(argv[0], MagickFalse);
    SetMagickResourceLimit(ThreadResource, 1);

    std::vector<Picture> images;
    images.push_back(Screen("screen-1920x1080", 1920, 1080));
    images.push_back(Screen("screen-1280x800", 1280, 800));
    images.push_back(Gradient(1024, 768));
    const char* photos[][2] = {
        {"astronaut", "/usr/lib/python3/dist-packages/skimage/data/astronaut.png"},
        {"coffee", "/usr/lib/python3/dist-packages/skimage/data/coffee.png"},
        {"chelsea", "/usr/lib/python3/dist-packages/skimage/data/chelsea.png"},
    };
    for (const auto& photo : photos) {
        Picture im = ReadPng(photo[0], photo[1]);
        if (im.rgb.empty())
            std::fprintf(stderr, "photograph %s not found (python3-skimage)\n", photo[1]);
        else
            images.push_back(im);
    }

    FILE* manifest = std::fopen((dir + "/manifest.tsv").c_str(), "w");
    const int runs = 5;
    for (const Picture& im : images) {
        const size_t pixels = size_t(im.width) * size_t(im.height);
        const DibImage dib = DibOf(im);
        std::vector<uint8_t> rgba(pixels * 4, 255);
        for (size_t i = 0; i < pixels; ++i)
            std::memcpy(&rgba[4 * i], &im.rgb[3 * i], 3);
        ExceptionInfo* exception = AcquireExceptionInfo();
        ::Image* magick = ConstituteImage(size_t(im.width), size_t(im.height), "RGB", CharPixel,
                                          im.rgb.data(), exception);

        std::vector<uint8_t> indices(pixels), palette;
        auto fromIndices = [&](std::vector<uint8_t>& out) {
            out.resize(pixels * 3);
            for (size_t i = 0; i < pixels; ++i)
                std::memcpy(&out[3 * i], &palette[3 * size_t(indices[i])], 3);
        };
        struct Run {
            const char* name;
            std::function<void()> reduce;                      // timed
            std::function<void(std::vector<uint8_t>&)> result; // not timed
        };
        std::vector<uint8_t> magickOut(pixels * 3);
        ::Image* magickCopy = nullptr;
        auto magickRun = [&](bool dither) {
            QuantizeInfo info;
            GetQuantizeInfo(&info);
            info.number_colors = 256;
            info.dither = dither ? MagickTrue : MagickFalse;
            if (!dither)
                info.dither_method = NoDitherMethod;
            QuantizeImage(&info, magickCopy);
        };
        std::vector<Run> entrants = {
            {"ours", [&] { Ours(im, dib, false, indices, palette); },
             [&](std::vector<uint8_t>& out) { fromIndices(out); }},
            {"ours-dither", [&] { Ours(im, dib, true, indices, palette); },
             [&](std::vector<uint8_t>& out) { fromIndices(out); }},
            {"pngquant", [&] { Liq(im, rgba, 0.0f, indices, palette); },
             [&](std::vector<uint8_t>& out) { fromIndices(out); }},
            {"pngquant-dither", [&] { Liq(im, rgba, 1.0f, indices, palette); },
             [&](std::vector<uint8_t>& out) { fromIndices(out); }},
            {"magick-colors256", [&] { magickRun(true); },
             [&](std::vector<uint8_t>& out) {
                 ExportImagePixels(magickCopy, 0, 0, size_t(im.width), size_t(im.height), "RGB",
                                   CharPixel, out.data(), exception);
             }},
            {"magick-nodither", [&] { magickRun(false); },
             [&](std::vector<uint8_t>& out) {
                 ExportImagePixels(magickCopy, 0, 0, size_t(im.width), size_t(im.height), "RGB",
                                   CharPixel, out.data(), exception);
             }},
        };
        std::vector<double> best(entrants.size(), 1e30);
        std::vector<std::vector<uint8_t>> outputs(entrants.size());
        for (int r = 0; r < runs; ++r)
            for (size_t e = 0; e < entrants.size(); ++e) {
                const bool isMagick = std::string(entrants[e].name).rfind("magick", 0) == 0;
                if (isMagick)
                    magickCopy = CloneImage(magick, 0, 0, MagickTrue, exception);
                const double t0 = ThreadSeconds();
                entrants[e].reduce();
                best[e] = std::min(best[e], ThreadSeconds() - t0);
                if (r == 0) {
                    outputs[e].resize(pixels * 3);
                    entrants[e].result(outputs[e]);
                }
                if (isMagick)
                    magickCopy = DestroyImage(magickCopy);
            }
        WriteRaw(dir + "/" + im.name + ".rgb", im.rgb);
        for (size_t e = 0; e < entrants.size(); ++e) {
            const std::string file = im.name + "." + entrants[e].name + ".rgb";
            WriteRaw(dir + "/" + file, outputs[e]);
            std::fprintf(manifest, "%s\t%d\t%d\t%s\t%.6f\t%s\n", im.name.c_str(), im.width,
                         im.height, entrants[e].name, best[e], file.c_str());
        }
        std::fflush(manifest);
        DestroyImage(magick);
        DestroyExceptionInfo(exception);
        std::printf("measured %s (%dx%d)\n", im.name.c_str(), im.width, im.height);
    }
    std::fclose(manifest);
    MagickCoreTerminus();

    // Peak heap of a 7680 x 4320 24-bit GIF save of many colours, with and without dithering.
    for (bool dither : {false, true}) {
        int32_t width = 7680;
        ImageDesc desc = {width, 4320, 24, nullptr, 0};
        RowSource rows = {&width, FetchSynthetic};
        ByteSink sink = {nullptr, DiscardWrite, DiscardSeek};
        const size_t before = liveBytes;
        peakBytes = liveBytes;
        const double t0 = ThreadSeconds();
        EncodeResult result = EncodeGif(desc, rows, sink, dither);
        std::printf("7680x4320 24-bit GIF%s: result %d, peak heap %.2f MB, %.2f s\n",
                    dither ? " dithered" : "", int(result), double(peakBytes - before) / 1048576.0,
                    ThreadSeconds() - t0);
    }
    const std::string script = std::string(KOVEL_SOURCE_DIR) + "/bench/quantize_quality.py";
    return std::system(("/usr/bin/python3 " + script + " " + dir).c_str()) == 0 ? 0 : 1;
}
