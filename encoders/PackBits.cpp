#include "encoders/PackBits.h"

#include <cstring>

// A sequence starts at p. When the next byte repeats the first one, the sequence is a run: it
// takes equal bytes up to 128 of them. Otherwise it is a literal: it takes bytes until the row
// ends, it holds 128 bytes, or three equal bytes begin; a pair of equal bytes followed by a
// different one stays in the literal.
size_t PackRow(const uint8_t* row, size_t n, uint8_t* out) {
    uint8_t* start = out;
    size_t p = 0;
    while (p < n) {
        uint8_t cur = row[p];
        if (p + 1 < n && row[p + 1] == cur) {
            size_t limit = n - p < 128 ? n - p : 128;
            size_t run = 2;
            while (run < limit && row[p + run] == cur)
                run += 1;
            *out++ = static_cast<uint8_t>(257 - run);
            *out++ = cur;
            p += run;
            continue;
        }
        // Literal: row[p] and row[p + 1] differ (or p is the last byte).
        size_t end = p + 1;
        size_t limit = n - p < 128 ? n : p + 128;
        while (end < limit) {
            if (row[end] == row[end - 1] && end + 1 < n && row[end + 1] == row[end]) {
                // Three equal bytes from end - 1 on: the literal stops before them.
                end -= 1;
                break;
            }
            end += 1;
        }
        size_t lit = end - p;
        *out++ = static_cast<uint8_t>(lit - 1);
        std::memcpy(out, row + p, lit);
        out += lit;
        p = end;
    }
    return static_cast<size_t>(out - start);
}
