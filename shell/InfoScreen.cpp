// The About and System info screens and their OK button.
#include "shell/CommandIds.h"
#include "shell/Shell.h"

void OpenInfoScreen(Screen which) {
    if (app.infoOkButton != nullptr) {
        DestroyWindow(app.infoOkButton);
        app.infoOkButton = nullptr;
    }
    // Placed by the window's size at creation, not by the current client size.
    app.infoOkButton = CreateWindowExA(
        0, "BUTTON", "OK", WS_CHILD | WS_VISIBLE, app.windowWidth * 5 / 12,
        app.windowHeight * 2 / 3, app.windowWidth / 6, app.windowHeight / 12, app.mainWindow,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(CmdInfoOk)), app.instance, nullptr);
    if (app.infoOkButton != nullptr) {
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
    if (app.infoOkButton != nullptr) {
        DestroyWindow(app.infoOkButton);
        app.infoOkButton = nullptr;
    }
    RepaintMainWindow();
}
