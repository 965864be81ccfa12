// Fuzz target: a random image (size, depth, compression, colours and pixels from the input,
// padding bytes included) is written by the TIFF writer into memory and read back by libtiff from
// memory; the tags, the colour map and every strip's bytes must be what a reader expects, and
// libtiff must report no error or warning.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <tiffio.h>

#include "encoders/DibRules.h"
#include "encoders/MemorySink.h"
#include "encoders/Tif.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/fuzz/SmallQuarantine.h"

namespace {

void Check(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "TIFF round trip failed: %s\n", what);
        abort();
    }
}

// Errors and warnings fail the run, except libtiff's note that it has no definition of the
// Predictor tag (317) outside its LZW and Deflate codecs: every file carries Predictor 1 (none).
__attribute__((format(printf, 2, 0))) void OnLibtiffMessage(const char* module, const char* format,
                                                            va_list args) {
    char text[512];
    std::vsnprintf(text, sizeof text, format, args);
    if (std::strstr(text, "Unknown field with tag 317 ") != nullptr)
        return;
    std::fprintf(stderr, "libtiff %s: %s\n", module != nullptr ? module : "", text);
    Check(false, "libtiff reported a problem");
}

struct Reader {
    const uint8_t* data;
    uint64_t size;
    uint64_t pos;
};

tmsize_t ReadProc(thandle_t h, void* dest, tmsize_t n) {
    Reader* r = static_cast<Reader*>(h);
    uint64_t left = r->pos < r->size ? r->size - r->pos : 0;
    uint64_t count = static_cast<uint64_t>(n) < left ? static_cast<uint64_t>(n) : left;
    std::memcpy(dest, r->data + r->pos, static_cast<size_t>(count));
    r->pos += count;
    return static_cast<tmsize_t>(count);
}

tmsize_t WriteProc(thandle_t, void*, tmsize_t) {
    return 0;
}

toff_t SeekProc(thandle_t h, toff_t off, int whence) {
    Reader* r = static_cast<Reader*>(h);
    if (whence == SEEK_SET)
        r->pos = off;
    else if (whence == SEEK_CUR)
        r->pos += off;
    else
        r->pos = r->size + off;
    return r->pos;
}

int CloseProc(thandle_t) {
    return 0;
}

toff_t SizeProc(thandle_t h) {
    return static_cast<Reader*>(h)->size;
}

int MapProc(thandle_t, void**, toff_t*) {
    return 0;
}

void UnmapProc(thandle_t, void*, toff_t) {}

// The bytes of one row as the file must hold them: top row first, no padding, red-green-blue.
TEST_HELPER void ExpectedRow(const TestImage& image, int32_t yFromTop, uint8_t* out) {
    const size_t rowBytes = static_cast<size_t>(DibRowBytes(image.width, image.bitCount));
    const uint8_t* row = TopRow(image, yFromTop);
    std::memcpy(out, row, rowBytes);
    if (image.bitCount == 24)
        for (size_t x = 0; x < rowBytes; x += 3) {
            out[x] = row[x + 2];
            out[x + 2] = row[x];
        }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6)
        return 0;
    TIFFSetErrorHandler(OnLibtiffMessage);
    TIFFSetWarningHandler(OnLibtiffMessage);
    ByteStream in = {data, size, 0, 0x85EBCA6Bu ^ static_cast<uint32_t>(size)};
    static const int depths[4] = {1, 4, 8, 24};
    static const TifCompression compressions[4] = {TifNone, TifPackBits, TifLzw8k, TifLzw16k};
    const int bitCount = depths[in.Next() % 4];
    const TifCompression compression = compressions[in.Next() % 4];
    int shape = in.Next();
    // Mostly small images; now and then several strips (a 24-bit 400x60 image fills nine), or
    // rows longer than a strip (up to 16384 pixels: a 24-bit row of noise then compresses to more
    // than 65535 bytes, LONG byte counts). Large images are kept few and short, as their
    // compression costs as much as hundreds of small ones.
    const bool medium = shape >= 230 && shape < 250;
    const bool wide = shape >= 250;
    int32_t maxWidth = wide ? 16384 : medium ? 400 : 40;
    const int32_t columns = 1 + static_cast<int32_t>((in.Next() | in.Next() << 8) % maxWidth);
    const int32_t lines = 1 + static_cast<int32_t>(in.Next() % (wide ? 2 : medium ? 60 : 40));
    TestImage image = MakeTestImage(columns, lines, bitCount);
    const int colours = ColorTableSize(bitCount);
    const bool blackWhite = (shape & 2) != 0;
    for (size_t i = 0; i < image.table.size(); ++i)
        image.table[i] = blackWhite && colours == 2 ? (i < 4 ? 0 : 255) : in.Next();
    if (colours > 0)
        image.table[3] = image.table[7] = 0;
    const bool flat = (shape & 1) != 0;
    for (uint8_t& b : image.dib) // padding bytes included
        b = flat ? static_cast<uint8_t>(in.Next() & 0x81) : in.Next();

    MemorySink mem;
    MemorySinkInit(&mem);
    ByteSink sink = MemorySinkByteSink(&mem);
    RowSource rows = SourceOf(image);
    const ImageDesc desc = DescOf(image);
    Check(EncodeTif(desc, compression, rows, sink) == EncodeOk, "writer result");
    Check(!image.badFetch, "rows asked for inside the image");
    TifLayout layout;
    Check(TifPlan(desc, compression, &layout) == EncodeOk, "layout");

    Reader reader = {mem.data, mem.size, 0};
    TIFF* tif = TIFFClientOpen("memory", "rm", &reader, ReadProc, WriteProc, SeekProc, CloseProc,
                               SizeProc, MapProc, UnmapProc);
    Check(tif != nullptr, "open");
    uint32_t width = 0, height = 0, rowsPerStrip = 0;
    uint16_t bits = 0, samples = 0, photometric = 0, tag = 0;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &height);
    TIFFGetField(tif, TIFFTAG_BITSPERSAMPLE, &bits);
    TIFFGetField(tif, TIFFTAG_SAMPLESPERPIXEL, &samples);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &photometric);
    TIFFGetField(tif, TIFFTAG_ROWSPERSTRIP, &rowsPerStrip);
    TIFFGetField(tif, TIFFTAG_COMPRESSION, &tag);
    Check(width == static_cast<uint32_t>(image.width) &&
              height == static_cast<uint32_t>(image.height),
          "size");
    Check(bits == (image.bitCount == 24 ? 8 : image.bitCount), "bits per sample");
    Check(samples == (image.bitCount == 24 ? 3 : 1), "samples per pixel");
    Check(tag == layout.compressionTag, "compression");
    Check(rowsPerStrip == layout.rowsPerStrip, "rows per strip");
    Check(TIFFNumberOfStrips(tif) == layout.strips, "strips");
    if (photometric == PHOTOMETRIC_PALETTE) {
        Check(colours > 0, "palette at this depth");
        uint16_t *red = nullptr, *green = nullptr, *blue = nullptr;
        Check(TIFFGetField(tif, TIFFTAG_COLORMAP, &red, &green, &blue) == 1, "colour map");
        for (int i = 0; i < colours; ++i) {
            const uint8_t* q = image.table.data() + 4 * i;
            Check(red[i] == q[2] << 8 && green[i] == q[1] << 8 && blue[i] == q[0] << 8,
                  "colour map entry");
        }
    } else if (image.bitCount == 1) {
        Check(photometric == PHOTOMETRIC_MINISBLACK, "black is zero");
        // Random tables are black and white now and then, not only when the shape asks.
        const uint8_t* t = image.table.data();
        Check(t[0] == 0 && t[1] == 0 && t[2] == 0 && t[4] == 255 && t[5] == 255 && t[6] == 255,
              "black is zero only for black and white");
    } else {
        Check(photometric == PHOTOMETRIC_RGB && image.bitCount == 24, "RGB");
    }

    const size_t rowBytes = static_cast<size_t>(layout.rowBytes);
    std::vector<uint8_t> strip(static_cast<size_t>(layout.rowsPerStrip) * rowBytes);
    std::vector<uint8_t> expected(rowBytes);
    int32_t y = 0;
    for (uint32_t s = 0; s < layout.strips; ++s) {
        tmsize_t got = TIFFReadEncodedStrip(tif, s, strip.data(), -1);
        int32_t n = image.height - y < static_cast<int32_t>(layout.rowsPerStrip)
                        ? image.height - y
                        : static_cast<int32_t>(layout.rowsPerStrip);
        Check(got == static_cast<tmsize_t>(static_cast<size_t>(n) * rowBytes), "strip size");
        for (int32_t r = 0; r < n; ++r, ++y) {
            ExpectedRow(image, y, expected.data());
            Check(std::memcmp(strip.data() + static_cast<size_t>(r) * rowBytes, expected.data(),
                              rowBytes) == 0,
                  "strip bytes");
        }
    }
    TIFFClose(tif);
    MemorySinkFree(&mem);
    return 0;
}
