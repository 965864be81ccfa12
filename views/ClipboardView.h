// The clipboard view: the clipboard's bitmap, or its OEM or ANSI text rendered on a
// screen-sized page, scrolled in eight steps per axis.
#pragma once

#include <windows.h>

#include <cstdint>

// Paints the view at scroll positions h and v (0..8) into the main window through a device
// context of its own, and sets app.viewOffsetX and app.viewOffsetY.
void PaintClipboardView(int h, int v);

// The same into `target`, a context of the main window's format with the client area at its
// origin (WM_PRINTCLIENT and tests).
void PaintClipboardViewInto(HDC target, int h, int v);

// The offset of the shown part on one axis: excess = image size - client size (at least 0),
// step = excess / 8 rounded up, offset = step x position but at most the excess.
int32_t ViewOffset(int32_t imageSize, int32_t clientSize, int position);
