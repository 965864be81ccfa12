// The main window's messages: clipboard changes, the viewer chain, popup mode, the DOS capture
// check, the information screens and the wake message.
#include <gtest/gtest.h>

#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/TestBed.h"

namespace {

class MainWindowTest : public MainWindowFixture {
  protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        ShowWindow(other, SW_HIDE);
    }
};

struct ChangeCase {
    const char* what;
    std::vector<UINT> placed;
    Screen screen;
    ViewFormat view;
};

TEST_F(MainWindowTest, EveryClipboardChangeDrivesTheView) {
    const UINT priv = PrivateFormat();
    // Each row follows the one before, so every transition is taken from a different state.
    const ChangeCase cases[] = {
        {"CF_TEXT", {CF_TEXT}, ScreenClipboard, ViewAnsiText},
        {"CF_BITMAP", {CF_BITMAP}, ScreenClipboard, ViewBitmap},
        {"CF_OEMTEXT", {CF_OEMTEXT}, ScreenClipboard, ViewOemText},
        {"private only", {priv}, ScreenIntro, ViewNone},
        {"CF_DIB", {CF_DIB}, ScreenClipboard, ViewBitmap},
        {"CF_TEXT, trailing palette", {CF_TEXT, CF_PALETTE}, ScreenClipboard, ViewAnsiText},
        {"palette only", {CF_PALETTE}, ScreenIntro, ViewNone},
        {"CF_UNICODETEXT", {CF_UNICODETEXT}, ScreenClipboard, ViewAnsiText},
        {"CF_DIB, private last", {CF_DIB, priv}, ScreenClipboard, ViewBitmap},
        {"CF_OEMTEXT, trailing palette", {CF_OEMTEXT, CF_PALETTE}, ScreenClipboard, ViewOemText},
    };
    for (const ChangeCase& c : cases) {
        ASSERT_TRUE(Place(ClipSource::Formats(c.placed))) << c.what;
        EXPECT_EQ(c.screen, app.screen) << c.what;
        EXPECT_EQ(c.view, app.view) << c.what;
        // A clipboard that is not empty never starts the DOS capture check.
        EXPECT_EQ(0, app.dosCapturePending) << c.what;
    }
}

TEST_F(MainWindowTest, NewContentsKeepTheRectangleAndNothingDropsIt) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
    app.rectShown = 1;
    // The image rectangle is the client one moved by the view offsets (0 for this small bitmap):
    // the repaint puts the band at the image rectangle's client place.
    app.rectClient = RECT{10, 20, 30, 40};
    app.rectImage = RECT{10, 20, 30, 40};
    SetWindowTextA(app.mainWindow, "caption");
    ASSERT_TRUE(Place(ClipSource::Formats({CF_DIB})));
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(10, app.rectClient.left);
    EXPECT_EQ(40, app.rectImage.bottom);
    // A change to nothing usable drops it and restores the title and the scroll positions.
    SetScrollPos(app.mainWindow, SB_HORZ, 5, TRUE);
    SetScrollPos(app.mainWindow, SB_VERT, 3, TRUE);
    ASSERT_TRUE(Place(ClipSource::Formats({PrivateFormat()})));
    EXPECT_EQ(0, app.rectShown);
    EXPECT_TRUE(IsRectEmpty(&app.rectClient));
    char title[64] = "";
    GetWindowTextA(app.mainWindow, title, sizeof title);
    EXPECT_STREQ("Palorin", title);
    EXPECT_EQ(0, GetScrollPos(app.mainWindow, SB_HORZ));
    EXPECT_EQ(0, GetScrollPos(app.mainWindow, SB_VERT));
}

TEST_F(MainWindowTest, ChangesFromAnotherProcess) {
    ASSERT_TRUE(PlaceFormatsFromOtherProcess({CF_OEMTEXT}));
    ASSERT_TRUE(PumpUntil([] { return app.view == ViewOemText; }, 15000));
    EXPECT_EQ(ScreenClipboard, app.screen);
    ASSERT_TRUE(PlaceFormatsFromOtherProcess({CF_DIB, PrivateFormat()}));
    ASSERT_TRUE(PumpUntil([] { return app.view == ViewBitmap; }, 15000));
}

TEST_F(MainWindowTest, AViewerAfterOursReceivesEveryNotification) {
    StopMainWindow();
    ViewerChainOnly chain;
    TestViewer after;
    JoinViewer(after);
    ASSERT_EQ(1, StartMainWindow(&feedback));
    ASSERT_EQ(after.window, app.nextViewer);
    const std::vector<UINT> changes[] = {{CF_TEXT}, {CF_BITMAP}, {PrivateFormat()}, {}};
    for (const std::vector<UINT>& placed : changes) {
        int before = after.drawCount;
        if (placed.empty()) {
            ASSERT_TRUE(EmptyClipboardAs(other));
        } else {
            ASSERT_TRUE(Place(ClipSource::Formats(placed)));
        }
        EXPECT_EQ(before + 1, after.drawCount) << FormatList(placed);
    }
    StopMainWindow();
    LeaveViewer(after);
}

TEST_F(MainWindowTest, ChainRepairAndForwarding) {
    StopMainWindow();
    ViewerChainOnly chain;
    TestViewer last;
    TestViewer middle;
    JoinViewer(last);
    JoinViewer(middle);
    ASSERT_EQ(1, StartMainWindow(&feedback));
    ASSERT_EQ(middle.window, app.nextViewer);
    HWND stranger = OtherAppWindow();

    // A window further down leaves: ours keeps its next viewer and passes the message on.
    SendMessageA(app.mainWindow, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(stranger),
                 reinterpret_cast<LPARAM>(last.window));
    EXPECT_EQ(middle.window, app.nextViewer);
    ASSERT_EQ(1u, middle.chainChanges.size());
    EXPECT_EQ(reinterpret_cast<WPARAM>(stranger), middle.chainChanges[0].first);
    ASSERT_EQ(1u, last.chainChanges.size()); // passed on by the middle viewer

    // Our next viewer leaves the chain through the system: ours now points past it and passes
    // the message to the new next viewer.
    ChangeClipboardChain(middle.window, middle.next);
    PumpMessages();
    EXPECT_EQ(last.window, app.nextViewer);
    EXPECT_EQ(1u, middle.chainChanges.size()); // ours no longer sends to it
    ASSERT_EQ(2u, last.chainChanges.size());
    EXPECT_EQ(reinterpret_cast<WPARAM>(middle.window), last.chainChanges[1].first);
    EXPECT_EQ(reinterpret_cast<LPARAM>(last.window), last.chainChanges[1].second);

    int before = last.drawCount;
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    EXPECT_EQ(before + 1, last.drawCount);
    EXPECT_EQ(ViewAnsiText, app.view);

    // The last viewer leaves, naming no window after it: ours ends the chain.
    ChangeClipboardChain(last.window, nullptr);
    PumpMessages();
    EXPECT_EQ(nullptr, app.nextViewer);
    StopMainWindow();
    DestroyWindow(middle.window); // already out of the chain
    middle.window = nullptr;
    last.next = nullptr;
    LeaveViewer(last);
}

TEST_F(MainWindowTest, ASwallowedChangeClosesTheInfoScreenAndIsPassedOn) {
    StopMainWindow();
    ViewerChainOnly chain;
    TestViewer after;
    JoinViewer(after);
    ASSERT_EQ(1, StartMainWindow(&feedback));
    ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
    OpenInfoScreen(ScreenAbout);
    ASSERT_NE(nullptr, app.infoOkButton);
    HWND button = app.infoOkButton;
    app.ignoreNextClipboardChange = 1;
    int before = after.drawCount;
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    EXPECT_EQ(before + 1, after.drawCount);
    EXPECT_EQ(nullptr, app.infoOkButton);
    EXPECT_FALSE(IsWindow(button));
    // Closed to the view that was shown; the swallowed change did not refresh it.
    EXPECT_EQ(ScreenClipboard, app.screen);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ(0, app.ignoreNextClipboardChange);
    // The next change is not swallowed.
    ASSERT_TRUE(Place(ClipSource::Formats({CF_OEMTEXT})));
    EXPECT_EQ(ViewOemText, app.view);
    StopMainWindow();
    LeaveViewer(after);
}

// The format listener needs no other viewer's help: a viewer in the chain that passes nothing on
// hides no change from us, and popup mode still brings the window forward.
TEST_F(MainWindowTest, AViewerThatPassesNothingOnHidesNoChange) {
    ASSERT_EQ(1, app.clipboardListener);
    RudeViewer rude;
    ASSERT_EQ(rude.window, GetClipboardViewer());
    const std::pair<UINT, ViewFormat> changes[] = {
        {CF_TEXT, ViewAnsiText}, {CF_BITMAP, ViewBitmap}, {CF_OEMTEXT, ViewOemText}};
    for (const auto& change : changes) {
        ASSERT_TRUE(Place(ClipSource::Formats({change.first})));
        EXPECT_EQ(change.second, app.view) << change.first;
    }
    ASSERT_TRUE(ActivateWindow(other));
    ShowWindow(app.mainWindow, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([] { return IsIconic(app.mainWindow) != FALSE; }));
    ASSERT_TRUE(PlaceFormatsFromOtherProcess({CF_BITMAP}));
    EXPECT_TRUE(PumpUntil(
        [] { return !IsIconic(app.mainWindow) && GetActiveWindow() == app.mainWindow; }, 15000));
    EXPECT_EQ(ViewBitmap, app.view);
}

TEST_F(MainWindowTest, AChangeWhileTheAboutScreenIsOpenShowsTheNewContents) {
    OpenInfoScreen(ScreenAbout);
    ASSERT_EQ(ScreenAbout, app.screen);
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    EXPECT_EQ(nullptr, app.infoOkButton);
    EXPECT_EQ(ScreenClipboard, app.screen);
    EXPECT_EQ(ViewAnsiText, app.view);
}

struct PopupCase {
    const char* what;
    int popupMode;
    bool minimised;        // the main window is minimised before the change
    bool otherActive;      // another window is active before the change
    bool expectMinimised;  // after the change
    bool expectMainActive; // after the change
};

TEST_F(MainWindowTest, PopupModeBringsTheWindowBack) {
    const PopupCase cases[] = {
        {"popup on, minimised", 1, true, true, false, true},
        {"popup off, minimised", 0, true, true, true, false},
        {"popup on, behind another window", 1, false, true, false, true},
        {"popup off, behind another window", 0, false, true, false, false},
        {"popup on, already active", 1, false, false, false, true},
        {"popup on, minimised while still the active window", 1, true, false, false, true},
        {"popup off, minimised while still the active window", 0, true, false, true, true},
    };
    for (const PopupCase& c : cases) {
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
        ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT}))) << c.what;
        app.popupMode = static_cast<int16_t>(c.popupMode);
        if (c.otherActive) {
            ASSERT_TRUE(ActivateWindow(other)) << c.what;
        } else {
            ASSERT_TRUE(ActivateWindow(app.mainWindow)) << c.what;
        }
        if (c.minimised) {
            ShowWindow(app.mainWindow, SW_MINIMIZE);
            ASSERT_TRUE(PumpUntil([] { return IsIconic(app.mainWindow) != FALSE; })) << c.what;
        }
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP}))) << c.what;
        EXPECT_EQ(ViewBitmap, app.view) << c.what;
        // Where the change restores or activates the window, wait until that can be seen.
        auto settled = [&c] {
            return (IsIconic(app.mainWindow) != FALSE) == c.expectMinimised &&
                   (GetActiveWindow() == app.mainWindow) == c.expectMainActive;
        };
        if (!c.expectMinimised || c.expectMainActive) {
            EXPECT_TRUE(PumpUntil(settled)) << c.what;
        }
        EXPECT_EQ(c.expectMinimised, IsIconic(app.mainWindow) != FALSE) << c.what;
        EXPECT_EQ(c.expectMainActive, GetActiveWindow() == app.mainWindow) << c.what;
    }
}

TEST_F(MainWindowTest, EmptyingTheClipboardWhileActivePostsTheDosCheckAtOnce) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    StartRecordingMessages(app.mainWindow);
    ASSERT_TRUE(EmptyClipboardAs(other));
    EXPECT_EQ(1, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
    EXPECT_EQ(0, app.dosCapturePending);
    EXPECT_EQ(ScreenIntro, app.screen);
    EXPECT_EQ(ViewNone, app.view);
}

TEST_F(MainWindowTest, EmptyingTheClipboardWhileInactiveWaitsForTheNextActivation) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_TRUE(ActivateWindow(other));
    StartRecordingMessages(app.mainWindow);
    ASSERT_TRUE(EmptyClipboardAs(other));
    EXPECT_EQ(0, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
    EXPECT_EQ(1, app.dosCapturePending);
    // The next activation posts it, once.
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    EXPECT_EQ(1, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
    EXPECT_EQ(0, app.dosCapturePending);
    ASSERT_TRUE(ActivateWindow(other));
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    EXPECT_EQ(1, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
}

TEST_F(MainWindowTest, AnEmptyClipboardAtStartChecksAtTheFirstActivation) {
    StopMainWindow();
    ASSERT_TRUE(EmptyClipboardAs(other));
    ASSERT_TRUE(ActivateWindow(other));
    ASSERT_EQ(1, StartMainWindow(&feedback, SW_SHOWNOACTIVATE));
    StartRecordingMessages(app.mainWindow);
    EXPECT_EQ(1, app.dosCapturePending);
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    EXPECT_EQ(1, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
    EXPECT_EQ(0, app.dosCapturePending);
}

TEST_F(MainWindowTest, AnEmptyClipboardAtAnActivatingStartChecksAtOnce) {
    StopMainWindow();
    ASSERT_TRUE(EmptyClipboardAs(other));
    ASSERT_EQ(1, StartMainWindow(&feedback, SW_SHOWNORMAL, false));
    // Showing the window activated it: the check is posted and the flag is spent.
    EXPECT_EQ(0, app.dosCapturePending);
    int posted = 0;
    MSG message;
    while (PeekMessageA(&message, app.mainWindow, WM_COMMAND, WM_COMMAND, PM_REMOVE)) {
        posted += LOWORD(message.wParam) == CmdLoadDosCapture ? 1 : 0;
    }
    EXPECT_EQ(1, posted);
}

TEST_F(MainWindowTest, APrivateFormatOnlyEmptiesTheViewWithoutTheDosCheck) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
    StartRecordingMessages(app.mainWindow);
    const std::vector<UINT> privateOnly[] = {{PrivateFormat()}, {CF_PALETTE}};
    for (const std::vector<UINT>& placed : privateOnly) {
        ASSERT_TRUE(Place(ClipSource::Formats(placed)));
        EXPECT_EQ(ScreenIntro, app.screen) << FormatList(placed);
        EXPECT_EQ(ViewNone, app.view) << FormatList(placed);
        EXPECT_EQ(0, app.dosCapturePending) << FormatList(placed);
    }
    EXPECT_EQ(0, CountRecorded(WM_COMMAND, CmdLoadDosCapture));
}

struct InfoCase {
    const char* what;
    UINT command;
    std::vector<UINT> placed; // before opening
    Screen shown;
    Screen afterOk;
};

TEST_F(MainWindowTest, InfoScreensAndTheirOkButton) {
    const InfoCase cases[] = {
        {"About from the intro", CmdAbout, {}, ScreenAbout, ScreenIntro},
        {"System info from the intro", CmdSystemInfo, {}, ScreenSystemInfo, ScreenIntro},
        {"About over a bitmap", CmdAbout, {CF_BITMAP}, ScreenAbout, ScreenClipboard},
        {"System info over text", CmdSystemInfo, {CF_TEXT}, ScreenSystemInfo, ScreenClipboard},
    };
    for (const InfoCase& c : cases) {
        if (c.placed.empty()) {
            ASSERT_TRUE(EmptyClipboardAs(other));
        } else {
            ASSERT_TRUE(Place(ClipSource::Formats(c.placed)));
        }
        ViewFormat view = app.view;
        // From the menu, as the user picks it.
        Command(c.command);
        EXPECT_EQ(c.shown, app.screen) << c.what;
        EXPECT_EQ(view, app.view) << c.what;
        HWND button = app.infoOkButton;
        ASSERT_NE(nullptr, button) << c.what;
        RECT frame;
        GetWindowRect(button, &frame);
        MapWindowPoints(nullptr, app.mainWindow, reinterpret_cast<POINT*>(&frame), 2);
        // In the 768 x 512 window of the 1024 x 768 test screen: 5/12 across, 2/3 down, a
        // sixth wide and a twelfth high (fractions dropped).
        ASSERT_TRUE(OnTestScreen());
        EXPECT_EQ(320, frame.left) << c.what;
        EXPECT_EQ(341, frame.top) << c.what;
        EXPECT_EQ(128, frame.right - frame.left) << c.what;
        EXPECT_EQ(42, frame.bottom - frame.top) << c.what;
        EXPECT_EQ(CmdInfoOk, GetDlgCtrlID(button)) << c.what;
        EXPECT_TRUE(IsWindowVisible(button)) << c.what;
        char text[16] = "";
        GetWindowTextA(button, text, sizeof text);
        EXPECT_STREQ("OK", text) << c.what;
        // Opening the other screen replaces the button rather than adding one.
        Command(c.command == CmdAbout ? CmdSystemInfo : CmdAbout);
        EXPECT_FALSE(IsWindow(button)) << c.what;
        button = app.infoOkButton;
        ASSERT_NE(nullptr, button);
        // Pressing OK closes the screen.
        SendMessageA(button, BM_CLICK, 0, 0);
        PumpMessages();
        EXPECT_EQ(c.afterOk, app.screen) << c.what;
        EXPECT_EQ(nullptr, app.infoOkButton) << c.what;
        EXPECT_FALSE(IsWindow(button)) << c.what;
    }
}

TEST_F(MainWindowTest, SystemInfoWithoutItsButtonEndsAtTheNextCommandButTheDosCheck) {
    app.screen = ScreenSystemInfo;
    app.infoOkButton = nullptr;
    Command(CmdLoadDosCapture);
    EXPECT_EQ(ScreenSystemInfo, app.screen);
    Command(CmdPrint);
    EXPECT_EQ(ScreenIntro, app.screen);
}

TEST_F(MainWindowTest, ExitDestroysTheWindow) {
    HWND main = app.mainWindow;
    Command(CmdExit);
    EXPECT_FALSE(IsWindow(main));
}

struct WakeCase {
    WPARAM wParam;
    bool wakes;
};

TEST_F(MainWindowTest, TheWakeMessageRestoresOnlyWithItsWParam) {
    const WakeCase cases[] = {
        {0xFEED, true}, {0x1FEED, true}, {0xFEEE, false}, {0, false}, {0xFEED0000, false},
    };
    for (const WakeCase& c : cases) {
        ShowWindow(app.mainWindow, SW_MINIMIZE);
        ASSERT_TRUE(PumpUntil([] { return IsIconic(app.mainWindow) != FALSE; }));
        PostMessageA(app.mainWindow, WakeMessage, c.wParam, 0);
        if (c.wakes) {
            EXPECT_TRUE(PumpUntil([] { return IsIconic(app.mainWindow) == FALSE; }))
                << std::hex << c.wParam;
        } else {
            PumpMessages();
        }
        EXPECT_EQ(c.wakes, !IsIconic(app.mainWindow)) << std::hex << c.wParam;
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
    }
}

TEST_F(MainWindowTest, PaintingGoesThroughWmPrintClient) {
    ClientPixels pixels = Pixels();
    ASSERT_GT(pixels.width, 0);
    ASSERT_GT(pixels.height, 0);
    // The class background, light grey, shows at the bottom-right corner on every screen.
    EXPECT_EQ(RGB(192, 192, 192), pixels.At(pixels.width - 1, pixels.height - 1));
}

} // namespace
