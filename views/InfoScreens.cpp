#include "views/InfoScreens.h"

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

void DrawLine(HDC dc, int step, int line, const char* text) {
    TextOutA(dc, 25, 15 + line * step, text, int(std::strlen(text)));
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

} // namespace

const char* AboutTitle() {
    return productVariant != 0 ? "Palorin for Windows 95/NT,  v5.0"
                               : "Mendrival for Windows 95/NT,  v3.0";
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

void PaintBlank(HDC dc) {
    SetBkColor(dc, ScreenTextBackground);
}

void PaintIntroScreen(HDC dc) {
    SetBkColor(dc, ScreenTextBackground);
    int step = ScreenLineStep(dc);
    for (const ScreenLine& line : introLines)
        DrawLine(dc, step, line.line, productVariant != 0 ? line.palorin : line.mendrival);
}

void PaintAboutScreen(HDC dc) {
    SetBkColor(dc, ScreenTextBackground);
    DrawLine(dc, ScreenLineStep(dc), 0, AboutTitle());
}

void PaintSystemInfoScreen(HDC dc) {
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof memory;
    GlobalMemoryStatusEx(&memory);

    SetBkColor(dc, ScreenTextBackground);
    int step = ScreenLineStep(dc);
    DrawLine(dc, step, 0, AboutTitle());
    char text[160];
    std::snprintf(text, sizeof text, "Memory status: %lu%% free",
                  static_cast<unsigned long>(100 - memory.dwMemoryLoad));
    DrawLine(dc, step, 6, text);
    std::snprintf(text, sizeof text, "Available RAM: %llu KB free",
                  static_cast<unsigned long long>(memory.ullAvailPhys / 1024));
    DrawLine(dc, step, 7, text);
    int bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    std::snprintf(text, sizeof text, "Screen resolution: %d x %d pixels%s",
                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), ColourSuffix(bits));
    DrawLine(dc, step, 8, text);
}
