// The clipboard's native format, from enumerations as current systems list them and as the
// older system listed them, and from the live clipboard after real placements.
#include <gtest/gtest.h>

#include "platform/ClipboardAccess.h"
#include "shell/Shell.h"
#include "tests/win/TestBed.h"

namespace {

constexpr UINT Private = 0xC123; // stands for any registered format

struct ListCase {
    const char* what;
    std::vector<UINT> listed; // as EnumClipboardFormats lists them
    UINT expected;            // after the CF_TEXT / CF_OEMTEXT exchange
};

TEST(ProbeFormatList, GivesWhatThePlacementOrderGives) {
    const ListCase cases[] = {
        {"empty", {}, 0},
        {"CF_TEXT placed, system adds locale, OEM and Unicode", {1, 16, 7, 13}, CF_TEXT},
        {"CF_OEMTEXT placed", {7, 16, 1, 13}, CF_OEMTEXT},
        {"CF_UNICODETEXT placed alone counts as ANSI text", {13, 16, 1, 7}, CF_TEXT},
        {"CF_BITMAP placed", {2, 8, 17}, CF_BITMAP},
        {"CF_DIB placed", {8, 2, 17}, CF_DIB},
        {"CF_DIBV5 placed alone counts as CF_DIB", {17, 8, 2}, CF_DIB},
        {"palette placed before the bitmap", {9, 2, 8, 17}, CF_BITMAP},
        {"palette placed after the bitmap", {2, 9, 8, 17}, CF_BITMAP},
        {"trailing palette after text", {1, 16, 9, 7, 13}, CF_TEXT},
        {"palette alone", {9}, 0},
        {"private alone", {Private}, Private},
        {"private after CF_DIB", {8, Private, 2, 17}, Private},
        {"private after CF_TEXT: the derived OEM text comes last",
         {1, 16, Private, 7, 13},
         CF_TEXT},
        {"text then bitmap: the derived OEM text still comes last",
         {1, 16, 2, 7, 13, 8, 17},
         CF_TEXT},
        {"bitmap then OEM text", {2, 7, 16, 8, 17, 1, 13}, CF_OEMTEXT},
        {"locale placed before the text", {16, 1, 7, 13}, CF_TEXT},
        {"locale alone is a format like any other", {16}, 16},
        {"older list: CF_TEXT then derived CF_OEMTEXT", {1, 7}, CF_TEXT},
        {"older list: CF_OEMTEXT then derived CF_TEXT", {7, 1}, CF_OEMTEXT},
        {"older list: text, palette, derived OEM text", {1, 9, 7}, CF_TEXT},
        {"older list: CF_BITMAP alone", {2}, CF_BITMAP},
        {"metafile siblings", {14, 3}, 14},
    };
    for (const ListCase& c : cases) {
        EXPECT_EQ(c.expected, ProbeFormatList(c.listed.data(), static_cast<int>(c.listed.size())))
            << c.what << " [" << FormatList(c.listed) << "]";
    }
}

struct PlacedCase {
    std::vector<UINT> placed;
    UINT expected;
};

// Real placements on this system's clipboard, probed through EnumClipboardFormats.
TEST(ProbeClipboardFormat, LiveClipboard) {
    const UINT priv = PrivateFormat();
    const PlacedCase cases[] = {
        {{CF_TEXT}, CF_TEXT},
        {{CF_OEMTEXT}, CF_OEMTEXT},
        {{CF_UNICODETEXT}, CF_TEXT},
        {{CF_BITMAP}, CF_BITMAP},
        {{CF_DIB}, CF_DIB},
        {{CF_BITMAP, CF_PALETTE}, CF_BITMAP},
        {{CF_PALETTE, CF_BITMAP}, CF_BITMAP},
        {{CF_TEXT, CF_PALETTE}, CF_TEXT},
        {{CF_DIB, priv}, priv},
        {{CF_TEXT, priv}, CF_TEXT},
        {{CF_PALETTE}, 0},
        {{}, 0},
    };
    HWND other = OtherAppWindow();
    for (const PlacedCase& c : cases) {
        ASSERT_TRUE(PlaceFormats(other, c.placed)) << FormatList(c.placed);
        std::vector<UINT> listed = ClipboardFormats();
        UINT probed = 0;
        {
            ClipboardScope clipboard(other);
            ASSERT_TRUE(clipboard.IsOpen());
            probed = ProbeClipboardFormat();
        }
        EXPECT_EQ(c.expected, probed)
            << "placed [" << FormatList(c.placed) << "], listed [" << FormatList(listed) << "]";
    }
    EmptyClipboardAs(other);
}

} // namespace
