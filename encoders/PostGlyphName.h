// Whether a TrueType font's 'post' table gives a glyph a PostScript name. A printer driver that
// sends glyphs to a PostScript printer by name shows nothing for a glyph the table leaves
// nameless, so such a glyph is printed as its outline instead.
#pragma once

#include <cstddef>
#include <cstdint>

// True when the 'post' table post[0..size) (big-endian, as the font file holds it) names glyph
// `glyph`: format 1 names the first 258 glyphs with the standard Macintosh names; format 2 names
// each of its glyphs by an index below 258 (a standard name) or into its own list of non-empty
// Pascal strings. False for every other format, a glyph past the table's count, an index past
// the table's strings, an empty string, and a table cut short.
bool PostGlyphNamed(const uint8_t* post, size_t size, uint16_t glyph);
