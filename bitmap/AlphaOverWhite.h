// Turns rows of straight-alpha pixels (blue, green, red, alpha) into the 24-bit DIB rows the
// clipboard's bitmaps are made from, each pixel composed over a white background.
// Platform-free: no <windows.h>.
#pragma once

#include <cstddef>
#include <cstdint>

// One channel c under alpha a over white: (c a + 255 (255 - a)) / 255, rounded to nearest.
inline uint8_t OverWhite(uint32_t c, uint32_t a) {
    return static_cast<uint8_t>((c * a + 255u * (255u - a) + 127u) / 255u);
}

// Composes `width` pixels of bgra (4 bytes each) over white into bgr (3 bytes each).
void ComposeRowOverWhite(const uint8_t* bgra, size_t width, uint8_t* bgr);

// The same into 32-bit DIB pixels (blue, green, red, 0): 4 bytes each.
void ComposeRowOverWhite32(const uint8_t* bgra, size_t width, uint8_t* bgrx);
