// The main window procedure: the display states, clipboard change notifications (the format
// listener, or the clipboard-viewer chain where the system has no listener), popup mode and the
// wake message from a second copy.
#include "bitmap/PngClipboard.h"
#include "platform/ClipboardAccess.h"
#include "platform/ClipboardListener.h"
#include "platform/Feedback.h"
#include "shell/CommandDispatch.h"
#include "shell/CommandIds.h"
#include "shell/HelpCommands.h"
#include "shell/OpenPicture.h"
#include "shell/RectangleSelection.h"
#include "shell/ScrollBars.h"
#include "shell/Shell.h"
#include "views/PaintWindow.h"

namespace {

ViewFormat ViewForFormat(UINT format) {
    switch (format) {
    case CF_OEMTEXT: return ViewOemText;
    case CF_TEXT: return ViewAnsiText;
    case CF_BITMAP:
    case CF_DIB: return ViewBitmap;
    default: return ViewNone;
    }
}

// The best view the clipboard's formats allow, for a probed format that gives none.
ViewFormat ViewForAvailableFormats() {
    if (IsClipboardFormatAvailable(CF_BITMAP) || IsClipboardFormatAvailable(CF_DIB)) {
        return ViewBitmap;
    }
    if (IsClipboardFormatAvailable(CF_OEMTEXT)) {
        return ViewOemText;
    }
    if (IsClipboardFormatAvailable(CF_TEXT)) {
        return ViewAnsiText;
    }
    return ViewNone;
}

void OnDestroy(HWND window) {
    CloseHelp(); // as HELP_QUIT: closes the help windows this program opened
    if (app.clipboardListener)
        LeaveClipboardListeners(window);
    else
        ChangeClipboardChain(window, app.nextViewer);
    PostQuitMessage(0);
}

// A pending DOS capture check runs at the first activation, posted so that it runs after the
// activation has finished.
void OnActivate(HWND window, WPARAM wParam) {
    WORD state = LOWORD(wParam);
    if ((state == WA_ACTIVE || state == WA_CLICKACTIVE) && app.dosCapturePending == 1) {
        app.dosCapturePending = 0;
        PostMessageA(window, WM_COMMAND, CmdLoadDosCapture, 0);
    }
}

// Paints into a context the caller gives (tests read the pixels), erasing it with the class
// background first when asked, as a paint cycle would.
void OnPrintClient(HDC dc, LPARAM options) {
    if (options & PRF_ERASEBKGND) {
        RECT client;
        GetClientRect(app.mainWindow, &client);
        FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
    }
    PaintMainWindow(dc);
}

void OnPaint(HWND window) {
    BandBeforePaint();
    PAINTSTRUCT paint;
    HDC dc = BeginPaint(window, &paint);
    if (dc != nullptr) {
        PaintMainWindow(dc);
    }
    EndPaint(window, &paint);
    BandAfterPaint();
}

// Nothing usable on the clipboard, or only private content: back to the intro screen (or the
// private screen) with the rectangle dropped. An empty clipboard also starts the DOS capture
// check, at once when the window is active.
void ShowNothing(HWND window, int clipboardEmpty, Screen screen = ScreenIntro) {
    app.rectShown = 0;
    app.view = ViewNone;
    app.screen = screen;
    SetRectEmpty(&app.rectClient);
    SetWindowTextA(window, app.titleText);
    SetScrollPos(window, SB_HORZ, 0, TRUE);
    SetScrollPos(window, SB_VERT, 0, TRUE);
    if (clipboardEmpty) {
        if (GetActiveWindow() != window) {
            app.dosCapturePending = 1;
        } else {
            PostMessageA(window, WM_COMMAND, CmdLoadDosCapture, 0);
        }
    }
    RepaintMainWindow();
}

// New contents arrived: bring the window forward in popup mode unless it is active already.
// A minimised window that is still the active one (nothing else took over) comes back too.
void PopUp(HWND window) {
    if (app.popupMode != 0 && (GetActiveWindow() != window || IsIconic(window))) {
        SetActiveWindow(window);
        ShowWindow(window, SW_SHOWNORMAL);
    }
}

void RefreshFromClipboard(HWND window) {
    int placedByUs = app.showPlacedBitmap;
    app.showPlacedBitmap = 0;
    // Private content is not looked at: no probe, no picture decoded, no popup.
    app.privateContent = ClipboardHoldsPrivateContent();
    if (app.privateContent) {
        ShowNothing(window, 0, ScreenPrivate);
        return;
    }
    UINT format = 0;
    int clipboardEmpty = 0;
    int shown = 0;
    {
        ClipboardScope clipboard(window);
        if (!clipboard.IsOpen()) {
            // Held by another program for longer than the retry: keep the current view.
            return;
        }
        // A "PNG" alone gets its CF_DIB before the probe, which then sees a bitmap.
        PngToClipboard(1);
        format = ProbeClipboardFormat();
        // A bitmap we placed beside text is what the user asked to see.
        if (placedByUs &&
            (IsClipboardFormatAvailable(CF_BITMAP) || IsClipboardFormatAvailable(CF_DIB)))
            format = CF_BITMAP;
        clipboardEmpty = CountClipboardFormats() == 0;
        shown = ShowProbedFormat(format, 1);
    }
    if (!shown) {
        ShowNothing(window, clipboardEmpty);
        return;
    }
    RepaintMainWindow();
    if (!placedByUs)
        PopUp(window);
}

// A change of the clipboard, told by the format listener (WM_CLIPBOARDUPDATE) or along the
// viewer chain (WM_DRAWCLIPBOARD, passed on to the next viewer, which the listener has none of).
void OnClipboardChange(HWND window, WPARAM wParam, LPARAM lParam) {
    if (app.infoOkButton != nullptr) {
        CloseInfoScreen();
    }
    if (app.ignoreNextClipboardChange) {
        app.ignoreNextClipboardChange = 0;
    } else {
        RefreshFromClipboard(window);
    }
    if (app.nextViewer != nullptr) {
        SendMessageA(app.nextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
    }
}

// wParam leaves the chain, lParam is the window after it.
void OnChainChange(WPARAM wParam, LPARAM lParam) {
    if (reinterpret_cast<HWND>(wParam) == app.nextViewer) {
        app.nextViewer = reinterpret_cast<HWND>(lParam);
    }
    if (app.nextViewer != nullptr) {
        SendMessageA(app.nextViewer, WM_CHANGECBCHAIN, wParam, lParam);
    }
}

void OnWake(HWND window, WPARAM wParam) {
    if (LOWORD(wParam) == WakeParam) {
        SetForegroundWindow(window);
        ShowWindow(window, SW_SHOWNORMAL);
    }
}

} // namespace

void FollowPlacedBitmap() {
    // A notification swallowed for a CF_DIB converted in the same opening must not hide it.
    app.ignoreNextClipboardChange = 0;
    app.showPlacedBitmap = 1;
}

int ShowProbedFormat(UINT format, int fallBack) {
    ViewFormat view = ViewForFormat(format);
    if (view == ViewNone && fallBack) {
        view = ViewForAvailableFormats();
    }
    if (view == ViewNone) {
        return 0;
    }
    app.screen = ScreenClipboard;
    app.view = view;
    return 1;
}

void RepaintMainWindow() {
    InvalidateRect(app.mainWindow, nullptr, TRUE);
    UpdateWindow(app.mainWindow);
}

LRESULT CALLBACK MainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    app.mainWindow = window;
    switch (message) {
    case WM_DESTROY: OnDestroy(window); return 0;
    case WM_ACTIVATE:
        OnActivate(window, wParam);
        // The default handling only gives the window the keyboard focus; its result is 0.
        DefWindowProcA(window, message, wParam, lParam);
        return 0;
    case WM_PAINT: OnPaint(window); return 0;
    case WM_ERASEBKGND:
        // The band comes off before the background covers part of it (see OnPaint).
        BandBeforePaint();
        return DefWindowProcA(window, message, wParam, lParam);
    case WM_PRINTCLIENT: OnPrintClient(reinterpret_cast<HDC>(wParam), lParam); return 0;
    case WM_COMMAND: DispatchCommand(LOWORD(wParam)); return 0;
    case WM_HSCROLL: OnScroll(SB_HORZ, wParam); return 0;
    case WM_VSCROLL: OnScroll(SB_VERT, wParam); return 0;
    case WM_LBUTTONDOWN: OnLeftButtonDown(lParam); return 0;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return 0;
    case WM_LBUTTONUP: OnLeftButtonUp(); return 0;
    case WM_CAPTURECHANGED: OnCaptureLost(reinterpret_cast<HWND>(lParam)); return 0;
    case WM_KEYDOWN: OnKeyDown(wParam); return 0;
    case WM_DRAWCLIPBOARD: OnClipboardChange(window, wParam, lParam); return 0;
    case WM_CLIPBOARDUPDATE: OnClipboardChange(window, 0, 0); return 0;
    case WM_CHANGECBCHAIN: OnChainChange(wParam, lParam); return 0;
    case WakeMessage: OnWake(window, wParam); return 0;
    case WM_DROPFILES: OpenDroppedFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COPYDATA: return OnCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case OpenPendingMessage: OpenPendingPicture(); return 0;
    case WM_DPICHANGED: OnDpiChanged(wParam, lParam); return 0;
    default: return DefWindowProcA(window, message, wParam, lParam);
    }
}
