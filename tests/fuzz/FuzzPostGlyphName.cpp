// Fuzzes the glyph name lookup of a font's 'post' table: the input is the table, in a buffer of
// exactly its size, so ASan reports any read past it; every glyph the table counts and the one
// after it are looked up. Only a format 2 table can give a glyph an empty name.
#include "encoders/PostGlyphName.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    uint8_t* post = static_cast<uint8_t*>(std::malloc(size + 1));
    std::memcpy(post, data, size);
    const bool format2 = size >= 32 && post[0] == 0 && post[1] == 2 && post[2] == 0 && post[3] == 0;
    const unsigned count = size >= 34 ? unsigned(post[32]) << 8 | post[33] : 300;
    for (unsigned glyph = 0; glyph <= count && glyph <= 0xFFFF; ++glyph) {
        bool empty = PostGlyphNameIsEmpty(post, size, uint16_t(glyph));
        if (empty && (!format2 || glyph >= count)) {
            std::fprintf(stderr, "glyph %u of a table that cannot name it called empty\n", glyph);
            std::abort();
        }
    }
    std::free(post);
    return 0;
}
