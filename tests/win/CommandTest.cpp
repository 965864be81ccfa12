// The command dispatch: every refusal box from the state that causes it, the menu check marks,
// the display and clipboard commands, help, the information screens and the commands whose
// work lies elsewhere.
#include <gtest/gtest.h>

#include <string.h>

#include "shell/CommandIds.h"
#include "shell/HelpCommands.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class CommandTest : public MainWindowFixture {
  protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetHelpFolder(nullptr); // the help test names a folder of its own
    }
};

// The boxes as the user must see them.
struct Box {
    const char* title;
    const char* text;
};
const Box empty = {"CLIPBOARD STATUS", "The clipboard is empty."};
const Box emptyError = {"ERROR", "The clipboard is empty."};
const Box isText = {"DISPLAY  IS  TEXT",
                    "To crop a rectangular area of text or to transform the\nimage, first convert "
                    "the text to a bitmap by selecting\n\"Text to bitmap\" from the Options menu."};
const Box isBitmapColors = {
    "DISPLAY  IS  BITMAP",
    "To change the colors of this image, select\n\"Invert colors\" from the Options menu.\n\nTo "
    "display clipboard text, pull down the\nDisplay menu and select a text format."};
const Box isBitmapNoTransform = {
    "DISPLAY  IS  BITMAP",
    "The displayed image is a bitmap; no transformation\nis necessary.  To display clipboard "
    "text, pull down\nthe Display menu and select a text format."};
const Box noRectangle = {
    "Capture rectangle to clipboard...",
    "No rectangle has been drawn.  You may do so with\nthe mouse, or select \"Enter "
    "coordinates\" to use the\nkeyboard.  You may then save the rectangle to a file,\nor put it "
    "onto the clipboard by selecting this option."};
const Box noBitmap = {"CLIPBOARD STATUS", "No bitmap image exists on the clipboard."};
const Box noOem = {"CLIPBOARD STATUS", "No OEM text exists on the clipboard."};
const Box noAnsi = {"CLIPBOARD STATUS", "No ANSI text exists on the clipboard."};
const Box noText = {"CLIPBOARD STATUS", "No text exists on the clipboard."};
const Box noDosCapture = {"DOS CAPTURE STATUS", "There are no more DOS captures to display."};

// What a refused command must leave as it was.
struct Snapshot {
    Screen screen;
    ViewFormat view;
    int32_t rectShown;
    RECT rectClient;
    int32_t blackOnWhite;
    int16_t popupMode;
    uint16_t tifCompression;
    std::string title;
    std::vector<UINT> formats;
    bool operator==(const Snapshot& o) const {
        return screen == o.screen && view == o.view && rectShown == o.rectShown &&
               EqualRect(&rectClient, &o.rectClient) && blackOnWhite == o.blackOnWhite &&
               popupMode == o.popupMode && tifCompression == o.tifCompression && title == o.title &&
               formats == o.formats;
    }
};

Snapshot Take() {
    char title[128] = "";
    GetWindowTextA(app.mainWindow, title, sizeof title);
    return {app.screen,    app.view,           app.rectShown, app.rectClient,    app.blackOnWhite,
            app.popupMode, app.tifCompression, title,         ClipboardFormats()};
}

const int keep = -1;

struct RefusalCase {
    const char* what;
    std::vector<UINT> placed; // formats placed by another application
    int view;                 // forced afterwards, or keep
    int screen;               // forced afterwards, or keep
    int rectShown;            // forced afterwards, or keep
    unsigned command;
    Box box;
};

TEST_F(CommandTest, EveryRefusalBoxFromTheStateThatCausesIt) {
    const RefusalCase cases[] = {
        {"save BMP, empty clipboard", {}, keep, keep, keep, CmdSaveBmp, empty},
        {"save GIF, empty clipboard", {}, keep, keep, keep, CmdSaveGif, empty},
        {"save PCX, empty clipboard", {}, keep, keep, keep, CmdSavePcx, empty},
        {"save TIF, empty clipboard", {}, keep, keep, keep, CmdSaveTif, empty},
        {"save PNG, empty clipboard", {}, keep, keep, keep, CmdSavePng, empty},
        {"save PNG, bitmap view without a bitmap",
         {CF_TEXT},
         ViewBitmap,
         keep,
         keep,
         CmdSavePng,
         empty},
        {"save BMP, text view without text",
         {CF_BITMAP},
         ViewAnsiText,
         keep,
         keep,
         CmdSaveBmp,
         empty},
        {"save TIF, bitmap view without a bitmap",
         {CF_TEXT},
         ViewBitmap,
         keep,
         keep,
         CmdSaveTif,
         empty},
        {"save OEM text, bitmap only", {CF_BITMAP}, keep, keep, keep, CmdSaveOemText, noOem},
        {"save ANSI text, bitmap only", {CF_BITMAP}, keep, keep, keep, CmdSaveAnsiText, noAnsi},
        {"save OEM text, empty", {}, keep, keep, keep, CmdSaveOemText, noOem},
        {"save Unicode text, bitmap only",
         {CF_BITMAP},
         keep,
         keep,
         keep,
         CmdSaveUnicodeText,
         noText},
        {"save ANSI text, private only",
         {PrivateFormat()},
         keep,
         keep,
         keep,
         CmdSaveAnsiText,
         noAnsi},
        {"show bitmap in no view with a bitmap there",
         {CF_BITMAP},
         ViewNone,
         ScreenIntro,
         keep,
         CmdShowBitmap,
         noBitmap},
        {"show bitmap, text only", {CF_TEXT}, keep, keep, keep, CmdShowBitmap, noBitmap},
        {"show OEM text, bitmap only", {CF_BITMAP}, keep, keep, keep, CmdShowOemText, noOem},
        {"show ANSI text, bitmap only", {CF_BITMAP}, keep, keep, keep, CmdShowAnsiText, noAnsi},
        {"show ANSI text in no view with text there",
         {CF_TEXT},
         ViewNone,
         ScreenIntro,
         keep,
         CmdShowAnsiText,
         noAnsi},
        {"show OEM text, empty", {}, keep, keep, keep, CmdShowOemText, noOem},
        {"enter coordinates, text view", {CF_TEXT}, keep, keep, keep, CmdEnterCoordinates, isText},
        {"enter coordinates, empty", {}, keep, keep, keep, CmdEnterCoordinates, empty},
        {"black on white, bitmap view",
         {CF_BITMAP},
         keep,
         keep,
         keep,
         CmdBlackOnWhite,
         isBitmapColors},
        {"white on black, bitmap view",
         {CF_DIB},
         keep,
         keep,
         keep,
         CmdWhiteOnBlack,
         isBitmapColors},
        {"invert, text view", {CF_OEMTEXT}, keep, keep, keep, CmdInvertColors, isText},
        {"reverse x, text view",
         {CF_TEXT, CF_BITMAP},
         ViewAnsiText,
         keep,
         keep,
         CmdReverseX,
         isText},
        {"reverse y, empty", {}, keep, keep, keep, CmdReverseY, empty},
        {"invert, empty", {}, keep, keep, keep, CmdInvertColors, empty},
        {"stretch, empty", {}, keep, keep, keep, CmdStretch, empty},
        {"stretch, no view with a bitmap there",
         {CF_BITMAP},
         ViewNone,
         ScreenIntro,
         keep,
         CmdStretch,
         empty},
        {"stretch, text view", {CF_TEXT}, keep, keep, keep, CmdStretch, isText},
        {"print, intro screen", {}, keep, keep, keep, CmdPrint, empty},
        {"print, intro screen with a bitmap there",
         {CF_BITMAP},
         ViewNone,
         ScreenIntro,
         keep,
         CmdPrint,
         empty},
        {"print, bitmap view without a bitmap",
         {CF_TEXT},
         ViewBitmap,
         keep,
         keep,
         CmdPrint,
         emptyError},
        {"print, OEM view with ANSI text only",
         {CF_BITMAP},
         ViewOemText,
         keep,
         keep,
         CmdPrint,
         emptyError},
        {"capture rectangle, none drawn",
         {CF_BITMAP},
         keep,
         keep,
         keep,
         CmdCaptureRect,
         noRectangle},
        {"capture rectangle, text view with a rectangle",
         {CF_TEXT},
         keep,
         keep,
         1,
         CmdCaptureRect,
         noRectangle},
        {"capture rectangle, empty", {}, keep, keep, keep, CmdCaptureRect, noRectangle},
        {"text to bitmap, bitmap view",
         {CF_BITMAP, CF_TEXT},
         ViewBitmap,
         keep,
         keep,
         CmdTextToBitmap,
         isBitmapNoTransform},
        {"text to bitmap, empty", {}, keep, keep, keep, CmdTextToBitmap, empty},
        {"text to bitmap, text view without text",
         {CF_BITMAP},
         ViewOemText,
         keep,
         keep,
         CmdTextToBitmap,
         empty},
    };
    for (const RefusalCase& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(c.placed.empty() ? EmptyClipboardAs(other)
                                     : Place(ClipSource::Formats(c.placed)));
        if (c.view != keep) {
            app.view = static_cast<ViewFormat>(c.view);
        }
        if (c.screen != keep) {
            app.screen = static_cast<Screen>(c.screen);
        }
        if (c.rectShown != keep) {
            app.rectShown = c.rectShown;
        }
        PumpMessages();
        Snapshot before = Take();
        ResetFeedback();
        Command(c.command);
        ASSERT_EQ("", BeepThenBox(c.box.title, c.box.text));
        EXPECT_EQ(UINT(MB_OK), feedback.events[1].code);
        EXPECT_TRUE(before == Take());
    }
}

TEST_F(CommandTest, NoMoreDosCapturesIsSaidWhenThereIsNone) {
    // A capture left by an earlier run would be found: it goes first.
    ASSERT_TRUE(RemoveDosCaptures(SystemTempFolder()));
    Snapshot before = Take();
    Command(CmdNextDosCapture);
    ASSERT_EQ(2, feedback.count);
    EXPECT_EQ(FeedbackBeep, feedback.events[0].kind);
    EXPECT_STREQ(noDosCapture.title, feedback.events[1].title);
    EXPECT_STREQ(noDosCapture.text, feedback.events[1].text);
    EXPECT_TRUE(before == Take());
    // The posted check says nothing when there is nothing.
    ResetFeedback();
    Command(CmdLoadDosCapture);
    EXPECT_EQ(0, feedback.count);
}

bool Checked(unsigned command) {
    return (GetMenuState(GetMenu(app.mainWindow), command, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

TEST_F(CommandTest, PopupModeTogglesItsCheckMark) {
    EXPECT_EQ(1, app.popupMode);
    EXPECT_TRUE(Checked(CmdPopupMode));
    Command(CmdPopupMode);
    EXPECT_EQ(0, app.popupMode);
    EXPECT_FALSE(Checked(CmdPopupMode));
    Command(CmdPopupMode);
    EXPECT_EQ(1, app.popupMode);
    EXPECT_TRUE(Checked(CmdPopupMode));
    EXPECT_EQ(0, feedback.count);
}

TEST_F(CommandTest, TifCompressionMovesItsOneCheckMark) {
    const struct {
        unsigned command;
        uint16_t compression;
    } choices[] = {{CmdTifNone, 1},
                   {CmdTifLzw16k, 6},
                   {CmdTifPackBits, 32773},
                   {CmdTifLzw8k, 5},
                   {CmdTifLzw8k, 5}};
    for (const auto& choice : choices) {
        Command(choice.command);
        EXPECT_EQ(choice.compression, app.tifCompression) << choice.command;
        for (unsigned item : {CmdTifNone, CmdTifLzw8k, CmdTifLzw16k, CmdTifPackBits}) {
            EXPECT_EQ(item == choice.command, Checked(item)) << choice.command << " " << item;
        }
    }
    EXPECT_EQ(0, feedback.count);
}

TEST_F(CommandTest, TextColoursRepaintTheTextViewAndMoveTheirChecks) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_EQ(ViewAnsiText, app.view);
    const struct {
        unsigned command;
        int32_t blackOnWhite;
        COLORREF paper;
    } steps[] = {{CmdBlackOnWhite, 1, RGB(255, 255, 255)},
                 {CmdWhiteOnBlack, 0, RGB(0, 0, 0)},
                 {CmdWhiteOnBlack, 0, RGB(0, 0, 0)},
                 {CmdBlackOnWhite, 1, RGB(255, 255, 255)}};
    for (const auto& step : steps) {
        StartRecordingMessages(app.mainWindow);
        Command(step.command);
        // A repaint follows even when nothing changed.
        EXPECT_GE(CountRecorded(WM_PAINT, 0, true), 1) << step.command;
        StopRecordingMessages();
        EXPECT_EQ(step.blackOnWhite, app.blackOnWhite);
        EXPECT_EQ(step.blackOnWhite == 1, Checked(CmdBlackOnWhite));
        EXPECT_EQ(step.blackOnWhite == 0, Checked(CmdWhiteOnBlack));
        ClientPixels shown = Pixels(PixelsOnScreen);
        ASSERT_FALSE(shown.rgb.empty());
        EXPECT_EQ(step.paper, shown.At(client.right - 1, client.bottom - 1)) << step.command;
    }
    // On the intro screen the colours change too: only the bitmap view refuses.
    ASSERT_TRUE(EmptyClipboardAs(other));
    Command(CmdWhiteOnBlack);
    EXPECT_EQ(0, app.blackOnWhite);
    EXPECT_EQ(0, feedback.count);
}

TEST_F(CommandTest, DisplayCommandsSwitchTheViewAndTextDropsTheRectangle) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP, CF_TEXT})));
    Command(CmdShowBitmap);
    EXPECT_EQ(ViewBitmap, app.view);
    app.rectShown = 1;
    app.rectClient = {10, 10, 50, 40};
    SetWindowTextA(app.mainWindow, "Width:040  Height:030");
    Command(CmdShowOemText);
    EXPECT_EQ(ViewOemText, app.view);
    EXPECT_EQ(0, app.rectShown);
    RECT none = {};
    EXPECT_TRUE(EqualRect(&none, &app.rectClient));
    char title[64];
    GetWindowTextA(app.mainWindow, title, sizeof title);
    EXPECT_STREQ("Palorin", title);
    Command(CmdShowAnsiText);
    EXPECT_EQ(ViewAnsiText, app.view);
    // Back to the bitmap: the rectangle stays as it is.
    app.rectShown = 1;
    Command(CmdShowBitmap);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(0, feedback.count);
}

TEST_F(CommandTest, ClearClipboardEmptiesItAndTheView) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_EQ(ScreenClipboard, app.screen);
    Command(CmdClearClipboard);
    EXPECT_TRUE(ClipboardFormats().empty());
    EXPECT_EQ(ScreenIntro, app.screen);
    EXPECT_EQ(ViewNone, app.view);
}

TEST_F(CommandTest, HelpGoesToTheHelpFileOfTheIdentityAndClosesAtTheEnd) {
    // WinHelp is called only with the identity's .HLP in place beside the program (here: the
    // folder the tests name); the manual beside it then stays unused.
    std::string folder = FreshTempFolder("help-hlp");
    ASSERT_FALSE(folder.empty());
    ASSERT_TRUE(WriteFileBytes(folder + "\\WPLN.HLP", {'?', '_', 3, 0}));
    ASSERT_TRUE(CopyFileA(BesideTestProgram("PALORIN.CHM").c_str(),
                          (folder + "\\PALORIN.CHM").c_str(), FALSE));
    SetHelpFolder(folder.c_str());
    Command(CmdHelpContents);
    Command(CmdHelpSearch);
    Command(CmdHelpOnHelp);
    HWND window = app.mainWindow;
    StopMainWindow(); // WM_DESTROY closes the help file
    // The documented command values: contents 3, partial key 0x105, help on help 4, quit 2.
    const UINT expected[] = {3, 0x105, 4, 2};
    ASSERT_EQ(4, feedback.count);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(FeedbackHelp, feedback.events[i].kind);
        EXPECT_EQ(window, feedback.events[i].owner);
        EXPECT_EQ(expected[i], feedback.events[i].code);
        EXPECT_EQ(0u, feedback.events[i].data);
        EXPECT_EQ(folder + "\\WPLN.HLP", feedback.events[i].text);
    }
    EXPECT_EQ(nullptr, FindWindowA("HH Parent", nullptr)) << "the manual opened as well";
    SetHelpFolder(nullptr);
}

TEST_F(CommandTest, AnyCommandLeavesTheInformationScreenFirst) {
    Command(CmdAbout);
    ASSERT_EQ(ScreenAbout, app.screen);
    ASSERT_NE(nullptr, app.infoOkButton);
    Command(CmdSaveGif); // refused on the intro screen it returns to
    EXPECT_EQ(ScreenIntro, app.screen);
    EXPECT_EQ(nullptr, app.infoOkButton);
    ASSERT_EQ(2, feedback.count);
    EXPECT_STREQ(empty.text, feedback.events[1].text);

    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    Command(CmdSystemInfo);
    ASSERT_EQ(ScreenSystemInfo, app.screen);
    Command(CmdInfoOk);
    EXPECT_EQ(ScreenClipboard, app.screen);
    EXPECT_EQ(ViewAnsiText, app.view);
    EXPECT_EQ(nullptr, app.infoOkButton);
}

TEST_F(CommandTest, IdentifiersOutsideTheTableDoNothing) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    Snapshot before = Take();
    for (unsigned command : {0u, 256u, 275u, 280u, 300u, 301u, 311u, 0xFFFFu}) {
        Command(command);
    }
    EXPECT_EQ(0, feedback.count);
    EXPECT_TRUE(before == Take());
}

// Rectangle capture, text to bitmap, printing and the coordinates dialog are reached with their
// conditions met; they do nothing visible yet, and no box appears.
TEST_F(CommandTest, CommandsOfLaterWorkPassTheirGuardsSilently) {
    ASSERT_TRUE(Place(ClipSource::Formats({CF_BITMAP})));
    app.rectShown = 1;
    app.rectClient = {5, 5, 20, 20};
    Command(CmdCaptureRect);
    EXPECT_EQ(0, app.rectShown); // the band is removed after the capture
    // The coordinates dialog opens over the bitmap view; Cancel leaves everything as it was.
    DialogRun coordinates = CommandWithDialog(CmdEnterCoordinates, "Rectangle Coordinates",
                                              {{DialogAction::Press, IDCANCEL, ""}});
    EXPECT_TRUE(coordinates.finished);
    EXPECT_FALSE(coordinates.escaped);
    EXPECT_EQ(0, app.rectShown);
    {
        // Printing asks for a printer first; cancelled there, it prints nothing.
        DialogScript cancel("Print", {{DialogAction::Press, IDCANCEL, ""}}, PrinterWaitMs);
        Command(CmdPrint);
        EXPECT_TRUE(cancel.Finished());
    }
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    Command(CmdTextToBitmap);
    {
        DialogScript cancel("Print", {{DialogAction::Press, IDCANCEL, ""}}, PrinterWaitMs);
        Command(CmdPrint);
        EXPECT_TRUE(cancel.Finished());
    }
    EXPECT_EQ(0, feedback.count);
}

} // namespace
