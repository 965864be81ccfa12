#include "bitmap/AlphaOverWhite.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// Worked values of c a / 255 + 255 (255 - a) / 255, rounded: opaque keeps the colour, clear
// gives white, half-covered black gives 127 (32385 / 255 = 127 exactly), 128 of red 200 gives
// (25600 + 32385) / 255 = 227.4 -> 227.
TEST(AlphaOverWhite, WorkedPixels) {
    const std::vector<uint8_t> bgra = {
        10,  20,  30,  255, // opaque
        10,  20,  30,  0,   // clear
        0,   0,   0,   128, // half-covered black: 255 * 127 / 255 = 127
        0,   0,   200, 128, // red 200 at 128: (25600 + 32385) / 255 = 227.39
        255, 255, 255, 77,  // white stays white at any alpha
        0,   100, 0,   1,   // almost clear: (100 + 64770) / 255 = 254.39; black (64770) = 254
    };
    const std::vector<uint8_t> expect = {
        10, 20, 30, 255, 255, 255, 127, 127, 127, 127, 127, 227, 255, 255, 255, 254, 254, 254,
    };
    std::vector<uint8_t> bgr(expect.size(), 0xEE);
    ComposeRowOverWhite(bgra.data(), bgra.size() / 4, bgr.data());
    EXPECT_EQ(bgr, expect);
    // The 32-bit form holds the same colours with a zero fourth byte.
    std::vector<uint8_t> bgrx(bgra.size(), 0xEE), expect32;
    for (size_t i = 0; i < expect.size(); i += 3)
        expect32.insert(expect32.end(), {expect[i], expect[i + 1], expect[i + 2], 0});
    ComposeRowOverWhite32(bgra.data(), bgra.size() / 4, bgrx.data());
    EXPECT_EQ(bgrx, expect32);
}

} // namespace
