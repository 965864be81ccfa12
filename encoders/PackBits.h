// PackBits compression of one row, as the TIF writer stores it with Compression 32773.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest output of PackRow for a row of n bytes: every 128 bytes cost one count byte more
// (a row of one byte gives 2).
constexpr size_t PackBitsBound(size_t n) {
    return n + (n + 127) / 128;
}

// Packs the n bytes of `row` into `out` (room for PackBitsBound(n) bytes) and returns the number
// of bytes written. Runs of three or more equal bytes become runs (a count byte 257 - length, then
// the byte), other bytes literals (length - 1, then the bytes); runs and literals hold at most 128
// bytes; a pair of equal bytes stays inside a literal that is under way, a pair at the start of a
// sequence is a run of 2; nothing crosses the end of the row. A row of 0 bytes gives nothing.
size_t PackRow(const uint8_t* row, size_t n, uint8_t* out);
