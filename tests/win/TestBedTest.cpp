// The test bed's own tools, checked against the real system: scripted dialogs, the file
// dialog, recorded boxes and beeps, and clipboard placement from a second process.
#include <gtest/gtest.h>

#include "platform/Feedback.h"
#include "shell/CommandIds.h"
#include "platform/ClipboardAccess.h"
#include "tests/win/TestBed.h"

#include <commdlg.h>
#include <string.h>

namespace {

constexpr int FieldA = 101;
constexpr int FieldB = 102;

// A dialog with two edit fields, OK and Cancel, built in memory. On WM_COMMAND IDOK it keeps
// both fields' texts; when field A loses the focus it copies its text, doubled, into field B.
struct TwoFieldResult {
    char a[32];
    char b[32];
};

INT_PTR CALLBACK TwoFieldProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG: SetWindowLongPtrA(dialog, DWLP_USER, lParam); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == FieldA && HIWORD(wParam) == EN_KILLFOCUS) {
            char text[16] = "";
            GetDlgItemTextA(dialog, FieldA, text, sizeof text);
            std::string doubled = std::string(text) + text;
            SetDlgItemTextA(dialog, FieldB, doubled.c_str());
        } else if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            TwoFieldResult* result =
                reinterpret_cast<TwoFieldResult*>(GetWindowLongPtrA(dialog, DWLP_USER));
            GetDlgItemTextA(dialog, FieldA, result->a, sizeof result->a);
            GetDlgItemTextA(dialog, FieldB, result->b, sizeof result->b);
            EndDialog(dialog, LOWORD(wParam));
        }
        return TRUE;
    default: return FALSE;
    }
}

// DLGTEMPLATE with four controls, laid out word by word.
std::vector<WORD> TwoFieldTemplate() {
    std::vector<WORD> t;
    auto align = [&t] {
        if (t.size() % 2 != 0) {
            t.push_back(0);
        }
    };
    auto dword = [&t](DWORD value) {
        t.push_back(LOWORD(value));
        t.push_back(HIWORD(value));
    };
    auto text = [&t](const wchar_t* s) {
        for (; *s != 0; ++s) {
            t.push_back(static_cast<WORD>(*s));
        }
        t.push_back(0);
    };
    dword(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | WS_VISIBLE);
    dword(0);
    t.push_back(4); // controls
    t.push_back(10);
    t.push_back(10);
    t.push_back(160);
    t.push_back(80);
    t.push_back(0); // no menu
    t.push_back(0); // default class
    text(L"Two fields");
    struct Control {
        DWORD style;
        short x, y, cx, cy;
        WORD id;
        WORD classAtom;
        const wchar_t* text;
    } controls[] = {
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 10, 10, 60, 12, FieldA,
         0x0081, L""},
        {WS_CHILD | WS_VISIBLE | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL, 80, 10, 60, 12, FieldB,
         0x0081, L""},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_DEFPUSHBUTTON, 10, 50, 50, 14, IDOK, 0x0080,
         L"OK"},
        {WS_CHILD | WS_VISIBLE | WS_TABSTOP, 80, 50, 50, 14, IDCANCEL, 0x0080, L"Cancel"},
    };
    for (const Control& c : controls) {
        align();
        if (t.size() % 2 != 0) {
            t.push_back(0);
        }
        // DLGITEMTEMPLATE must start on a DWORD boundary.
        while (t.size() % 2 != 0) {
            t.push_back(0);
        }
        dword(c.style);
        dword(0);
        t.push_back(static_cast<WORD>(c.x));
        t.push_back(static_cast<WORD>(c.y));
        t.push_back(static_cast<WORD>(c.cx));
        t.push_back(static_cast<WORD>(c.cy));
        t.push_back(c.id);
        t.push_back(0xFFFF);
        t.push_back(c.classAtom);
        text(c.text);
        t.push_back(0); // no creation data
    }
    return t;
}

struct DialogCase {
    const char* what;
    std::vector<DialogAction> actions;
    INT_PTR result;
    const char* a;
    const char* b;
};

TEST(TestBed, DialogDriverFillsFieldsMovesFocusAndPressesButtons) {
    const DialogCase cases[] = {
        {"type, leave the field, OK",
         {{DialogAction::Focus, FieldA, ""},
          {DialogAction::Type, FieldA, "12"},
          {DialogAction::Focus, FieldB, ""},
          {DialogAction::Read, FieldB, ""},
          {DialogAction::Post, IDOK, ""}},
         IDOK,
         "12",
         "1212"},
        {"type without leaving the field, cancel",
         {{DialogAction::Type, FieldB, "7"}, {DialogAction::Post, IDCANCEL, ""}},
         IDCANCEL,
         "",
         "7"},
    };
    std::vector<WORD> dialogTemplate = TwoFieldTemplate();
    for (const DialogCase& c : cases) {
        TwoFieldResult result = {};
        DialogScript driver("", c.actions);
        INT_PTR ended = DialogBoxIndirectParamA(
            GetModuleHandleA(nullptr), reinterpret_cast<DLGTEMPLATE*>(dialogTemplate.data()),
            nullptr, TwoFieldProc, reinterpret_cast<LPARAM>(&result));
        EXPECT_TRUE(driver.Finished()) << c.what;
        EXPECT_EQ(c.result, ended) << c.what;
        EXPECT_STREQ(c.a, result.a) << c.what;
        EXPECT_STREQ(c.b, result.b) << c.what;
        EXPECT_EQ("Two fields", driver.title) << c.what;
        if (c.result == IDOK) {
            ASSERT_EQ(1u, driver.reads.size());
            EXPECT_EQ("1212", driver.reads[0]) << c.what;
        }
    }
}

TEST(TestBed, DialogDriverAnswersTheFileDialog) {
    char fileName[MAX_PATH] = "";
    OPENFILENAMEA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFilter = "BMP files (*.BMP)\0*.BMP\0";
    dialog.lpstrFile = fileName;
    dialog.nMaxFile = sizeof fileName;
    dialog.lpstrTitle = "Save test";
    dialog.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    std::string wanted = std::string(temp) + "kovel-testbed.bmp";
    DeleteFileA(wanted.c_str());
    DialogScript driver("", {{DialogAction::FileName, 0, wanted}});
    BOOL chosen = GetSaveFileNameA(&dialog);
    EXPECT_TRUE(driver.Finished());
    EXPECT_TRUE(chosen) << "CommDlgExtendedError " << CommDlgExtendedError();
    EXPECT_STRCASEEQ(wanted.c_str(), fileName);
    EXPECT_EQ("Save test", driver.title);
}

TEST(TestBed, FeedbackIsRecordedInsteadOfShown) {
    FeedbackLog log = {};
    RecordFeedback(&log);
    EXPECT_EQ(IDOK, ShowBox(nullptr, "The clipboard is empty.", "CLIPBOARD STATUS", 0));
    SoundBeep(0xFFFFFFFF);
    EXPECT_TRUE(CallWinHelp(nullptr, "WPLN.HLP", HELP_CONTENTS, 0));
    RecordFeedback(nullptr);
    ASSERT_EQ(3, log.count);
    EXPECT_EQ(FeedbackBox, log.events[0].kind);
    EXPECT_STREQ("The clipboard is empty.", log.events[0].text);
    EXPECT_STREQ("CLIPBOARD STATUS", log.events[0].title);
    EXPECT_EQ(FeedbackBeep, log.events[1].kind);
    EXPECT_EQ(0xFFFFFFFFu, log.events[1].code);
    EXPECT_EQ(FeedbackHelp, log.events[2].kind);
    EXPECT_EQ(static_cast<UINT>(HELP_CONTENTS), log.events[2].code);
}

TEST(TestBed, HelpQuitWithNoHelpOpenReturnsAtOnce) {
    // The real call, as WM_DESTROY makes it when recording is off: no help viewer is open, so
    // it must not start one (which would ask about a missing file and block).
    EXPECT_TRUE(CallWinHelp(nullptr, "WPLN.HLP", HELP_QUIT, 0));
    EXPECT_EQ(nullptr, FindWindowA("MS_WINHELP", nullptr));
}

TEST(TestBed, PlacementFromASecondProcessKeepsTheOrder) {
    const std::vector<UINT> orders[] = {
        {CF_TEXT, PrivateFormat()}, {PrivateFormat(), CF_DIB}, {CF_PALETTE, CF_BITMAP}};
    for (const std::vector<UINT>& placed : orders) {
        ASSERT_TRUE(PlaceFormatsFromOtherProcess(placed));
        std::vector<UINT> listed = ClipboardFormats();
        ASSERT_GE(listed.size(), placed.size());
        // The placed formats come first and in order (CF_LOCALE may follow the first text).
        std::vector<UINT> firsts;
        for (UINT format : listed) {
            if (format != CF_LOCALE && firsts.size() < placed.size()) {
                firsts.push_back(format);
            }
        }
        EXPECT_EQ(placed, firsts) << FormatList(listed);
    }
    EmptyClipboardAs(OtherAppWindow());
}

TEST(TestBed, ScreenCaptureHelperPutsTheScreenOnTheClipboard) {
    DWORD exitCode = 1;
    ASSERT_TRUE(RunTestProgram("--kovel-capture-screen", &exitCode));
    EXPECT_EQ(0u, exitCode);
    HWND other = OtherAppWindow();
    ASSERT_TRUE(OpenClipboardRetry(other));
    HBITMAP bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    bool read = bitmap != nullptr && GetObjectA(bitmap, sizeof info, &info) == sizeof info;
    CloseClipboard();
    ASSERT_TRUE(read);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), info.bmWidth);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), info.bmHeight);
    EXPECT_EQ(DisplayBits(), info.bmBitsPixel * info.bmPlanes);
    EmptyClipboardAs(other);
}

// ---- The main window fixture ----

using MainWindowFixtureTest = MainWindowFixture;

TEST_F(MainWindowFixtureTest, ClientPixelsThroughPrintAndScreenAgree) {
    ClientPixels printed = Pixels(PixelsPrinted);
    ClientPixels shown = Pixels(PixelsOnScreen);
    ASSERT_FALSE(printed.rgb.empty());
    ASSERT_EQ(printed.width, shown.width);
    ASSERT_EQ(printed.height, shown.height);
    int x = printed.width / 2;
    int y = printed.height / 2;
    COLORREF a = printed.At(x, y);
    COLORREF b = shown.At(x, y);
    // At 16 bits the screen holds 5 or 6 bits per channel.
    EXPECT_NEAR(GetRValue(a), GetRValue(b), 8);
    EXPECT_NEAR(GetGValue(a), GetGValue(b), 8);
    EXPECT_NEAR(GetBValue(a), GetBValue(b), 8);
}

TEST_F(MainWindowFixtureTest, StartsActiveWithAClientAreaAndAnEmptyLog) {
    EXPECT_EQ(app.mainWindow, GetActiveWindow());
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(std::vector<UINT>{}, ClipboardFormats());
    RECT now;
    GetClientRect(app.mainWindow, &now);
    EXPECT_TRUE(EqualRect(&now, &client));
    for (PixelSource source : {PixelsPrinted, PixelsOnScreen}) {
        ClientPixels pixels = Pixels(source);
        EXPECT_EQ(client.right, pixels.width);
        EXPECT_EQ(client.bottom, pixels.height);
        EXPECT_EQ(size_t(client.right) * size_t(client.bottom), pixels.rgb.size());
    }
}

TEST_F(MainWindowFixtureTest, EachSourceKindReachesTheView) {
    static const WORD rows[8] = {0xFF00, 0x8100, 0xBD00, 0xA500, 0xA500, 0xBD00, 0x8100, 0xFF00};
    std::vector<uint8_t> dib(sizeof(BITMAPINFOHEADER) + 2 * 4 + 8 * 4);
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 8;
    header.biHeight = 8;
    header.biPlanes = 1;
    header.biBitCount = 1;
    memcpy(dib.data(), &header, sizeof header);
    dib[sizeof header + 4] = dib[sizeof header + 5] = dib[sizeof header + 6] = 255; // white
    const struct {
        const char* what;
        ClipSource source;
        UINT listedFirst;
        ViewFormat view;
    } cases[] = {
        {"formats", ClipSource::Formats({PrivateFormat(), CF_TEXT}), PrivateFormat(), ViewAnsiText},
        {"OEM text", ClipSource::Text(CF_OEMTEXT, "Tom & Jerry"), CF_OEMTEXT, ViewOemText},
        {"bitmap", ClipSource::Bitmap(CreateBitmap(8, 8, 1, 1, rows)), CF_BITMAP, ViewBitmap},
        {"DIB", ClipSource::Dib(dib), CF_DIB, ViewBitmap},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(Place(c.source)) << c.what;
        std::vector<UINT> listed = ClipboardFormats();
        ASSERT_FALSE(listed.empty()) << c.what;
        EXPECT_EQ(c.listedFirst, listed[0]) << c.what;
        EXPECT_EQ(c.view, app.view) << c.what;
    }
}

TEST_F(MainWindowFixtureTest, CommandWithDialogRunsOnTheDialogTheCommandOpens) {
    DialogRun run = CommandWithDialog(CmdOpenBmp, "", {{DialogAction::Press, IDCANCEL, ""}});
    EXPECT_TRUE(run.finished);
    EXPECT_FALSE(run.escaped);
    EXPECT_EQ("OPEN PICTURE FILE", run.title);
    EXPECT_EQ(app.mainWindow, run.owner);
}

} // namespace
