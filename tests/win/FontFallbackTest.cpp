// Lines drawn with characters from linked fonts: right-to-left words whose letters come from two
// fonts stand in the order a reader of the line sees, as one font would show them.
#include <gtest/gtest.h>

#include <string>

#include "tests/win/TestBed.h"
#include "views/FontFallback.h"

namespace {

struct DrawnLine {
    ClientPixels pixels;
    bool primaryHasAll = false; // the selected font has every character of the line
    int inkRight = -1;          // the rightmost column with ink
};

// The line drawn black on white from the left edge in DejaVu Sans Mono, which has Arabic but not
// Hebrew: Hebrew letters come from a linked font.
DrawnLine Draw(const std::wstring& line) {
    DrawnLine drawn;
    const int width = 400, height = 40;
    drawn.pixels = DrawnPixels(width, height, [&](HDC dc) {
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        HFONT font = CreateFontW(-20, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET,
                                 OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY,
                                 DEFAULT_PITCH, L"DejaVu Sans Mono");
        HGDIOBJ old = SelectObject(dc, font);
        SetTextColor(dc, RGB(0, 0, 0));
        SetBkMode(dc, TRANSPARENT);
        FontFallback fallback;
        OpenFontFallback(&fallback, dc);
        drawn.primaryHasAll = FontHasAll(&fallback, line.c_str(), line.size());
        DrawLineWithFallback(&fallback, 0, 0, all, line.c_str(), line.size());
        CloseFontFallback(&fallback);
        SelectObject(dc, old);
        DeleteObject(font);
    });
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y)
            drawn.inkRight =
                drawn.pixels.rgb[size_t(y * width + x)] != 0xFFFFFF ? x : drawn.inkRight;
    return drawn;
}

// True when `part`'s inked columns stand in `line` from column `at` on, pixel for pixel.
bool StandsAt(const DrawnLine& line, const DrawnLine& part, int at) {
    if (at < 0 || part.inkRight < 0 || at + part.inkRight >= line.pixels.width)
        return false;
    for (int y = 0; y < part.pixels.height; ++y)
        for (int x = 0; x <= part.inkRight; ++x)
            if (line.pixels.rgb[size_t(y * line.pixels.width + at + x)] !=
                part.pixels.rgb[size_t(y * part.pixels.width + x)])
                return false;
    return true;
}

// The first column where `part` stands in `line`, or -1.
int Where(const DrawnLine& line, const DrawnLine& part) {
    for (int at = 0; at < line.pixels.width; ++at)
        if (StandsAt(line, part, at))
            return at;
    return -1;
}

TEST(FontFallbackTest, RightToLeftWordsOfTwoFontsStandInReadingOrder) {
    const std::wstring hebrewWord = L"\u05e9\u05dc\u05d5\u05dd";
    const std::wstring arabicWord = L"\u0645\u0631\u062d\u0628\u0627";
    const DrawnLine hebrew = Draw(hebrewWord);
    const DrawnLine arabic = Draw(arabicWord);
    ASSERT_FALSE(hebrew.primaryHasAll);
    ASSERT_TRUE(arabic.primaryHasAll);
    // The Hebrew word before the Arabic one, between left-to-right words: the two read from the
    // right as one right-to-left phrase, so the Hebrew word stands right of the Arabic one.
    const DrawnLine line = Draw(L"ab " + hebrewWord + L" \u00b7 " + arabicWord + L" cd");
    const int hebrewAt = Where(line, hebrew);
    const int arabicAt = Where(line, arabic);
    ASSERT_NE(-1, hebrewAt);
    ASSERT_NE(-1, arabicAt);
    EXPECT_LT(arabicAt, hebrewAt);
}

} // namespace
