#include "bitmap/ProgressWindow.h"

#include "platform/Dpi.h"
#include "platform/GdiScope.h"
#include "shell/AppState.h"

void ShowProgressWindow() {
    int cx = GetSystemMetrics(SM_CXSCREEN);
    int cy = GetSystemMetrics(SM_CYSCREEN);
    // Created hidden and then shown without activation: a window created visible would be
    // activated at once and take the activation from the main window. Once shown, its style is
    // WS_POPUP | WS_VISIBLE | WS_DLGFRAME.
    HWND window =
        CreateWindowExA(0, "STATIC", nullptr, WS_POPUP | WS_DLGFRAME, cx * 3 / 8, cy * 2 / 5,
                        cx / 4, cy / 5, nullptr, nullptr, app.instance, nullptr);
    app.progressWindow = window;
    if (window == nullptr)
        return;
    ShowWindow(window, SW_SHOWNA);
    UpdateWindow(window);
    ScopedGetDC dc(window);
    // The system font at the DPI of the monitor the window is on.
    DpiFont font(SYSTEM_FONT, WindowDpi(window));
    ScopedSelectObject selected(dc, font);
    SetBkMode(dc, TRANSPARENT);
    TEXTMETRICA metrics = {};
    GetTextMetricsA(dc, &metrics);
    int d = (metrics.tmHeight + metrics.tmExternalLeading) % 256;
    TextOutA(dc, 2 * d, 2 * d, "Processing...", 13);
}

void HideProgressWindow() {
    if (app.progressWindow != nullptr) {
        DestroyWindow(app.progressWindow);
        app.progressWindow = nullptr;
    }
}
