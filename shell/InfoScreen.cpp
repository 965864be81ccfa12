// The About and System info screens and their OK button.
#include "platform/Dpi.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"

namespace {

// The OK button's font: the system's message font at the window's DPI, while the button exists.
HFONT okButtonFont = nullptr;

void DestroyOkButton() {
    if (app.infoOkButton != nullptr) {
        DestroyWindow(app.infoOkButton);
        app.infoOkButton = nullptr;
    }
    if (okButtonFont != nullptr) {
        DeleteObject(okButtonFont);
        okButtonFont = nullptr;
    }
}

int AtLeast(int value, int least) {
    return value > least ? value : least;
}

} // namespace

void OpenInfoScreen(Screen which) {
    DestroyOkButton();
    // Placed by the window's size at creation, not by the current client size; never smaller
    // than a standard button at the window's DPI, so that its text fits at every scaling.
    UINT dpi = app.windowDpi != 0 ? app.windowDpi : WindowDpi(app.mainWindow);
    app.infoOkButton = CreateWindowExA(
        0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, app.windowWidth * 5 / 12,
        app.windowHeight * 2 / 3, AtLeast(app.windowWidth / 6, ScaleForDpi(75, dpi)),
        AtLeast(app.windowHeight / 12, ScaleForDpi(23, dpi)), app.mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(CmdInfoOk)), app.instance, nullptr);
    if (app.infoOkButton != nullptr) {
        okButtonFont = CreateMessageFont(dpi);
        if (okButtonFont != nullptr)
            SendMessageA(app.infoOkButton, WM_SETFONT, reinterpret_cast<WPARAM>(okButtonFont), 0);
        ShowWindow(app.infoOkButton, SW_SHOW);
    }
    app.screen = which;
    RepaintMainWindow();
}

void CloseInfoScreen() {
    if (app.view == ViewBitmap || app.view == ViewOemText || app.view == ViewAnsiText) {
        app.screen = ScreenClipboard;
    } else if (app.privateContent) {
        app.screen = ScreenPrivate;
    } else {
        app.screen = ScreenIntro;
    }
    DestroyOkButton();
    RepaintMainWindow();
}
