#include "encoders/Png.h"

#include "encoders/DibRules.h"

#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

const uint8_t PngSignature[PngSignatureSize] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};

namespace {

// Compressed bytes collect here and leave as one IDAT chunk when it is full.
constexpr uInt IdatBytes = 65536;

void PutBe32(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v >> 24);
    p[1] = static_cast<uint8_t>(v >> 16);
    p[2] = static_cast<uint8_t>(v >> 8);
    p[3] = static_cast<uint8_t>(v);
}

uint32_t ChunkCrc(const char type[4], const uint8_t* data, uint32_t length) {
    uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
    if (length > 0)
        crc = crc32(crc, data, length);
    return static_cast<uint32_t>(crc);
}

bool WriteChunk(ByteSink& sink, const char type[4], const uint8_t* data, uint32_t length) {
    uint8_t head[8];
    PutBe32(head, length);
    std::memcpy(head + 4, type, 4);
    uint8_t tail[4];
    PutBe32(tail, ChunkCrc(type, data, length));
    return sink.write(sink.context, head, 8) &&
           (length == 0 || sink.write(sink.context, data, length)) &&
           sink.write(sink.context, tail, 4);
}

// A filtered byte read as a signed value, without sign: summed over a row, the usual cheap
// estimate of how well the row compresses.
inline uint32_t Magnitude(uint8_t v) {
    return v < 128 ? v : 256u - v;
}

// The Paeth predictor written with selects only, so that the compiler can run it on many bytes
// at once; the same choice as Paeth(), ties going to a, then b.
inline int PaethBranchless(int a, int b, int c) {
    const int pa = b > c ? b - c : c - b;                             // |p - a|
    const int pb = a > c ? a - c : c - a;                             // |p - b|
    const int pc = a + b - 2 * c < 0 ? 2 * c - a - b : a + b - 2 * c; // |p - c|
    const int bc = pb <= pc ? b : c;
    return pa <= pb && pa <= pc ? a : bc;
}

// Index of pixel x of an indexed DIB row.
inline uint8_t DibIndex(const uint8_t* row, int bitCount, size_t x) {
    switch (bitCount) {
    case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1;
    case 4: return x & 1 ? row[x >> 1] & 0x0F : row[x >> 1] >> 4;
    default: return row[x];
    }
}

// Where the rows come from: bands from the top of the image down. A band arrives bottom row
// first, so its rows are handed out from the last one in the buffer back to the first.
struct BandReader {
    const RowSource* source;
    int32_t height;
    uint64_t stride;
    uint64_t bandRows;
    uint8_t* band;
    int32_t bandTop;  // scan line above the band in the buffer
    int32_t bandLeft; // rows of the band not handed out yet

    // The next row from the top; null when the source fails.
    const uint8_t* Next() {
        if (bandLeft == 0) {
            int32_t count = bandTop;
            if (static_cast<uint64_t>(count) > bandRows)
                count = static_cast<int32_t>(bandRows);
            const int32_t start = bandTop - count;
            if (count < 1 || !source->fetch(source->context, start, count, band))
                return nullptr;
            bandTop = start;
            bandLeft = count;
        }
        --bandLeft;
        return band + static_cast<size_t>(bandLeft) * stride;
    }
};

// The deflate stream and the IDAT buffer it fills.
struct IdatWriter {
    z_stream stream;
    uint8_t* buffer;
    ByteSink* sink;

    bool Flush() {
        const uint32_t length = IdatBytes - stream.avail_out;
        if (length > 0 && !WriteChunk(*sink, "IDAT", buffer, length))
            return false;
        stream.next_out = buffer;
        stream.avail_out = IdatBytes;
        return true;
    }

    // Compresses data[0, n); with finish, ends the stream. False when the sink fails.
    EncodeResult Put(const uint8_t* data, size_t n, bool finish) {
        stream.next_in = const_cast<Bytef*>(data);
        stream.avail_in = static_cast<uInt>(n);
        for (;;) {
            const int status = deflate(&stream, finish ? Z_FINISH : Z_NO_FLUSH);
            if (status == Z_STREAM_ERROR)
                return EncodeNoMemory;
            if (finish && status == Z_STREAM_END)
                return Flush() ? EncodeOk : EncodeWriteFailed;
            if (stream.avail_out == 0) {
                if (!Flush())
                    return EncodeWriteFailed;
                continue;
            }
            if (!finish && stream.avail_in == 0)
                return EncodeOk;
        }
    }
};

// The palette of an indexed image: the distinct colours its pixels use, in the order of their
// first index, and each table index's entry in it.
struct Palette {
    uint8_t rgb[3 * 256];
    int count;
    uint8_t map[256];
    int depth; // 1, 4 or 8
};

EncodeResult CollectPalette(const ImageDesc& desc, BandReader& reader, Palette* palette) {
    bool used[256] = {};
    const size_t width = static_cast<size_t>(desc.width);
    for (int32_t y = 0; y < desc.height; ++y) {
        const uint8_t* row = reader.Next();
        if (row == nullptr)
            return EncodeFetchFailed;
        if (desc.bitCount == 8) {
            for (size_t x = 0; x < width; ++x)
                used[row[x]] = true;
        } else {
            for (size_t x = 0; x < width; ++x)
                used[DibIndex(row, desc.bitCount, x)] = true;
        }
    }
    palette->count = 0;
    std::memset(palette->map, 0, sizeof palette->map);
    for (int i = 0; i < 256; ++i) {
        if (!used[i])
            continue;
        uint8_t rgb[3] = {0, 0, 0};
        if (desc.colorTable != nullptr && i < desc.colorCount) {
            const uint8_t* quad = desc.colorTable + 4 * i;
            rgb[0] = quad[2];
            rgb[1] = quad[1];
            rgb[2] = quad[0];
        }
        int entry = 0;
        while (entry < palette->count && std::memcmp(palette->rgb + 3 * entry, rgb, 3) != 0)
            ++entry;
        if (entry == palette->count) {
            std::memcpy(palette->rgb + 3 * entry, rgb, 3);
            ++palette->count;
        }
        palette->map[i] = static_cast<uint8_t>(entry);
    }
    palette->depth = palette->count <= 2 ? 1 : (palette->count <= 16 ? 4 : 8);
    return EncodeOk;
}

// One PNG row (without its filter byte) of the DIB row.
void PackRow(const ImageDesc& desc, const Palette& palette, const uint8_t* dibRow, uint8_t* out,
             size_t pngRowBytes) {
    const size_t width = static_cast<size_t>(desc.width);
    if (desc.bitCount == 24) {
        for (size_t x = 0; x < width; ++x) {
            out[3 * x] = dibRow[3 * x + 2];
            out[3 * x + 1] = dibRow[3 * x + 1];
            out[3 * x + 2] = dibRow[3 * x];
        }
        return;
    }
    if (palette.depth == 8 && desc.bitCount == 8) {
        // The common case on 8-bit screens, kept free of the per-pixel depth switch.
        const uint8_t* map = palette.map;
        for (size_t x = 0; x < width; ++x)
            out[x] = map[dibRow[x]];
        return;
    }
    if (palette.depth == 8) {
        for (size_t x = 0; x < width; ++x)
            out[x] = palette.map[DibIndex(dibRow, desc.bitCount, x)];
        return;
    }
    std::memset(out, 0, pngRowBytes);
    const int depth = palette.depth;
    const int perByte = 8 / depth;
    for (size_t x = 0; x < width; ++x) {
        const int shift = 8 - depth * (1 + static_cast<int>(x % perByte));
        out[x / perByte] |=
            static_cast<uint8_t>(palette.map[DibIndex(dibRow, desc.bitCount, x)] << shift);
    }
}

} // namespace

PngOptions PngDefaultOptions() {
    // Measured on the benchmark's screen-like images against zlib's level 6: greedy matching
    // (level 3) where every string of a match still enters the hash table (lazy 258), matches
    // searched to the longest deflate allows (nice 258) along at most 32 earlier strings. Long
    // runs and repeated rows are found as at level 6 without its lazy second search. memLevel 7
    // gave screens 0.5% smaller files but noise (photos) a quarter slower: 8 it stays.
    return {3, Z_DEFAULT_STRATEGY, true, 8, 4, 258, 258, 32};
}

void PngFilterRow(PngFilter filter, const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp,
                  uint8_t* out) {
    const size_t lead = bpp < n ? bpp : n;
    switch (filter) {
    case PngFilterNone: std::memcpy(out, row, n); break;
    case PngFilterSub:
        std::memcpy(out, row, lead);
        for (size_t i = bpp; i < n; ++i)
            out[i] = static_cast<uint8_t>(row[i] - row[i - bpp]);
        break;
    case PngFilterUp:
        for (size_t i = 0; i < n; ++i)
            out[i] = static_cast<uint8_t>(row[i] - prior[i]);
        break;
    case PngFilterAverage:
        for (size_t i = 0; i < lead; ++i)
            out[i] = static_cast<uint8_t>(row[i] - (prior[i] >> 1));
        for (size_t i = bpp; i < n; ++i)
            out[i] = static_cast<uint8_t>(row[i] - ((row[i - bpp] + prior[i]) >> 1));
        break;
    case PngFilterPaeth:
        for (size_t i = 0; i < lead; ++i)
            out[i] = static_cast<uint8_t>(row[i] - prior[i]);
        for (size_t i = bpp; i < n; ++i)
            out[i] = static_cast<uint8_t>(row[i] -
                                          PaethBranchless(row[i - bpp], prior[i], prior[i - bpp]));
        break;
    }
}

PngFilter PngChooseFilter(const uint8_t* row, const uint8_t* prior, size_t n, size_t bpp,
                          uint8_t* out) {
    // Most rows of a screen differ from the one above in few bytes, if any: when Up leaves at
    // most 1 per byte on average, it is taken without trying the others. This halves the time
    // of the choice on screens and gives deflate long runs of zeros to match, for files as
    // small as the full trial's (bench/: 24-bit screens within 0.2%).
    uint64_t upSum = 0;
    for (size_t i = 0; i < n; ++i)
        upSum += Magnitude(static_cast<uint8_t>(row[i] - prior[i]));
    if (upSum <= n) {
        PngFilterRow(PngFilterUp, row, prior, n, bpp, out);
        return PngFilterUp;
    }
    // The five sums in one pass, without writing the candidates; only the chosen filter's
    // output is written afterwards. The leading pixel has no left neighbour (a = c = 0).
    uint32_t sums[5] = {0, 0, 0, 0, 0};
    const size_t lead = bpp < n ? bpp : n;
    for (size_t i = 0; i < lead; ++i) {
        const int x = row[i], b = prior[i];
        sums[0] += Magnitude(static_cast<uint8_t>(x));
        sums[1] += Magnitude(static_cast<uint8_t>(x));
        sums[2] += Magnitude(static_cast<uint8_t>(x - b));
        sums[3] += Magnitude(static_cast<uint8_t>(x - (b >> 1)));
        sums[4] += Magnitude(static_cast<uint8_t>(x - b));
    }
    uint32_t none = 0, sub = 0, up = 0, average = 0, paeth = 0;
    for (size_t i = lead; i < n; ++i) {
        const int x = row[i], a = row[i - bpp], b = prior[i], c = prior[i - bpp];
        none += Magnitude(static_cast<uint8_t>(x));
        sub += Magnitude(static_cast<uint8_t>(x - a));
        up += Magnitude(static_cast<uint8_t>(x - b));
        average += Magnitude(static_cast<uint8_t>(x - ((a + b) >> 1)));
        paeth += Magnitude(static_cast<uint8_t>(x - PaethBranchless(a, b, c)));
    }
    sums[0] += none;
    sums[1] += sub;
    sums[2] += up;
    sums[3] += average;
    sums[4] += paeth;
    int best = 0;
    for (int f = 1; f < 5; ++f)
        if (sums[f] < sums[best])
            best = f;
    PngFilterRow(static_cast<PngFilter>(best), row, prior, n, bpp, out);
    return static_cast<PngFilter>(best);
}

size_t PngPutChunk(const char type[4], const uint8_t* data, uint32_t length, uint8_t* out) {
    PutBe32(out, length);
    std::memcpy(out + 4, type, 4);
    if (length > 0)
        std::memcpy(out + 8, data, length);
    PutBe32(out + 8 + length, ChunkCrc(type, data, length));
    return 12 + static_cast<size_t>(length);
}

EncodeResult EncodePng(const ImageDesc& desc, const RowSource& source, ByteSink& sink) {
    return EncodePngWith(desc, PngDefaultOptions(), source, sink);
}

EncodeResult EncodePngWith(const ImageDesc& desc, const PngOptions& options,
                           const RowSource& source, ByteSink& sink) {
    const int bitCount = desc.bitCount;
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24)
        return EncodeBadDepth;
    if (desc.width < 1 || desc.height < 1)
        return EncodeNothing;

    const uint64_t stride = DibStride(desc.width, bitCount);
    const uint64_t bandRows = BandRows(stride, desc.height);
    // A row is handed to zlib in one piece, whose length is a 32-bit count.
    if (stride > 0x3FFFFFFF || bandRows * stride > SIZE_MAX / 2)
        return EncodeTooLarge;
    std::unique_ptr<uint8_t[]> band(new (std::nothrow) uint8_t[bandRows * stride]);
    if (!band)
        return EncodeNoMemory;

    Palette palette = {};
    const bool indexed = bitCount != 24;
    if (indexed) {
        BandReader scan = {&source, desc.height, stride, bandRows, band.get(), desc.height, 0};
        const EncodeResult found = CollectPalette(desc, scan, &palette);
        if (found != EncodeOk)
            return found;
    }
    const int pngDepth = indexed ? palette.depth : 8;
    const size_t bpp = indexed ? 1 : 3;
    const size_t pngRowBytes = static_cast<size_t>(
        DibRowBytes(desc.width, indexed ? pngDepth : 24)); // 24: three bytes per pixel
    const bool filter = !indexed && options.filterRows;

    // The row being written and the one above it (zeros above the first), and the filtered row
    // behind its filter byte.
    std::unique_ptr<uint8_t[]> rows(new (std::nothrow) uint8_t[2 * pngRowBytes]());
    std::unique_ptr<uint8_t[]> filtered(new (std::nothrow) uint8_t[1 + pngRowBytes]);
    std::unique_ptr<uint8_t[]> idat(new (std::nothrow) uint8_t[IdatBytes]);
    if (!rows || !filtered || !idat)
        return EncodeNoMemory;

    IdatWriter writer = {};
    writer.buffer = idat.get();
    writer.sink = &sink;
    writer.stream.next_out = idat.get();
    writer.stream.avail_out = IdatBytes;
    if (deflateInit2(&writer.stream, options.level, Z_DEFLATED, 15, options.memLevel,
                     options.strategy) != Z_OK)
        return EncodeNoMemory;
    std::unique_ptr<z_stream, int (*)(z_stream*)> streamGuard(&writer.stream, deflateEnd);
    if (options.niceLength != 0 &&
        deflateTune(&writer.stream, options.goodLength, options.lazyLength, options.niceLength,
                    options.chainLength) != Z_OK)
        return EncodeNoMemory;

    uint8_t head[PngSignatureSize + 25];
    std::memcpy(head, PngSignature, PngSignatureSize);
    uint8_t ihdr[13];
    PutBe32(ihdr, static_cast<uint32_t>(desc.width));
    PutBe32(ihdr + 4, static_cast<uint32_t>(desc.height));
    ihdr[8] = static_cast<uint8_t>(pngDepth);
    ihdr[9] = indexed ? 3 : 2; // colour type: palette or RGB
    ihdr[10] = 0;              // deflate
    ihdr[11] = 0;              // adaptive filtering
    ihdr[12] = 0;              // not interlaced
    PngPutChunk("IHDR", ihdr, sizeof ihdr, head + PngSignatureSize);
    if (!sink.write(sink.context, head, sizeof head))
        return EncodeWriteFailed;
    if (indexed && !WriteChunk(sink, "PLTE", palette.rgb, static_cast<uint32_t>(3 * palette.count)))
        return EncodeWriteFailed;

    BandReader reader = {&source, desc.height, stride, bandRows, band.get(), desc.height, 0};
    uint8_t* current = rows.get();
    uint8_t* prior = rows.get() + pngRowBytes;
    for (int32_t y = 0; y < desc.height; ++y) {
        const uint8_t* dibRow = reader.Next();
        if (dibRow == nullptr)
            return EncodeFetchFailed;
        PackRow(desc, palette, dibRow, current, pngRowBytes);
        if (filter) {
            filtered[0] = PngChooseFilter(current, prior, pngRowBytes, bpp, filtered.get() + 1);
        } else {
            filtered[0] = PngFilterNone;
            std::memcpy(filtered.get() + 1, current, pngRowBytes);
        }
        const EncodeResult put = writer.Put(filtered.get(), 1 + pngRowBytes, false);
        if (put != EncodeOk)
            return put;
        uint8_t* swap = prior;
        prior = current;
        current = swap;
    }
    const EncodeResult end = writer.Put(nullptr, 0, true);
    if (end != EncodeOk)
        return end;
    if (!WriteChunk(sink, "IEND", nullptr, 0))
        return EncodeWriteFailed;
    return EncodeOk;
}
