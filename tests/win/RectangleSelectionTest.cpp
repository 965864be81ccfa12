// Marking a rectangle with the mouse: real mouse, key and scroll messages sent to the main
// window, the rectangle and the title read from the state, and the band read back from the
// window's pixels after every sequence.
#include <gtest/gtest.h>

#include <stdint.h>
#include <string.h>

#include "shell/CommandIds.h"
#include "shell/RectangleSelection.h"
#include "shell/Shell.h"
#include "shell/StatusCaption.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/SelectionTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class RectangleSelectionTest : public MainWindowFixture {
  protected:
    // Places the colour squares, `extraX` and `extraY` pixels larger than the client area.
    void PlaceLargerPicture(int extraX, int extraY) {
        ASSERT_TRUE(Place(ClipSource::Bitmap(
            ColourSquaresBitmap(client.right + extraX, client.bottom + extraY))));
        ASSERT_EQ(ViewBitmap, app.view);
        ASSERT_EQ(ScreenClipboard, app.screen);
    }
    void Scroll(UINT message, WPARAM request) {
        SendMessageA(app.mainWindow, message, request, 0);
        PumpMessages();
    }
};

void ExpectRect(const RECT& expected, const RECT& got, const char* what) {
    EXPECT_EQ(expected.left, got.left) << what;
    EXPECT_EQ(expected.top, got.top) << what;
    EXPECT_EQ(expected.right, got.right) << what;
    EXPECT_EQ(expected.bottom, got.bottom) << what;
}

// ---- The caption ----

TEST(StatusCaption, EveryDigitAtLeastThreeAndTheSign) {
    const char* palorin = "Width:000  Height:000  UL:000, 000  LR:000, 000   Palorin";
    const char* mendrival = "Width:000  Height:000  UL:000, 000  LR:000, 000   Mendrival";
    const struct {
        const char* captionTemplate;
        int64_t values[6];
        const char* expected;
    } rows[] = {
        {palorin,
         {100, 50, 50, 26, 150, 76},
         "Width:100  Height:050  UL:050, 026  LR:150, 076   Palorin"},
        {mendrival,
         {0, 0, 0, 0, 0, 0},
         "Width:000  Height:000  UL:000, 000  LR:000, 000   Mendrival"},
        {palorin,
         {1200, 7, 5, 9, 1205, 16},
         "Width:1200  Height:007  UL:005, 009  LR:1205, 016   Palorin"},
        {palorin,
         {3840, 2160, 0, 0, 3840, 2160},
         "Width:3840  Height:2160  UL:000, 000  LR:3840, 2160   Palorin"},
        {mendrival,
         {1024, -20, -5, 30, 1019, 10},
         "Width:1024  Height:-020  UL:-005, 030  LR:1019, 010   Mendrival"},
        {palorin,
         {4294967295LL, 1, INT32_MIN, 0, INT32_MAX, 1},
         "Width:4294967295  Height:001  UL:-2147483648, 000  LR:2147483647, 001   Palorin"},
    };
    for (const auto& row : rows) {
        char caption[128];
        FormatStatusCaption(row.captionTemplate, row.values, caption, sizeof caption);
        EXPECT_STREQ(row.expected, caption);
    }
    // A short buffer is cut, never overrun.
    char small[12];
    memset(small, 'x', sizeof small);
    const int64_t values[6] = {1, 2, 3, 4, 5, 6};
    FormatStatusCaption(palorin, values, small, 10);
    EXPECT_STREQ("Width:001", small);
    EXPECT_EQ('x', small[10]);
}

TEST(StatusCaption, TheSmallerXIsTheUpperLeft) {
    AppState saved = app;
    app.rectImage = RECT{150, 26, 50, 76};
    UpdateStatusCaption();
    EXPECT_STREQ("Width:100  Height:050  UL:050, 026  LR:150, 076   Palorin", app.statusCaption);
    app = saved;
}

// ---- Mouse ----

// The worked example: view at offsets (40, 16), a band from client (10, 10) to (110, 60).
TEST_F(RectangleSelectionTest, ABandOnTheScrolledViewGivesImagePixels) {
    // Excess 320 and 128: one step is 40 and 16 pixels.
    PlaceLargerPicture(320, 128);
    Scroll(WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1));
    Scroll(WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1));
    ASSERT_EQ(40, app.viewOffsetX);
    ASSERT_EQ(16, app.viewOffsetY);
    DragMouse(app.mainWindow, {{10, 10}, {60, 40}, {110, 60}});
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(0, app.buttonDown);
    ExpectRect({10, 10, 110, 60}, app.rectClient, "client");
    ExpectRect({50, 26, 150, 76}, app.rectImage, "image");
    EXPECT_EQ("Width:100  Height:050  UL:050, 026  LR:150, 076   Palorin", Title());
    RECT band = {10, 10, 110, 60};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));

    // Escape drops it.
    SendMessageA(app.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    ExpectRect({0, 0, 0, 0}, app.rectClient, "after Escape");
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    // A second Escape, and other keys, change nothing.
    SendMessageA(app.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    SendMessageA(app.mainWindow, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    EXPECT_EQ(0, feedback.count);
}

TEST_F(RectangleSelectionTest, DraggingUpNeverMakesARectangle) {
    PlaceLargerPicture(100, 100);
    DragMouse(app.mainWindow, {{100, 100}, {150, 120}, {150, 50}}, false);
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    // The band follows the pointer while the button is held.
    RECT held = {100, 100, 150, 50};
    EXPECT_EQ("", BandFault(app.mainWindow, &held));
    SendMouse(app.mainWindow, WM_LBUTTONUP, 150, 50);
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    // Level with the anchor is not below it either.
    DragMouse(app.mainWindow, {{100, 100}, {200, 100}});
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
}

TEST_F(RectangleSelectionTest, DraggingLeftGivesAPositiveWidth) {
    PlaceLargerPicture(100, 100);
    DragMouse(app.mainWindow, {{200, 50}, {120, 90}});
    EXPECT_EQ(1, app.rectShown);
    ExpectRect({200, 50, 120, 90}, app.rectClient, "client");
    EXPECT_EQ("Width:080  Height:040  UL:120, 050  LR:200, 090   Palorin", Title());
    RECT band = {120, 50, 200, 90};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
}

// A drag is followed outside the window (the mouse is captured) and the band stays inside.
TEST_F(RectangleSelectionTest, ADragThatLeavesTheWindowEndsWhereItWasLetGo) {
    PlaceLargerPicture(100, 100);
    SendMouse(app.mainWindow, WM_LBUTTONDOWN, 50, 50);
    EXPECT_EQ(app.mainWindow, GetCapture());
    SendMouse(app.mainWindow, WM_MOUSEMOVE, -40, 5000);
    ExpectRect({50, 50, 0, client.bottom}, app.rectClient, "past the left and bottom edges");
    EXPECT_EQ(1, app.rectShown);
    SendMouse(app.mainWindow, WM_MOUSEMOVE, client.right + 300, 200);
    ExpectRect({50, 50, client.right, 200}, app.rectClient, "past the right edge");
    SendMouse(app.mainWindow, WM_LBUTTONUP, client.right + 300, 200);
    EXPECT_EQ(0, app.buttonDown);
    EXPECT_NE(app.mainWindow, GetCapture());
    RECT band = {50, 50, client.right, 200};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    // Moves after the release change nothing.
    SendMessageA(app.mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
    ExpectRect({50, 50, client.right, 200}, app.rectClient, "after the release");
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    // Losing the capture to another window ends a drag too.
    SendMouse(app.mainWindow, WM_LBUTTONDOWN, 20, 20);
    SendMouse(app.mainWindow, WM_MOUSEMOVE, 60, 70);
    SetCapture(other);
    PumpMessages();
    EXPECT_EQ(0, app.buttonDown);
    ReleaseCapture();
    SendMessageA(app.mainWindow, WM_MOUSEMOVE, 0, MAKELPARAM(300, 300));
    RECT kept = {20, 20, 60, 70};
    ExpectRect(kept, app.rectClient, "after the capture was lost");
    EXPECT_EQ("", BandFault(app.mainWindow, &kept));
}

// The two moments that would leave marks: the first move after the press, and a band left by a
// drag that ended above its anchor.
TEST_F(RectangleSelectionTest, NoStrayMarks) {
    PlaceLargerPicture(100, 100);
    const struct {
        const char* what;
        std::vector<POINT> first;
        std::vector<POINT> second;
        bool rectangle;
        RECT band;
    } sequences[] = {
        {"a click", {{30, 30}}, {}, false, {}},
        {"a click, then a drag", {{30, 30}}, {{40, 40}, {90, 80}}, true, {40, 40, 90, 80}},
        {"a drag up, then a drag down",
         {{200, 200}, {260, 100}},
         {{50, 60}, {120, 140}},
         true,
         {50, 60, 120, 140}},
        {"a rectangle, then a click", {{50, 60}, {120, 140}}, {{300, 300}}, false, {}},
        {"a rectangle, then another",
         {{50, 60}, {120, 140}},
         {{100, 100}, {20, 200}},
         true,
         {20, 100, 100, 200}},
    };
    for (const auto& sequence : sequences) {
        DragMouse(app.mainWindow, sequence.first);
        if (!sequence.second.empty()) {
            DragMouse(app.mainWindow, sequence.second);
        }
        EXPECT_EQ(sequence.rectangle ? 1 : 0, app.rectShown) << sequence.what;
        EXPECT_EQ("", BandFault(app.mainWindow, sequence.rectangle ? &sequence.band : nullptr))
            << sequence.what;
        SendMessageA(app.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ("", BandFault(app.mainWindow, nullptr)) << sequence.what;
    }
    EXPECT_EQ(0, feedback.count);
}

// The band stays on the image while the view scrolls and through repaints.
TEST_F(RectangleSelectionTest, TheBandStaysOnTheImage) {
    PlaceLargerPicture(320, 128);
    DragMouse(app.mainWindow, {{100, 100}, {200, 180}});
    ExpectRect({100, 100, 200, 180}, app.rectImage, "image");
    const struct {
        UINT message;
        WPARAM request;
        int x, y; // view offsets afterwards
    } steps[] = {
        {WM_HSCROLL, SB_LINERIGHT, 40, 0},
        {WM_VSCROLL, SB_LINEDOWN, 40, 16},
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 2), 80, 16},
        {WM_HSCROLL, SB_THUMBTRACK, 80, 16},
        {WM_VSCROLL, SB_PAGEDOWN, 80, 128},
        {WM_HSCROLL, SB_PAGELEFT, 0, 128},
        {WM_VSCROLL, SB_LINEUP, 0, 112},
    };
    for (const auto& step : steps) {
        Scroll(step.message, step.request);
        ASSERT_EQ(step.x, app.viewOffsetX);
        ASSERT_EQ(step.y, app.viewOffsetY);
        RECT band = {100 - step.x, 100 - step.y, 200 - step.x, 180 - step.y};
        ExpectRect(band, app.rectClient, "client after a scroll");
        ExpectRect({100, 100, 200, 180}, app.rectImage, "image after a scroll");
        EXPECT_EQ("", BandFault(app.mainWindow, &band)) << step.x << "," << step.y;
        RepaintMainWindow();
        EXPECT_EQ("", BandFault(app.mainWindow, &band)) << "repainted " << step.x << "," << step.y;
    }
    EXPECT_EQ("Width:100  Height:080  UL:100, 100  LR:200, 180   Palorin", Title());
}

// A band reaching past a small image onto the background is removed whole.
TEST_F(RectangleSelectionTest, ABandOverTheBackgroundLeavesNoMark) {
    ASSERT_TRUE(Place(ClipSource::Bitmap(ColourSquaresBitmap(200, 150))));
    DragMouse(app.mainWindow, {{150, 100}, {300, 250}});
    RECT band = {150, 100, 300, 250};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    RepaintMainWindow();
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    Scroll(WM_HSCROLL, SB_LINERIGHT);
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    // New contents of a known format keep the rectangle.
    ASSERT_TRUE(Place(ClipSource::Bitmap(ColourSquaresBitmap(120, 90))));
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    SendMessageA(app.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
}

TEST_F(RectangleSelectionTest, ATextViewDropsTheRectangleAndClicksExplain) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT, CF_BITMAP})));
    Command(CmdShowBitmap);
    ASSERT_EQ(ViewBitmap, app.view);
    DragMouse(app.mainWindow, {{10, 10}, {40, 30}});
    ASSERT_EQ(1, app.rectShown);
    Command(CmdShowAnsiText);
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    // A click in a text view draws nothing and explains.
    ResetFeedback();
    DragMouse(app.mainWindow, {{10, 10}, {40, 30}});
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    ASSERT_EQ(2, feedback.count);
    EXPECT_EQ(FeedbackBeep, feedback.events[0].kind);
    EXPECT_EQ(FeedbackBox, feedback.events[1].kind);
}

} // namespace
