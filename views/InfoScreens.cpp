#include "views/InfoScreens.h"

#include "platform/Dpi.h"
#include "platform/GdiScope.h"
#include "shell/AppState.h"

#include <cstdio>
#include <cstring>

namespace {

// Distance between the tops of two lines of the information screens: the height of the font
// selected when painting starts, plus its external leading.
int ScreenLineStep(HDC dc) {
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    return metrics.tmHeight + metrics.tmExternalLeading;
}

// The DPI the screens are laid out for: the window's, or the system's before there is one.
UINT ScreenDpi() {
    return app.windowDpi != 0 ? app.windowDpi : SystemDpi();
}

// The margins are 25 and 15 pixels at 96 DPI and grow with the DPI like the font.
void DrawLine(HDC dc, int step, int line, const char* text) {
    UINT dpi = ScreenDpi();
    TextOutA(dc, ScaleForDpi(25, dpi), ScaleForDpi(15, dpi) + line * step, text,
             int(std::strlen(text)));
}

struct ScreenLine {
    int line;
    const char* palorin;
    const char* mendrival;
};

const ScreenLine introLines[] = {
    {0, "Press the PrtSc key to capture the screen to the clipboard,",
     "Press the PrtSc key to capture the screen to the clipboard,"},
    {1, "and Palorin will display the captured image in this window.",
     "and Mendrival will display the captured image in this window."},
    {2, "Minimize this window, and Palorin will pop up when you",
     "Minimize this window, and Mendrival will pop up when you"},
    {3, "press PrtSc.  Pull down the File menu to save the entire",
     "press PrtSc.  Pull down the File menu to save the entire"},
    {4, "image to disk in BMP, GIF, PCX, or TIF format, or crop a",
     "image to disk in BMP, GIF, PCX, or TIF format, or crop a"},
    {5, "rectangular area with the mouse or keyboard before saving.",
     "rectangular area with the mouse or keyboard before saving."},
    {7, "Press Alt+PrtSc to capture only the currently active window.",
     "Press Alt+PrtSc to capture only the currently active window."},
    {8, "Text can be captured from a DOS application and saved in",
     "Text can be captured from a DOS application and saved in"},
    {9, "ASCII or graphical format.", "ASCII or graphical format."},
    {11, "For more information, see PALORIN.DOC, or access Help.",
     "For more information, refer to the Manual, or access Help."},
};

const char* const privateLines[] = {
    "The clipboard holds private content.",
    "The program that put it there (a password manager, for example) asked",
    "that it is not shown. It is neither shown, saved nor printed here.",
    "Copy something else, and it is shown as usual.",
};

} // namespace

const char* AboutTitle(int variant) {
    return variant != 0 ? "Palorin for Windows 95/NT,  v5.0" : "Mendrival for Windows 95/NT,  v3.0";
}

const char* ColourSuffix(int bits) {
    switch (bits) {
    case 1: return ", monochrome";
    case 4: return ", 16 colors";
    case 8: return ", 256 colors";
    case 16: return ", 32,768 colors";
    case 24: return ", 16,777,200 colors";
    default: return "";
    }
}

void SystemInfoLines(const MemoryFigures& memory, int width, int height, int bits, char* line6,
                     char* line7, char* line8) {
    std::snprintf(line6, 160, "Memory status: %lu%% free", 100 - memory.memoryLoad);
    // The free memory in KB, counted in 64 bits: a machine with 4 GB or more free shows it all.
    std::snprintf(line7, 160, "Available RAM: %llu KB free", memory.availPhys / 1024);
    std::snprintf(line8, 160, "Screen resolution: %d x %d pixels%s", width, height,
                  ColourSuffix(bits));
}

void PaintBlank(HDC dc) {
    SetBkColor(dc, ScreenTextBackground);
}

void PaintPrivateScreen(HDC dc, int width, int height, int blackOnWhite) {
    COLORREF paper = blackOnWhite ? RGB(255, 255, 255) : RGB(0, 0, 0);
    COLORREF ink = blackOnWhite ? RGB(0, 0, 0) : RGB(255, 255, 255);
    RECT all = {0, 0, width, height};
    HBRUSH brush = CreateSolidBrush(paper);
    if (brush != nullptr) {
        FillRect(dc, &all, brush);
        DeleteObject(brush);
    }
    COLORREF oldInk = SetTextColor(dc, ink);
    COLORREF oldPaper = SetBkColor(dc, paper);
    int step = ScreenLineStep(dc);
    int line = 0;
    for (const char* text : privateLines)
        DrawLine(dc, step, line++, text);
    SetTextColor(dc, oldInk);
    SetBkColor(dc, oldPaper);
}

void PaintIntroScreenAs(HDC dc, int variant) {
    DpiFont font(SYSTEM_FONT, ScreenDpi());
    ScopedSelectObject selected(dc, font);
    SetBkColor(dc, ScreenTextBackground);
    int step = ScreenLineStep(dc);
    for (const ScreenLine& line : introLines)
        DrawLine(dc, step, line.line, variant != 0 ? line.palorin : line.mendrival);
}

void PaintAboutScreenAs(HDC dc, int variant) {
    DpiFont font(SYSTEM_FONT, ScreenDpi());
    ScopedSelectObject selected(dc, font);
    SetBkColor(dc, ScreenTextBackground);
    DrawLine(dc, ScreenLineStep(dc), 0, AboutTitle(variant));
}

void PaintSystemInfoScreenAs(HDC dc, int variant, const MemoryFigures& memory) {
    DpiFont font(SYSTEM_FONT, ScreenDpi());
    ScopedSelectObject selected(dc, font);
    SetBkColor(dc, ScreenTextBackground);
    int step = ScreenLineStep(dc);
    DrawLine(dc, step, 0, AboutTitle(variant));
    char line6[160];
    char line7[160];
    char line8[160];
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    SystemInfoLines(memory, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), bits,
                    line6, line7, line8);
    DrawLine(dc, step, 6, line6);
    DrawLine(dc, step, 7, line7);
    DrawLine(dc, step, 8, line8);
}

void PaintIntroScreen(HDC dc) {
    PaintIntroScreenAs(dc, productVariant);
}

void PaintAboutScreen(HDC dc) {
    PaintAboutScreenAs(dc, productVariant);
}

void PaintSystemInfoScreen(HDC dc) {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof status;
    GlobalMemoryStatusEx(&status);
    PaintSystemInfoScreenAs(dc, productVariant, {status.dwMemoryLoad, status.ullAvailPhys});
}
