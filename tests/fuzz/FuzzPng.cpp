// Fuzzes the PNG writer's band handling, and the chunk check of PNG files read from the
// clipboard with the raw input: the input's first bytes choose the depth, the size
// (wide rows make bands of few rows, so band ends fall inside small images), how the pixels are
// filled, and a fetch or write to refuse; the rest fills the pixels. Images hold at most 2^15
// pixels, most of them at most 4096 (wide ones fewer rows). A file written whole must decode
// through libpng to the image's colours, and every row must have been fetched exactly once per pass
// (twice for palette images) inside the image. A refused fetch or write must give its result and
// nothing else.
#include "bitmap/PngChunks.h"
#include "encoders/Png.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/fuzz/SmallQuarantine.h"

#include <png.h>

#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

TEST_HELPER bool SameColors(const std::vector<uint8_t>& rgb, const TestImage& image) {
    size_t at = 0;
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x, at += 3) {
            const uint32_t v = PixelRgb(image, x, y);
            if (rgb[at] != uint8_t(v >> 16) || rgb[at + 1] != uint8_t(v >> 8) ||
                rgb[at + 2] != uint8_t(v))
                return false;
        }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The chunk check that guards the clipboard's PNG reader takes any bytes.
    PngHeaderInfo header;
    if (CheckPngChunks(data, size, &header) == PngChunksOk)
        Require(header.width > 0 && header.height > 0);
    if (size < 7)
        return 0;
    TestImage image = WriterImage(data);
    const bool runs = data[4] & 1;
    const int failWriteAt = data[4] & 2 ? data[5] % 16 : -1;
    const int failFetchAt = data[4] & 4 ? data[6] % 8 : -1;
    const bool fullTable = data[4] & 8; // else colours past the table's end stand for black
    data += 7;
    size -= 7;
    for (size_t i = 0; i < image.table.size(); ++i)
        image.table[i] = static_cast<uint8_t>(i % 4 == 3 ? 0 : (i * 37 + 11) % 7 * 40);
    FillFromBytes(image, data, size, runs);
    ImageDesc desc = DescOf(image);
    if (!fullTable && desc.colorCount > 1)
        desc.colorCount /= 2;
    for (size_t i = 4 * static_cast<size_t>(desc.colorCount); i < image.table.size(); ++i)
        image.table[i] = 0; // what the writer must use for entries beyond colorCount
    image.failFetchAt = failFetchAt;
    VectorSink out;
    out.failAfterWrites = failWriteAt;
    ByteSink sink = SinkOf(out);
    RowSource source = SourceOf(image);
    const EncodeResult result = EncodePng(desc, source, sink);
    Require(!image.badFetch);
    uint64_t rows = 0;
    for (const auto& fetch : image.fetches)
        rows += static_cast<uint64_t>(fetch.second);
    if (result == EncodeFetchFailed) {
        Require(failFetchAt >= 0 && static_cast<int>(image.fetches.size()) == failFetchAt + 1);
        return 0;
    }
    if (result == EncodeWriteFailed) {
        Require(failWriteAt >= 0 && out.writes == failWriteAt);
        return 0;
    }
    Require(result == EncodeOk);
    Require(rows == static_cast<uint64_t>(image.height) * (image.bitCount == 24 ? 1 : 2));
    Require(CheckPngChunks(out.bytes.data(), out.bytes.size(), &header) == PngChunksOk);

    png_image decoded = {};
    decoded.version = PNG_IMAGE_VERSION;
    Require(png_image_begin_read_from_memory(&decoded, out.bytes.data(), out.bytes.size()));
    decoded.format = PNG_FORMAT_RGB;
    Require(decoded.width == static_cast<png_uint_32>(image.width) &&
            decoded.height == static_cast<png_uint_32>(image.height));
    std::vector<uint8_t> rgb(PNG_IMAGE_SIZE(decoded));
    Require(png_image_finish_read(&decoded, nullptr, rgb.data(), 0, nullptr));
    Require(decoded.warning_or_error == 0);
    Require(SameColors(rgb, image));
    return 0;
}
