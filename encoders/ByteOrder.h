// Little-endian fields, as BMP, GIF, TIFF ("II") and PCX store them.
#pragma once

#include <cstdint>

inline void PutLe16(uint8_t* p, uint32_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

inline void PutLe32(uint8_t* p, uint32_t v) {
    PutLe16(p, v & 0xFFFF);
    PutLe16(p + 2, v >> 16);
}

inline uint32_t ReadLe16(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8;
}

inline uint32_t ReadLe32(const uint8_t* p) {
    return ReadLe16(p) | ReadLe16(p + 2) << 16;
}
