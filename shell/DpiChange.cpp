// Moving to a monitor of another DPI. The bitmap view needs nothing: it is drawn pixel for pixel
// and its offsets, the marked rectangle and the caption are in bitmap pixels. What is laid out by
// the DPI (the text pages, the information screens and their OK button) is laid out again.
#include <windows.h>

#include "shell/Shell.h"

void OnDpiChanged(WPARAM wParam, LPARAM lParam) {
    UINT dpi = HIWORD(wParam);
    UINT old = app.windowDpi;
    if (dpi != 0) {
        app.windowDpi = dpi;
        // The creation size, which places the OK button, as it measures at the new DPI.
        if (old != 0) {
            app.windowWidth = MulDiv(app.windowWidth, static_cast<int>(dpi), static_cast<int>(old));
            app.windowHeight =
                MulDiv(app.windowHeight, static_cast<int>(dpi), static_cast<int>(old));
        }
    }
    const RECT* suggested = reinterpret_cast<const RECT*>(lParam);
    if (suggested != nullptr) {
        SetWindowPos(app.mainWindow, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    if (app.infoOkButton != nullptr)
        OpenInfoScreen(app.screen); // a new button of the new size and font; repaints
    else
        RepaintMainWindow();
}
