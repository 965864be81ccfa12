// The "Rectangle Coordinates" dialog ("RectDlg"): the rectangle typed instead of dragged.
#pragma once

#include <windows.h>

// Runs the dialog modally over the main window. Returns 1 after OK, with app.rectImage and
// app.rectClient holding the typed rectangle (top above bottom) and the old band removed; the
// caller shows the new one. Returns 0 after Cancel (nothing changed) or when the dialog could
// not be shown (a beep).
int EnterCoordinates();

INT_PTR CALLBACK RectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
