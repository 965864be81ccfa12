// Whether a TrueType font's 'post' table gives a glyph an empty PostScript name. A printer
// driver that sends glyphs to a PostScript printer by the font's own names shows nothing for
// such a glyph (some tools leave part of an emoji font's glyphs named so), so it is printed as
// its outline instead. A glyph the table does not name at all gets a name made up by the driver.
#pragma once

#include <cstddef>
#include <cstdint>

// True only when the 'post' table post[0..size) (big-endian, as the font file holds it) is of
// format 2 and gives glyph `glyph` one of its own strings, and that string is empty. False for
// a standard name (format 1, or an index below 258), for the formats that name no glyph, for a
// glyph past the table's count or an index past its strings, and for a table cut short.
bool PostGlyphNameIsEmpty(const uint8_t* post, size_t size, uint16_t glyph);
