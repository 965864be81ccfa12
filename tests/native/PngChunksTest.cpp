#include "bitmap/PngChunks.h"
#include "encoders/Png.h"
#include "tests/oracles/TestImage.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<uint8_t>;

Bytes FromHex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// A 1 x 1 8-bit grey PNG written by Python's struct and zlib modules (IHDR, IDAT, IEND).
const Bytes GreyPixel = FromHex("89504e470d0a1a0a0000000d49484452000000010000000108000000003a7e9b"
                                "550000000a49444154789c63a8070000810080d394534a0000000049454e44ae"
                                "426082");

TEST(PngChunks, AWholeFileAndItsHeader) {
    PngHeaderInfo header = {};
    ASSERT_EQ(PngChunksOk, CheckPngChunks(GreyPixel.data(), GreyPixel.size(), &header));
    EXPECT_EQ(1u, header.width);
    EXPECT_EQ(1u, header.height);
    EXPECT_EQ(8, header.bitDepth);
    EXPECT_EQ(0, header.colorType);
    EXPECT_FALSE(header.interlaced);
}

TEST(PngChunks, EveryCutAndEveryChangedByteIsRefused) {
    for (size_t cut = 0; cut < GreyPixel.size(); ++cut) {
        const PngChunkResult r = CheckPngChunks(GreyPixel.data(), cut, nullptr);
        EXPECT_EQ(cut < 8 ? PngChunksNoSignature : PngChunksTruncated, r) << "cut at " << cut;
    }
    for (size_t at = 0; at < GreyPixel.size(); ++at) {
        Bytes changed = GreyPixel;
        changed[at] ^= 0x10;
        EXPECT_NE(PngChunksOk, CheckPngChunks(changed.data(), changed.size(), nullptr))
            << "byte " << at;
    }
    // A changed CRC is reported as such.
    Bytes crc = GreyPixel;
    crc[29] ^= 0xFF;
    EXPECT_EQ(PngChunksBadCrc, CheckPngChunks(crc.data(), crc.size(), nullptr));
}

TEST(PngChunks, HeaderRulesAndMissingImageData) {
    // IEND right after IHDR: no image data.
    Bytes noData(GreyPixel.begin(), GreyPixel.begin() + 33);
    noData.insert(noData.end(), GreyPixel.end() - 12, GreyPixel.end());
    EXPECT_EQ(PngChunksNoImageData, CheckPngChunks(noData.data(), noData.size(), nullptr));
    // IDAT first: IHDR must lead.
    Bytes dataFirst(GreyPixel.begin(), GreyPixel.begin() + 8);
    dataFirst.insert(dataFirst.end(), GreyPixel.begin() + 33, GreyPixel.end());
    EXPECT_EQ(PngChunksBadHeader, CheckPngChunks(dataFirst.data(), dataFirst.size(), nullptr));
}

// Every file of the writer passes, at every depth it writes.
TEST(PngChunks, TheWritersFilesPass) {
    for (int bitCount : {1, 4, 8, 24}) {
        TestImage image = MakeTestImage(70000 / bitCount, 3, bitCount);
        for (size_t i = 0; i < image.dib.size(); ++i)
            image.dib[i] = static_cast<uint8_t>(i * 7 / 5);
        VectorSink sink;
        ByteSink out = SinkOf(sink);
        ASSERT_EQ(EncodeOk, EncodePng(DescOf(image), SourceOf(image), out));
        PngHeaderInfo header = {};
        EXPECT_EQ(PngChunksOk, CheckPngChunks(sink.bytes.data(), sink.bytes.size(), &header))
            << bitCount;
        EXPECT_EQ(static_cast<uint32_t>(image.width), header.width);
        EXPECT_EQ(bitCount == 24 ? 2 : 3, header.colorType);
    }
}

} // namespace
