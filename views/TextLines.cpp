#include "views/TextLines.h"

namespace {

bool IsBreak(uint16_t c) {
    return c == '\r' || c == '\n';
}

// The end of the longest prefix of text[start..end) that fits the width, at least one unit.
// The prefix doubles until it no longer fits, then the bound is halved: a long word costs
// measurements of about its fitting part, not of the whole rest of the paragraph.
size_t FittingUnits(const uint16_t* text, size_t start, size_t end, int64_t width,
                    MeasureText measure, void* context) {
    size_t low = start + 1; // fits, or is the one unit a line must take
    size_t high = end;      // the answer is at most this
    while (low < high) {
        size_t probe = start + 2 * (low - start);
        if (probe > high)
            probe = high;
        if (measure(context, text + start, probe - start) > width) {
            high = probe - 1;
            break;
        }
        low = probe;
    }
    while (low < high) {
        size_t mid = low + (high - low + 1) / 2;
        if (measure(context, text + start, mid - start) <= width)
            low = mid;
        else
            high = mid - 1;
    }
    return low;
}

// Breaks one paragraph text[start..end) (no line breaks inside) into lines.
void BreakParagraph(const uint16_t* text, size_t start, size_t end, int64_t width,
                    MeasureText measure, void* context, std::vector<TextLine>* lines) {
    if (start == end) {
        lines->push_back(TextLine{start, 0});
        return;
    }
    size_t lineStart = start;
    while (lineStart < end) {
        // The last word end that still fits: every position that ends a word is a candidate.
        size_t fits = lineStart;
        for (size_t i = lineStart + 1; i <= end; ++i) {
            bool wordEnd = (i == end || text[i] == ' ') && text[i - 1] != ' ';
            if (!wordEnd)
                continue;
            if (measure(context, text + lineStart, i - lineStart) > width)
                break;
            fits = i;
        }
        if (fits == lineStart)
            fits = FittingUnits(text, lineStart, end, width, measure, context);
        lines->push_back(TextLine{lineStart, fits - lineStart});
        lineStart = fits;
        while (lineStart < end && text[lineStart] == ' ')
            ++lineStart;
    }
}

} // namespace

std::vector<TextLine> BreakTextLines(const uint16_t* text, size_t length, int64_t width,
                                     MeasureText measure, void* context) {
    std::vector<TextLine> lines;
    size_t end = 0;
    while (end < length && text[end] != 0)
        ++end;
    size_t pos = 0;
    while (pos < end) {
        size_t paragraphEnd = pos;
        while (paragraphEnd < end && !IsBreak(text[paragraphEnd]))
            ++paragraphEnd;
        BreakParagraph(text, pos, paragraphEnd, width, measure, context, &lines);
        pos = paragraphEnd;
        if (pos < end && text[pos] == '\r' && pos + 1 < end && text[pos + 1] == '\n')
            pos += 2;
        else if (pos < end)
            pos += 1;
    }
    return lines;
}
