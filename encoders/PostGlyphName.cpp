#include "encoders/PostGlyphName.h"

namespace {

// Indices of format 2 below this stand for the standard Macintosh glyph names.
const uint32_t standardNames = 258;
// Fixed header of every format: version, italic angle, underline position and thickness,
// fixed pitch flag and four memory hints.
const size_t headerSize = 32;

uint32_t Be16(const uint8_t* p) {
    return uint32_t(p[0]) << 8 | p[1];
}

uint32_t Be32(const uint8_t* p) {
    return Be16(p) << 16 | Be16(p + 2);
}

} // namespace

bool PostGlyphNameIsEmpty(const uint8_t* post, size_t size, uint16_t glyph) {
    if (post == nullptr || size < headerSize + 2 || Be32(post) != 0x00020000)
        return false;
    const size_t count = Be16(post + headerSize);
    const size_t indices = headerSize + 2;
    if (glyph >= count || size < indices + 2 * count)
        return false;
    const uint32_t index = Be16(post + indices + 2 * size_t(glyph));
    if (index < standardNames)
        return false;
    // The strings follow the indices, one length byte and that many characters each.
    size_t at = indices + 2 * count;
    for (uint32_t skip = index - standardNames; skip > 0; --skip) {
        if (at >= size)
            return false;
        at += 1 + size_t(post[at]);
    }
    return at < size && post[at] == 0;
}
