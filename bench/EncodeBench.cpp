// Encoding speed of our writers against libtiff, giflib and a plain copy of the pixels, on the
// same images in the same run, and the peak memory of saving a very large image whose rows are
// made on demand. Build with bench/run.sh (Release, no sanitizers).
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gif_lib.h>
#include <malloc.h>
#include <png.h>
#include <zlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <tiffio.h>
#include <unistd.h>

#include "encoders/DibRules.h"
#include "encoders/Gif.h"
#include "encoders/MemorySink.h"
#include "encoders/Png.h"
#include "encoders/Tif.h"
#if __has_include("encoders/Bmp.h")
#include "encoders/Bmp.h"
#define KOVEL_HAVE_BMP 1
#endif
#if __has_include("encoders/Pcx.h")
#include "encoders/Pcx.h"
#define KOVEL_HAVE_PCX 1
#endif

#include "bench/HeapCount.h"

namespace {

struct Image {
    const char* name;
    int32_t width;
    int32_t height;
    int bitCount;
    uint64_t stride;
    std::vector<uint8_t> dib; // bottom row first
    std::vector<uint8_t> table;
};

uint32_t rngState = 2463534242u;
uint32_t Rand() {
    rngState ^= rngState << 13;
    rngState ^= rngState >> 17;
    rngState ^= rngState << 5;
    return rngState;
}

std::vector<uint8_t> Palette() {
    std::vector<uint8_t> t(1024);
    for (int i = 0; i < 256; ++i) {
        t[4 * i] = static_cast<uint8_t>(i);
        t[4 * i + 1] = static_cast<uint8_t>(i * 3);
        t[4 * i + 2] = static_cast<uint8_t>(255 - i);
    }
    return t;
}

// A desktop with windows: flat background, title bars, toolbars of icons, white client areas
// with lines of text (glyphs of 1-pixel strokes in 7 x 16 cells, words of 2-9 letters, lines of
// varying length), a photo-like thumbnail and a task bar.
std::vector<uint8_t> ScreenIndices(int32_t w, int32_t h) {
    std::vector<uint8_t> p(static_cast<size_t>(w) * static_cast<size_t>(h), 0x3A);
    auto at = [&](int32_t x, int32_t y) -> uint8_t& {
        return p[static_cast<size_t>(y) * static_cast<size_t>(w) + static_cast<size_t>(x)];
    };
    auto fill = [&](int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint8_t v) {
        for (int32_t y = std::max(0, y0); y < std::min(h, y1); ++y)
            for (int32_t x = std::max(0, x0); x < std::min(w, x1); ++x)
                at(x, y) = v;
    };
    // 96 glyphs of 5 x 8 pixels, each made of two to four strokes.
    std::vector<uint8_t> glyphs(96 * 8, 0);
    for (int g = 0; g < 96; ++g) {
        uint8_t* rows = &glyphs[static_cast<size_t>(g) * 8];
        int strokes = 2 + static_cast<int>(Rand() % 3);
        for (int k = 0; k < strokes; ++k) {
            switch (Rand() % 7) {
            case 0:
                for (int y = 0; y < 8; ++y)
                    rows[y] |= 0x01;
                break;
            case 1:
                for (int y = 0; y < 8; ++y)
                    rows[y] |= 0x10;
                break;
            case 2:
                for (int y = 2; y < 8; ++y)
                    rows[y] |= 0x04;
                break;
            case 3: rows[0] |= 0x1F; break;
            case 4: rows[4] |= 0x1F; break;
            case 5: rows[7] |= 0x1F; break;
            default:
                for (int y = 0; y < 5; ++y)
                    rows[y + 3] |= static_cast<uint8_t>(1 << y);
                break;
            }
        }
    }
    for (int win = 0; win < 6; ++win) {
        int32_t x0 = static_cast<int32_t>(Rand() % static_cast<uint32_t>(w * 2 / 3));
        int32_t y0 = static_cast<int32_t>(Rand() % static_cast<uint32_t>(h * 2 / 3));
        int32_t x1 = std::min(w, x0 + 300 + static_cast<int32_t>(Rand() % 700));
        int32_t y1 = std::min(h - 30, y0 + 200 + static_cast<int32_t>(Rand() % 500));
        fill(x0, y0, x1, y1, 0x10);
        fill(x0 + 1, y0 + 1, x1 - 1, y0 + 22, static_cast<uint8_t>(0x80 + win));
        fill(x0 + 1, y0 + 22, x1 - 1, y1 - 1, 0xFF);
        for (int32_t i = 0; i < 12; ++i) {
            fill(x0 + 4 + 24 * i, y0 + 26, x0 + 24 + 24 * i, y0 + 46,
                 static_cast<uint8_t>(0x40 + i * 3));
            fill(x0 + 8 + 24 * i, y0 + 30, x0 + 20 + 24 * i, y0 + 42,
                 static_cast<uint8_t>(0x60 + i * 5));
        }
        for (int32_t line = y0 + 52; line + 16 < y1; line += 16) {
            int32_t end = x0 + 6 + static_cast<int32_t>(Rand() % static_cast<uint32_t>(x1 - x0));
            int32_t x = x0 + 8;
            while (x + 7 < std::min(end, x1 - 8)) {
                int letters = 2 + static_cast<int>(Rand() % 8);
                for (int l = 0; l < letters && x + 7 < x1 - 8; ++l, x += 7) {
                    const uint8_t* g = &glyphs[(Rand() % 96) * 8];
                    for (int32_t gy = 0; gy < 8; ++gy)
                        for (int32_t gx = 0; gx < 5; ++gx)
                            if ((g[gy] >> gx) & 1)
                                at(x + gx, line + 4 + gy) = 0x00;
                }
                x += 7; // the space between words
            }
        }
    }
    for (int32_t y = h - 200; y < h - 40; ++y)
        for (int32_t x = 40; x < 280; ++x)
            at(x, y) = static_cast<uint8_t>((x + y) / 3 + Rand() % 4);
    fill(0, h - 30, w, h, 0xC0);
    return p;
}

Image MakeImage(const char* name, int32_t w, int32_t h, int bitCount,
                const std::vector<uint8_t>& indices, const std::vector<uint8_t>& table) {
    Image im;
    im.name = name;
    im.width = w;
    im.height = h;
    im.bitCount = bitCount;
    im.stride = DibStride(w, bitCount);
    im.table = table;
    im.dib.assign(static_cast<size_t>(im.stride * static_cast<uint64_t>(h)), 0);
    for (int32_t y = 0; y < h; ++y) {
        uint8_t* row = im.dib.data() + static_cast<uint64_t>(h - 1 - y) * im.stride;
        const uint8_t* src = indices.data() + static_cast<size_t>(y) * static_cast<size_t>(w);
        if (bitCount == 8) {
            std::memcpy(row, src, static_cast<size_t>(w));
        } else {
            for (int32_t x = 0; x < w; ++x) {
                const uint8_t* q = table.data() + 4 * src[x];
                std::memcpy(row + 3 * x, q, 3);
            }
        }
    }
    return im;
}

// The rows a reader expects, top row first without padding (red-green-blue at 24 bits): what
// the reference libraries are given. Preparing them is not timed.
std::vector<uint8_t> TopDownRows(const Image& im) {
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(im.width, im.bitCount));
    std::vector<uint8_t> out(rowBytes * static_cast<size_t>(im.height));
    for (int32_t y = 0; y < im.height; ++y) {
        const uint8_t* row = im.dib.data() + static_cast<uint64_t>(im.height - 1 - y) * im.stride;
        uint8_t* dst = out.data() + rowBytes * static_cast<size_t>(y);
        std::memcpy(dst, row, rowBytes);
        if (im.bitCount == 24)
            for (size_t x = 0; x < rowBytes; x += 3)
                std::swap(dst[x], dst[x + 2]);
    }
    return out;
}

bool FetchImage(void* context, int32_t first, int32_t count, uint8_t* dest) {
    const Image* im = static_cast<const Image*>(context);
    std::memcpy(dest, im->dib.data() + static_cast<uint64_t>(first) * im->stride,
                static_cast<size_t>(im->stride * static_cast<uint64_t>(count)));
    return true;
}

// CPU seconds of this thread: the encoders run on one thread, and on a machine shared with other
// work the processor time is what stays comparable between runs (wall time grows with the load).
double ThreadSeconds() {
    timespec t = {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Seconds(const std::function<size_t()>& run, size_t* bytes) {
    const double t0 = ThreadSeconds();
    *bytes = run();
    return ThreadSeconds() - t0;
}

// Best time of several runs, in seconds; the output size in *bytes.
double Time(const std::function<size_t()>& run, size_t* bytes) {
    double best = 1e30, total = 0;
    for (int i = 0; i < 60 && (i < 5 || total < 0.8); ++i) {
        double s = Seconds(run, bytes);
        best = std::min(best, s);
        total += s;
    }
    return best;
}

// Best times of a reference and our encoder run in turns, so that both see the same load of the
// machine.
void TimePair(const std::function<size_t()>& reference, const std::function<size_t()>& ours,
              double* referenceSecs, double* ourSecs, size_t* referenceBytes, size_t* ourBytes) {
    *referenceSecs = *ourSecs = 1e30;
    double total = 0;
    for (int i = 0; i < 60 && (i < 7 || total < 1.5); ++i) {
        double r = Seconds(reference, referenceBytes);
        double o = Seconds(ours, ourBytes);
        *referenceSecs = std::min(*referenceSecs, r);
        *ourSecs = std::min(*ourSecs, o);
        total += r + o;
    }
}

size_t
Ours(const Image& im,
     const std::function<EncodeResult(const ImageDesc&, const RowSource&, ByteSink&)>& encode) {
    MemorySink mem;
    MemorySinkInit(&mem);
    MemorySinkReserve(&mem, im.dib.size() + 8192); // as the references' outputs are reserved
    ByteSink sink = MemorySinkByteSink(&mem);
    RowSource rows = {const_cast<Image*>(&im), FetchImage};
    ImageDesc desc = {im.width, im.height, im.bitCount, im.table.data(),
                      static_cast<int>(im.table.size() / 4)};
    EncodeResult r = encode(desc, rows, sink);
    size_t size = static_cast<size_t>(mem.size);
    MemorySinkFree(&mem);
    if (r != EncodeOk) {
        std::fprintf(stderr, "%s: encoder result %d\n", im.name, r);
        std::exit(1);
    }
    return size;
}

// giflib writing into memory, one EGifPutLine per row.
int GifMemoryOut(GifFileType* gif, const GifByteType* data, int n) {
    std::vector<uint8_t>* out = static_cast<std::vector<uint8_t>*>(gif->UserData);
    out->insert(out->end(), data, data + n);
    return n;
}

size_t Giflib(const Image& im, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> out;
    out.reserve(rows.size());
    int error = 0;
    GifFileType* gif = EGifOpen(&out, GifMemoryOut, &error);
    GifColorType colours[256];
    for (int i = 0; i < 256; ++i) {
        colours[i].Red = im.table[4 * i + 2];
        colours[i].Green = im.table[4 * i + 1];
        colours[i].Blue = im.table[4 * i];
    }
    ColorMapObject* map = GifMakeMapObject(256, colours);
    EGifSetGifVersion(gif, false);
    EGifPutScreenDesc(gif, im.width, im.height, 8, 0, map);
    EGifPutImageDesc(gif, 0, 0, im.width, im.height, false, nullptr);
    for (int32_t y = 0; y < im.height; ++y)
        EGifPutLine(gif, const_cast<GifPixelType*>(rows.data()) + static_cast<size_t>(y) * im.width,
                    im.width);
    EGifCloseFile(gif, &error);
    GifFreeMapObject(map);
    return out.size();
}

// libtiff writing into memory through client procedures.
struct TiffMemory {
    std::vector<uint8_t> data;
    uint64_t pos = 0;
};

tmsize_t TiffRead(thandle_t h, void* buf, tmsize_t n) {
    TiffMemory* m = static_cast<TiffMemory*>(h);
    uint64_t left = m->pos < m->data.size() ? m->data.size() - m->pos : 0;
    uint64_t count = std::min<uint64_t>(left, static_cast<uint64_t>(n));
    std::memcpy(buf, m->data.data() + m->pos, count);
    m->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t TiffWrite(thandle_t h, void* buf, tmsize_t n) {
    TiffMemory* m = static_cast<TiffMemory*>(h);
    if (m->pos + static_cast<uint64_t>(n) > m->data.size())
        m->data.resize(m->pos + static_cast<uint64_t>(n));
    std::memcpy(m->data.data() + m->pos, buf, static_cast<size_t>(n));
    m->pos += static_cast<uint64_t>(n);
    return n;
}

toff_t TiffSeek(thandle_t h, toff_t off, int whence) {
    TiffMemory* m = static_cast<TiffMemory*>(h);
    m->pos = whence == SEEK_SET ? off : whence == SEEK_CUR ? m->pos + off : m->data.size() + off;
    return m->pos;
}

int TiffClose(thandle_t) {
    return 0;
}

toff_t TiffSize(thandle_t h) {
    return static_cast<TiffMemory*>(h)->data.size();
}

int TiffMap(thandle_t, void**, toff_t*) {
    return 0;
}

void TiffUnmap(thandle_t, void*, toff_t) {}

size_t Libtiff(const Image& im, const std::vector<uint8_t>& rows, uint16_t compression) {
    TifLayout layout;
    ImageDesc desc = {im.width, im.height, im.bitCount, im.table.data(), 256};
    TifPlan(desc, compression == COMPRESSION_LZW ? TifLzw8k : TifPackBits, &layout);
    TiffMemory m;
    m.data.reserve(rows.size() + 4096);
    TIFF* tif = TIFFClientOpen("memory", "w", &m, TiffRead, TiffWrite, TiffSeek, TiffClose,
                               TiffSize, TiffMap, TiffUnmap);
    TIFFSetField(tif, TIFFTAG_IMAGEWIDTH, static_cast<uint32_t>(im.width));
    TIFFSetField(tif, TIFFTAG_IMAGELENGTH, static_cast<uint32_t>(im.height));
    TIFFSetField(tif, TIFFTAG_BITSPERSAMPLE, 8);
    TIFFSetField(tif, TIFFTAG_SAMPLESPERPIXEL, im.bitCount == 24 ? 3 : 1);
    TIFFSetField(tif, TIFFTAG_PHOTOMETRIC,
                 im.bitCount == 24 ? PHOTOMETRIC_RGB : PHOTOMETRIC_MINISBLACK);
    TIFFSetField(tif, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
    TIFFSetField(tif, TIFFTAG_COMPRESSION, compression);
    TIFFSetField(tif, TIFFTAG_ROWSPERSTRIP, layout.rowsPerStrip);
    const size_t stripBytes = static_cast<size_t>(layout.rowsPerStrip * layout.rowBytes);
    for (uint32_t s = 0; s < layout.strips; ++s) {
        size_t start = s * stripBytes;
        size_t n = std::min(stripBytes, rows.size() - start);
        TIFFWriteEncodedStrip(tif, s, const_cast<uint8_t*>(rows.data()) + start,
                              static_cast<tmsize_t>(n));
    }
    TIFFClose(tif);
    return m.data.size();
}

struct Row {
    std::string image, what;
    double mbps;
    double ratio; // ours / reference, 0 when there is none
    size_t bytes;
};

// Rows of a huge image made on demand: the save never holds more than its bands.
struct SyntheticRows {
    int32_t width;
    int bitCount;
    uint64_t stride;
};

bool FetchSynthetic(void* context, int32_t first, int32_t count, uint8_t* dest) {
    const SyntheticRows* s = static_cast<const SyntheticRows*>(context);
    for (int32_t r = 0; r < count; ++r) {
        uint8_t* row = dest + static_cast<uint64_t>(r) * s->stride;
        for (uint64_t x = 0; x < s->stride; ++x)
            row[x] = static_cast<uint8_t>(((x / 97) ^ static_cast<uint64_t>(first + r) / 61) * 13);
    }
    return true;
}

struct DiscardSink {
    uint64_t size;
    uint64_t pos;
};

bool DiscardWrite(void* context, const uint8_t*, size_t count) {
    DiscardSink* d = static_cast<DiscardSink*>(context);
    d->pos += count;
    d->size = std::max(d->size, d->pos);
    return true;
}

bool DiscardSeek(void* context, uint64_t position) {
    static_cast<DiscardSink*>(context)->pos = position;
    return true;
}

long MaxRssKb() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// Saves a 7680 x 4320 image in a child process and reports its peak heap and resident size.
void MeasureLargeSave(
    const char* name, int bitCount,
    const std::function<EncodeResult(const ImageDesc&, const RowSource&, ByteSink&)>& encode) {
    int fds[2];
    if (pipe(fds) != 0)
        return;
    pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const int32_t w = 7680, h = 4320;
        SyntheticRows s = {w, bitCount, DibStride(w, bitCount)};
        std::vector<uint8_t> table = Palette();
        ImageDesc desc = {w, h, bitCount, table.data(), bitCount == 24 ? 0 : 256};
        RowSource rows = {&s, FetchSynthetic};
        DiscardSink d = {0, 0};
        ByteSink sink = {&d, DiscardWrite, DiscardSeek};
        long rssBefore = MaxRssKb();
        size_t liveBefore = liveBytes;
        peakBytes = liveBytes;
        allocations = 0;
        auto t0 = std::chrono::steady_clock::now();
        EncodeResult r = encode(desc, rows, sink);
        double secs = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        char line[400];
        std::snprintf(line, sizeof line,
                      "%-22s result %d, file %7.1f MB of %6.1f MB pixels, %5.2f s; peak heap "
                      "%7.1f KB in %zu allocations; peak RSS %6ld KB (+%ld KB)\n",
                      name, r, static_cast<double>(d.size) / 1e6,
                      static_cast<double>(s.stride) * h / 1e6, secs,
                      static_cast<double>(peakBytes - liveBefore) / 1024.0, allocations, MaxRssKb(),
                      MaxRssKb() - rssBefore);
        ssize_t ignored = write(fds[1], line, std::strlen(line));
        (void)ignored;
        _exit(0);
    }
    close(fds[1]);
    char buf[512];
    ssize_t n = read(fds[0], buf, sizeof buf - 1);
    close(fds[0]);
    waitpid(child, nullptr, 0);
    if (n > 0) {
        buf[n] = 0;
        std::fputs(buf, stdout);
    }
}

// libpng at its defaults (zlib level 6, adaptive filters for RGB, none for palette images),
// one png_write_row per row, into memory.
void PngMemoryOut(png_structp png, png_bytep data, png_size_t n) {
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + n);
}

size_t Libpng(const Image& im, const std::vector<uint8_t>& rows) {
    std::vector<uint8_t> out;
    out.reserve(rows.size() + 8192);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        std::fprintf(stderr, "libpng failed\n");
        std::exit(1);
    }
    png_set_write_fn(png, &out, PngMemoryOut, nullptr);
    const bool indexed = im.bitCount == 8;
    png_set_IHDR(png, info, static_cast<png_uint_32>(im.width), static_cast<png_uint_32>(im.height),
                 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_color palette[256];
    if (indexed) {
        for (int i = 0; i < 256; ++i)
            palette[i] = {im.table[4 * i + 2], im.table[4 * i + 1], im.table[4 * i]};
        png_set_PLTE(png, info, palette, 256);
    }
    png_write_info(png, info);
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(im.width, im.bitCount));
    for (int32_t y = 0; y < im.height; ++y)
        png_write_row(png, rows.data() + rowBytes * static_cast<size_t>(y));
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out.size();
}

// Pillow's PNG save of the images, timed by bench/pillow_png.py in a child process: seconds and
// bytes per image name, or an empty result when Pillow is not there.
struct PillowResult {
    double secs = 0;
    size_t bytes = 0;
};

std::vector<PillowResult> PillowTimes(const std::vector<const Image*>& images) {
    std::vector<PillowResult> results(images.size());
    std::string command = "/usr/bin/python3 " KOVEL_SOURCE_DIR "/bench/pillow_png.py";
    std::vector<std::string> files;
    for (size_t i = 0; i < images.size(); ++i) {
        const Image& im = *images[i];
        std::vector<uint8_t> rows = TopDownRows(im);
        const std::string raw =
            "/tmp/kovel-bench-png-" + std::to_string(getpid()) + "-" + std::to_string(i);
        FILE* f = std::fopen(raw.c_str(), "wb");
        if (f == nullptr)
            return {};
        std::fwrite(rows.data(), 1, rows.size(), f);
        std::fclose(f);
        files.push_back(raw);
        command += " " + std::to_string(i) + (im.bitCount == 8 ? " P " : " RGB ") +
                   std::to_string(im.width) + " " + std::to_string(im.height) + " " + raw;
        if (im.bitCount == 8) {
            std::vector<uint8_t> rgb(768);
            for (int c = 0; c < 256; ++c) {
                rgb[3 * c] = im.table[4 * c + 2];
                rgb[3 * c + 1] = im.table[4 * c + 1];
                rgb[3 * c + 2] = im.table[4 * c];
            }
            f = std::fopen((raw + ".pal").c_str(), "wb");
            if (f == nullptr)
                return {};
            std::fwrite(rgb.data(), 1, rgb.size(), f);
            std::fclose(f);
            files.push_back(raw + ".pal");
            command += " " + raw + ".pal";
        }
        command += " --";
    }
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe != nullptr) {
        size_t index = 0;
        double secs = 0;
        size_t bytes = 0;
        while (std::fscanf(pipe, "%zu %lf %zu", &index, &secs, &bytes) == 3)
            if (index < results.size())
                results[index] = {secs, bytes};
        pclose(pipe);
    }
    for (const std::string& file : files)
        std::remove(file.c_str());
    return results;
}

EncodeResult OursPng(const ImageDesc& d, const RowSource& r, ByteSink& s) {
    return EncodePng(d, r, s);
}

// The images the PNG tables time: screen-like images (1920x1080 at 8 and 24 bits, 3840x2160 at
// 24 bits), then noise at 8 and 24 bits.
std::vector<Image> PngImages(const std::vector<uint8_t>& palette) {
    std::vector<Image> images;
    images.push_back(MakeImage("screen 8-bit", 1920, 1080, 8, ScreenIndices(1920, 1080), palette));
    images.push_back(
        MakeImage("screen 24-bit", 1920, 1080, 24, ScreenIndices(1920, 1080), palette));
    images.push_back(
        MakeImage("screen 4K 24-bit", 3840, 2160, 24, ScreenIndices(3840, 2160), palette));
    std::vector<uint8_t> noise(static_cast<size_t>(1920) * 1080);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(Rand() >> 24);
    images.push_back(MakeImage("noise 8-bit", 1920, 1080, 8, noise, palette));
    Image noise24 = MakeImage("noise 24-bit", 1920, 1080, 24, noise, palette);
    for (size_t i = 0; i < noise24.dib.size(); ++i)
        noise24.dib[i] = static_cast<uint8_t>(Rand() >> 24);
    images.push_back(noise24);
    return images;
}

// The PNG table: ours against libpng's defaults and Pillow on screen-like images and noise, and
// the goal on screen-like images (at least twice libpng's speed, files at most 5% larger).
void PngComparison(const std::vector<uint8_t>& palette) {
    std::vector<Image> images = PngImages(palette);

    std::vector<const Image*> pointers;
    for (const Image& im : images)
        pointers.push_back(&im);
    const std::vector<PillowResult> pillow = PillowTimes(pointers);

    std::printf("%-17s %-12s %9s %8s %10s %9s\n", "image", "encoder", "MB/s", "speed", "bytes",
                "size");
    for (size_t i = 0; i < images.size(); ++i) {
        const Image& im = images[i];
        const double mb = static_cast<double>(DibRowBytes(im.width, im.bitCount)) * im.height / 1e6;
        std::vector<uint8_t> rows = TopDownRows(im);
        double refSecs = 0, ourSecs = 0;
        size_t refBytes = 0, ourBytes = 0;
        TimePair([&] { return Libpng(im, rows); }, [&] { return Ours(im, OursPng); }, &refSecs,
                 &ourSecs, &refBytes, &ourBytes);
        const double speed = refSecs / ourSecs;
        const double size = static_cast<double>(ourBytes) / static_cast<double>(refBytes);
        std::printf("%-17s %-12s %9.1f %8s %10zu %9s\n", im.name, "libpng", mb / refSecs, "",
                    refBytes, "");
        if (i < pillow.size() && pillow[i].secs > 0)
            std::printf("%-17s %-12s %9.1f %8s %10zu %9s\n", im.name, "Pillow", mb / pillow[i].secs,
                        "", pillow[i].bytes, "");
        else
            std::printf("%-17s %-12s %9s\n", im.name, "Pillow", "n/a");
        std::printf("%-17s %-12s %9.1f %7.2fx %10zu %8.3fx\n", im.name, "ours PNG", mb / ourSecs,
                    speed, ourBytes, size);
        if (std::strncmp(im.name, "screen", 6) == 0)
            std::printf("goal %-17s at least 2x libpng's speed, at most 1.05x its size: %.2fx, "
                        "%.3fx %s\n",
                        im.name, speed, size, speed >= 2.0 && size <= 1.05 ? "met" : "NOT MET");
    }
    std::printf("(MB/s of raw pixel bytes; speed = libpng time / our time, size = our bytes / "
                "libpng bytes)\n\n");
}

// Sizes and speeds of our PNG writer at each zlib level and strategy, with and without row
// filters, on the screen-like images: the measurements the default options come from.
void PngLevelSurvey(const std::vector<uint8_t>& palette) {
    std::vector<Image> images = PngImages(palette);
    images.erase(images.begin() + 2, images.end()); // the two 1920x1080 screen images
    const struct {
        const char* name;
        int value;
    } strategies[] = {{"default", Z_DEFAULT_STRATEGY}, {"filtered", Z_FILTERED}, {"rle", Z_RLE}};
    std::printf("%-14s %-9s %5s %6s %9s %10s\n", "image", "strategy", "level", "filter", "MB/s",
                "bytes");
    for (const Image& im : images) {
        const double mb = static_cast<double>(DibRowBytes(im.width, im.bitCount)) * im.height / 1e6;
        std::vector<uint8_t> rows = TopDownRows(im);
        size_t bytes = 0;
        const double libpng = Time([&] { return Libpng(im, rows); }, &bytes);
        std::printf("%-14s %-9s %5d %6s %9.1f %10zu\n", im.name, "libpng", 6, "adapt", mb / libpng,
                    bytes);
        for (const auto& strategy : strategies)
            for (int level = 1; level <= 9; ++level)
                for (bool filter : {true, false}) {
                    if (im.bitCount == 8 && !filter)
                        continue; // palette images are never filtered
                    const PngOptions options = {level, strategy.value, filter, 8, 0, 0, 0, 0};
                    const double t = Time(
                        [&] {
                            return Ours(im,
                                        [&](const ImageDesc& d, const RowSource& r, ByteSink& s) {
                                            return EncodePngWith(d, options, r, s);
                                        });
                        },
                        &bytes);
                    std::printf("%-14s %-9s %5d %6s %9.1f %10zu\n", im.name, strategy.name, level,
                                filter ? "yes" : "no", mb / t, bytes);
                }
    }
}

// Settings given on the command line, each "level,strategy,memLevel,good,lazy,nice,chain,filter"
// (strategy 0 default, 1 filtered, 3 rle; nice 0 keeps the level's own limits), timed in turns
// with libpng on the screen-like images and noise: speed and size against libpng's.
void PngTuneSurvey(const std::vector<uint8_t>& palette, int count, char** settings) {
    std::vector<Image> images = PngImages(palette);
    std::printf("%-17s %-26s %9s %8s %10s %8s\n", "image", "level,strat,mem,g,l,n,c,f", "MB/s",
                "speed", "bytes", "size");
    for (const Image& im : images) {
        const double mb = static_cast<double>(DibRowBytes(im.width, im.bitCount)) * im.height / 1e6;
        std::vector<uint8_t> rows = TopDownRows(im);
        for (int i = 0; i < count; ++i) {
            PngOptions o = {6, Z_DEFAULT_STRATEGY, true, 8, 0, 0, 0, 0};
            int filter = 1;
            std::sscanf(settings[i], "%d,%d,%d,%d,%d,%d,%d,%d", &o.level, &o.strategy, &o.memLevel,
                        &o.goodLength, &o.lazyLength, &o.niceLength, &o.chainLength, &filter);
            o.filterRows = filter != 0;
            double refSecs = 0, ourSecs = 0;
            size_t refBytes = 0, ourBytes = 0;
            TimePair([&] { return Libpng(im, rows); },
                     [&] {
                         return Ours(im, [&](const ImageDesc& d, const RowSource& r, ByteSink& s) {
                             return EncodePngWith(d, o, r, s);
                         });
                     },
                     &refSecs, &ourSecs, &refBytes, &ourBytes);
            std::printf("%-17s %-26s %9.1f %7.2fx %10zu %7.3fx\n", im.name, settings[i],
                        mb / ourSecs, refSecs / ourSecs, ourBytes,
                        static_cast<double>(ourBytes) / static_cast<double>(refBytes));
            std::fflush(stdout);
        }
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc > 2 && std::strcmp(argv[1], "--png-tune") == 0) {
        PngTuneSurvey(Palette(), argc - 2, argv + 2);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--png-levels") == 0) {
        PngLevelSurvey(Palette());
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--png") == 0) {
        PngComparison(Palette());
        return 0;
    }
    TIFFSetWarningHandler(nullptr);
    const int32_t w = 1920, h = 1080;
    std::vector<uint8_t> palette = Palette();
    std::vector<uint8_t> screen = ScreenIndices(w, h);
    std::vector<uint8_t> noise(static_cast<size_t>(w) * h);
    for (uint8_t& b : noise)
        b = static_cast<uint8_t>(Rand() >> 24);
    std::vector<Image> images;
    images.push_back(MakeImage("screen 8-bit", w, h, 8, screen, palette));
    images.push_back(MakeImage("screen 24-bit", w, h, 24, screen, palette));
    images.push_back(MakeImage("noise 8-bit", w, h, 8, noise, palette));

    auto gif = [](const ImageDesc& d, const RowSource& r, ByteSink& s) {
        return EncodeGif(d, r, s);
    };
    auto tifLzw = [](const ImageDesc& d, const RowSource& r, ByteSink& s) {
        return EncodeTif(d, TifLzw8k, r, s);
    };
    auto tifLzw16 = [](const ImageDesc& d, const RowSource& r, ByteSink& s) {
        return EncodeTif(d, TifLzw16k, r, s);
    };
    auto tifPack = [](const ImageDesc& d, const RowSource& r, ByteSink& s) {
        return EncodeTif(d, TifPackBits, r, s);
    };
    auto tifNone = [](const ImageDesc& d, const RowSource& r, ByteSink& s) {
        return EncodeTif(d, TifNone, r, s);
    };

    std::vector<Row> table;
    for (const Image& im : images) {
        const double mb = static_cast<double>(DibRowBytes(im.width, im.bitCount)) * im.height / 1e6;
        std::vector<uint8_t> rows = TopDownRows(im);
        std::vector<uint8_t> copy(im.dib.size());
        size_t bytes = 0;
        auto add = [&](const std::string& what, double secs, double refSecs) {
            table.push_back({im.name, what, mb / secs, refSecs > 0 ? refSecs / secs : 0, bytes});
        };
        double t = Time(
            [&] {
                std::memcpy(copy.data(), im.dib.data(), im.dib.size());
                return copy.size();
            },
            &bytes);
        add("memcpy", t, 0);
        double ref = 0;
        size_t refBytes = 0;
        auto pair = [&](const char* refName, const char* ourName,
                        const std::function<size_t()>& reference,
                        const std::function<size_t()>& ours) {
            TimePair(reference, ours, &ref, &t, &refBytes, &bytes);
            std::swap(bytes, refBytes);
            add(refName, ref, 0);
            std::swap(bytes, refBytes);
            add(ourName, t, ref);
        };
        if (im.bitCount == 8)
            pair(
                "giflib GIF", "ours GIF", [&] { return Giflib(im, rows); },
                [&] { return Ours(im, gif); });
        pair(
            "libtiff LZW", "ours TIF LZW 8k", [&] { return Libtiff(im, rows, COMPRESSION_LZW); },
            [&] { return Ours(im, tifLzw); });
        t = Time([&] { return Ours(im, tifLzw16); }, &bytes);
        add("ours TIF LZW 16k", t, 0);
        pair(
            "libtiff PackBits", "ours TIF PackBits",
            [&] { return Libtiff(im, rows, COMPRESSION_PACKBITS); },
            [&] { return Ours(im, tifPack); });
        t = Time([&] { return Ours(im, tifNone); }, &bytes);
        add("ours TIF none", t, 0);
#ifdef KOVEL_HAVE_PCX
        t = Time([&] { return Ours(im, EncodePcx); }, &bytes);
        add("ours PCX", t, 0);
#endif
#ifdef KOVEL_HAVE_BMP
        t = Time([&] { return Ours(im, EncodeBmp); }, &bytes);
        add("ours BMP", t, 0);
#endif
    }

    std::printf("%-14s %-18s %10s %8s %10s\n", "image", "encoder", "MB/s", "ratio", "bytes");
    for (const Row& r : table) {
        if (r.ratio > 0)
            std::printf("%-14s %-18s %10.1f %7.2fx %10zu\n", r.image.c_str(), r.what.c_str(),
                        r.mbps, r.ratio, r.bytes);
        else
            std::printf("%-14s %-18s %10.1f %8s %10zu\n", r.image.c_str(), r.what.c_str(), r.mbps,
                        "", r.bytes);
    }
    std::printf(
        "(MB/s of raw pixel bytes; ratio = reference time / our time on the same image)\n\n");

    // The goals on screen-like images; on noise the ratios are only reported.
    struct Goal {
        const char* image;
        const char* what;
        double least;
    };
    const Goal goals[] = {{"screen 8-bit", "ours GIF", 2.0},
                          {"screen 8-bit", "ours TIF LZW 8k", 1.3},
                          {"screen 24-bit", "ours TIF LZW 8k", 1.3},
                          {"screen 8-bit", "ours TIF PackBits", 1.0},
                          {"screen 24-bit", "ours TIF PackBits", 1.0}};
    for (const Goal& g : goals)
        for (const Row& r : table)
            if (r.image == g.image && r.what == g.what)
                std::printf("goal %-14s %-18s at least %.1fx: %.2fx %s\n", g.image, g.what, g.least,
                            r.ratio, r.ratio >= g.least ? "met" : "NOT MET");
    std::printf("\n");

    PngComparison(palette);

    std::printf("Saving 7680 x 4320 with rows made on demand:\n");
    MeasureLargeSave("GIF 8-bit", 8, gif);
    MeasureLargeSave("TIF LZW 8k 8-bit", 8, tifLzw);
    MeasureLargeSave("TIF LZW 16k 24-bit", 24, tifLzw16);
    MeasureLargeSave("TIF PackBits 24-bit", 24, tifPack);
    MeasureLargeSave("TIF none 24-bit", 24, tifNone);
    MeasureLargeSave("PNG 8-bit", 8, OursPng);
    MeasureLargeSave("PNG 24-bit", 24, OursPng);
#ifdef KOVEL_HAVE_PCX
    MeasureLargeSave("PCX 24-bit", 24, EncodePcx);
#endif
#ifdef KOVEL_HAVE_BMP
    MeasureLargeSave("BMP 24-bit", 24, EncodeBmp);
#endif
    return 0;
}
