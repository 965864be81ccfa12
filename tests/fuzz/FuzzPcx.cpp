// Fuzzes the PCX writer: the input's first bytes choose the depth, size and colour table, the
// rest fills the pixels. The file is decoded by the reference reader, which checks the header
// fields and the run-length structure (no run crossing a plane line, nothing left over) and the
// decoded colours must equal the image's. The run-length coder is also fed the raw input.
#include "encoders/Pcx.h"
#include "tests/oracles/PcxReference.h"
#include "tests/fuzz/FuzzImage.h"
#include "tests/fuzz/SmallQuarantine.h"

#include <cstdlib>
#include <vector>

namespace {

void Require(bool condition) {
    if (!condition)
        std::abort();
}

// Runs of the raw bytes: the encoding is at most twice as long and decodes back.
void CheckRunLength(const uint8_t* data, size_t size) {
    std::vector<uint8_t> out(2 * size + 1);
    const size_t n = PcxRunLength(data, size, out.data());
    Require(n <= 2 * size);
    std::vector<uint8_t> back;
    for (size_t i = 0; i < n;) {
        if (out[i] >= 0xC0) {
            const int count = out[i] - 0xC0;
            Require(count >= 1 && count <= 63 && i + 1 < n);
            back.insert(back.end(), static_cast<size_t>(count), out[i + 1]);
            i += 2;
        } else {
            back.push_back(out[i++]);
        }
    }
    Require(back.size() == size && std::equal(back.begin(), back.end(), data));
}

// The pixel-by-pixel comparison is the test's own bookkeeping: left out of the coverage
// instrumentation, which would otherwise cost more than the encoding it checks.
TEST_HELPER bool SameColors(const PcxDecoded& decoded, const TestImage& image) {
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (decoded.rgb[static_cast<size_t>(y) * image.width + x] != PixelRgb(image, x, y))
                return false;
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    CheckRunLength(data, size);
    if (size < 5)
        return 0;
    TestImage image = WriterImage(data);
    const bool runs = data[4] & 1; // long runs of equal bytes, or the input as it is
    data += 5;
    size -= 5;
    for (size_t i = 0; i < image.table.size(); ++i)
        image.table[i] = static_cast<uint8_t>(i % 4 == 3 ? 0 : i * 37 + 11);
    FillFromBytes(image, data, size, runs);
    VectorSink out;
    ByteSink sink = SinkOf(out);
    RowSource source = SourceOf(image);
    Require(EncodePcx(DescOf(image), source, sink) == EncodeOk);
    Require(!image.badFetch);
    const PcxDecoded decoded = DecodePcxReference(out.bytes);
    Require(decoded.ok && decoded.width == image.width && decoded.height == image.height);
    Require(SameColors(decoded, image));
    return 0;
}
