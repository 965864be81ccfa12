#include "bitmap/DibRules.h"

int ColorTableSize(int bitCount) {
    switch (bitCount) {
    case 1: return 2;
    case 4: return 16;
    case 8: return 256;
    default: return 0;
    }
}

uint64_t DibRowBytes(int64_t width, int bitCount) {
    if (width < 1 || bitCount < 1)
        return 0;
    uint64_t bits = static_cast<uint64_t>(width) * static_cast<uint64_t>(bitCount);
    return (bits + 7) / 8;
}

uint64_t DibStride(int64_t width, int bitCount) {
    uint64_t bytes = DibRowBytes(width, bitCount);
    return (bytes + 3) & ~static_cast<uint64_t>(3);
}
