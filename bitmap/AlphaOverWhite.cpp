#include "bitmap/AlphaOverWhite.h"

void ComposeRowOverWhite(const uint8_t* bgra, size_t width, uint8_t* bgr) {
    for (size_t x = 0; x < width; ++x) {
        const uint32_t a = bgra[4 * x + 3];
        if (a == 255) {
            bgr[3 * x] = bgra[4 * x];
            bgr[3 * x + 1] = bgra[4 * x + 1];
            bgr[3 * x + 2] = bgra[4 * x + 2];
        } else {
            bgr[3 * x] = OverWhite(bgra[4 * x], a);
            bgr[3 * x + 1] = OverWhite(bgra[4 * x + 1], a);
            bgr[3 * x + 2] = OverWhite(bgra[4 * x + 2], a);
        }
    }
}

void ComposeRowOverWhite32(const uint8_t* bgra, size_t width, uint8_t* bgrx) {
    for (size_t x = 0; x < width; ++x) {
        const uint32_t a = bgra[4 * x + 3];
        for (size_t c = 0; c < 3; ++c)
            bgrx[4 * x + c] = a == 255 ? bgra[4 * x + c] : OverWhite(bgra[4 * x + c], a);
        bgrx[4 * x + 3] = 0;
    }
}
