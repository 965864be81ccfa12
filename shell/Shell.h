// The shell's start-up, window procedure and information screens.
#pragma once

#include <windows.h>

#include "shell/AppState.h"

// The private message a second copy posts to the running one, with WakeParam in wParam.
constexpr UINT WakeMessage = 0x6FD8;
constexpr WPARAM WakeParam = 0xFEED;

// The message the main window posts itself to open a picture file it was handed (OpenPicture.h).
constexpr UINT OpenPendingMessage = 0x6FD9;

// Window class of the main window, the same for both identities.
constexpr const char* MainClassName = "KOVEL";

// Registers the main window class with the identity's icon and menu; returns the class atom or 0.
ATOM RegisterMainClass(HINSTANCE instance);

// Creates and shows the main window, joins the clipboard-viewer chain and decides the first
// view. Returns 1 on success, 0 on failure.
int CreateMainWindow(HINSTANCE instance, int showCommand);

// The clipboard's native format as the order of placement gives it, with CF_TEXT and CF_OEMTEXT
// exchanged (see ProbeClipboardFormat.cpp). The caller holds the clipboard open. 0 when empty.
UINT ProbeClipboardFormat();

// The same decision over a list of formats as EnumClipboardFormats gives them.
UINT ProbeFormatList(const UINT* formats, int count);

// The window procedure of the main window.
LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows the About (ScreenAbout) or System info (ScreenSystemInfo) screen with its OK button.
void OpenInfoScreen(Screen which);

// Leaves the information screen for the clipboard view or the intro screen.
void CloseInfoScreen();

// Invalidates the whole client area (background erased) and paints it at once.
void RepaintMainWindow();

// Sets `screen` and `view` for a probed format; returns 0 when the format gives no view.
// With fallBack, a format that gives no view is replaced by the best known format available.
int ShowProbedFormat(UINT format, int fallBack);

// 1 when the clipboard holds content that its program marked private (the registered formats
// "ExcludeClipboardContentFromMonitorProcessing" or "Clipboard Viewer Ignore"): it is neither shown
// nor used.
int ClipboardHoldsPrivateContent();

// Marks the next clipboard change as a bitmap this program placed (opened, loaded, transformed):
// that change is shown in the bitmap view whatever else the clipboard holds, and brings nothing
// forward. Every placement of a picture of our own calls it after the picture is placed.
void FollowPlacedBitmap();
// WM_DPICHANGED: the window moved to a monitor of another DPI (wParam), or the scaling changed.
// It takes the suggested rectangle (lParam) and lays its fonts and screens out for the new DPI;
// the view, its scroll position and the marked rectangle stay as they were.
void OnDpiChanged(WPARAM wParam, LPARAM lParam);
