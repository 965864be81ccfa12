// Reading a GIF that a writer left in memory back through giflib: DGifOpen(&reader, ReadGif, ...)
// with a MemoryGif over the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include <gif_lib.h>

struct MemoryGif {
    const uint8_t* data;
    size_t size;
    size_t pos;
};

inline int ReadGif(GifFileType* gif, GifByteType* dest, int count) {
    MemoryGif* r = static_cast<MemoryGif*>(gif->UserData);
    size_t n = r->size - r->pos < static_cast<size_t>(count) ? r->size - r->pos
                                                             : static_cast<size_t>(count);
    std::memcpy(dest, r->data + r->pos, n);
    r->pos += n;
    return static_cast<int>(n);
}
