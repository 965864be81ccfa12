// The introduction, About and System info screens: fixed lines of text at fixed positions.
#pragma once

#include <windows.h>

// Background colour of the drawn text cells.
constexpr COLORREF ScreenTextBackground = RGB(191, 191, 191);

// Each paints its screen into `dc`, a paint context of the main window (or a memory context
// of the same format for a test), with the window's default font selected.
void PaintIntroScreen(HDC dc);
void PaintAboutScreen(HDC dc);
void PaintSystemInfoScreen(HDC dc);

// Sets the text background colour and draws nothing; the paint cycle erases the background.
void PaintBlank(HDC dc);

// The title line of the About and System info screens for the identity in use.
const char* AboutTitle();

// The colour suffix of the "Screen resolution:" line for a display of `bits` bits per pixel.
const char* ColourSuffix(int bits);
