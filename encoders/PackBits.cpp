#include "encoders/PackBits.h"

#include <cstring>

// Rows are scanned eight bytes at a time where they are long enough: a run is extended by
// comparing words against the repeated byte, and a literal looks for the first place where three
// equal bytes begin by comparing each word with itself shifted by one byte either way. The bytes
// produced are the same as a byte-by-byte scan gives.

namespace {

constexpr uint64_t Ones = 0x0101010101010101ull;
constexpr uint64_t Low7 = 0x7F7F7F7F7F7F7F7Full;

inline uint64_t Load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// The high bit of every byte of v that is zero, and no other bit.
inline uint64_t ZeroBytes(uint64_t v) {
    return ~(((v & Low7) + Low7) | v | Low7);
}

// Index of the lowest marked byte (the byte at the lowest address: rows are read little-endian).
inline size_t FirstByte(uint64_t marks) {
    return static_cast<size_t>(__builtin_ctzll(marks)) / 8;
}

} // namespace

// A sequence starts at p. When the next byte repeats the first one, the sequence is a run: it
// takes equal bytes up to 128 of them. Otherwise it is a literal: it takes bytes until the row
// ends, it holds 128 bytes, or three equal bytes begin; a pair of equal bytes followed by a
// different one stays in the literal.
size_t PackRow(const uint8_t* row, size_t n, uint8_t* out) {
    static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__,
                  "rows are scanned as little-endian words");
    uint8_t* start = out;
    size_t p = 0;
    while (p < n) {
        const uint8_t cur = row[p];
        if (p + 1 < n && row[p + 1] == cur) {
            const size_t limit = n - p < 128 ? n - p : 128;
            size_t run = 2;
            const uint64_t repeated = cur * Ones;
            for (;;) {
                if (run + 8 <= limit) {
                    uint64_t differ = Load64(row + p + run) ^ repeated;
                    if (differ == 0) {
                        run += 8;
                        continue;
                    }
                    run += static_cast<size_t>(__builtin_ctzll(differ)) / 8;
                    break;
                }
                while (run < limit && row[p + run] == cur)
                    run += 1;
                break;
            }
            *out++ = static_cast<uint8_t>(257 - run);
            *out++ = cur;
            p += run;
            continue;
        }
        // Literal: row[p] and row[p + 1] differ (or p is the last byte). Three equal bytes from
        // end - 1 on end it before end - 1.
        const size_t limit = n - p < 128 ? n : p + 128;
        size_t end = p + 1;
        bool triple = false;
        while (end + 8 <= limit && end + 9 <= n) {
            const uint64_t here = Load64(row + end);
            const uint64_t marks =
                ZeroBytes(here ^ Load64(row + end - 1)) & ZeroBytes(here ^ Load64(row + end + 1));
            if (marks != 0) {
                end += FirstByte(marks);
                triple = true;
                break;
            }
            end += 8;
        }
        if (!triple) {
            while (end < limit) {
                if (row[end] == row[end - 1] && end + 1 < n && row[end + 1] == row[end]) {
                    triple = true;
                    break;
                }
                end += 1;
            }
        }
        if (triple)
            end -= 1;
        const size_t lit = end - p;
        *out++ = static_cast<uint8_t>(lit - 1);
        std::memcpy(out, row + p, lit);
        out += lit;
        p = end;
    }
    return static_cast<size_t>(out - start);
}
