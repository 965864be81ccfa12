// Test images in the DIB row layout, a row source over them and a memory sink, shared by the
// native tests, the fuzz targets and the corpus generator.
#pragma once

#include "encoders/DibRules.h"
#include "encoders/EncodeTypes.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

// Test bookkeeping is left out of the fuzz targets' coverage instrumentation, which would
// otherwise spend more time on it than on the code under test.
#if defined(__clang__)
#define TEST_HELPER __attribute__((no_sanitize("coverage")))
#else
#define TEST_HELPER
#endif

struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    int bitCount = 8;
    size_t stride = 0;
    std::vector<uint8_t> dib;   // rows bottom row first, stride bytes each, padding zero
    std::vector<uint8_t> table; // RGBQUAD entries: blue, green, red, 0
    // Every fetch the encoder made (first scan line, count), and the fetch to refuse (0-based).
    std::vector<std::pair<int32_t, int32_t>> fetches;
    int failFetchAt = -1;
    bool badFetch = false; // a fetch outside the image was asked for
};

inline TestImage MakeTestImage(int32_t width, int32_t height, int bitCount) {
    TestImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    image.stride = static_cast<size_t>(DibStride(width, bitCount));
    image.dib.assign(image.stride * static_cast<size_t>(height), 0);
    const int entries = ColorTableSize(bitCount);
    image.table.assign(4 * static_cast<size_t>(entries), 0);
    return image;
}

// Row y counted from the top of the image.
TEST_HELPER inline uint8_t* TopRow(TestImage& image, int32_t y) {
    return image.dib.data() + static_cast<size_t>(image.height - 1 - y) * image.stride;
}
TEST_HELPER inline const uint8_t* TopRow(const TestImage& image, int32_t y) {
    return image.dib.data() + static_cast<size_t>(image.height - 1 - y) * image.stride;
}

// Indexed depths: value is the index; 24 bits: value is 0xRRGGBB.
TEST_HELPER inline void SetPixel(TestImage& image, int32_t x, int32_t y, uint32_t value) {
    uint8_t* row = TopRow(image, y);
    switch (image.bitCount) {
    case 1: {
        const uint8_t mask = static_cast<uint8_t>(0x80 >> (x & 7));
        row[x >> 3] = static_cast<uint8_t>(value & 1 ? row[x >> 3] | mask : row[x >> 3] & ~mask);
        break;
    }
    case 4: {
        const int shift = x & 1 ? 0 : 4;
        row[x >> 1] =
            static_cast<uint8_t>((row[x >> 1] & ~(0xF << shift)) | (value & 0xF) << shift);
        break;
    }
    case 8: row[x] = static_cast<uint8_t>(value); break;
    case 24:
        row[3 * x] = static_cast<uint8_t>(value);
        row[3 * x + 1] = static_cast<uint8_t>(value >> 8);
        row[3 * x + 2] = static_cast<uint8_t>(value >> 16);
        break;
    default: break;
    }
}

TEST_HELPER inline uint32_t PixelIndex(const TestImage& image, int32_t x, int32_t y) {
    const uint8_t* row = TopRow(image, y);
    switch (image.bitCount) {
    case 1: return row[x >> 3] >> (7 - (x & 7)) & 1;
    case 4: return x & 1 ? row[x >> 1] & 0xF : row[x >> 1] >> 4;
    case 8: return row[x];
    case 24: return static_cast<uint32_t>(row[3 * x + 2]) << 16 | row[3 * x + 1] << 8 | row[3 * x];
    default: return 0;
    }
}

// The colour of a pixel as 0xRRGGBB.
TEST_HELPER inline uint32_t PixelRgb(const TestImage& image, int32_t x, int32_t y) {
    const uint32_t v = PixelIndex(image, x, y);
    if (image.bitCount == 24)
        return v;
    const uint8_t* quad = image.table.data() + 4 * static_cast<size_t>(v);
    return static_cast<uint32_t>(quad[2]) << 16 | quad[1] << 8 | quad[0];
}

inline void SetColor(TestImage& image, int index, uint32_t rgb) {
    uint8_t* quad = image.table.data() + 4 * static_cast<size_t>(index);
    quad[0] = static_cast<uint8_t>(rgb);
    quad[1] = static_cast<uint8_t>(rgb >> 8);
    quad[2] = static_cast<uint8_t>(rgb >> 16);
    quad[3] = 0;
}

inline ImageDesc DescOf(const TestImage& image) {
    ImageDesc desc;
    desc.width = image.width;
    desc.height = image.height;
    desc.bitCount = image.bitCount;
    desc.colorTable = image.table.empty() ? nullptr : image.table.data();
    desc.colorCount = static_cast<int>(image.table.size() / 4);
    return desc;
}

TEST_HELPER inline bool FetchTestRows(void* context, int32_t firstLine, int32_t count,
                                      uint8_t* dest) {
    TestImage& image = *static_cast<TestImage*>(context);
    const int call = static_cast<int>(image.fetches.size());
    image.fetches.emplace_back(firstLine, count);
    if (call == image.failFetchAt)
        return false;
    if (firstLine < 0 || count < 1 || firstLine > image.height - count) {
        image.badFetch = true;
        return false;
    }
    std::memcpy(dest, image.dib.data() + static_cast<size_t>(firstLine) * image.stride,
                static_cast<size_t>(count) * image.stride);
    return true;
}

inline RowSource SourceOf(TestImage& image) {
    return RowSource{&image, FetchTestRows};
}

// A growable memory sink with seek; refuses every write once failAfterWrites writes were taken.
struct VectorSink {
    std::vector<uint8_t> bytes;
    size_t position = 0;
    int writes = 0;
    int failAfterWrites = -1;
};

TEST_HELPER inline bool VectorSinkWrite(void* context, const uint8_t* data, size_t count) {
    VectorSink& sink = *static_cast<VectorSink*>(context);
    if (sink.failAfterWrites >= 0 && sink.writes >= sink.failAfterWrites)
        return false;
    ++sink.writes;
    if (sink.position + count > sink.bytes.size())
        sink.bytes.resize(sink.position + count);
    if (count > 0)
        std::memcpy(sink.bytes.data() + sink.position, data, count);
    sink.position += count;
    return true;
}

inline bool VectorSinkSeek(void* context, uint64_t position) {
    VectorSink& sink = *static_cast<VectorSink*>(context);
    if (position > sink.bytes.size())
        return false;
    sink.position = static_cast<size_t>(position);
    return true;
}

inline ByteSink SinkOf(VectorSink& sink) {
    return ByteSink{&sink, VectorSinkWrite, VectorSinkSeek};
}
