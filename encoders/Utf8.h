// UTF-16 text, as the clipboard holds it in CF_UNICODETEXT, turned into UTF-8 bytes for a
// Unicode TXT file.
#pragma once

#include <cstddef>
#include <cstdint>

// Largest output of Utf16ToUtf8 for `units` code units: a unit of the Basic Multilingual Plane
// and an unpaired surrogate take 3 bytes at most, a surrogate pair 4 bytes for its 2 units.
constexpr size_t Utf8Bound(size_t units) {
    return 3 * units;
}

// Writes text[0..units) as UTF-8 into `out` (room for Utf8Bound(units) bytes) and returns the
// number of bytes written. A zero unit ends the text early and is not written. A high surrogate
// followed by a low one is one character of 4 bytes; a surrogate without its partner becomes
// U+FFFD (EF BF BD), so the output is always valid UTF-8. No byte-order mark is written and
// nothing else is changed (line ends stay as they are).
size_t Utf16ToUtf8(const uint16_t* text, size_t units, uint8_t* out);
