// Start-up of the main window: the first view from the clipboard, the window's size, the
// identity, the TIF default by display depth and the viewer chain joined.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <string.h>

#include "shell/CommandIds.h"
#include "shell/ProductIdentity.h"
#include "platform/ClipboardListener.h"
#include "shell/Shell.h"
#include "tests/win/TestBed.h"

namespace {

class StartupTest : public testing::Test {
  protected:
    void TearDown() override {
        StopMainWindow();
        EmptyClipboardAs(OtherAppWindow());
    }
    FeedbackLog feedback = {};
};

struct StartCase {
    const char* what;
    std::vector<UINT> placed; // by another process before the start
    Screen screen;
    ViewFormat view;
    int dosCapturePending;
};

TEST_F(StartupTest, FirstViewFromTheClipboard) {
    const UINT priv = PrivateFormat();
    const StartCase cases[] = {
        {"empty clipboard", {}, ScreenIntro, ViewNone, 1},
        {"CF_TEXT", {CF_TEXT}, ScreenClipboard, ViewAnsiText, 0},
        {"CF_OEMTEXT", {CF_OEMTEXT}, ScreenClipboard, ViewOemText, 0},
        {"CF_UNICODETEXT", {CF_UNICODETEXT}, ScreenClipboard, ViewAnsiText, 0},
        {"CF_BITMAP", {CF_BITMAP}, ScreenClipboard, ViewBitmap, 0},
        {"CF_DIB", {CF_DIB}, ScreenClipboard, ViewBitmap, 0},
        {"CF_TEXT, trailing CF_PALETTE", {CF_TEXT, CF_PALETTE}, ScreenClipboard, ViewAnsiText, 0},
        {"CF_OEMTEXT, trailing CF_PALETTE",
         {CF_OEMTEXT, CF_PALETTE},
         ScreenClipboard,
         ViewOemText,
         0},
        {"CF_DIB, private last", {CF_DIB, priv}, ScreenClipboard, ViewBitmap, 0},
        {"CF_TEXT, private last", {CF_TEXT, priv}, ScreenClipboard, ViewAnsiText, 0},
        {"private only", {priv}, ScreenIntro, ViewNone, 0},
        {"palette only", {CF_PALETTE}, ScreenIntro, ViewNone, 0},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.placed.empty()) {
            ASSERT_TRUE(EmptyClipboardAs(OtherAppWindow()));
        } else {
            ASSERT_TRUE(PlaceFormatsFromOtherProcess(c.placed));
        }
        std::string listed = FormatList(ClipboardFormats());
        SCOPED_TRACE("listed [" + listed + "]");
        // Shown without activation: the first activation would start the DOS capture check.
        ASSERT_EQ(1, StartMainWindow(&feedback, SW_SHOWNOACTIVATE));
        EXPECT_EQ(c.screen, app.screen);
        EXPECT_EQ(c.view, app.view);
        EXPECT_EQ(c.dosCapturePending, app.dosCapturePending);
        EXPECT_EQ(0, app.rectShown);
        EXPECT_TRUE(IsRectEmpty(&app.rectClient));
        // The notification sent on joining the chain was swallowed, and only that one.
        EXPECT_EQ(0, app.ignoreNextClipboardChange);
        StopMainWindow();
    }
}

TEST_F(StartupTest, WindowSizeIsThreeQuartersByTwoThirdsOfTheScreen) {
    ASSERT_EQ(1, StartMainWindow(&feedback));
    // Three quarters by two thirds of the 1024 x 768 test screen.
    ASSERT_TRUE(OnTestScreen());
    RECT frame;
    GetWindowRect(app.mainWindow, &frame);
    EXPECT_EQ(768, frame.right - frame.left);
    EXPECT_EQ(512, frame.bottom - frame.top);
    EXPECT_EQ(768, app.windowWidth);
    EXPECT_EQ(512, app.windowHeight);
    LONG style = GetWindowLongA(app.mainWindow, GWL_STYLE);
    EXPECT_EQ(static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL),
              style & static_cast<LONG>(WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL));
    for (int bar : {SB_HORZ, SB_VERT}) {
        int low = -1;
        int high = -1;
        GetScrollRange(app.mainWindow, bar, &low, &high);
        EXPECT_EQ(0, low);
        EXPECT_EQ(8, high);
        EXPECT_EQ(0, GetScrollPos(app.mainWindow, bar));
    }
}

TEST_F(StartupTest, DisplayDepthIsTheOneAskedFor) {
    // scripts/wine-tests.sh names the depth Wine should report for its Xvfb screen.
    int expected = ExpectedDisplayBits();
    ASSERT_NE(0, expected);
    EXPECT_EQ(expected, DisplayBits());
}

TEST_F(StartupTest, TifDefaultAndMenuChecksFollowTheDisplayDepth) {
    ASSERT_EQ(1, StartMainWindow(&feedback));
    bool deep = DisplayBits() > 8;
    EXPECT_EQ(deep ? TifLzw8k : TifPackBits, app.tifCompression) << DisplayBits() << " bits";
    HMENU menu = GetMenu(app.mainWindow);
    struct CheckCase {
        UINT command;
        bool checked;
    } checks[] = {
        {CmdTifNone, false},      {CmdTifPackBits, !deep},  {CmdTifLzw8k, deep},
        {CmdTifLzw16k, false},    {CmdPopupMode, true},     {CmdBlackOnWhite, true},
        {CmdWhiteOnBlack, false}, {CmdGifDithering, false},
    };
    for (const CheckCase& c : checks) {
        UINT state = GetMenuState(menu, c.command, MF_BYCOMMAND);
        EXPECT_EQ(c.checked, (state & MF_CHECKED) != 0) << "command " << c.command;
    }
    EXPECT_EQ(1, app.popupMode);
    EXPECT_EQ(1, app.blackOnWhite);
}

TEST_F(StartupTest, IdentityOfThisProgram) {
    ASSERT_EQ(1, StartMainWindow(&feedback));
    char title[64] = "";
    GetWindowTextA(app.mainWindow, title, sizeof title);
    EXPECT_STREQ("Palorin", title);
    EXPECT_STREQ("Palorin", app.titleText);
    EXPECT_STREQ("WPLN.HLP", app.helpFile);
    EXPECT_STREQ("Width:000  Height:000  UL:000, 000  LR:000, 000   Palorin", app.statusCaption);
    EXPECT_EQ(app.mainWindow, FindWindowA("KOVEL", "Palorin"));
    EXPECT_NE(0u, GetClassLongPtrA(app.mainWindow, GCLP_HICON));
    char aboutText[64] = "";
    GetMenuStringA(GetMenu(app.mainWindow), CmdAbout, aboutText, sizeof aboutText, MF_BYCOMMAND);
    EXPECT_STREQ("&About Palorin", aboutText);
}

TEST(ProductIdentity, BothIdentities) {
    struct IdentityCase {
        int variant;
        const char* title;
        const char* helpFile;
        const char* caption;
        const char* icon;
        const char* menu;
    } cases[] = {
        {0, "Mendrival", "KOVEL.HLP", "Width:000  Height:000  UL:000, 000  LR:000, 000   Mendrival",
         "MendrivalIcon", "KOVELAPMENU"},
        {1, "Palorin", "WPLN.HLP", "Width:000  Height:000  UL:000, 000  LR:000, 000   Palorin",
         "PlnIcon", "WPLNAPMENU"},
    };
    HINSTANCE instance = GetModuleHandleA(nullptr);
    for (const IdentityCase& c : cases) {
        const ProductIdentity& identity = IdentityOf(c.variant);
        EXPECT_STREQ(c.title, identity.title);
        EXPECT_STREQ(c.helpFile, identity.helpFile);
        EXPECT_STREQ(c.caption, identity.captionTemplate);
        EXPECT_LT(strlen(identity.captionTemplate), sizeof app.statusCaption);
        EXPECT_LT(strlen(identity.title), sizeof app.titleText);
        EXPECT_STREQ(c.icon, identity.iconResource);
        EXPECT_STREQ(c.menu, identity.menuResource);
        // Both programs carry both resources; each loads its own by these names.
        EXPECT_NE(nullptr, LoadIconA(instance, identity.iconResource)) << identity.iconResource;
        HMENU menu = LoadMenuA(instance, identity.menuResource);
        EXPECT_NE(nullptr, menu) << identity.menuResource;
        DestroyMenu(menu);
    }
}

TEST_F(StartupTest, JoinsTheViewerChainAndLeavesItOnDestroy) {
    ViewerChainOnly chain;
    TestViewer earlier;
    JoinViewer(earlier);
    ASSERT_EQ(1, StartMainWindow(&feedback));
    EXPECT_EQ(app.mainWindow, GetClipboardViewer());
    EXPECT_EQ(earlier.window, app.nextViewer);
    HWND main = app.mainWindow;
    StopMainWindow();
    EXPECT_FALSE(IsWindow(main));
    EXPECT_EQ(earlier.window, GetClipboardViewer());
    // WM_DESTROY closed the help file.
    ASSERT_GE(feedback.count, 1);
    const FeedbackEvent& last = feedback.events[feedback.count - 1];
    EXPECT_EQ(FeedbackHelp, last.kind);
    EXPECT_EQ(static_cast<UINT>(HELP_QUIT), last.code);
    EXPECT_STREQ("WPLN.HLP", last.text);
    LeaveViewer(earlier);
}

// Where the system has the clipboard format listener (Wine has it) the window listens instead
// of joining the chain, and stops listening when destroyed.
TEST_F(StartupTest, ListensForChangesWithoutJoiningTheChain) {
    TestViewer earlier;
    JoinViewer(earlier);
    ASSERT_EQ(1, StartMainWindow(&feedback));
    EXPECT_EQ(1, app.clipboardListener);
    EXPECT_EQ(earlier.window, GetClipboardViewer());
    EXPECT_EQ(nullptr, app.nextViewer);
    HWND main = app.mainWindow;
    StartRecordingMessages(main);
    ASSERT_TRUE(PlaceFormats(OtherAppWindow(), {CF_TEXT}));
    EXPECT_EQ(1, CountRecorded(WM_CLIPBOARDUPDATE, 0, true));
    EXPECT_EQ(0, CountRecorded(WM_DRAWCLIPBOARD, 0, true));
    StopRecordingMessages();
    EXPECT_EQ(ViewAnsiText, app.view);
    StopMainWindow();
    LeaveViewer(earlier);
}

} // namespace
