#include "bitmap/PictureSignature.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(PictureSignature, KindsByTheirFirstBytes) {
    const struct {
        std::string bytes;
        PictureKind kind;
    } cases[] = {
        {"BM", PictureBmp},
        {"BMP file", PictureBmp},
        {"B", PictureUnknown},
        {"BN", PictureUnknown},
        {std::string("\x89PNG\r\n\x1a\n", 8), PicturePng},
        {std::string("\x89PNG\r\n\x1a", 7), PictureUnknown},
        {std::string("\x89PNG\n\n\x1a\n", 8), PictureUnknown},
        {"\xFF\xD8\xFF\xE0", PictureJpeg},
        {"\xFF\xD8\xFE", PictureUnknown},
        {"GIF87a", PictureGif},
        {"GIF89a", PictureGif},
        {"GIF88a", PictureUnknown},
        {std::string("II*\0", 4), PictureTiff},
        {std::string("MM\0*", 4), PictureTiff},
        {std::string("II\0*", 4), PictureUnknown},
        {std::string("\0\0\1\0\1\0", 6), PictureIcon},
        {std::string("\0\0\1\0\0\0", 6), PictureUnknown}, // no entries
        {std::string("\0\0\1\0", 4), PictureUnknown},
        {std::string("\0\0\2\0\1\0", 6), PictureUnknown}, // a cursor
        {"", PictureUnknown},
        {"plain text that was renamed", PictureUnknown},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.kind,
                  PictureKindOf(reinterpret_cast<const uint8_t*>(c.bytes.data()), c.bytes.size()))
            << c.bytes;
    }
}

} // namespace
