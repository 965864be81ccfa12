// The two scroll bars of the main window: nine positions per axis, 0 to 8.
#pragma once

#include <windows.h>

// Handles WM_HSCROLL (bar SB_HORZ) or WM_VSCROLL (bar SB_VERT): moves the bar's position by the
// request in wParam and paints the clipboard view at once at the new positions. Does nothing
// while no clipboard format is viewed.
void OnScroll(int bar, WPARAM wParam);

// The position a request moves to from `position`: a line or a page back or forward, or the
// thumb's position; other requests (the thumb being dragged among them) keep it.
int ScrolledPosition(int position, WPARAM wParam);
