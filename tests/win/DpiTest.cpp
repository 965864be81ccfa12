// Sharpness at every display scaling: the manifest in the built programs, the bitmap view pixel
// for pixel, dialogs and text views laid out for the DPI, and a move to a monitor of another DPI.
// scripts/wine-tests.sh runs these at 96 DPI with everything else, and again at 144 and 192
// (KOVEL_EXPECT_DPI names the DPI of the run).
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>

#include <string>
#include <vector>

#include "platform/Dpi.h"
#include "platform/GdiScope.h"
#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/SelectionTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

// The DPI scripts/wine-tests.sh set for this run; 0 (and a failure) when it set none.
UINT ExpectedDpi() {
    const char* named = getenv("KOVEL_EXPECT_DPI");
    if (named == nullptr) {
        ADD_FAILURE() << "KOVEL_EXPECT_DPI is not set: run the tests through scripts/wine-tests.sh";
        return 0;
    }
    return static_cast<UINT>(atoi(named));
}

// ---- The manifest ----

std::string ManifestOf(const std::string& program) {
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (module == nullptr)
        return "";
    std::string text;
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    HGLOBAL loaded = found != nullptr ? LoadResource(module, found) : nullptr;
    const char* bytes =
        loaded != nullptr ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (bytes != nullptr)
        text.assign(bytes, SizeofResource(module, found));
    FreeLibrary(module);
    return text;
}

TEST(DpiManifest, BothProgramsDeclareAwarenessControlsAndSystems) {
    const char* const parts[] = {
        // Per-monitor awareness version 2, per-monitor where that is unknown, and for systems
        // that read only the older element, per-monitor ("true/pm") or else system awareness.
        "<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">"
        "PerMonitorV2, PerMonitor</dpiAwareness>",
        "<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">true/pm"
        "</dpiAware>",
        "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\" "
        "processorArchitecture=\"*\" publicKeyToken=\"6595b64144ccf1df\"",
        "<supportedOS Id=\"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}\"/>", // Windows 7
        "<supportedOS Id=\"{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}\"/>", // Windows 8
        "<supportedOS Id=\"{1f676c76-80e1-4239-95bb-83d0f6d0da78}\"/>", // Windows 8.1
        "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>", // Windows 10 and 11
    };
    for (const char* program : {"palorin.exe", "mendrival.exe"}) {
        std::string manifest = ManifestOf(BesideTestProgram(program));
        ASSERT_FALSE(manifest.empty()) << program << " has no manifest resource 1";
        for (const char* part : parts)
            EXPECT_NE(std::string::npos, manifest.find(part)) << program << " lacks " << part;
    }
}

// The loader read the same manifest for this program: the awareness is in its activation context,
// and the process runs per-monitor aware.
TEST(DpiManifest, TheLoaderTakesTheAwareness) {
    using QuerySettings =
        BOOL(WINAPI*)(DWORD, HANDLE, const WCHAR*, const WCHAR*, WCHAR*, SIZE_T, SIZE_T*);
    auto query = reinterpret_cast<QuerySettings>(reinterpret_cast<void*>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "QueryActCtxSettingsW")));
    ASSERT_NE(nullptr, query);
    WCHAR value[64] = L"";
    SIZE_T written = 0;
    ASSERT_TRUE(query(0, nullptr, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings",
                      L"dpiAwareness", value, 64, &written));
    EXPECT_STREQ(L"PerMonitorV2, PerMonitor", value);
    // The thread runs per-monitor aware (DPI_AWARENESS_PER_MONITOR_AWARE).
    HMODULE user32 = GetModuleHandleA("user32.dll");
    using ThreadContext = DPI_AWARENESS_CONTEXT(WINAPI*)();
    using AwarenessOf = int(WINAPI*)(DPI_AWARENESS_CONTEXT);
    auto context = reinterpret_cast<ThreadContext>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetThreadDpiAwarenessContext")));
    auto awareness = reinterpret_cast<AwarenessOf>(
        reinterpret_cast<void*>(GetProcAddress(user32, "GetAwarenessFromDpiAwarenessContext")));
    ASSERT_TRUE(context != nullptr && awareness != nullptr);
    EXPECT_EQ(2, awareness(context()));
}

// The names a program imports, read from its import directory.
std::vector<std::string> ImportedNames(const std::string& program) {
    std::vector<std::string> names;
    HMODULE module = LoadLibraryExA(program.c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    if (module == nullptr)
        return names;
    const auto* base = reinterpret_cast<const BYTE*>(module);
    const auto* dos = reinterpret_cast<const IMAGE_DOS_HEADER*>(base);
    const auto* nt = reinterpret_cast<const IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory =
        nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    const auto* entry =
        reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress);
    for (; directory.VirtualAddress != 0 && entry->Name != 0; ++entry) {
        DWORD lookup =
            entry->OriginalFirstThunk != 0 ? entry->OriginalFirstThunk : entry->FirstThunk;
        for (const auto* thunk = reinterpret_cast<const IMAGE_THUNK_DATA*>(base + lookup);
             thunk->u1.AddressOfData != 0; ++thunk) {
            if (!IMAGE_SNAP_BY_ORDINAL(thunk->u1.Ordinal)) {
                const auto* byName =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + thunk->u1.AddressOfData);
                names.emplace_back(reinterpret_cast<const char*>(byName->Name));
            }
        }
    }
    FreeLibrary(module);
    return names;
}

// The programs start on systems without the per-monitor functions: they look them up at run
// time and never import them.
TEST(DpiManifest, NoProgramImportsAPerMonitorFunction) {
    const char* const lookedUp[] = {"GetDpiForWindow",
                                    "GetDpiForSystem",
                                    "SystemParametersInfoForDpi",
                                    "AdjustWindowRectExForDpi",
                                    "GetSystemMetricsForDpi",
                                    "SetProcessDpiAwarenessContext",
                                    "SetThreadDpiAwarenessContext",
                                    "GetDpiForMonitor",
                                    "EnableNonClientDpiScaling"};
    for (const char* program : {"palorin.exe", "mendrival.exe"}) {
        std::vector<std::string> names = ImportedNames(BesideTestProgram(program));
        // The import directory was read: the programs import the clipboard functions.
        ASSERT_NE(names.end(), std::find(names.begin(), names.end(), "SetClipboardViewer"))
            << program;
        for (const char* name : lookedUp)
            EXPECT_EQ(names.end(), std::find(names.begin(), names.end(), name))
                << program << " imports " << name;
    }
}

// ---- The seam ----

TEST(DpiSeam, TheSystemAndTheWindowRunAtTheDpiOfTheRun) {
    UINT dpi = ExpectedDpi();
    EXPECT_EQ(dpi, SystemDpi());
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  nullptr, nullptr);
    EXPECT_EQ(dpi, WindowDpi(window));
    DestroyWindow(window);
    // No window, or a handle that names none: the system DPI.
    EXPECT_EQ(dpi, WindowDpi(nullptr));
    EXPECT_EQ(dpi, WindowDpi(reinterpret_cast<HWND>(0x5EED0)));
    const int rows[][3] = {
        {25, 96, 25}, {25, 144, 38}, {15, 144, 23}, {25, 192, 50}, {23, 120, 29}};
    for (const auto& row : rows)
        EXPECT_EQ(row[2], ScaleForDpi(row[0], UINT(row[1]))) << row[0] << " at " << row[1];
}

int FontHeight(HFONT font) {
    int height = 0;
    DrawnPixels(1, 1, [&](HDC dc) {
        HGDIOBJ old = SelectObject(dc, font);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        height = metrics.tmHeight;
        SelectObject(dc, old);
    });
    return height;
}

// A monitor of twice the system's DPI gets fonts twice as high; the system's DPI gets the stock
// font itself.
TEST(DpiSeam, FontsForAnotherDpiScaleFromTheSystemDpi) {
    UINT system = SystemDpi();
    for (int stock : {SYSTEM_FONT, OEM_FIXED_FONT}) {
        DpiFont same(stock, system);
        EXPECT_EQ(GetStockObject(stock), static_cast<HGDIOBJ>(same));
        int height = FontHeight(same);
        DpiFont twice(stock, system * 2);
        EXPECT_NE(GetStockObject(stock), static_cast<HGDIOBJ>(twice));
        EXPECT_NEAR(2 * height, FontHeight(twice), 2) << "stock font " << stock;
    }
    HFONT message = CreateMessageFont(system);
    HFONT message2 = CreateMessageFont(system * 2);
    ASSERT_NE(nullptr, message);
    ASSERT_NE(nullptr, message2);
    EXPECT_NEAR(2 * FontHeight(message), FontHeight(message2), 2);
    DeleteObject(message);
    DeleteObject(message2);
}

// ---- Text fitting in its control ----

// "" when every child control lies inside the window's client area and the text of every label,
// button and field fits its control; else what does not.
std::string ControlsThatDoNotFit(HWND window) {
    RECT area;
    GetClientRect(window, &area);
    std::string faults;
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        char text[256] = "";
        char className[64] = "";
        GetWindowTextA(child, text, sizeof text);
        GetClassNameA(child, className, sizeof className);
        std::string what = std::string(className) + " \"" + text + "\"";
        RECT frame;
        GetWindowRect(child, &frame);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&frame), 2);
        if (frame.left < 0 || frame.top < 0 || frame.right > area.right ||
            frame.bottom > area.bottom)
            faults += what + " lies outside; ";
        if (text[0] == '\0')
            continue;
        // The room for the text: an edit field's formatting rectangle, a button's client area
        // less its frame, a label's client area.
        RECT room;
        GetClientRect(child, &room);
        UINT flags = DT_CALCRECT | DT_SINGLELINE;
        if (lstrcmpiA(className, "Edit") == 0) {
            SendMessageA(child, EM_GETRECT, 0, reinterpret_cast<LPARAM>(&room));
            flags |= DT_NOPREFIX;
        } else if (lstrcmpiA(className, "Button") == 0) {
            InflateRect(&room, -GetSystemMetrics(SM_CXEDGE) * 2, -GetSystemMetrics(SM_CYEDGE) * 2);
        }
        ScopedGetDC dc(child);
        HFONT font = reinterpret_cast<HFONT>(SendMessageA(child, WM_GETFONT, 0, 0));
        HGDIOBJ old = SelectObject(dc, font != nullptr ? font : GetStockObject(SYSTEM_FONT));
        RECT extent = {0, 0, 0, 0};
        DrawTextA(dc, text, -1, &extent, flags);
        SelectObject(dc, old);
        if (extent.right > room.right - room.left || extent.bottom > room.bottom - room.top) {
            faults += what + " needs " + std::to_string(extent.right) + "x" +
                      std::to_string(extent.bottom) + ", has " +
                      std::to_string(room.right - room.left) + "x" +
                      std::to_string(room.bottom - room.top) + "; ";
        }
    }
    return faults;
}

// The program's dialogs from its own templates, with the fields the program fills in holding
// the widest numbers they show on this screen and the printer (four digits).
struct DialogCase {
    const char* name;
    std::vector<int> filled;
};

INT_PTR CALLBACK PlainDialogProc(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG ? TRUE : FALSE;
}

// ---- The main window ----

using DpiTest = MainWindowFixture;

TEST_F(DpiTest, EveryDialogHoldsItsControlsAndTheirTexts) {
    const DialogCase cases[] = {
        {"RectDlg", {RectLeft, RectTop, RectRight, RectBottom, RectWidth, RectHeight}},
        {"StretchBmpDlgBox",
         {StretchNewWidth, StretchNewHeight, StretchScreenWidth, StretchScreenHeight}},
        {"PrintBmpDlgBox",
         {PrintImageWidth, PrintImageHeight, PrintOriginX, PrintOriginY, PrintPaperWidth,
          PrintPaperHeight}},
        {"PrintTextDlgBox", {PrintOriginX, PrintOriginY, PrintPaperWidth, PrintPaperHeight}},
    };
    for (const DialogCase& c : cases) {
        HWND dialog = CreateDialogParamA(app.instance, c.name, app.mainWindow, PlainDialogProc, 0);
        ASSERT_NE(nullptr, dialog) << c.name;
        for (int id : c.filled)
            SetDlgItemTextA(dialog, id, "8888");
        PumpMessages();
        EXPECT_EQ("", ControlsThatDoNotFit(dialog)) << c.name;
        DestroyWindow(dialog);
    }
    // The dialog the user opens most, through its command, filled in by the program: measured
    // at the first tick of a timer of the main window that its modal loop dispatches, then
    // cancelled.
    ASSERT_TRUE(Place(ClipSource::Bitmap(CreateDisplayBitmap(RandomRgb(40, 30, 7), nullptr))));
    static std::string faults;
    faults = "not measured";
    struct Tick {
        static void CALLBACK Measure(HWND window, UINT, UINT_PTR id, DWORD) {
            HWND dialog = FindWindowA("#32770", "Rectangle Coordinates");
            if (dialog == nullptr)
                return;
            KillTimer(window, id);
            faults = ControlsThatDoNotFit(dialog);
            PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
        }
    };
    SetTimer(app.mainWindow, 0x22, 100, Tick::Measure);
    Command(CmdEnterCoordinates);
    KillTimer(app.mainWindow, 0x22);
    EXPECT_EQ("", faults) << "Rectangle Coordinates";
}

// Client point (x, y) of the window on the screen.
POINT OnScreen(HWND window, int x, int y) {
    POINT point = {x, y};
    ClientToScreen(window, &point);
    return point;
}

void Button(DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    SendInput(1, &input, sizeof input);
}

// A colourful bitmap larger than the client area is shown one bitmap pixel to one screen pixel,
// at each scroll position, and a drag with the real mouse from client point A to B marks those
// bitmap pixels.
TEST_F(DpiTest, TheBitmapViewIsPixelForPixelAndTheMouseMarksBitmapPixels) {
    RgbImage image = RandomRgb(client.right + 37, client.bottom + 23, 22);
    HBITMAP bitmap = CreateDisplayBitmap(image, nullptr);
    // What the display keeps of the colours (at 16 bits, compared in their top five bits).
    RgbImage kept = ReadBitmapRgb(bitmap, nullptr, 24);
    ASSERT_TRUE(Place(ClipSource::Bitmap(bitmap)));
    ASSERT_EQ(ViewBitmap, app.view);
    for (int position : {0, 8}) {
        SetScrollPos(app.mainWindow, SB_HORZ, position, TRUE);
        SetScrollPos(app.mainWindow, SB_VERT, position, TRUE);
        RepaintMainWindow();
        ClientPixels shown = Pixels(PixelsOnScreen);
        ASSERT_EQ(client.right, shown.width);
        int wrong = 0;
        for (int y = 0; y < shown.height; ++y) {
            for (int x = 0; x < shown.width; ++x) {
                uint32_t want = kept.At(x + app.viewOffsetX, y + app.viewOffsetY);
                wrong += !ShownAs(shown.rgb[size_t(y) * size_t(shown.width) + size_t(x)], want);
            }
        }
        EXPECT_EQ(0, wrong) << "pixels differ at scroll position " << position;
    }
    EXPECT_EQ(37, app.viewOffsetX);
    EXPECT_EQ(23, app.viewOffsetY);

    POINT a = OnScreen(app.mainWindow, 10, 20);
    POINT b = OnScreen(app.mainWindow, 110, 70);
    SetCursorPos(a.x, a.y);
    PumpMessages();
    Button(MOUSEEVENTF_LEFTDOWN);
    PumpMessages();
    for (int step = 1; step <= 4; ++step) {
        SetCursorPos(a.x + (b.x - a.x) * step / 4, a.y + (b.y - a.y) * step / 4);
        PumpMessages();
    }
    Button(MOUSEEVENTF_LEFTUP);
    PumpMessages();
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(47, app.rectImage.left);
    EXPECT_EQ(43, app.rectImage.top);
    EXPECT_EQ(147, app.rectImage.right);
    EXPECT_EQ(93, app.rectImage.bottom);
    EXPECT_EQ("Width:100  Height:050  UL:047, 043  LR:147, 093   Palorin",
              WindowTitle(app.mainWindow));
}

// The distance between the tops of the first two lines of a text page, read from its pixels.
int LineStep(const ClientPixels& pixels) {
    std::vector<int> starts;
    bool inked = false;
    for (int y = 0; y < pixels.height && starts.size() < 2; ++y) {
        bool row = false;
        for (int x = 0; x < 40 && !row; ++x)
            row = pixels.At(x, y) == RGB(0, 0, 0);
        if (row && !inked)
            starts.push_back(y);
        inked = row;
    }
    return starts.size() == 2 ? starts[1] - starts[0] : 0;
}

void SendDpiChange(UINT dpi, RECT rect) {
    SendMessageA(app.mainWindow, WM_DPICHANGED, MAKEWPARAM(dpi, dpi),
                 reinterpret_cast<LPARAM>(&rect));
    PumpMessages();
}

// The text views' lines are as high as the system font at the DPI (16 pixels at 96 DPI), and
// twice as high on a monitor of twice the DPI.
TEST_F(DpiTest, TextLinesGrowWithTheDpi) {
    UINT dpi = ExpectedDpi();
    RECT frame;
    GetWindowRect(app.mainWindow, &frame);
    for (UINT format : {CF_TEXT, CF_OEMTEXT}) {
        SCOPED_TRACE(format == CF_TEXT ? "ANSI" : "OEM");
        ASSERT_TRUE(Place(ClipSource::Text(format, "H\r\nH\r\nH")));
        int step = LineStep(Pixels());
        if (format == CF_TEXT) {
            EXPECT_NEAR(ScaleForDpi(16, dpi), step, 1);
        }
        SendDpiChange(dpi * 2, frame);
        EXPECT_NEAR(2 * step, LineStep(Pixels()), 2);
        SendDpiChange(dpi, frame);
        EXPECT_EQ(step, LineStep(Pixels()));
    }
}

// Text to bitmap makes a page of the screen's pixel size at every DPI.
TEST_F(DpiTest, TextToBitmapKeepsTheScreensPixelSize) {
    ASSERT_TRUE(OnTestScreen());
    ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, "page")));
    Command(CmdTextToBitmap);
    HBITMAP page = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&page, &palette);
    ASSERT_NE(nullptr, page);
    SIZE size = BitmapSize(page);
    EXPECT_EQ(1024, size.cx);
    EXPECT_EQ(768, size.cy);
}

// A move to a monitor of another DPI: the window takes the suggested rectangle; the view, its
// scroll position, the marked rectangle and the caption stay; the bitmap stays pixel for pixel;
// the OK button of an information screen is laid out again and its text fits.
TEST_F(DpiTest, TheStateSurvivesAMoveToAnotherDpi) {
    UINT dpi = ExpectedDpi();
    RECT start;
    GetWindowRect(app.mainWindow, &start);
    RgbImage image = RandomRgb(1500, 1200, 5);
    HBITMAP bitmap = CreateDisplayBitmap(image, nullptr);
    RgbImage kept = ReadBitmapRgb(bitmap, nullptr, 24);
    ASSERT_TRUE(Place(ClipSource::Bitmap(bitmap)));
    SetScrollPos(app.mainWindow, SB_HORZ, 3, TRUE);
    SetScrollPos(app.mainWindow, SB_VERT, 5, TRUE);
    RepaintMainWindow();
    DragMouse(app.mainWindow, {{30, 40}, {230, 140}});
    ASSERT_EQ(1, app.rectShown);
    RECT marked = app.rectImage;
    std::string caption = WindowTitle(app.mainWindow);

    const RECT suggested = {40, 30, 40 + 700, 30 + 600};
    SendDpiChange(dpi * 3 / 2, suggested);
    RECT frame;
    GetWindowRect(app.mainWindow, &frame);
    EXPECT_TRUE(EqualRect(&suggested, &frame));
    EXPECT_EQ(dpi * 3 / 2, app.windowDpi);
    EXPECT_EQ(ScreenClipboard, app.screen);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ(3, GetScrollPos(app.mainWindow, SB_HORZ));
    EXPECT_EQ(5, GetScrollPos(app.mainWindow, SB_VERT));
    EXPECT_EQ(1, app.rectShown);
    EXPECT_TRUE(EqualRect(&marked, &app.rectImage));
    EXPECT_EQ(caption, WindowTitle(app.mainWindow));
    ClientPixels shown = Pixels(PixelsOnScreen);
    // Away from the band, which is drawn over the view.
    for (POINT p : {POINT{5, 5}, POINT{shown.width - 1, shown.height - 1}, POINT{300, 200}})
        EXPECT_TRUE(ShownAs(shown.rgb[size_t(p.y) * size_t(shown.width) + size_t(p.x)],
                            kept.At(p.x + app.viewOffsetX, p.y + app.viewOffsetY)))
            << p.x << "," << p.y;

    // A quarter more than the DPI of the start, with the rectangle the system suggests for it
    // (a quarter larger; it still fits the test screen, to which Wine limits a window's size).
    Command(CmdAbout);
    UINT more = dpi * 5 / 4;
    SendDpiChange(more, RECT{start.left, start.top, start.left + (start.right - start.left) * 5 / 4,
                             start.top + (start.bottom - start.top) * 5 / 4});
    ASSERT_NE(nullptr, app.infoOkButton);
    RECT button;
    GetClientRect(app.infoOkButton, &button);
    EXPECT_GE(button.bottom, ScaleForDpi(23, more));
    EXPECT_EQ("", ControlsThatDoNotFit(app.mainWindow));
    SendMessageA(app.infoOkButton, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_EQ(ScreenClipboard, app.screen);
    EXPECT_TRUE(EqualRect(&marked, &app.rectImage));
}

} // namespace
