// Breaks text into the lines it is printed in: at its line breaks, and between words wherever a
// line would pass the given width. A word wider than the whole line is split between characters
// so that no part of it runs off the page. No <windows.h>: the width of a piece of text comes
// from the caller's measure function.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// One line: `length` code units from `start`, without the break or the spaces it was broken at.
struct TextLine {
    size_t start;
    size_t length;
};

// The width of text[0..length) in the caller's units.
typedef int64_t (*MeasureText)(void* context, const uint16_t* text, size_t length);

// The lines of text[0..length) (a zero code unit also ends it) for a line `width` wide. Line
// breaks are CR LF, LF or CR; text ending in a break gets no empty line after it. Spaces at a
// line's start after a word break are skipped; spaces at a paragraph's start are kept.
std::vector<TextLine> BreakTextLines(const uint16_t* text, size_t length, int64_t width,
                                     MeasureText measure, void* context);
