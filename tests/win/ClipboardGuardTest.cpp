// Commands that use the clipboard's content, guarded before they run: content that its program
// marked private is neither shown nor read, and a clipboard another program holds open is said to
// be busy instead of the command doing nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "shell/RefusalBoxes.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

using ClipboardGuardTest = MainWindowFixture;

// Every command that reads or shows the clipboard's content.
const unsigned contentCommands[] = {
    CmdSaveBmp,      CmdSaveGif,      CmdSavePcx,         CmdSaveTif, CmdSavePng,
    CmdSaveOemText,  CmdSaveAnsiText, CmdSaveUnicodeText, CmdPrint,   CmdTextToBitmap,
    CmdInvertColors, CmdReverseX,     CmdReverseY,        CmdStretch, CmdCaptureRect,
    CmdShowBitmap,   CmdShowOemText,  CmdShowAnsiText,
};

// Sends the command while any dialog it opens would be cancelled; true when none opened (no
// file, printer or size was asked for, so nothing can have been written or printed).
bool RunWithoutDialog(unsigned command) {
    DialogScript driver("", {{DialogAction::Post, IDCANCEL, ""}});
    SendMessageA(app.mainWindow, WM_COMMAND, command, 0);
    return !driver.Finished();
}

std::string BoxText(RefusalBox box) {
    return RefusalBoxTextOf(box).text;
}

TEST_F(ClipboardGuardTest, PrivateContentIsNeitherShownNorRead) {
    const UINT markers[] = {ExcludeFromMonitoringFormat(), ViewerIgnoreFormat()};
    // Text placed first (the text view) and a bitmap placed first (the bitmap view).
    const std::vector<UINT> contents[] = {{CF_TEXT, CF_BITMAP}, {CF_BITMAP, CF_TEXT}};
    for (UINT marker : markers) {
        for (const std::vector<UINT>& content : contents) {
            SCOPED_TRACE(FormatList(content) + " marked " + std::to_string(marker));
            ASSERT_TRUE(Place(ClipSource::Formats(content)));
            ASSERT_EQ(ScreenClipboard, app.screen);
            ClientPixels shownContent = Pixels();
            std::vector<UINT> marked = content;
            marked.push_back(marker);
            ASSERT_TRUE(Place(ClipSource::Formats(marked)));
            EXPECT_EQ(ScreenPrivate, app.screen);
            EXPECT_EQ(ViewNone, app.view);
            // In both colour schemes: the paper of the scheme, some ink, not the content.
            for (unsigned colours : {CmdWhiteOnBlack, CmdBlackOnWhite}) {
                Command(colours);
                ClientPixels shown = Pixels();
                uint32_t paper = colours == CmdBlackOnWhite ? 0xFFFFFF : 0;
                EXPECT_EQ(paper, shown.rgb.back());
                EXPECT_GT(std::count_if(shown.rgb.begin(), shown.rgb.end(),
                                        [paper](uint32_t rgb) { return rgb != paper; }),
                          100);
                EXPECT_NE(shownContent.rgb, shown.rgb);
            }
            // The mouse marks nothing.
            DragMouse(app.mainWindow, {{10, 10}, {60, 50}});
            EXPECT_EQ(0, app.rectShown);
            DWORD sequence = GetClipboardSequenceNumber();
            for (unsigned command : contentCommands) {
                RecordFeedback(&feedback);
                EXPECT_TRUE(RunWithoutDialog(command)) << command;
                PumpMessages();
                EXPECT_EQ("", BeepThenBox("CLIPBOARD STATUS", BoxText(BoxPrivateContent).c_str()))
                    << command;
            }
            EXPECT_EQ(sequence, GetClipboardSequenceNumber());
            EXPECT_EQ(ScreenPrivate, app.screen);
        }
        // A minimised window is not brought forward by private content.
        ASSERT_TRUE(ActivateWindow(other));
        ShowWindow(app.mainWindow, SW_MINIMIZE);
        ASSERT_TRUE(PumpUntil([] { return IsIconic(app.mainWindow) != FALSE; }));
        ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP, marker})));
        PumpMessages(200);
        EXPECT_TRUE(IsIconic(app.mainWindow));
        EXPECT_EQ(other, GetActiveWindow());
        // The next ordinary change is shown as usual.
        ASSERT_TRUE(Place(ClipSource::Formats({CF_OEMTEXT})));
        EXPECT_EQ(ScreenClipboard, app.screen);
        EXPECT_EQ(ViewOemText, app.view);
        ShowWindow(app.mainWindow, SW_SHOWNORMAL);
        ASSERT_TRUE(ActivateWindow(app.mainWindow));
    }
}

struct BusyCase {
    const char* what;
    unsigned command;
    UINT text;      // 0: a bitmap on the clipboard; else text of this format
    bool rectangle; // a rectangle is marked first
};

const BusyCase busyCases[] = {
    {"save BMP", CmdSaveBmp, 0, false},
    {"save GIF", CmdSaveGif, 0, false},
    {"save PCX", CmdSavePcx, 0, false},
    {"save TIF", CmdSaveTif, 0, false},
    {"save PNG", CmdSavePng, 0, false},
    {"save a rectangle as BMP", CmdSaveBmp, 0, true},
    {"print bitmap", CmdPrint, 0, false},
    {"print rectangle", CmdPrint, 0, true},
    {"invert", CmdInvertColors, 0, false},
    {"reverse x", CmdReverseX, 0, false},
    {"reverse y", CmdReverseY, 0, false},
    {"stretch", CmdStretch, 0, false},
    {"capture rectangle", CmdCaptureRect, 0, true},
    {"print ANSI text", CmdPrint, CF_TEXT, false},
    {"print OEM text", CmdPrint, CF_OEMTEXT, false},
    {"text to bitmap", CmdTextToBitmap, CF_TEXT, false},
    {"save text as bitmap", CmdSaveGif, CF_TEXT, false},
    {"save ANSI text", CmdSaveAnsiText, CF_TEXT, false},
    {"save OEM text", CmdSaveOemText, CF_OEMTEXT, false},
    {"save Unicode text", CmdSaveUnicodeText, CF_TEXT, false},
    {"clear clipboard", CmdClearClipboard, CF_TEXT, false},
};

TEST_F(ClipboardGuardTest, ABusyClipboardIsReportedByEveryCommand) {
    for (const BusyCase& c : busyCases) {
        SCOPED_TRACE(c.what);
        if (c.text != 0) {
            ASSERT_TRUE(Place(ClipSource::Text(c.text, "held text")));
        } else {
            ASSERT_TRUE(
                Place(ClipSource::Bitmap(CreateDisplayBitmap(RandomRgb(200, 150, 7), nullptr))));
        }
        if (c.rectangle) {
            DragMouse(app.mainWindow, {{10, 10}, {80, 60}});
            ASSERT_EQ(1, app.rectShown);
        }
        std::vector<UINT> before = ClipboardFormats();
        DWORD sequence = GetClipboardSequenceNumber();
        RecordFeedback(&feedback);
        {
            ClipboardHeld held;
            ASSERT_TRUE(held.Holding());
            EXPECT_TRUE(RunWithoutDialog(c.command));
            EXPECT_TRUE(IsWindowEnabled(app.mainWindow));
        }
        PumpMessages();
        EXPECT_EQ("", BeepThenBox("CLIPBOARD STATUS", BoxText(BoxClipboardBusy).c_str()));
        EXPECT_EQ(before, ClipboardFormats());
        EXPECT_EQ(sequence, GetClipboardSequenceNumber());
        EXPECT_TRUE(IsWindowEnabled(app.mainWindow));
        if (c.rectangle) {
            EXPECT_EQ(1, app.rectShown);
            SendMessageA(app.mainWindow, WM_KEYDOWN, VK_ESCAPE, 0);
        }
    }
}

} // namespace
