// The introduction, About and System info screens: fixed lines of text at fixed positions.
#pragma once

#include <windows.h>

// Background colour of the drawn text cells.
constexpr COLORREF ScreenTextBackground = RGB(191, 191, 191);

// The memory figures of the System info screen.
struct MemoryFigures {
    unsigned long memoryLoad;     // percent of the memory in use
    unsigned long long availPhys; // bytes of physical memory free
};

// Each paints its screen into `dc`, a paint context of the main window (or a memory context
// of the same format for a test), in the system font at the window's DPI (`windowDpi`).
void PaintIntroScreen(HDC dc);
void PaintAboutScreen(HDC dc);
// Reads the memory status, then paints.
void PaintSystemInfoScreen(HDC dc);

// The same for a given identity (0 Mendrival, otherwise Palorin) and given memory figures.
void PaintIntroScreenAs(HDC dc, int variant);
void PaintAboutScreenAs(HDC dc, int variant);
void PaintSystemInfoScreenAs(HDC dc, int variant, const MemoryFigures& memory);

// The System info screen's lines 6, 7 and 8 for the figures and a display of `bits` bits per
// pixel on a screen of width x height pixels; each buffer holds 160 characters.
void SystemInfoLines(const MemoryFigures& memory, int width, int height, int bits, char* line6,
                     char* line7, char* line8);

// The screen shown while the clipboard holds private content: a few lines saying so, in the
// text colours (black on white, or white on black), over the whole client area of width x height.
void PaintPrivateScreen(HDC dc, int width, int height, int blackOnWhite);

// Sets the text background colour and draws nothing; the paint cycle erases the background.
void PaintBlank(HDC dc);

// The title line of the About and System info screens for an identity.
const char* AboutTitle(int variant);

// The colour suffix of the "Screen resolution:" line for a display of `bits` bits per pixel.
const char* ColourSuffix(int bits);
