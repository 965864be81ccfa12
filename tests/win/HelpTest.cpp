// The Help menu: the manual in HTML Help beside the program, WinHelp when the identity's .HLP is
// there instead, and a message naming the missing file when neither is. No test here reaches
// WinHelpA: it is recorded, and the .HLP case lives in CommandTest with a stand-in file.
#include <gtest/gtest.h>

#include <windows.h>

#include <commctrl.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/HtmlHelpViewer.h"
#include "shell/CommandIds.h"
#include "shell/HelpCommands.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

const char* const ManualTitle = "Palorin User's Manual"; // the title the manual is built with
const DWORD HelpWindowLimitMs = 15000;

HWND HelpWindow() {
    return FindWindowA("HH Parent", ManualTitle);
}

std::string FileStart(const std::string& path, size_t count) {
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    return std::string(bytes.begin(), bytes.begin() + std::min(count, bytes.size()));
}

size_t FileSize(const std::string& path) {
    return ReadFileBytes(path).size();
}

BOOL CALLBACK KeepTreeView(HWND child, LPARAM result) {
    char name[64] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, WC_TREEVIEWA) != 0)
        return TRUE;
    *reinterpret_cast<HWND*>(result) = child;
    return FALSE;
}

// The first tree-view control among the window's descendants.
HWND ContentsTree(HWND window) {
    HWND found = nullptr;
    EnumChildWindows(window, KeepTreeView, reinterpret_cast<LPARAM>(&found));
    return found;
}

// The pages of the manual's contents list (docs/manual/contents.txt in the source tree, read
// through Wine's Z: drive), in order.
std::vector<std::string> ManualPages() {
    std::string path = std::string("Z:") + KOVEL_SOURCE_DIR + "/docs/manual/contents.txt";
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    std::vector<std::string> pages;
    std::string text(bytes.begin(), bytes.end());
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        std::string line = text.substr(at, end == std::string::npos ? std::string::npos : end - at);
        at = end == std::string::npos ? text.size() : end + 1;
        size_t first = line.find_first_not_of(" \r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        pages.push_back(line.substr(first, line.find_last_not_of(" \r") + 1 - first));
    }
    return pages;
}

class HelpTest : public MainWindowFixture {
  protected:
    void TearDown() override {
        MainWindowFixture::TearDown();
        SetHelpFolder(nullptr);
        EXPECT_TRUE(PumpUntil([] { return HelpWindow() == nullptr; }, HelpWindowLimitMs))
            << "a help window outlived the main window";
    }
};

// A folder holding only the manual, copied from beside the test program. (One folder per
// command: the viewer may keep a closed manual's file open for a while.)
std::string FolderWithManual(unsigned command) {
    std::string folder = FreshTempFolder(("help-chm-" + std::to_string(command)).c_str());
    if (!folder.empty() && !CopyFileA(BesideTestProgram("PALORIN.CHM").c_str(),
                                      (folder + "\\PALORIN.CHM").c_str(), FALSE))
        folder.clear();
    return folder;
}

TEST_F(HelpTest, TheBuildPutsBothManualsBesideThePrograms) {
    for (const char* name : {"PALORIN.CHM", "MENDRIVAL.CHM"}) {
        EXPECT_EQ("ITSF", FileStart(BesideTestProgram(name), 4)) << name; // a compiled .chm
        EXPECT_GT(FileSize(BesideTestProgram(name)), 20000u) << name;
    }
    const struct {
        const char* name;
        const char* firstLine;
    } docs[] = {{"PALORIN.DOC", "Welcome to Palorin\r\n"},
                {"MENDRIVAL.DOC", "Welcome to Mendrival\r\n"}};
    for (const auto& doc : docs) {
        std::string path = BesideTestProgram(doc.name);
        EXPECT_EQ(doc.firstLine, FileStart(path, strlen(doc.firstLine))) << doc.name;
        EXPECT_GT(FileSize(path), 10000u) << doc.name;
    }
}

TEST_F(HelpTest, TheHelpFolderIsTheProgramsOwnFolder) {
    std::string expected = BesideTestProgram("");
    expected.pop_back(); // the trailing backslash
    EXPECT_EQ(0, lstrcmpiA(expected.c_str(), HelpFolder()));
    char name[32];
    ManualFileName("Mendrival", name, sizeof name);
    EXPECT_STREQ("MENDRIVAL.CHM", name);
    ManualFileName("Palorin", name, sizeof name);
    EXPECT_STREQ("PALORIN.CHM", name);
}

class HelpCommandTest : public HelpTest, public testing::WithParamInterface<unsigned> {};

TEST_P(HelpCommandTest, OpensTheManualWhileTheWindowKeepsAnswering) {
    unsigned command = GetParam();
    ASSERT_TRUE(HtmlHelpAvailable()) << "hhctrl.ocx or its HtmlHelpA is missing";
    std::string folder = FolderWithManual(command);
    ASSERT_FALSE(folder.empty());
    SetHelpFolder(folder.c_str());
    ASSERT_EQ(nullptr, HelpWindow());

    Command(command);
    ASSERT_TRUE(PumpUntil([] { return HelpWindow() != nullptr; }, HelpWindowLimitMs))
        << "no help window titled " << ManualTitle;
    HWND help = HelpWindow();
    EXPECT_TRUE(IsWindowVisible(help));
    // What each command opens: the contents tab with a page of the tree for every page of the
    // manual's contents list; the keyword index (the contents tab put away, its tree hidden);
    // the page on using help, which the contents list holds.
    std::vector<std::string> pages = ManualPages();
    ASSERT_GE(pages.size(), 10u);
    std::string manual = folder + "\\PALORIN.CHM";
    HWND tree = ContentsTree(help);
    ASSERT_NE(nullptr, tree) << "the help window has no contents tree";
    HWND tabs = FindWindowExA(FindWindowExA(help, nullptr, "HH Child", nullptr), nullptr,
                              WC_TABCONTROLA, nullptr);
    ASSERT_NE(nullptr, tabs) << "the help window has no tabs";
    bool contentsShown =
        SendMessageA(tabs, TCM_GETCURSEL, 0, 0) == 0 && IsWindowVisible(tree) != FALSE;
    if (command == CmdHelpContents) {
        EXPECT_EQ(HtmlHelpDisplayToc, LastHtmlHelpCommand());
        EXPECT_EQ(manual, LastHtmlHelpFile());
        EXPECT_TRUE(contentsShown);
        EXPECT_EQ(int(pages.size()), int(SendMessageA(tree, TVM_GETCOUNT, 0, 0)));
    } else if (command == CmdHelpSearch) {
        EXPECT_EQ(HtmlHelpDisplayIndex, LastHtmlHelpCommand());
        EXPECT_EQ(manual, LastHtmlHelpFile());
        EXPECT_FALSE(contentsShown) << "Search shows the contents";
    } else {
        EXPECT_EQ(HtmlHelpDisplayTopic, LastHtmlHelpCommand());
        EXPECT_EQ(manual + "::/using-help.html", LastHtmlHelpFile());
        EXPECT_NE(pages.end(), std::find(pages.begin(), pages.end(), "using-help.html"));
        EXPECT_TRUE(contentsShown);
    }
    // The main window still answers while the help window is open.
    DWORD_PTR answer = 0;
    EXPECT_NE(0,
              SendMessageTimeoutA(app.mainWindow, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 2000, &answer));
    Command(CmdSystemInfo);
    EXPECT_EQ(ScreenSystemInfo, app.screen);
    Command(CmdInfoOk);
    EXPECT_NE(ScreenSystemInfo, app.screen);
    EXPECT_EQ(0, feedback.count) << "a box, beep or WinHelp call came with the manual";

    // Closing the main window closes the help window it opened.
    StopMainWindow();
    EXPECT_TRUE(PumpUntil([help] { return IsWindow(help) == FALSE; }, HelpWindowLimitMs))
        << "the help window outlived the main window";
}

INSTANTIATE_TEST_SUITE_P(ContentsSearchHelpOnHelp, HelpCommandTest,
                         testing::Values(CmdHelpContents, CmdHelpSearch, CmdHelpOnHelp));

TEST_F(HelpTest, WithNoHelpFileAMessageNamesTheMissingFile) {
    const struct {
        const char* title;
        const char* helpFile;
        const char* manual;
    } identities[] = {{"Palorin", "WPLN.HLP", "PALORIN.CHM"},
                      {"Mendrival", "KOVEL.HLP", "MENDRIVAL.CHM"}};
    std::string folder = FreshTempFolder("help-none");
    ASSERT_FALSE(folder.empty());
    SetHelpFolder(folder.c_str());
    for (const auto& identity : identities) {
        lstrcpyA(app.titleText, identity.title);
        lstrcpyA(app.helpFile, identity.helpFile);
        for (unsigned command : {CmdHelpContents, CmdHelpSearch, CmdHelpOnHelp}) {
            SCOPED_TRACE(std::string(identity.title) + " " + std::to_string(command));
            ResetFeedback();
            Command(command);
            ASSERT_EQ(2, feedback.count);
            EXPECT_EQ(FeedbackBeep, feedback.events[0].kind);
            EXPECT_EQ(0xFFFFFFFFu, feedback.events[0].code);
            const FeedbackEvent& box = feedback.events[1];
            EXPECT_EQ(FeedbackBox, box.kind);
            EXPECT_EQ(app.mainWindow, box.owner);
            EXPECT_STREQ("HELP STATUS", box.title);
            std::string text = box.text;
            EXPECT_NE(std::string::npos, text.find(identity.manual)) << text;
            EXPECT_NE(std::string::npos, text.find(identity.helpFile)) << text;
            EXPECT_NE(std::string::npos, text.find(folder)) << text;
            EXPECT_EQ(nullptr, FindWindowA("HH Parent", nullptr));
        }
    }
    // Closing tells WinHelp to quit as always; it reaches no other viewer.
    ResetFeedback();
    HWND window = app.mainWindow;
    StopMainWindow();
    EXPECT_FALSE(IsWindow(window));
    ASSERT_EQ(1, feedback.count);
    EXPECT_EQ(FeedbackHelp, feedback.events[0].kind);
    EXPECT_EQ(static_cast<UINT>(HELP_QUIT), feedback.events[0].code);
}

} // namespace
