// The save pipeline's shared pieces: the file dialog's record and its answers, the TXT saver
// (append, create, empty text, targets that cannot be written), the Open BMP loop and the
// "Processing..." window.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>
#include <fstream>
#include <iterator>

#include "bitmap/ClipboardText.h"
#include "bitmap/FileDialog.h"
#include "bitmap/ProgressWindow.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/TestBed.h"
#include "tests/win/UnicodeSamples.h"

namespace {

class SavePipelineTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        MainWindowFixture::SetUp();
        char folder[MAX_PATH];
        GetTempPathA(sizeof folder, folder);
        path = std::string(folder) + "kovel save pipeline.txt";
        Remove(path);
    }
    void TearDown() override {
        Remove(path);
        MainWindowFixture::TearDown();
    }
    static void Remove(const std::string& name) {
        SetFileAttributesA(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(name.c_str());
    }
    void Choose(const std::string& name) {
        memset(app.chosenFileName, 0, sizeof app.chosenFileName);
        strncpy(app.chosenFileName, name.c_str(), sizeof app.chosenFileName - 1);
    }
    std::string path;
};

std::string ReadFile(const std::string& name) {
    std::ifstream file(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

void WriteFile(const std::string& name, const std::string& bytes) {
    std::ofstream file(name, std::ios::binary);
    file.write(bytes.data(), std::streamsize(bytes.size()));
}

bool Exists(const std::string& name) {
    return GetFileAttributesA(name.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// ---- The dialog record ----

TEST(FileDialogRecord, FiltersTitlesFlagsAndTheOpenSaveDifference) {
    const struct {
        FileKind kind;
        int open;
        const char* title;
        const char* filter; // 45 bytes with the NULs
        DWORD flags;
    } cases[] = {
        {FileKindBmp, 1, "OPEN BMP FILE", "BMP Files (*.BMP)\0*.BMP\0All Files (*.*)\0*.*\0",
         0x1804},
        {FileKindBmp, 0, "SAVE TO BMP FILE", "BMP Files (*.BMP)\0*.BMP\0All Files (*.*)\0*.*\0",
         0x0804},
        {FileKindGif, 0, "SAVE TO GIF FILE", "GIF Files (*.GIF)\0*.GIF\0All Files (*.*)\0*.*\0",
         0x0804},
        {FileKindPcx, 0, "SAVE TO PCX FILE", "PCX Files (*.PCX)\0*.PCX\0All Files (*.*)\0*.*\0",
         0x0804},
        {FileKindTxt, 0, "SAVE TO TXT FILE", "TXT Files (*.TXT)\0*.TXT\0All Files (*.*)\0*.*\0",
         0x0804},
        {FileKindTif, 0, "SAVE TO TIF FILE", "TIF Files (*.TIF)\0*.TIF\0All Files (*.*)\0*.*\0",
         0x0804},
        {FileKindPng, 0, "SAVE TO PNG FILE", "PNG Files (*.PNG)\0*.PNG\0All Files (*.*)\0*.*\0",
         0x0804},
    };
    HWND owner = OtherAppWindow();
    for (const auto& c : cases) {
        SCOPED_TRACE(c.title);
        OPENFILENAMEA record;
        memset(&record, 0xCC, sizeof record);
        char title[FileDialogTitleSize];
        memset(title, 0xCC, sizeof title);
        FillFileDialogRecord(&record, title, owner, c.open, c.kind);
        // The record without the three fields added after version 4: 76 bytes, or 136 with
        // 64-bit pointers and their padding.
#ifdef _WIN64
        EXPECT_EQ(136u, record.lStructSize);
#else
        EXPECT_EQ(76u, record.lStructSize);
#endif
        EXPECT_EQ(owner, record.hwndOwner);
        EXPECT_EQ(nullptr, record.hInstance);
        EXPECT_EQ(0, memcmp(c.filter, record.lpstrFilter, 45));
        EXPECT_EQ(nullptr, record.lpstrCustomFilter);
        EXPECT_EQ(0u, record.nMaxCustFilter);
        EXPECT_EQ(1u, record.nFilterIndex);
        EXPECT_EQ(app.chosenFileName, record.lpstrFile);
        EXPECT_EQ(256u, record.nMaxFile);
        EXPECT_EQ(nullptr, record.lpstrFileTitle);
        EXPECT_EQ(nullptr, record.lpstrInitialDir);
        EXPECT_EQ(title, record.lpstrTitle);
        EXPECT_STREQ(c.title, title);
        for (size_t i = strlen(c.title); i < sizeof title; ++i) {
            EXPECT_EQ(0, title[i]) << i;
        }
        EXPECT_EQ(c.flags, record.Flags);
        EXPECT_EQ(0, record.nFileOffset);
        EXPECT_EQ(0, record.nFileExtension);
        EXPECT_STREQ("*", record.lpstrDefExt);
        EXPECT_EQ(0, record.lCustData);
        EXPECT_EQ(nullptr, record.lpfnHook);
        EXPECT_EQ(nullptr, record.lpTemplateName);
    }
}

TEST(FileDialogRecord, AFailedDialogIsReportedWithItsCode) {
    FeedbackLog log = {};
    RecordFeedback(&log);
    HWND owner = OtherAppWindow();
    ReportFileDialogError(owner, 0x3002);
    RecordFeedback(nullptr);
    ASSERT_EQ(1, log.count);
    EXPECT_EQ(FeedbackBox, log.events[0].kind);
    EXPECT_EQ(owner, log.events[0].owner);
    EXPECT_EQ(UINT(MB_ICONHAND), log.events[0].code);
    EXPECT_STREQ("WARNING", log.events[0].title);
    EXPECT_STREQ("GetOpenFileName returned Error #12290", log.events[0].text);
}

// ---- The dialog answered by the test ----

TEST_F(SavePipelineTest, CancelShowsNothingAndAChosenNameArrivesUnchanged) {
    {
        DialogScript driver("", {{DialogAction::Post, IDCANCEL, ""}});
        strcpy(app.chosenFileName, "left over");
        EXPECT_EQ(0, AskFileName(app.mainWindow, 0, FileKindGif));
        EXPECT_TRUE(driver.Finished());
        EXPECT_EQ("SAVE TO GIF FILE", driver.title);
        EXPECT_EQ(0, feedback.count);
        for (char c : app.chosenFileName) {
            ASSERT_EQ(0, c); // the dialog never proposes a name
        }
    }
    {
        DialogScript driver("", {{DialogAction::FileName, 0, path}});
        EXPECT_EQ(1, AskFileName(app.mainWindow, 0, FileKindTxt));
        EXPECT_EQ("SAVE TO TXT FILE", driver.title);
        EXPECT_EQ(path, std::string(app.chosenFileName));
        EXPECT_FALSE(Exists(path)); // choosing a name writes nothing
    }
    {
        // The open dialog finds an existing file.
        WriteFile(path, "x");
        DialogScript driver("", {{DialogAction::FileName, 0, path}});
        EXPECT_EQ(1, AskFileName(app.mainWindow, 1, FileKindBmp));
        EXPECT_EQ("OPEN BMP FILE", driver.title);
        EXPECT_EQ(path, std::string(app.chosenFileName));
    }
    EXPECT_EQ(0, feedback.count);
}

// ---- TXT files ----

// The UTF-16LE bytes of text (without a NUL).
std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

// Every script sample, a line each, and the same in UTF-8.
std::wstring SamplesText() {
    std::wstring text;
    for (const ScriptSample& sample : ScriptSamples())
        text += sample.text + L"\r\n";
    return text;
}
std::string SamplesUtf8() {
    std::string text;
    for (const ScriptSample& sample : ScriptSamples())
        text += sample.utf8 + "\r\n";
    return text;
}

struct TextSaveCase {
    const char* what;
    UINT placed;       // the format another application places
    std::string text;  // its bytes, a NUL follows
    unsigned command;  // CmdSaveOemText, CmdSaveAnsiText or CmdSaveUnicodeText
    bool fileExists;   // the target holds `before` first
    std::string after; // the file afterwards
};

TEST_F(SavePipelineTest, TextIsAppendedOrCreatedByteForByte) {
    const std::string before = "first line\r\n";
    const TextSaveCase cases[] = {
        {"ANSI, new file", CF_TEXT, "caf\xE9 & tea\r\n\tend", CmdSaveAnsiText, false,
         "caf\xE9 & tea\r\n\tend"},
        {"ANSI, appended", CF_TEXT, "more\r\n", CmdSaveAnsiText, true, before + "more\r\n"},
        {"OEM, new file", CF_OEMTEXT, "\x80\x81\x82 box \xC9\xCD\xBB", CmdSaveOemText, false,
         "\x80\x81\x82 box \xC9\xCD\xBB"},
        {"OEM, appended", CF_OEMTEXT, "\xB0\xB1\xB2", CmdSaveOemText, true,
         before + "\xB0\xB1\xB2"},
        {"empty text, new file", CF_TEXT, "", CmdSaveAnsiText, false, ""},
        {"empty text, appended", CF_OEMTEXT, "", CmdSaveOemText, true, before},
        {"bytes after the NUL stay behind", CF_TEXT, std::string("up to\0not this", 14),
         CmdSaveAnsiText, false, "up to"},
        // Unicode text: UTF-16LE bytes in, UTF-8 out, no byte-order mark.
        {"Unicode, every script, new file", CF_UNICODETEXT, Utf16Bytes(SamplesText()),
         CmdSaveUnicodeText, false, SamplesUtf8()},
        {"Unicode, appended, line ends kept", CF_UNICODETEXT, Utf16Bytes(L"a\nb\r\r\n"),
         CmdSaveUnicodeText, true, before + "a\nb\r\r\n"},
        {"Unicode, unpaired surrogates become U+FFFD", CF_UNICODETEXT,
         Utf16Bytes(std::wstring{0xD83D, L'x', 0xDE00}), CmdSaveUnicodeText, false,
         "\xEF\xBF\xBDx\xEF\xBF\xBD"},
        {"Unicode, a NUL ends the text", CF_UNICODETEXT, Utf16Bytes(std::wstring(L"up\0to", 5)),
         CmdSaveUnicodeText, false, "up"},
        // Four bytes of text and the one NUL byte: an odd block with no terminating unit.
        {"Unicode, odd block without its NUL", CF_UNICODETEXT, std::string("h\0i\0", 4),
         CmdSaveUnicodeText, false, "hi"},
    };
    for (const TextSaveCase& c : cases) {
        SCOPED_TRACE(c.what);
        Remove(path);
        if (c.fileExists) {
            WriteFile(path, before);
        }
        ASSERT_TRUE(Place(ClipSource::Text(c.placed, c.text)));
        ResetFeedback();
        DialogRun run = CommandWithDialog(c.command, "", {{DialogAction::FileName, 0, path}});
        EXPECT_TRUE(run.finished);
        EXPECT_FALSE(run.escaped);
        EXPECT_EQ(app.mainWindow, run.owner);
        EXPECT_EQ("SAVE TO TXT FILE", run.title);
        EXPECT_EQ(0, feedback.count);
        ASSERT_TRUE(Exists(path));
        EXPECT_EQ(c.after, ReadFile(path));
    }
}

TEST_F(SavePipelineTest, BothTextsOfOneClipboardGoToOneFile) {
    ASSERT_TRUE(
        Place({{{CF_TEXT, GlobalBytes("ansi\xE9", 6)}, {CF_OEMTEXT, GlobalBytes("oem\x82", 5)}}}));
    Choose(path);
    EXPECT_EQ(1, SaveClipboardText(0));
    EXPECT_EQ(1, SaveClipboardText(1));
    EXPECT_EQ(1, SaveClipboardText(7)); // any value but 0 means OEM
    EXPECT_EQ("ansi\xE9oem\x82oem\x82", ReadFile(path));
}

TEST_F(SavePipelineTest, ATargetThatCannotBeWrittenIsReportedAndLeftAsItWas) {
    ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, "new text")));
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string missingFolder = std::string(folder) + "kovel no such folder\\notes.txt";
    const std::string content = "keep me\r\n";

    // A read-only file.
    WriteFile(path, content);
    ASSERT_TRUE(SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY));
    // A file another program holds open without sharing.
    const std::string locked = std::string(folder) + "kovel locked.txt";
    Remove(locked);
    WriteFile(locked, content);
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, holder);

    const struct {
        const char* what;
        std::string name;
        bool existed;
    } cases[] = {
        {"read-only file", path, true},
        {"folder that does not exist", missingFolder, false},
        {"file held open by another program", locked, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Choose(c.name);
        ResetFeedback();
        EXPECT_EQ(0, SaveClipboardText(0));
        ASSERT_EQ(1, feedback.count);
        EXPECT_EQ(FeedbackBox, feedback.events[0].kind);
        EXPECT_EQ(app.mainWindow, feedback.events[0].owner);
        EXPECT_STREQ("ERROR", feedback.events[0].title);
        EXPECT_NE(nullptr, strstr(feedback.events[0].text, c.name.c_str()));
        if (c.name == locked) {
            CloseHandle(holder);
            holder = INVALID_HANDLE_VALUE;
        }
        if (c.existed) {
            EXPECT_EQ(content, ReadFile(c.name));
        } else {
            EXPECT_FALSE(Exists(c.name));
        }
    }
    if (holder != INVALID_HANDLE_VALUE) {
        CloseHandle(holder);
    }
    Remove(locked);
}

TEST_F(SavePipelineTest, OpenPictureOffersTheDialogAgainAfterAFileThatIsNoPicture) {
    WriteFile(path, "BN not a bitmap at all, but long enough to have a header.........");
    DialogRun run = CommandWithDialog(
        CmdOpenBmp, "", {{DialogAction::FileName, 0, path}, {DialogAction::Post, IDCANCEL, ""}});
    EXPECT_TRUE(run.finished);
    EXPECT_EQ("OPEN PICTURE FILE", run.title);
    ASSERT_EQ(2, feedback.count);
    EXPECT_EQ(FeedbackBeep, feedback.events[0].kind);
    EXPECT_STREQ("ERROR", feedback.events[1].title);
    EXPECT_STREQ("\"kovel save pipeline.txt\"\n\nNot a picture file -- cannot open.",
                 feedback.events[1].text);
    EXPECT_EQ(ScreenIntro, app.screen);
    // The file was closed again: it can be removed.
    EXPECT_TRUE(DeleteFileA(path.c_str()));
}

// ---- The "Processing..." window ----

TEST_F(SavePipelineTest, TheProgressWindowSitsInTheMiddleAndTakesNoActivation) {
    ShowProgressWindow();
    ASSERT_NE(nullptr, app.progressWindow);
    HWND window = app.progressWindow;
    // On the 1024 x 768 test screen: from 3/8 across and 2/5 down, a quarter wide and a fifth
    // high (fractions dropped).
    ASSERT_TRUE(OnTestScreen());
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(384, rect.left);
    EXPECT_EQ(307, rect.top);
    EXPECT_EQ(256, rect.right - rect.left);
    EXPECT_EQ(153, rect.bottom - rect.top);
    char className[32] = "";
    GetClassNameA(window, className, sizeof className);
    EXPECT_STREQ("static", CharLowerA(className));
    EXPECT_EQ(0x90400000u, DWORD(GetWindowLongA(window, GWL_STYLE)) & 0x90400000u);
    EXPECT_EQ(nullptr, GetParent(window));
    EXPECT_EQ(app.mainWindow, GetActiveWindow());
    char text[8] = "x";
    GetWindowTextA(window, text, sizeof text);
    EXPECT_STREQ("", text);

    // "Processing..." in the default font, its top left corner at (2d, 2d).
    HDC dc = GetDC(window);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, "Processing...", 13, &extent);
    ReleaseDC(window, dc);
    int d = (metrics.tmHeight + metrics.tmExternalLeading) % 256;
    ClientPixels pixels = ScreenClientPixels(window);
    // The text is black; the window's face is grey (a dither of two colours at 8 bits).
    COLORREF paper = pixels.At(1, 1);
    int inside = 0;
    int outside = 0;
    RECT outsideBox = {pixels.width, pixels.height, 0, 0};
    for (int y = 0; y < pixels.height; ++y) {
        for (int x = 0; x < pixels.width; ++x) {
            bool ink = pixels.At(x, y) == RGB(0, 0, 0);
            bool inBox =
                x >= 2 * d && x < 2 * d + extent.cx && y >= 2 * d && y < 2 * d + metrics.tmHeight;
            (inBox ? inside : outside) += ink ? 1 : 0;
            if (ink && !inBox) {
                outsideBox = {std::min(outsideBox.left, LONG(x)), std::min(outsideBox.top, LONG(y)),
                              std::max(outsideBox.right, LONG(x)),
                              std::max(outsideBox.bottom, LONG(y))};
            }
        }
    }
    EXPECT_GT(inside, 20);
    EXPECT_EQ(0, outside) << "paper " << std::hex << paper << std::dec << " ink outside "
                          << outsideBox.left << "," << outsideBox.top << " to " << outsideBox.right
                          << "," << outsideBox.bottom << " of " << pixels.width << "x"
                          << pixels.height << ", text at " << 2 * d << " size " << extent.cx << "x"
                          << metrics.tmHeight << " colour "
                          << pixels.At(outsideBox.left, outsideBox.top);

    HideProgressWindow();
    EXPECT_EQ(nullptr, app.progressWindow);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
