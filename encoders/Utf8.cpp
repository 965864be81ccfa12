#include "encoders/Utf8.h"

namespace {

bool IsHigh(uint32_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLow(uint32_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

} // namespace

size_t Utf16ToUtf8(const uint16_t* text, size_t units, uint8_t* out) {
    uint8_t* start = out;
    for (size_t i = 0; i < units && text[i] != 0; ++i) {
        uint32_t c = text[i];
        if (IsHigh(c) && i + 1 < units && IsLow(text[i + 1])) {
            c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00u);
            ++i;
        } else if (IsHigh(c) || IsLow(c)) {
            c = 0xFFFD;
        }
        if (c < 0x80) {
            *out++ = uint8_t(c);
        } else if (c < 0x800) {
            *out++ = uint8_t(0xC0 | c >> 6);
            *out++ = uint8_t(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *out++ = uint8_t(0xE0 | c >> 12);
            *out++ = uint8_t(0x80 | (c >> 6 & 0x3F));
            *out++ = uint8_t(0x80 | (c & 0x3F));
        } else {
            *out++ = uint8_t(0xF0 | c >> 18);
            *out++ = uint8_t(0x80 | (c >> 12 & 0x3F));
            *out++ = uint8_t(0x80 | (c >> 6 & 0x3F));
            *out++ = uint8_t(0x80 | (c & 0x3F));
        }
    }
    return size_t(out - start);
}
