// Unicode text from another program (CF_UNICODETEXT) in the ANSI view and on the page of "Text
// to bitmap": every script shows its glyphs, not "?" and not the empty box of a missing glyph,
// in both colour schemes; a block without its terminating NUL is read only within its size.
#include <gtest/gtest.h>

#include <stdio.h>

#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"
#include "tests/win/UnicodeSamples.h"

namespace {

class UnicodeTextTest : public MainWindowFixture {
  protected:
    // Places the text as another program would, in the ANSI view with the given colours, and
    // reads what the view shows.
    ClientPixels Shown(const std::wstring& text, bool blackOnWhite = true) {
        EXPECT_TRUE(Place(UnicodeSource(text)));
        EXPECT_EQ(ViewAnsiText, app.view);
        app.blackOnWhite = blackOnWhite ? 1 : 0;
        return Pixels();
    }
};

uint32_t Rgb(COLORREF c) {
    return uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// Pixels where the view differs from the top-left part of the page.
int Differences(const ClientPixels& view, const RgbImage& page) {
    int different = 0;
    for (int y = 0; y < view.height && y < page.height; ++y)
        for (int x = 0; x < view.width && x < page.width; ++x)
            different += Rgb(view.At(x, y)) != page.At(x, y) ? 1 : 0;
    return different;
}

// Pixels of the ink colour (the text colour of the scheme).
int Ink(const ClientPixels& view, bool blackOnWhite) {
    uint32_t ink = blackOnWhite ? 0x000000 : 0xFFFFFF;
    int count = 0;
    for (int y = 0; y < view.height; ++y)
        for (int x = 0; x < view.width; ++x)
            count += Rgb(view.At(x, y)) == ink ? 1 : 0;
    return count;
}

// The characters of a sample, a surrogate pair as one.
std::vector<std::wstring> Characters(const std::wstring& text) {
    std::vector<std::wstring> characters;
    for (size_t i = 0; i < text.size(); ++i) {
        bool pair = text[i] >= 0xD800 && text[i] <= 0xDBFF && i + 1 < text.size();
        characters.push_back(text.substr(i, pair ? 2 : 1));
        i += pair ? 1 : 0;
    }
    return characters;
}

// Each script in both colour schemes differs from a page of as many "?" as it has characters,
// which is what the ANSI text of it would show.
TEST_F(UnicodeTextTest, EveryScriptShowsOtherThanQuestionMarks) {
    for (bool blackOnWhite : {true, false}) {
        for (const ScriptSample& sample : ScriptSamples()) {
            SCOPED_TRACE(std::string(sample.script) + (blackOnWhite ? "" : ", white on black"));
            std::string marks(Characters(sample.text).size(), '?');
            RgbImage questionPage = ExpectedTextPage(marks, SYSTEM_FONT, blackOnWhite);
            ClientPixels view = Shown(sample.text, blackOnWhite);
            EXPECT_GT(Differences(view, questionPage), 20);
            EXPECT_GT(Ink(view, blackOnWhite), 20);
        }
    }
}

// Every character alone has ink, and differs from the box a character no font has is drawn as
// (U+0378, unassigned) and from a "?".
TEST_F(UnicodeTextTest, EveryCharacterHasItsGlyph) {
    ClientPixels missing = Shown(L"\u0378");
    RgbImage question = ExpectedTextPage("?", SYSTEM_FONT, true);
    for (const ScriptSample& sample : ScriptSamples()) {
        for (const std::wstring& character : Characters(sample.text)) {
            if (character == L" ")
                continue;
            char code[16];
            snprintf(code, sizeof code, " U+%04X", unsigned(character[0]));
            SCOPED_TRACE(std::string(sample.script) + code);
            ClientPixels view = Shown(character);
            EXPECT_GT(Ink(view, true), 8);
            EXPECT_GT(Differences(view, question), 8);
            int differentFromBox = 0;
            for (size_t i = 0; i < view.rgb.size() && i < missing.rgb.size(); ++i)
                differentFromBox += view.rgb[i] != missing.rgb[i] ? 1 : 0;
            EXPECT_GT(differentFromBox, 8);
        }
    }
}

// Ctrl+B puts the page of what the view shows on the clipboard: the glyphs, not "?".
TEST_F(UnicodeTextTest, TextToBitmapShowsTheGlyphsOfTheView) {
    std::wstring text;
    size_t characters = 0;
    for (const ScriptSample& sample : ScriptSamples()) {
        text += sample.text + L" ";
        characters += Characters(sample.text).size() + 1;
    }
    ClientPixels view = Shown(text);
    Command(CmdTextToBitmap);
    RgbImage page = ClipboardRgb();
    ASSERT_EQ(GetSystemMetrics(SM_CXSCREEN), page.width);
    EXPECT_EQ(0, Differences(view, page));
    EXPECT_GT(Differences(view, ExpectedTextPage(std::string(characters, '?'), SYSTEM_FONT, true)),
              100);
}

// A block another program left without its terminating NUL, of odd size: only its whole units
// are read ("AB"; the lone last byte and whatever lies after the block are not).
TEST_F(UnicodeTextTest, AnUnterminatedOddBlockIsReadWithinItsSize) {
    ASSERT_TRUE(Place({{{CF_UNICODETEXT, GlobalBytes("A\0B\0C", 5)}}}));
    ASSERT_EQ(ViewAnsiText, app.view);
    app.blackOnWhite = 1;
    EXPECT_EQ(0, Differences(Pixels(), ExpectedTextPage("AB", SYSTEM_FONT, true)));
}

} // namespace
