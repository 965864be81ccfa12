// Marking a rectangle of the bitmap view with the mouse. While the left button is held the band
// follows the pointer; a rectangle exists only while the pointer is below the anchor (dragging
// left of it is allowed and gives right less than left). The window captures the mouse for the
// drag, so a button released outside the window still ends it, and the pointer is kept inside
// the client area so that the band never leaves it.
#include "shell/RectangleSelection.h"

#include "platform/GdiScope.h"
#include "shell/AppState.h"
#include "shell/RefusalBoxes.h"
#include "shell/StatusCaption.h"

namespace {

bool InBitmapView() {
    return app.view == ViewBitmap && app.screen == ScreenClipboard;
}

void InvertBand(const RECT& rect) {
    ScopedGetDC dc(app.mainWindow);
    if (dc != nullptr)
        DrawFocusRect(dc, &rect);
}

// The pointer position of a mouse message, kept inside the client area (while the mouse is
// captured the position may lie outside the window, even negative).
POINT PointerInClient(LPARAM lParam) {
    RECT client;
    GetClientRect(app.mainWindow, &client);
    int x = static_cast<short>(LOWORD(lParam));
    int y = static_cast<short>(HIWORD(lParam));
    POINT point;
    point.x = x < 0 ? 0 : x > client.right ? client.right : x;
    point.y = y < 0 ? 0 : y > client.bottom ? client.bottom : y;
    return point;
}

} // namespace

RECT TranslateRect(const RECT& rect, int toImage) {
    int32_t dx = toImage ? app.viewOffsetX : -app.viewOffsetX;
    int32_t dy = toImage ? app.viewOffsetY : -app.viewOffsetY;
    RECT moved = {rect.left + dx, rect.top + dy, rect.right + dx, rect.bottom + dy};
    return moved;
}

void DrawBand(const RECT& rect) {
    EraseBand();
    InvertBand(rect);
    app.bandDrawn = rect;
    app.bandOnScreen = 1;
}

void EraseBand() {
    if (app.bandOnScreen) {
        InvertBand(app.bandDrawn);
        app.bandOnScreen = 0;
    }
}

void DropRectangle() {
    EraseBand();
    app.rectShown = 0;
    SetWindowTextA(app.mainWindow, app.titleText);
    SetRectEmpty(&app.rectClient);
}

void ShowRectangle() {
    DrawBand(app.rectClient);
    app.rectShown = 1;
    UpdateStatusCaption();
    SetWindowTextA(app.mainWindow, app.statusCaption);
}

void OnLeftButtonDown(LPARAM lParam) {
    app.buttonDown = 1;
    SetCapture(app.mainWindow);
    if (!InBitmapView())
        return;
    // Also removes a band left by a drag that ended at or above its anchor.
    EraseBand();
    app.rectShown = 0;
    SetWindowTextA(app.mainWindow, app.titleText);
    POINT anchor = PointerInClient(lParam);
    app.rectClient = RECT{anchor.x, anchor.y, anchor.x, anchor.y};
}

void OnMouseMove(LPARAM lParam) {
    if (!InBitmapView() || !app.buttonDown)
        return;
    POINT pointer = PointerInClient(lParam);
    app.rectClient.right = pointer.x;
    app.rectClient.bottom = pointer.y;
    DrawBand(app.rectClient);
    if (app.rectClient.bottom > app.rectClient.top) {
        app.rectShown = 1;
        app.rectImage = TranslateRect(app.rectClient, 1);
        UpdateStatusCaption();
        SetWindowTextA(app.mainWindow, app.statusCaption);
    } else {
        // At or above the anchor: no rectangle, though the band stays while the button is held.
        app.rectShown = 0;
        SetWindowTextA(app.mainWindow, app.titleText);
    }
}

void OnLeftButtonUp() {
    app.buttonDown = 0;
    if (GetCapture() == app.mainWindow)
        ReleaseCapture();
    // A band without a rectangle (the drag ended at or above its anchor) is not left behind.
    if (!app.rectShown)
        EraseBand();
    if (app.view > ViewBitmap)
        ShowRefusal(BoxIsText);
    else if (app.view == ViewNone)
        ShowRefusal(BoxEmpty);
}

void OnCaptureLost(HWND gainedBy) {
    // Another window took the mouse during a drag: the drag ends where the last move left it.
    if (gainedBy != app.mainWindow && app.buttonDown) {
        app.buttonDown = 0;
        if (!app.rectShown)
            EraseBand();
    }
}

void OnKeyDown(WPARAM wParam) {
    if (LOWORD(wParam) == VK_ESCAPE && app.view == ViewBitmap && app.rectShown)
        DropRectangle();
}

void BandBeforePaint() {
    EraseBand();
}

void BandAfterPaint() {
    if (app.screen == ScreenClipboard && app.view != ViewNone && app.rectShown) {
        app.rectClient = TranslateRect(app.rectImage, 0);
        DrawBand(app.rectClient);
    }
}

void BandAfterScroll() {
    if (app.rectShown) {
        app.rectClient = TranslateRect(app.rectImage, 0);
        DrawBand(app.rectClient);
    }
}
