// The status caption: the window title while a rectangle exists, with the rectangle's size and
// corners in image pixels.
#pragma once

#include <stddef.h>
#include <stdint.h>

// Rewrites app.statusCaption from app.rectImage; the caller then makes it the window title.
void UpdateStatusCaption();

// Fills `caption` from the identity's template ("Width:000  Height:000  UL:000, 000  LR:000,
// 000   Palorin") with the six values in the order width, height, UL x, UL y, LR x, LR y. Each
// of the template's three-digit fields takes every digit of its value, at least three
// (zero-padded), with a minus sign in front of a negative one; the rest of the template stays.
void FormatStatusCaption(const char* captionTemplate, const int64_t values[6], char* caption,
                         size_t size);
