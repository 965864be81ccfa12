// Being told of clipboard changes by the clipboard format listener (WM_CLIPBOARDUPDATE), which
// needs no other program's help, unlike the viewer chain where one viewer that does not pass the
// notification on leaves every viewer after it blind. The listener functions are looked up at
// run time, so the program still starts on a system that lacks them and joins the chain there.
#pragma once

#include <windows.h>

#ifndef WM_CLIPBOARDUPDATE
#define WM_CLIPBOARDUPDATE 0x031D
#endif

// Adds the window to the clipboard format listeners; false when the system has no listener (or
// refused), and the caller then joins the viewer chain instead.
bool JoinClipboardListeners(HWND window);

// Removes the window from the listeners again.
void LeaveClipboardListeners(HWND window);

// For tests: while set, JoinClipboardListeners answers false, as on a system without the
// listener, so that the viewer chain is used.
void PretendNoClipboardListener(bool pretend);
