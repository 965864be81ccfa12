// The one process-wide record of the shell's state, and the enumerations it uses.
// Declared once here; every subsystem reads it and a few named places write it.
#pragma once

#include <windows.h>

#include "encoders/EncodeTypes.h"

// What the client area shows.
enum Screen : int32_t {
    ScreenIntro = 0,       // the intro screen with the instructions
    ScreenAbout = 4,       // the About screen plus its OK button
    ScreenSystemInfo = 5,  // the System info screen plus its OK button
    ScreenClipboard = 100, // the clipboard view, in the format chosen by `view`
    ScreenPrivate = 101,   // the clipboard holds content marked private: a neutral screen
};

// Which clipboard format the clipboard view shows. A view above ViewBitmap is a text view.
enum ViewFormat : int32_t {
    ViewNone = 0,     // nothing usable
    ViewBitmap = 1,   // CF_BITMAP or CF_DIB
    ViewOemText = 2,  // CF_OEMTEXT
    ViewAnsiText = 3, // CF_TEXT
};

struct AppState {
    HWND mainWindow;    // the main window; MainWndProc stores its handle on every message
    HINSTANCE instance; // module instance, for dialogs and resources
    Screen screen;      // what the client area shows
    ViewFormat view;    // which clipboard format the clipboard view shows
    int32_t rectShown;  // a selection rectangle exists and its band is drawn
    RECT rectClient;    // the selection in client pixels, as drawn (anchor first)
    RECT rectImage;     // the same selection in image pixels (the master copy)
    int32_t buttonDown; // the left button went down in the client area and is still down
    int32_t ignoreNextClipboardChange; // the next WM_DRAWCLIPBOARD is only passed on
    int32_t dosCapturePending;         // look for a DOS capture at the next activation
    int16_t popupMode;        // bring the window forward when new clipboard contents arrive
    uint16_t tifCompression;  // a TifCompression value, read by the TIF writer
    int32_t blackOnWhite;     // text colours: 1 black on white, 0 white on black
    int32_t windowWidth;      // the window's size at creation: screen width x 3 / 4 (rescaled
                              // when the DPI changes)
    int32_t windowHeight;     // screen height x 2 / 3; also the base of the info OK button
    HWND nextViewer;          // next window in the clipboard-viewer chain, or none
    HWND infoOkButton;        // the OK button while an information screen is shown
    char titleText[16];       // window title whenever no rectangle exists
    char helpFile[16];        // the identity's help file, passed to WinHelpA
    char statusCaption[128];  // window title while a rectangle exists; digits rewritten in place
    char dosCapturePath[256]; // full path of the DOS capture file found last
    int32_t viewOffsetX;      // image x shown at the client area's left edge
    int32_t viewOffsetY;      // image y shown at the client area's top edge
    char chosenFileName[256]; // the path chosen in the file dialog
    HWND progressWindow;      // the "Processing..." window while it exists
    int32_t bandOnScreen;     // a selection band is drawn on the window now (by inversion)
    RECT bandDrawn;           // where that band was drawn, in client pixels

    // How clipboard changes arrive, and what the next one shows.
    int32_t clipboardListener; // 1: by WM_CLIPBOARDUPDATE (the listener); 0: by the viewer chain
    int32_t privateContent;    // the clipboard holds content marked private (ScreenPrivate)
    int32_t showPlacedBitmap;  // the next change is our own bitmap: show it in ViewBitmap
    UINT windowDpi;            // DPI of the fonts and screens: the monitor's, see OnDpiChanged
    int32_t gifDithering;      // GIF saves of deeper images diffuse the error of reduced colours
};

extern AppState app;

// The product identity, fixed when the program is built: 1 Palorin, 0 Mendrival.
extern const int productVariant;
