// "Text to bitmap": the page added to the clipboard with Ctrl+B and the pages saved through the
// Save as commands in a text view, checked against a page drawn independently of the program and
// against what the text view itself shows; a page that cannot be made is reported.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>

#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"
#include "views/ClipboardView.h"
#include "views/TextToBitmap.h"

namespace {

class TextToBitmapTest : public MainWindowFixture {
  protected:
    // Puts the text on the clipboard as another program would and sets the colours.
    void PlaceText(UINT format, const std::string& text, bool blackOnWhite) {
        ASSERT_TRUE(Place(ClipSource::Text(format, text)));
        ASSERT_EQ(format == CF_OEMTEXT ? ViewOemText : ViewAnsiText, app.view);
        app.blackOnWhite = blackOnWhite ? 1 : 0;
    }
};

const uint32_t black = 0x000000;
const uint32_t white = 0xFFFFFF;

// The depth a page must have on this display.
int PageDepth() {
    return DisplayBits() <= 8 ? 1 : DisplayBits();
}

int Count(const RgbImage& image, uint32_t colour) {
    return int(std::count(image.rgb.begin(), image.rgb.end(), colour));
}

// Pixels where the window-sized part of the view differs from the page at the offsets.
int ViewDifferences(const ClientPixels& view, const RgbImage& page, int offsetX, int offsetY) {
    int different = 0;
    for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
            COLORREF c = view.At(x, y);
            uint32_t rgb =
                uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
            different += rgb != page.At(offsetX + x, offsetY + y) ? 1 : 0;
        }
    }
    return different;
}

struct PageCase {
    const char* what;
    UINT format;
    int font;
    std::string text;
    bool blackOnWhite;
    int position; // scroll position of the view compared on both axes
};

const PageCase pageCases[] = {
    {"ANSI, black on white", CF_TEXT, SYSTEM_FONT, "A&B\tC\r\nsecond line", true, 0},
    {"ANSI, white on black", CF_TEXT, SYSTEM_FONT, "A&B\tC\r\nsecond line", false, 0},
    {"OEM, black on white", CF_OEMTEXT, OEM_FIXED_FONT, "x\ty&z\r\n\r\nthird", true, 0},
    {"OEM, white on black", CF_OEMTEXT, OEM_FIXED_FONT, "x\ty&z\r\n\r\nthird", false, 0},
    {"ANSI, cut at the right and bottom edges", CF_TEXT, SYSTEM_FONT, LongText(), true, 8},
    {"OEM, cut at the edges, white on black", CF_OEMTEXT, OEM_FIXED_FONT, LongText(), false, 8},
};

TEST_F(TextToBitmapTest, CtrlBAddsThePageOfTheTextViewBesideTheText) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    for (const PageCase& c : pageCases) {
        SCOPED_TRACE(c.what);
        ASSERT_NO_FATAL_FAILURE(PlaceText(c.format, c.text, c.blackOnWhite));
        // What the text view shows, before the page exists.
        SetScrollPos(app.mainWindow, SB_HORZ, c.position, TRUE);
        SetScrollPos(app.mainWindow, SB_VERT, c.position, TRUE);
        ClientPixels view = Pixels();
        int offsetX = app.viewOffsetX;
        int offsetY = app.viewOffsetY;
        ASSERT_EQ(ViewOffset(width, client.right, c.position), offsetX);
        std::vector<UINT> before = ClipboardFormats();
        ASSERT_FALSE(std::count(before.begin(), before.end(), UINT(CF_BITMAP)));

        ResetFeedback();
        Command(CmdTextToBitmap);
        EXPECT_EQ(0, feedback.count) << feedback.events[0].text;

        // The text formats stay; the bitmap and palette are added (the system may offer the
        // bitmap as a DIB too).
        std::vector<UINT> after = ClipboardFormats();
        for (UINT format : before) {
            EXPECT_TRUE(std::count(after.begin(), after.end(), format)) << format;
        }
        EXPECT_TRUE(std::count(after.begin(), after.end(), UINT(CF_BITMAP)));
        EXPECT_TRUE(std::count(after.begin(), after.end(), UINT(CF_PALETTE)));
        for (UINT format : after) {
            bool known = std::count(before.begin(), before.end(), format) || format == CF_BITMAP ||
                         format == CF_PALETTE || format == CF_DIB || format == CF_DIBV5;
            EXPECT_TRUE(known) << "unexpected format " << format << " in " << FormatList(after);
        }

        HBITMAP bitmap = nullptr;
        HPALETTE palette = nullptr;
        ClipboardHandles(&bitmap, &palette);
        ASSERT_NE(nullptr, bitmap);
        EXPECT_EQ(PageDepth(), BitmapDepth(bitmap));
        std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
        ASSERT_EQ(2u, entries.size());
        EXPECT_EQ(0,
                  entries[0].peRed | entries[0].peGreen | entries[0].peBlue | entries[0].peFlags);
        EXPECT_EQ(255, entries[1].peRed & entries[1].peGreen & entries[1].peBlue);
        EXPECT_EQ(0, entries[1].peFlags);

        int depth = 0;
        RgbImage page = ClipboardRgb(&depth);
        ASSERT_EQ(width, page.width);
        ASSERT_EQ(height, page.height);
        // Only black and white, both of them.
        int paper = Count(page, c.blackOnWhite ? white : black);
        int ink = Count(page, c.blackOnWhite ? black : white);
        EXPECT_EQ(width * height, paper + ink);
        EXPECT_GT(ink, 100);
        EXPECT_EQ(c.blackOnWhite ? white : black, page.At(width - 1, height - 1));
        EXPECT_EQ("", FirstDifference(page, ExpectedTextPage(c.text, c.font, c.blackOnWhite)));
        EXPECT_EQ(0, ViewDifferences(view, page, offsetX, offsetY));
    }
}

TEST_F(TextToBitmapTest, CtrlBPlacesAPageTheViewerIsToldAbout) {
    PlaceText(CF_TEXT, "notified", true);
    TestViewer viewer;
    JoinViewer(viewer);
    int draws = viewer.drawCount;
    Command(CmdTextToBitmap);
    EXPECT_EQ(draws + 1, viewer.drawCount);
    LeaveViewer(viewer);
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&bitmap, &palette);
    EXPECT_NE(nullptr, bitmap);
}

struct SaveKind {
    unsigned command;
    const char* format;
    const char* extension;
    unsigned compressionCommand; // 0: none to choose
    const char* compression;
};

const SaveKind saveKinds[] = {
    {CmdSaveBmp, "bmp", "bmp", 0, "-"},
    {CmdSaveGif, "gif", "gif", 0, "-"},
    {CmdSavePcx, "pcx", "pcx", 0, "-"},
    {CmdSaveTif, "tif", "tif", CmdTifNone, "none"},
    {CmdSaveTif, "tif", "tif", CmdTifLzw16k, "lzw16k"},
    {CmdSaveTif, "tif", "tif", CmdTifPackBits, "packbits"},
    {CmdSavePng, "png", "png", 0, "-"},
};

uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 |
                                    uint32_t(b[at + 2]) << 16 | uint32_t(b[at + 3]) << 24
                              : 0;
}

// The pages saved in every format decode, in the independent decoders, to the page drawn
// independently; the clipboard keeps only its text.
TEST_F(TextToBitmapTest, SavedPagesDecodeToThePage) {
    SavedFiles saved;
    const struct {
        UINT format;
        int font;
        bool blackOnWhite;
        const char* name;
    } texts[] = {{CF_TEXT, SYSTEM_FONT, true, "ansi-bw"},
                 {CF_OEMTEXT, OEM_FIXED_FONT, false, "oem-wb"}};
    const std::string text = "Saved & drawn\tas it is\r\n" + std::string(200, 'M') + "\r\nlast";
    int display = DisplayBits();
    int written = display <= 8 ? 1 : 24;
    for (const auto& t : texts) {
        RgbImage expected = ExpectedTextPage(text, t.font, t.blackOnWhite);
        std::string ppm;
        for (const SaveKind& kind : saveKinds) {
            std::string what = std::string(t.name) + " as " + kind.format + " " + kind.compression;
            SCOPED_TRACE(what);
            PlaceText(t.format, text, t.blackOnWhite);
            std::vector<UINT> before = ClipboardFormats();
            if (kind.compressionCommand != 0) {
                Command(kind.compressionCommand);
            }
            std::string file = std::string("text-page-") + t.name + "-" + kind.format + "-" +
                               kind.compression + "-" + std::to_string(display) + "." +
                               kind.extension;
            std::string path = saved.PathOf(file);
            DeleteFileA(path.c_str());
            ResetFeedback();
            ASSERT_TRUE(ThroughFileDialog(kind.command, path));
            EXPECT_EQ(before, ClipboardFormats());
            EXPECT_EQ(nullptr, GetOpenClipboardWindow());
            EXPECT_EQ(0, feedback.count) << feedback.events[0].text;
            std::vector<uint8_t> bytes = ReadFileBytes(path);
            ASSERT_GT(bytes.size(), 100u);
            int fileDepth = written;
            if (std::string(kind.format) == "gif" && display > 8) {
                // A page of the display's depth has two colours: a GIF of exactly them, with a
                // table of two entries.
                EXPECT_EQ(0x80, bytes[10] & 0x87);
                fileDepth = 8;
            }
            if (std::string(kind.format) == "bmp") {
                // A BMP keeps a 32-bit page at 32 bits.
                fileDepth = display == 32 ? 32 : written;
                EXPECT_EQ(uint32_t(expected.width), U32(bytes, 18));
                EXPECT_EQ(uint32_t(expected.height), U32(bytes, 22));
                EXPECT_EQ(fileDepth, int(bytes[28]));
                if (fileDepth == 1) {
                    // Entry 0 black, entry 1 white.
                    EXPECT_EQ(0u, U32(bytes, 54) & 0xFFFFFF);
                    EXPECT_EQ(0xFFFFFFu, U32(bytes, 58) & 0xFFFFFF);
                }
            }
            if (std::string(kind.format) == "png") {
                // A monochrome page is a palette PNG of its two colours, a display page RGB.
                EXPECT_EQ(written == 1 ? 3 : 2, int(bytes[25]));
                EXPECT_EQ(written == 1 ? 1 : 8, int(bytes[24]));
            }
            EXPECT_TRUE(saved.Add(file, kind.format, fileDepth, kind.compression, expected,
                                  fileDepth == 1   ? "bw"
                                  : fileDepth == 8 ? "color"
                                                   : "rgb",
                                  std::string("text page, display ") + std::to_string(display),
                                  ppm));
            if (ppm.empty()) {
                ppm = file + ".ppm"; // the files of one page share one list of colours
            }
        }
    }
}

// A page that cannot be created (a screen too large for memory) is reported, and nothing is
// placed or written.
TEST_F(TextToBitmapTest, APageThatCannotBeMadeIsReported) {
    PlaceText(CF_TEXT, "too large", true);
    std::string folder = FreshTempFolder("text-page-failed");
    std::string path = folder + "\\kept.bmp";
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    ASSERT_TRUE(WriteFileBytes(path, old));
    strcpy(app.chosenFileName, path.c_str());
    for (FileKind kind : {FileKindClipboard, FileKindBmp}) {
        SCOPED_TRACE(kind);
        std::vector<UINT> before = ClipboardFormats();
        ResetFeedback();
        EXPECT_EQ(TextPageFailed, TextToBitmapSized(kind, 1000000, 1000000));
        PumpMessages();
        EXPECT_EQ("", BeepThenBox("ERROR", "Cannot make a bitmap of the text."));
        EXPECT_EQ(before, ClipboardFormats());
        EXPECT_EQ(old, ReadFileBytes(path));
    }
    // The same page at the screen's size is made.
    ResetFeedback();
    EXPECT_EQ(1, TextToBitmap(FileKindClipboard));
    EXPECT_EQ(0, feedback.count);
}

// Kinds that are neither the clipboard nor an image file do nothing.
TEST_F(TextToBitmapTest, OtherKindsDoNothing) {
    PlaceText(CF_TEXT, "nothing", true);
    std::vector<UINT> before = ClipboardFormats();
    DWORD sequence = GetClipboardSequenceNumber();
    ResetFeedback();
    EXPECT_EQ(0, TextToBitmap(FileKindTxt));
    EXPECT_EQ(0, TextToBitmap(FileKind(123)));
    PumpMessages();
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(before, ClipboardFormats());
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
}

} // namespace
