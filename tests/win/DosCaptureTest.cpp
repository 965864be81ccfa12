// DOS captures through the real commands: DKOVL*.BMP files written into the temporary folder are
// picked up one at a time by Ctrl+N (308), by the posted check (302), after "Clear clipboard"
// and at the activation after an emptied clipboard; each arrives mirrored top to bottom and its
// file is deleted, a file that is not a BMP is deleted too, and loading never brings the window
// forward.
#include <gtest/gtest.h>

#include <string.h>

#include "platform/TempFolder.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

// One capture: a black and white picture of its own size, and its file.
struct Capture {
    std::string path;
    RgbImage colors; // what the file holds, top row first
};

Capture WriteCapture(const std::string& folder, const char* name, int width, int height,
                     uint32_t seed) {
    IndexedImage image = RandomIndexed(width, height, 1, seed, true);
    Capture capture;
    capture.path = folder + name;
    capture.colors = ColorsOf(image);
    EXPECT_TRUE(WriteFileBytes(capture.path, BmpFileOf(image))) << capture.path;
    return capture;
}

// Which of the captures are still on disk.
std::vector<bool> Present(const std::vector<Capture>& captures) {
    std::vector<bool> present;
    for (const Capture& capture : captures) {
        present.push_back(FileExists(capture.path));
    }
    return present;
}

// The one capture whose file went between two looks at the disk, or -1 when none or several.
int Vanished(const std::vector<bool>& before, const std::vector<bool>& after) {
    int vanished = -1;
    for (size_t i = 0; i < before.size(); ++i) {
        if (before[i] && !after[i]) {
            if (vanished >= 0) {
                return -1;
            }
            vanished = int(i);
        }
    }
    return vanished;
}

class DosCaptureTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        folder = SystemTempFolder();
        ASSERT_TRUE(RemoveDosCaptures(folder));
        MainWindowFixture::SetUp();
        // A bitmap from another program, which a capture replaces.
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
        ASSERT_EQ(ViewBitmap, app.view);
    }
    void TearDown() override {
        SetTempFolder(nullptr);
        MainWindowFixture::TearDown();
        ShowWindow(other, SW_HIDE);
        RemoveDosCaptures(folder);
    }
    // The three captures of most tests, of distinct sizes.
    std::vector<Capture> WriteThree() {
        return {WriteCapture(folder, "DKOVL001.BMP", 9, 7, 1),
                WriteCapture(folder, "DKOVL002.BMP", 12, 6, 2),
                WriteCapture(folder, "DKOVL003.BMP", 15, 5, 3)};
    }
    // Ctrl+N's command, which must give no feedback: the index of the one capture whose file it
    // deleted (-1 when none or several), and the clipboard's sequence number before it.
    int LoadNext(const std::vector<Capture>& captures, DWORD* sequenceBefore) {
        std::vector<bool> before = Present(captures);
        *sequenceBefore = GetClipboardSequenceNumber();
        ResetFeedback();
        Command(CmdNextDosCapture);
        EXPECT_EQ(0, feedback.count) << feedback.events[0].text;
        return Vanished(before, Present(captures));
    }
    std::string folder;
};

int CountPresent(const std::vector<Capture>& captures) {
    int count = 0;
    for (const Capture& capture : captures) {
        count += FileExists(capture.path) ? 1 : 0;
    }
    return count;
}

TEST_F(DosCaptureTest, CtrlNLoadsThreeCapturesOneByOneThenSaysThereAreNoMore) {
    std::vector<Capture> captures = WriteThree();
    std::vector<bool> loaded(captures.size(), false);
    for (size_t step = 0; step < captures.size(); ++step) {
        SCOPED_TRACE(step);
        DWORD sequence = 0;
        int which = LoadNext(captures, &sequence);
        ASSERT_GE(which, 0) << "exactly one capture file must be deleted";
        EXPECT_FALSE(loaded[size_t(which)]);
        loaded[size_t(which)] = true;
        EXPECT_NE(sequence, GetClipboardSequenceNumber());
        EXPECT_EQ(ScreenClipboard, app.screen);
        EXPECT_EQ(ViewBitmap, app.view);
        EXPECT_EQ(captures[size_t(which)].path, app.dosCapturePath);
        EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(captures[size_t(which)].colors)));
    }
    EXPECT_EQ(0, CountPresent(captures));
    DWORD sequence = GetClipboardSequenceNumber();
    ResetFeedback();
    Command(CmdNextDosCapture);
    EXPECT_EQ("", BeepThenBox("DOS CAPTURE STATUS", "There are no more DOS captures to display."));
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
}

TEST_F(DosCaptureTest, ThePostedCheckLoadsOneCaptureSilently) {
    std::vector<Capture> captures = WriteThree();
    std::vector<bool> before = Present(captures);
    ResetFeedback();
    PostMessageA(app.mainWindow, WM_COMMAND, CmdLoadDosCapture, 0);
    ASSERT_TRUE(PumpUntil([&] { return CountPresent(captures) < 3; }));
    PumpMessages();
    int which = Vanished(before, Present(captures));
    ASSERT_GE(which, 0);
    EXPECT_EQ(2, CountPresent(captures));
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(captures[size_t(which)].colors)));
}

TEST_F(DosCaptureTest, AFileThatIsNotABmpIsDeletedAndTheNextCtrlNLoadsTheNextCapture) {
    std::vector<Capture> captures = {WriteCapture(folder, "DKOVL010.BMP", 10, 4, 7)};
    Capture bad;
    bad.path = folder + "DKOVL011.BMP";
    ASSERT_TRUE(WriteFileBytes(bad.path, {'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'}));
    captures.push_back(bad);
    bool badSeen = false;
    bool goodSeen = false;
    for (int step = 0; step < 2; ++step) {
        SCOPED_TRACE(step);
        DWORD sequence = 0;
        int which = LoadNext(captures, &sequence);
        ASSERT_GE(which, 0);
        if (which == 1) {
            // The bad file is gone and the clipboard untouched.
            badSeen = true;
            EXPECT_EQ(sequence, GetClipboardSequenceNumber());
        } else {
            goodSeen = true;
            EXPECT_EQ(ViewBitmap, app.view);
            EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(captures[0].colors)));
        }
    }
    EXPECT_TRUE(badSeen);
    EXPECT_TRUE(goodSeen);
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(captures[0].colors)));
}

TEST_F(DosCaptureTest, ClearClipboardWhileActiveLoadsACaptureAtOnce) {
    Capture capture = WriteCapture(folder, "DKOVL020.BMP", 11, 9, 20);
    ResetFeedback();
    Command(CmdClearClipboard);
    ASSERT_TRUE(PumpUntil([&] { return app.view == ViewBitmap; }));
    EXPECT_FALSE(FileExists(capture.path));
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(capture.colors)));
    EXPECT_EQ(0, feedback.count);
    // With no capture left, clearing leaves the window empty and says nothing.
    Command(CmdClearClipboard);
    PumpMessages();
    EXPECT_EQ(ViewNone, app.view);
    EXPECT_EQ(ScreenIntro, app.screen);
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_EQ(0, feedback.count);
}

TEST_F(DosCaptureTest, EmptiedWhileAnotherWindowIsActiveLoadsOneCaptureAtTheNextActivation) {
    std::vector<Capture> captures = WriteThree();
    ASSERT_TRUE(ActivateWindow(other));
    ASSERT_TRUE(EmptyClipboardAs(other));
    PumpMessages();
    EXPECT_EQ(3, CountPresent(captures));
    EXPECT_EQ(ViewNone, app.view);
    EXPECT_EQ(1, app.dosCapturePending);

    std::vector<bool> before = Present(captures);
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    ASSERT_TRUE(PumpUntil([&] { return CountPresent(captures) < 3; }));
    PumpUntil([] { return app.view == ViewBitmap; });
    int which = Vanished(before, Present(captures));
    ASSERT_GE(which, 0);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(captures[size_t(which)].colors)));
    // Later activations look no more.
    ASSERT_TRUE(ActivateWindow(other));
    ASSERT_TRUE(ActivateWindow(app.mainWindow));
    // The check posted by an activation (if any) has run once the queue is through.
    ASSERT_TRUE(PumpUntilPostedHandled());
    EXPECT_EQ(2, CountPresent(captures));
}

TEST_F(DosCaptureTest, LoadingNeverBringsTheWindowForward) {
    const struct {
        const char* what;
        bool minimised;
        unsigned command;
    } cases[] = {
        {"Ctrl+N behind another window", false, CmdNextDosCapture},
        {"Ctrl+N while minimised", true, CmdNextDosCapture},
        {"the posted check while minimised", true, CmdLoadDosCapture},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Capture capture = WriteCapture(folder, "DKOVL030.BMP", 13, 8, 30);
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
        app.popupMode = 1;
        ASSERT_TRUE(ActivateWindow(other));
        if (c.minimised) {
            ShowWindow(app.mainWindow, SW_MINIMIZE);
            PumpMessages();
            ASSERT_TRUE(IsIconic(app.mainWindow));
        }
        if (c.command == CmdLoadDosCapture) {
            PostMessageA(app.mainWindow, WM_COMMAND, c.command, 0);
            EXPECT_TRUE(PumpUntil([&] { return !FileExists(capture.path); }));
        } else {
            Command(c.command);
        }
        PumpMessages();
        EXPECT_FALSE(FileExists(capture.path));
        EXPECT_EQ(ViewBitmap, app.view);
        EXPECT_EQ(other, GetActiveWindow());
        EXPECT_EQ(c.minimised, IsIconic(app.mainWindow) != FALSE);
        EXPECT_EQ(1, app.popupMode);
        // A bitmap from another program does bring it forward: popup mode is on.
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
        EXPECT_EQ(app.mainWindow, GetActiveWindow());
    }
}

TEST_F(DosCaptureTest, ATemporaryFolderWithOrWithoutItsBackslash) {
    std::string own = FreshTempFolder("dos-folder");
    for (const std::string& given : {own, own + "\\"}) {
        SCOPED_TRACE(given);
        SetTempFolder(given.c_str());
        Capture capture = WriteCapture(own + "\\", "DKOVL040.BMP", 14, 3, 40);
        ResetFeedback();
        Command(CmdNextDosCapture);
        EXPECT_EQ(0, feedback.count) << feedback.events[0].text;
        EXPECT_STREQ((own + "\\DKOVL040.BMP").c_str(), app.dosCapturePath);
        EXPECT_FALSE(FileExists(capture.path));
        EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(capture.colors)));
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
    }
}

// A capture the capturer still holds open is not taken: Ctrl+N says there is none and the file
// stays; once it is closed it loads.
TEST_F(DosCaptureTest, ACaptureStillBeingWrittenWaits) {
    Capture capture = WriteCapture(folder, "DKOVL050.BMP", 10, 10, 50);
    HANDLE writing = CreateFileA(capture.path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                 FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writing);
    DWORD sequence = GetClipboardSequenceNumber();
    ResetFeedback();
    Command(CmdNextDosCapture);
    CloseHandle(writing);
    ASSERT_EQ(2, feedback.count);
    EXPECT_STREQ("There are no more DOS captures to display.", feedback.events[1].text);
    EXPECT_TRUE(FileExists(capture.path));
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
    ResetFeedback();
    Command(CmdNextDosCapture);
    EXPECT_EQ(0, feedback.count);
    EXPECT_FALSE(FileExists(capture.path));
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(capture.colors)));
}

// A capture that is a BMP file but cannot be placed, because another program holds the
// clipboard, is kept and said so; it loads at the next Ctrl+N. The posted check keeps it
// silently.
TEST_F(DosCaptureTest, ACaptureThatCannotBePlacedIsKept) {
    Capture capture = WriteCapture(folder, "DKOVL060.BMP", 8, 8, 60);
    DWORD sequence = GetClipboardSequenceNumber();
    for (unsigned command : {CmdNextDosCapture, CmdLoadDosCapture}) {
        SCOPED_TRACE(command);
        ResetFeedback();
        {
            ClipboardHeld held;
            ASSERT_TRUE(held.Holding());
            // Sent without pumping: the clipboard is held only while the command runs.
            SendMessageA(app.mainWindow, WM_COMMAND, command, 0);
        }
        PumpMessages();
        EXPECT_TRUE(FileExists(capture.path));
        EXPECT_EQ(sequence, GetClipboardSequenceNumber());
        if (command == CmdNextDosCapture) {
            ASSERT_EQ(2, feedback.count);
            EXPECT_EQ(FeedbackBeep, feedback.events[0].kind);
            EXPECT_STREQ("ERROR", feedback.events[1].title);
            EXPECT_STREQ("The image cannot be put on the clipboard.", feedback.events[1].text);
        } else {
            EXPECT_EQ(0, feedback.count);
        }
    }
    ResetFeedback();
    Command(CmdNextDosCapture);
    EXPECT_EQ(0, feedback.count);
    EXPECT_FALSE(FileExists(capture.path));
    EXPECT_EQ("", FirstDifference(ClipboardRgb(), UpsideDown(capture.colors)));
}

} // namespace
