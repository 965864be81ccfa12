// Single instance: the real programs started twice. A second start wakes the running copy by
// its exact title and shows no window of its own.
#include <gtest/gtest.h>

#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

// Another process answers within this time even on a loaded machine.
constexpr DWORD ProcessLimitMs = 15000;

struct Started {
    HANDLE process = nullptr;
    DWORD id = 0;
};

// Starts the program, with `argument` (quoted) on its command line when one is given.
Started Start(const char* program, const std::wstring& argument = L"") {
    Started started;
    std::string path = BesideTestProgram(program);
    std::wstring commandLine = L"\"" + std::wstring(path.begin(), path.end()) + L"\"";
    if (!argument.empty()) {
        commandLine += L" \"" + argument + L"\"";
    }
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        CloseHandle(process.hThread);
        started.process = process.hProcess;
        started.id = process.dwProcessId;
    }
    return started;
}

struct FindByProcess {
    DWORD id;
    HWND found;
};

BOOL CALLBACK MatchKovelWindow(HWND window, LPARAM lParam) {
    FindByProcess* search = reinterpret_cast<FindByProcess*>(lParam);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char className[16] = "";
    GetClassNameA(window, className, sizeof className);
    if (owner == search->id && strcmp(className, "KOVEL") == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}

// The KOVEL window of a process, waiting up to limitMs for it to appear. The window exists
// before its program has shown it, so this also waits until the program's start-up is over
// and its message loop waits for input; otherwise the program's own ShowWindow could undo
// what a test does to the window.
HWND WindowOf(const Started& started, DWORD limitMs) {
    FindByProcess search = {started.id, nullptr};
    PumpUntil(
        [&search] {
            EnumWindows(MatchKovelWindow, reinterpret_cast<LPARAM>(&search));
            return search.found != nullptr && IsWindowVisible(search.found);
        },
        limitMs);
    if (search.found != nullptr) {
        WaitForInputIdle(started.process, limitMs);
        PumpMessages();
    }
    return search.found;
}

// Waits for the process to end; returns its exit code, or -1 after limitMs (then ends it).
long WaitExit(Started& started, DWORD limitMs) {
    DWORD start = GetTickCount();
    while (MsgWaitForMultipleObjects(1, &started.process, FALSE, 50, QS_ALLINPUT) !=
           WAIT_OBJECT_0) {
        PumpMessages(0, 10);
        if (GetTickCount() - start > limitMs) {
            TerminateProcess(started.process, 99);
            WaitForSingleObject(started.process, 5000);
            CloseHandle(started.process);
            started.process = nullptr;
            return -1;
        }
    }
    DWORD code = 0;
    GetExitCodeProcess(started.process, &code);
    CloseHandle(started.process);
    started.process = nullptr;
    return static_cast<long>(code);
}

struct InstanceCase {
    const char* first;
    const char* second;
    const char* firstTitle; // the running copy's title when the second starts
    bool wakes;             // the second only wakes the first and ends
};

TEST(SingleInstance, ASecondStartWakesTheFirstByItsExactTitle) {
    const InstanceCase cases[] = {
        {"palorin.exe", "palorin.exe", "Palorin", true},
        {"mendrival.exe", "palorin.exe", "Mendrival", true},
        {"palorin.exe", "mendrival.exe", "Palorin", true},
        // A running copy whose title is a rectangle's status caption is not found.
        {"palorin.exe", "palorin.exe", "Width:010  Height:020  UL:001, 002  LR:011, 022   Palorin",
         false},
    };
    for (const InstanceCase& c : cases) {
        SCOPED_TRACE(std::string(c.first) + " then " + c.second + " titled " + c.firstTitle);
        Started first = Start(c.first);
        ASSERT_NE(nullptr, first.process);
        HWND firstWindow = WindowOf(first, ProcessLimitMs);
        ASSERT_NE(nullptr, firstWindow);
        SetWindowTextA(firstWindow, c.firstTitle);
        ShowWindow(firstWindow, SW_MINIMIZE);
        ASSERT_TRUE(
            PumpUntil([firstWindow] { return IsIconic(firstWindow) != FALSE; }, ProcessLimitMs));

        Started second = Start(c.second);
        ASSERT_NE(nullptr, second.process);
        if (c.wakes) {
            EXPECT_EQ(0, WaitExit(second, ProcessLimitMs));
            EXPECT_TRUE(
                PumpUntil([firstWindow] { return IsIconic(firstWindow) == FALSE; }, ProcessLimitMs))
                << "the running copy was not restored";
        } else {
            HWND secondWindow = WindowOf(second, ProcessLimitMs);
            EXPECT_NE(nullptr, secondWindow) << "the second copy made no window of its own";
            EXPECT_TRUE(IsIconic(firstWindow));
            if (secondWindow != nullptr) {
                PostMessageA(secondWindow, WM_CLOSE, 0, 0);
            }
            EXPECT_EQ(0, WaitExit(second, ProcessLimitMs));
        }
        // Closing runs WM_DESTROY with its HELP_QUIT call; it must end promptly with code 0.
        PostMessageA(firstWindow, WM_CLOSE, 0, 0);
        EXPECT_EQ(0, WaitExit(first, ProcessLimitMs));
    }
}

} // namespace

namespace {

// The real program, its message loop and the viewer chain end to end: a capture from another
// process brings the minimised window back in popup mode.
TEST(RealProgram, ACaptureBringsTheMinimisedWindowBack) {
    EmptyClipboardAs(OtherAppWindow());
    Started program = Start("palorin.exe");
    ASSERT_NE(nullptr, program.process);
    HWND window = WindowOf(program, ProcessLimitMs);
    ASSERT_NE(nullptr, window);
    // The user minimises it and works in another program.
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([window] { return IsIconic(window) != FALSE; }, ProcessLimitMs));
    HWND other = OtherAppWindow();
    ShowWindow(other, SW_SHOWNORMAL);
    SetForegroundWindow(other);
    ASSERT_TRUE(PumpUntil([other] { return GetForegroundWindow() == other; }, ProcessLimitMs));
    DWORD exitCode = 1;
    ASSERT_TRUE(RunTestProgram("--kovel-capture-screen", &exitCode));
    EXPECT_EQ(0u, exitCode);
    EXPECT_TRUE(PumpUntil([window] { return IsIconic(window) == FALSE; }, ProcessLimitMs))
        << "the window stayed minimised";
    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, WaitExit(program, ProcessLimitMs));
    ShowWindow(other, SW_HIDE);
    EmptyClipboardAs(other);
}

} // namespace

namespace {

// A copy of an input picture under a name with spaces and characters outside any ANSI code
// page, in a fresh folder; empty when it cannot be made.
std::wstring PictureCopy(const char* input, const wchar_t* name) {
    std::vector<uint8_t> bytes =
        ReadFileBytes(FolderFromEnvironment("KOVEL_PICTURE_INPUTS") + "\\" + input);
    std::string folder = FreshTempFolder("command-line");
    std::wstring path = std::wstring(folder.begin(), folder.end()) + L"\\" + name;
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    bool ok = file != INVALID_HANDLE_VALUE && !bytes.empty() &&
              WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    if (file != INVALID_HANDLE_VALUE) {
        CloseHandle(file);
    }
    return ok ? path : L"";
}

RgbImage ColorsOfInput(const char* input) {
    return ReadPpm(FolderFromEnvironment("KOVEL_PICTURE_INPUTS") + "\\" + input + ".ppm");
}

// The real program opens the picture named on its command line; a second start with another
// picture hands it to the first, which shows it and comes back from minimised.
TEST(RealProgram, PicturesFromTheCommandLineOpenInTheRunningCopy) {
    std::wstring first = PictureCopy("pil-rgba.png", L"Bild mit \u00dcmlaut \u753b\u50cf.png");
    std::wstring second = PictureCopy("pil-trns.gif", L"zweites Bild \u00e9\u00e8 \u0416.gif");
    ASSERT_FALSE(first.empty());
    ASSERT_FALSE(second.empty());
    RgbImage firstColors = ColorsOfInput("pil-rgba.png");
    RgbImage secondColors = ColorsOfInput("pil-trns.gif");
    ASSERT_NE(firstColors.width, secondColors.width);
    EmptyClipboardAs(OtherAppWindow());

    Started program = Start("palorin.exe", first);
    ASSERT_NE(nullptr, program.process);
    HWND window = WindowOf(program, ProcessLimitMs);
    ASSERT_NE(nullptr, window);
    auto shownWidth = [] { return ClipboardRgb().width; };
    EXPECT_TRUE(PumpUntil([&] { return shownWidth() == firstColors.width; }, ProcessLimitMs));
    EXPECT_EQ("", CompareOnDisplay(ClipboardRgb(), firstColors));

    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(PumpUntil([window] { return IsIconic(window) != FALSE; }, ProcessLimitMs));
    Started again = Start("palorin.exe", second);
    ASSERT_NE(nullptr, again.process);
    EXPECT_EQ(0, WaitExit(again, ProcessLimitMs));
    EXPECT_TRUE(PumpUntil([window] { return IsIconic(window) == FALSE; }, ProcessLimitMs))
        << "the running copy was not restored";
    EXPECT_TRUE(PumpUntil([&] { return shownWidth() == secondColors.width; }, ProcessLimitMs));
    EXPECT_EQ("", CompareOnDisplay(ClipboardRgb(), secondColors));

    PostMessageA(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(0, WaitExit(program, ProcessLimitMs));
    EmptyClipboardAs(OtherAppWindow());
}

} // namespace
