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
