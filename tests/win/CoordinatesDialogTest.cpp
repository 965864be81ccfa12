// The "Rectangle Coordinates" dialog driven through the real dialog: its starting values, the
// rules that keep the fields consistent, Enter, OK and Cancel, and the rectangle, band and
// title they leave on the main window.
#include <gtest/gtest.h>

#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/SelectionTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class CoordinatesDialogTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        if (HasFatalFailure()) {
            return;
        }
        // Excess 320 and 128: one scroll step is 40 and 16 pixels.
        ASSERT_TRUE(Place(
            ClipSource::Bitmap(ColourSquaresBitmap(client.right + 320, client.bottom + 128))));
        ASSERT_EQ(ViewBitmap, app.view);
    }
    void ScrollOneStepEach() {
        SendMessageA(app.mainWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
        SendMessageA(app.mainWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
        PumpMessages();
        ASSERT_EQ(40, app.viewOffsetX);
        ASSERT_EQ(16, app.viewOffsetY);
    }
    // Runs "Enter coordinates" with the actions on its dialog; returns what they read.
    std::vector<std::string> EnterCoordinates(std::vector<DialogAction> actions) {
        DialogRun run =
            CommandWithDialog(CmdEnterCoordinates, "Rectangle Coordinates", std::move(actions));
        EXPECT_TRUE(run.finished);
        EXPECT_FALSE(run.escaped) << "the dialog stayed open";
        EXPECT_EQ(app.mainWindow, run.owner);
        return run.reads;
    }
};

using A = DialogAction;

std::vector<DialogAction> ReadAllFields() {
    return {{A::Read, RectFirstLine, ""}, {A::Read, RectLeft, ""},   {A::Read, RectTop, ""},
            {A::Read, RectRight, ""},     {A::Read, RectBottom, ""}, {A::Read, RectWidth, ""},
            {A::Read, RectHeight, ""}};
}

std::vector<std::string> Fields(const char* firstLine, long left, long top, long right, long bottom,
                                long width, long height) {
    return {firstLine,
            std::to_string(left),
            std::to_string(top),
            std::to_string(right),
            std::to_string(bottom),
            std::to_string(width),
            std::to_string(height)};
}

const char* wholeClientArea = "Default values are for entire client area of window.";
const char* currentRectangle = "Default values are for current rectangle.";

TEST_F(CoordinatesDialogTest, WithoutARectangleItOffersThePartOnScreen) {
    ScrollOneStepEach();
    std::vector<DialogAction> actions = ReadAllFields();
    for (int label : {RectLabelLeft, RectLabelTop, RectLabelRight, RectLabelBottom, RectOk}) {
        actions.push_back({A::Read, label, ""});
    }
    actions.push_back({A::ReadFocus, 0, ""});
    actions.push_back({A::Press, IDCANCEL, ""});
    std::vector<std::string> reads = EnterCoordinates(actions);
    std::vector<std::string> expected = Fields(wholeClientArea, 40, 16, 40 + client.right,
                                               16 + client.bottom, client.right, client.bottom);
    for (const char* label : {"Upper-left x-coordinate:", "Upper-left y-coordinate:",
                              "Lower-right x-coordinate:", "Lower-right y-coordinate:", "OK"}) {
        expected.push_back(label);
    }
    expected.push_back(std::to_string(RectLeft));
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
}

TEST_F(CoordinatesDialogTest, WithARectangleItOffersItAndCancelKeepsIt) {
    ScrollOneStepEach();
    DragMouse(app.mainWindow, {{10, 10}, {110, 60}});
    ASSERT_EQ(1, app.rectShown);
    std::string caption = Title();
    std::vector<DialogAction> actions = ReadAllFields();
    // Edits that Cancel throws away.
    actions.push_back({A::Type, RectLeft, "5"});
    actions.push_back({A::Focus, RectRight, ""});
    actions.push_back({A::Type, RectBottom, "999"});
    actions.push_back({A::Focus, RectLeft, ""});
    actions.push_back({A::Press, IDCANCEL, ""});
    EXPECT_EQ(Fields(currentRectangle, 50, 26, 150, 76, 100, 50), EnterCoordinates(actions));
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(50, app.rectImage.left);
    EXPECT_EQ(76, app.rectImage.bottom);
    EXPECT_EQ(caption, Title());
    RECT band = {10, 10, 110, 60};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
}

// Each field that loses the focus rewrites one other; the upper-left corner is only typed.
TEST_F(CoordinatesDialogTest, LeavingAFieldKeepsTheOthersConsistent) {
    std::vector<std::string> reads = EnterCoordinates({
        {A::Focus, RectWidth, ""},
        {A::Type, RectWidth, "100"},
        {A::Focus, RectHeight, ""}, // width: lower-right x = 0 + 100
        {A::Read, RectRight, ""},
        {A::Focus, RectLeft, ""},
        {A::Type, RectLeft, "30"},
        {A::Focus, RectTop, ""}, // upper-left x: width = 100 - 30, lower-right x unchanged
        {A::Read, RectWidth, ""},
        {A::Read, RectRight, ""},
        {A::Type, RectTop, "20"},
        {A::Focus, RectHeight, ""}, // upper-left y: height = bottom - 20
        {A::Read, RectHeight, ""},
        {A::Type, RectHeight, "50"},
        {A::Focus, RectBottom, ""}, // height: lower-right y = 20 + 50
        {A::Read, RectBottom, ""},
        {A::Type, RectBottom, "10"},
        {A::Focus, RectRight, ""}, // lower-right y above the upper-left: a negative height
        {A::Read, RectHeight, ""},
        {A::Type, RectRight, "abc"},
        {A::Focus, RectLeft, ""}, // text that is no number reads as 0
        {A::Read, RectWidth, ""},
        {A::Read, RectLeft, ""},
        {A::Read, RectTop, ""},
        {A::Press, RectOk, ""},
    });
    const std::vector<std::string> expected = {
        "100", "70", "100", std::to_string(client.bottom - 20), "70", "-10", "-30", "30", "20"};
    EXPECT_EQ(expected, reads);
    // OK takes the corners: "abc" as 0, and the bottom typed above the top put in order.
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(30, app.rectImage.left);
    EXPECT_EQ(10, app.rectImage.top);
    EXPECT_EQ(0, app.rectImage.right);
    EXPECT_EQ(20, app.rectImage.bottom);
    EXPECT_EQ("Width:030  Height:010  UL:000, 010  LR:030, 020   Palorin", Title());
    RECT band = {0, 10, 30, 20};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
}

// Enter moves to the next field, applying the rule of the field it leaves, and never closes.
TEST_F(CoordinatesDialogTest, EnterWalksThroughTheFields) {
    std::vector<std::string> reads = EnterCoordinates({
        {A::ReadFocus, 0, ""},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Type, RectWidth, "123"},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Read, RectRight, ""},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Press, IDCANCEL, ""},
    });
    const std::vector<std::string> expected = {std::to_string(RectLeft),
                                               std::to_string(RectTop),
                                               std::to_string(RectRight),
                                               std::to_string(RectBottom),
                                               std::to_string(RectWidth),
                                               std::to_string(RectHeight),
                                               "123",
                                               std::to_string(RectOk)};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, app.rectShown);
}

// OK replaces the rectangle: the old band goes, the new one and its caption appear.
TEST_F(CoordinatesDialogTest, OkReplacesTheRectangle) {
    DragMouse(app.mainWindow, {{10, 10}, {110, 60}});
    ASSERT_EQ(1, app.rectShown);
    EnterCoordinates({
        {A::Type, RectLeft, "0"},
        {A::Type, RectTop, "200"},
        {A::Type, RectRight, "1200"},
        {A::Type, RectBottom, "300"},
        {A::Press, RectOk, ""},
    });
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ("Width:1200  Height:100  UL:000, 200  LR:1200, 300   Palorin", Title());
    RECT band = {0, 200, 1200, 300};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
    // Scrolled, the band moves with the image and the caption stays.
    SendMessageA(app.mainWindow, WM_HSCROLL, SB_LINERIGHT, 0);
    PumpMessages();
    RECT moved = {-40, 200, 1160, 300};
    EXPECT_EQ("", BandFault(app.mainWindow, &moved));
    EXPECT_EQ("Width:1200  Height:100  UL:000, 200  LR:1200, 300   Palorin", Title());
}

} // namespace
