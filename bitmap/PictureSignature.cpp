#include "bitmap/PictureSignature.h"

#include <cstring>

namespace {

bool StartsWith(const uint8_t* data, size_t size, const char* prefix, size_t length) {
    return size >= length && std::memcmp(data, prefix, length) == 0;
}

} // namespace

PictureKind PictureKindOf(const uint8_t* data, size_t size) {
    if (StartsWith(data, size, "BM", 2))
        return PictureBmp;
    if (StartsWith(data, size, "\x89PNG\r\n\x1a\n", 8))
        return PicturePng;
    if (StartsWith(data, size, "\xFF\xD8\xFF", 3))
        return PictureJpeg;
    if (StartsWith(data, size, "GIF87a", 6) || StartsWith(data, size, "GIF89a", 6))
        return PictureGif;
    if (StartsWith(data, size, "II*\0", 4) || StartsWith(data, size, "MM\0*", 4))
        return PictureTiff;
    // Reserved 0, type 1 (icon), an entry count above 0.
    if (StartsWith(data, size, "\0\0\1\0", 4) && size >= 6 && (data[4] | data[5]) != 0)
        return PictureIcon;
    return PictureUnknown;
}
