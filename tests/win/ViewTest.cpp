// The painters: the intro, About and System info screens line by line, and the clipboard view
// (a bitmap at its scroll offsets, OEM and ANSI text pages in both colour schemes) read back as
// pixels from the main window.
#include <gtest/gtest.h>

#include <string.h>

#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"
#include "views/ClipboardView.h"
#include "views/InfoScreens.h"

namespace {

using ViewTest = MainWindowFixture;

const COLORREF black = RGB(0, 0, 0);
const COLORREF white = RGB(255, 255, 255);

// Offsets for positions 0..8 of an axis whose image is `excess` pixels larger than the window.
struct OffsetRow {
    int excess;
    int offsets[9];
};
const OffsetRow offsetRows[] = {
    {10, {0, 2, 4, 6, 8, 10, 10, 10, 10}},
    {7, {0, 1, 2, 3, 4, 5, 6, 7, 7}},
    {16, {0, 2, 4, 6, 8, 10, 12, 14, 16}},
    {0, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {1, {0, 1, 1, 1, 1, 1, 1, 1, 1}},
    {800, {0, 100, 200, 300, 400, 500, 600, 700, 800}},
    {801, {0, 101, 202, 303, 404, 505, 606, 707, 801}},
};

TEST(ViewOffset, EightStepsRoundedUpAndStoppedAtTheExcess) {
    for (const OffsetRow& row : offsetRows) {
        for (int position = 0; position <= 8; ++position) {
            EXPECT_EQ(row.offsets[position], ViewOffset(500 + row.excess, 500, position))
                << "excess " << row.excess << " position " << position;
        }
    }
    // An image smaller than the window never moves.
    for (int position = 0; position <= 8; ++position) {
        EXPECT_EQ(0, ViewOffset(100, 500, position));
    }
}

// A display bitmap, white, with a black column at x = lineX, a black row at y = lineY and its
// bottom-right pixel black.
const int lineX = 100;
const int lineY = 60;

HBITMAP MarkedBitmap(int width, int height) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    PatBlt(memory, lineX, 0, 1, height, BLACKNESS);
    PatBlt(memory, 0, lineY, width, 1, BLACKNESS);
    PatBlt(memory, width - 1, height - 1, 1, 1, BLACKNESS);
    SelectObject(memory, old);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

TEST_F(ViewTest, ABitmapAppearsAtItsOffsetsForEveryPosition) {
    const int excessPairs[][2] = {{10, 7}, {7, 16}, {16, 10}};
    for (const auto& pair : excessPairs) {
        const OffsetRow* rowX = nullptr;
        const OffsetRow* rowY = nullptr;
        for (const OffsetRow& row : offsetRows) {
            rowX = row.excess == pair[0] ? &row : rowX;
            rowY = row.excess == pair[1] ? &row : rowY;
        }
        ASSERT_TRUE(rowX != nullptr && rowY != nullptr);
        int width = client.right + pair[0];
        int height = client.bottom + pair[1];
        ASSERT_TRUE(Place(ClipSource::Bitmap(MarkedBitmap(width, height))));
        ASSERT_EQ(ViewBitmap, app.view);
        for (int h : {0, 4, 8}) {
            for (int v : {0, 4, 8}) {
                SCOPED_TRACE(testing::Message() << "excess " << pair[0] << "," << pair[1]
                                                << " positions " << h << "," << v);
                SetScrollPos(app.mainWindow, SB_HORZ, h, TRUE);
                SetScrollPos(app.mainWindow, SB_VERT, v, TRUE);
                ClientPixels pixels = Pixels();
                ASSERT_EQ(client.right, pixels.width);
                int x = rowX->offsets[h];
                int y = rowY->offsets[v];
                EXPECT_EQ(x, app.viewOffsetX);
                EXPECT_EQ(y, app.viewOffsetY);
                EXPECT_EQ(black, pixels.At(lineX - x, 5));
                EXPECT_EQ(white, pixels.At(lineX - x - 1, 5));
                EXPECT_EQ(white, pixels.At(lineX - x + 1, 5));
                EXPECT_EQ(black, pixels.At(5, lineY - y));
                EXPECT_EQ(white, pixels.At(5, lineY - y - 1));
                EXPECT_EQ(white, pixels.At(5, lineY - y + 1));
                // The far corner shows exactly when both offsets reach the excess.
                bool corner = x == pair[0] && y == pair[1];
                EXPECT_EQ(corner ? black : white, pixels.At(client.right - 1, client.bottom - 1));
            }
        }
    }
    // What the screen shows after a real repaint agrees with the printed client area.
    SetScrollPos(app.mainWindow, SB_HORZ, 8, TRUE);
    SetScrollPos(app.mainWindow, SB_VERT, 8, TRUE);
    RepaintMainWindow();
    ClientPixels shown = Pixels(PixelsOnScreen);
    EXPECT_EQ(black, shown.At(client.right - 1, client.bottom - 1));
    EXPECT_EQ(black, shown.At(lineX - 16, 5));
}

TEST_F(ViewTest, NinePositionsOnEachAxisSetTheViewOffsets) {
    ASSERT_TRUE(Place(ClipSource::Bitmap(MarkedBitmap(client.right + 10, client.bottom + 7))));
    for (int h = 0; h <= 8; ++h) {
        for (int v = 0; v <= 8; ++v) {
            PaintClipboardView(h, v);
            EXPECT_EQ(offsetRows[0].offsets[h], app.viewOffsetX) << h << "," << v;
            EXPECT_EQ(offsetRows[1].offsets[v], app.viewOffsetY) << h << "," << v;
        }
    }
}

TEST_F(ViewTest, ABitmapSmallerThanTheWindowStaysAtTheCorner) {
    ASSERT_TRUE(Place(ClipSource::Bitmap(MarkedBitmap(200, 100))));
    SetScrollPos(app.mainWindow, SB_HORZ, 8, TRUE);
    SetScrollPos(app.mainWindow, SB_VERT, 8, TRUE);
    ClientPixels pixels = Pixels();
    EXPECT_EQ(0, app.viewOffsetX);
    EXPECT_EQ(0, app.viewOffsetY);
    EXPECT_EQ(black, pixels.At(lineX, 5));
    EXPECT_EQ(black, pixels.At(199, 99));
    // Outside the bitmap the erased background remains.
    EXPECT_EQ(RGB(192, 192, 192), pixels.At(300, 300));
}

TEST_F(ViewTest, AMonochromeBitmapShowsBlackAndWhite) {
    // Rows of 16 pixels: white on the left half, black on the right, the other way round in
    // the lower half.
    WORD rows[32];
    for (int y = 0; y < 32; ++y) {
        rows[y] = y < 16 ? 0x00FF : 0xFF00; // bytes in memory order: left byte first
    }
    ASSERT_TRUE(Place(ClipSource::Bitmap(CreateBitmap(16, 32, 1, 1, rows))));
    ClientPixels pixels = Pixels();
    EXPECT_EQ(white, pixels.At(2, 2));
    EXPECT_EQ(black, pixels.At(12, 2));
    EXPECT_EQ(black, pixels.At(2, 20));
    EXPECT_EQ(white, pixels.At(12, 20));
}

// ---- Scroll bars ----

TEST(ScrollRequests, EveryRequestFromEveryPosition) {
    for (int from = 0; from <= 8; ++from) {
        EXPECT_EQ(from > 0 ? from - 1 : 0, ScrolledPosition(from, SB_LINELEFT)) << from;
        EXPECT_EQ(from < 8 ? from + 1 : 8, ScrolledPosition(from, SB_LINERIGHT)) << from;
        EXPECT_EQ(0, ScrolledPosition(from, SB_PAGELEFT)) << from;
        EXPECT_EQ(8, ScrolledPosition(from, SB_PAGERIGHT)) << from;
        EXPECT_EQ(from, ScrolledPosition(from, SB_THUMBTRACK)) << from;
        EXPECT_EQ(from, ScrolledPosition(from, SB_ENDSCROLL)) << from;
        EXPECT_EQ(from, ScrolledPosition(from, SB_TOP)) << from;
        for (int thumb = 0; thumb <= 8; ++thumb) {
            EXPECT_EQ(thumb, ScrolledPosition(from, MAKEWPARAM(SB_THUMBPOSITION, thumb)));
        }
    }
}

TEST_F(ViewTest, ScrollBarsMoveAndPaintTheViewAtOnce) {
    ASSERT_TRUE(Place(ClipSource::Bitmap(MarkedBitmap(client.right + 16, client.bottom + 10))));
    const struct {
        UINT message;
        WPARAM request;
        int h;
        int v;
    } steps[] = {
        {WM_HSCROLL, SB_LINELEFT, 0, 0},
        {WM_HSCROLL, SB_LINERIGHT, 1, 0},
        {WM_HSCROLL, SB_PAGERIGHT, 8, 0},
        {WM_HSCROLL, SB_LINERIGHT, 8, 0},
        {WM_VSCROLL, SB_LINEDOWN, 8, 1},
        {WM_VSCROLL, SB_THUMBTRACK | (6 << 16), 8, 1},
        {WM_VSCROLL, SB_THUMBPOSITION | (6 << 16), 8, 6},
        {WM_HSCROLL, SB_PAGELEFT, 0, 6},
        {WM_VSCROLL, SB_PAGEDOWN, 0, 8},
        {WM_VSCROLL, SB_LINEUP, 0, 7},
        {WM_VSCROLL, SB_PAGEUP, 0, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(testing::Message() << step.message << " " << step.request);
        app.viewOffsetX = -1;
        app.viewOffsetY = -1;
        SendMessageA(app.mainWindow, step.message, step.request, 0);
        EXPECT_EQ(step.h, GetScrollPos(app.mainWindow, SB_HORZ));
        EXPECT_EQ(step.v, GetScrollPos(app.mainWindow, SB_VERT));
        // Painted at once, also when the position stayed.
        int x = offsetRows[2].offsets[step.h];
        int y = offsetRows[0].offsets[step.v];
        EXPECT_EQ(x, app.viewOffsetX);
        EXPECT_EQ(y, app.viewOffsetY);
        ClientPixels shown = Pixels(PixelsOnScreen);
        EXPECT_EQ(black, shown.At(lineX - x, 5));
        EXPECT_EQ(white, shown.At(lineX - x + 1, 5));
        EXPECT_EQ(black, shown.At(5, lineY - y));
    }
    // With nothing viewed the bars do not move.
    ASSERT_TRUE(EmptyClipboardAs(other));
    ASSERT_EQ(ViewNone, app.view);
    SendMessageA(app.mainWindow, WM_HSCROLL, SB_PAGERIGHT, 0);
    EXPECT_EQ(0, GetScrollPos(app.mainWindow, SB_HORZ));
}

// ---- Text pages ----

// The window-sized part, at the offsets, of the page as the view must show it
// (DrawExpectedTextPage).
ClientPixels ExpectedPage(const std::string& text, int font, bool blackOnWhite, int offsetX,
                          int offsetY, int clientWidth, int clientHeight) {
    HBITMAP bitmap = DrawExpectedTextPage(text, font, blackOnWhite);
    HDC page = CreateCompatibleDC(nullptr);
    HGDIOBJ oldBitmap = SelectObject(page, bitmap);
    ClientPixels expected = DrawnPixels(clientWidth, clientHeight, [&](HDC target) {
        SetTextColor(target, black);
        SetBkColor(target, white);
        BitBlt(target, 0, 0, clientWidth, clientHeight, page, offsetX, offsetY, SRCCOPY);
    });
    SelectObject(page, oldBitmap);
    DeleteObject(bitmap);
    DeleteDC(page);
    return expected;
}

// Pixels that differ; -1 when the sizes differ or either image is empty (an empty image is
// never a match).
int DifferentPixels(const ClientPixels& a, const ClientPixels& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.empty() || b.rgb.empty()) {
        return -1;
    }
    int count = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        count += a.rgb[i] != b.rgb[i] ? 1 : 0;
    }
    return count;
}

int CountColour(const ClientPixels& pixels, COLORREF colour) {
    int count = 0;
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            count += pixels.At(x, y) == colour ? 1 : 0;
        }
    }
    return count;
}

struct TextCase {
    const char* what;
    UINT format;
    ViewFormat view;
    int font;
    std::string text;
    bool blackOnWhite;
    int h;
    int v;
};

TEST_F(ViewTest, TextPagesInBothFontsAndBothColours) {
    const std::string shortText = "A&B\tC\r\nsecond line";
    const TextCase cases[] = {
        {"ANSI, black on white", CF_TEXT, ViewAnsiText, SYSTEM_FONT, shortText, true, 0, 0},
        {"ANSI, white on black", CF_TEXT, ViewAnsiText, SYSTEM_FONT, shortText, false, 0, 0},
        {"OEM, black on white", CF_OEMTEXT, ViewOemText, OEM_FIXED_FONT, shortText, true, 0, 0},
        {"OEM, white on black", CF_OEMTEXT, ViewOemText, OEM_FIXED_FONT, shortText, false, 0, 0},
        {"ANSI long, scrolled to the far corner", CF_TEXT, ViewAnsiText, SYSTEM_FONT, LongText(),
         true, 8, 8},
        {"OEM long, scrolled halfway", CF_OEMTEXT, ViewOemText, OEM_FIXED_FONT, LongText(), false,
         4, 4},
        {"empty ANSI text, white on black", CF_TEXT, ViewAnsiText, SYSTEM_FONT, "", false, 0, 0},
    };
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (const TextCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(Place(ClipSource::Text(c.format, c.text)));
        ASSERT_EQ(c.view, app.view);
        app.blackOnWhite = c.blackOnWhite ? 1 : 0;
        SetScrollPos(app.mainWindow, SB_HORZ, c.h, TRUE);
        SetScrollPos(app.mainWindow, SB_VERT, c.v, TRUE);
        ClientPixels shown = Pixels();
        int x = ViewOffset(screenWidth, client.right, c.h);
        int y = ViewOffset(screenHeight, client.bottom, c.v);
        EXPECT_EQ(x, app.viewOffsetX);
        EXPECT_EQ(y, app.viewOffsetY);
        ClientPixels expected =
            ExpectedPage(c.text, c.font, c.blackOnWhite, x, y, client.right, client.bottom);
        EXPECT_EQ(0, DifferentPixels(expected, shown));
        // Only the two colours of the page, and the page's own colour at a blank corner.
        COLORREF paper = c.blackOnWhite ? white : black;
        COLORREF ink = c.blackOnWhite ? black : white;
        EXPECT_EQ(client.right * client.bottom,
                  CountColour(shown, paper) + CountColour(shown, ink));
        if (c.text.size() < 30) {
            EXPECT_EQ(paper, shown.At(client.right - 1, client.bottom - 1));
        }
    }
}

TEST_F(ViewTest, TextIsNeitherExpandedNorPrefixedNorWrapped) {
    // The same text drawn with tab expansion or with "&" taken as a prefix looks different.
    const std::string text = "x\ty&z\r\nabc";
    ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, text)));
    ClientPixels shown = Pixels();
    const UINT others[] = {DT_EXPANDTABS, 0};
    for (UINT flags : others) {
        ClientPixels drawn = DrawnPixels(client.right, client.bottom, [&](HDC dc) {
            PatBlt(dc, 0, 0, client.right, client.bottom, WHITENESS);
            SelectObject(dc, GetStockObject(SYSTEM_FONT));
            RECT box = {0, 0, GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1};
            DrawTextA(dc, text.c_str(), -1, &box, flags);
        });
        EXPECT_GT(DifferentPixels(drawn, shown), 0) << "flags " << flags;
    }
    // What it must look like: the page as it is, black on white.
    EXPECT_EQ(
        0, DifferentPixels(ExpectedPage(text, SYSTEM_FONT, true, 0, 0, client.right, client.bottom),
                           shown));
}

// ---- Information screens ----

struct Line {
    int k;
    std::string text;
};

ClientPixels ExpectedScreen(int width, int height, const std::vector<Line>& lines) {
    return DrawnPixels(width, height, [&](HDC dc) {
        RECT all = {0, 0, width, height};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
        SetBkColor(dc, RGB(191, 191, 191));
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        int step = metrics.tmHeight + metrics.tmExternalLeading;
        for (const Line& line : lines) {
            TextOutA(dc, 25, 15 + line.k * step, line.text.data(), int(line.text.size()));
        }
    });
}

std::vector<Line> IntroLines(const std::string& name) {
    bool palorin = name == "Palorin";
    return {
        {0, "Press the PrtSc key to capture the screen to the clipboard,"},
        {1, "and " + name + " will display the captured image in this window."},
        {2, "Minimize this window, and " + name + " will pop up when you"},
        {3, "press PrtSc.  Pull down the File menu to save the entire"},
        {4, "image to disk in BMP, GIF, PCX, or TIF format, or crop a"},
        {5, "rectangular area with the mouse or keyboard before saving."},
        {7, "Press Alt+PrtSc to capture only the currently active window."},
        {8, "Text can be captured from a DOS application and saved in"},
        {9, "ASCII or graphical format."},
        {11, palorin ? "For more information, see PALORIN.DOC, or access Help."
                     : "For more information, refer to the Manual, or access Help."},
    };
}

const char* const titles[2] = {"Mendrival for Windows 95/NT,  v3.0",
                               "Palorin for Windows 95/NT,  v5.0"};

// The resolution line of the 1024 x 768 test screen at the depths Wine reports for it.
std::string TestScreenResolution(int bits) {
    switch (bits) {
    case 8: return "Screen resolution: 1024 x 768 pixels, 256 colors";
    case 16: return "Screen resolution: 1024 x 768 pixels, 32,768 colors";
    case 32: return "Screen resolution: 1024 x 768 pixels";
    default: ADD_FAILURE() << "no test screen has " << bits << " bits"; return "";
    }
}

TEST(InfoScreenText, TheSystemInfoLines) {
    const struct {
        MemoryFigures memory;
        int bits;
        const char* lines[3];
    } cases[] = {
        {{37, 5368709120ull + 1023},
         24,
         {"Memory status: 63% free", "Available RAM: 5242880 KB free",
          "Screen resolution: 1024 x 768 pixels, 16,777,200 colors"}},
        {{0, 1023},
         16,
         {"Memory status: 100% free", "Available RAM: 0 KB free",
          "Screen resolution: 1024 x 768 pixels, 32,768 colors"}},
        {{100, 4096},
         8,
         {"Memory status: 0% free", "Available RAM: 4 KB free",
          "Screen resolution: 1024 x 768 pixels, 256 colors"}},
        {{5, 0},
         32,
         {"Memory status: 95% free", "Available RAM: 0 KB free",
          "Screen resolution: 1024 x 768 pixels"}},
    };
    for (const auto& c : cases) {
        char line6[160];
        char line7[160];
        char line8[160];
        SystemInfoLines(c.memory, 1024, 768, c.bits, line6, line7, line8);
        EXPECT_STREQ(c.lines[0], line6);
        EXPECT_STREQ(c.lines[1], line7);
        EXPECT_STREQ(c.lines[2], line8);
    }
    const struct {
        int bits;
        const char* suffix;
    } suffixes[] = {{1, ", monochrome"},         {2, ""},  {4, ", 16 colors"},
                    {8, ", 256 colors"},         {15, ""}, {16, ", 32,768 colors"},
                    {24, ", 16,777,200 colors"}, {32, ""}};
    for (const auto& s : suffixes) {
        EXPECT_EQ(std::string(s.suffix), ColourSuffix(s.bits)) << s.bits;
    }
}

TEST_F(ViewTest, InformationScreensOfBothIdentitiesLineByLine) {
    const char* const names[2] = {"Mendrival", "Palorin"};
    const MemoryFigures memory = {42, 123456789ull * 1024};
    ASSERT_TRUE(OnTestScreen());
    int width = client.right;
    int height = client.bottom;
    auto paint = [&](void (*painter)(HDC, int), int variant) {
        return DrawnPixels(width, height, [&](HDC dc) {
            RECT all = {0, 0, width, height};
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            painter(dc, variant);
        });
    };
    for (int variant = 0; variant < 2; ++variant) {
        SCOPED_TRACE(names[variant]);
        EXPECT_EQ(0, DifferentPixels(ExpectedScreen(width, height, IntroLines(names[variant])),
                                     paint(PaintIntroScreenAs, variant)));
        EXPECT_EQ(0, DifferentPixels(ExpectedScreen(width, height, {{0, titles[variant]}}),
                                     paint(PaintAboutScreenAs, variant)));
        // Painted into a memory context, which names the display's depth.
        ClientPixels info = DrawnPixels(width, height, [&](HDC dc) {
            RECT all = {0, 0, width, height};
            FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
            PaintSystemInfoScreenAs(dc, variant, memory);
        });
        std::string resolution = TestScreenResolution(ExpectedDisplayBits());
        ClientPixels expected = ExpectedScreen(width, height,
                                               {{0, titles[variant]},
                                                {6, "Memory status: 58% free"},
                                                {7, "Available RAM: 123456789 KB free"},
                                                {8, resolution}});
        EXPECT_EQ(0, DifferentPixels(expected, info));
    }
}

TEST_F(ViewTest, TheWindowShowsTheScreenOfItsState) {
    int width = client.right;
    int height = client.bottom;
    // This program is built as Palorin.
    EXPECT_EQ(0, DifferentPixels(ExpectedScreen(width, height, IntroLines("Palorin")), Pixels()));
    OpenInfoScreen(ScreenAbout);
    EXPECT_EQ(0, DifferentPixels(ExpectedScreen(width, height, {{0, titles[1]}}), Pixels()));
    // The System info screen of the real window: its title and its resolution line as the
    // display gives them (the memory lines change from one paint to the next).
    OpenInfoScreen(ScreenSystemInfo);
    ClientPixels info = Pixels();
    ASSERT_TRUE(OnTestScreen());
    std::string resolution = TestScreenResolution(ExpectedDisplayBits());
    ClientPixels expected = ExpectedScreen(width, height, {{0, titles[1]}, {8, resolution}});
    TEXTMETRICA metrics = {};
    HDC dc = GetDC(app.mainWindow);
    GetTextMetricsA(dc, &metrics);
    ReleaseDC(app.mainWindow, dc);
    int step = metrics.tmHeight + metrics.tmExternalLeading;
    for (int k : {0, 1, 8, 9}) {
        int different = 0;
        for (int y = 15 + k * step; y < 15 + (k + 1) * step; ++y) {
            for (int x = 0; x < width; ++x) {
                different += info.At(x, y) != expected.At(x, y) ? 1 : 0;
            }
        }
        EXPECT_EQ(0, different) << "line " << k;
    }
}

} // namespace
