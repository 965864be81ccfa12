// Painting the main window's client area by `screen`. WM_PAINT calls it with the paint
// context and WM_PRINTCLIENT with the caller's context, so a test can paint into a memory DC.
#pragma once

#include <windows.h>

void PaintMainWindow(HDC dc);
