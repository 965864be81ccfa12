// Registering the main window class and creating the one main window.
#include <string.h>

#include "bitmap/PngClipboard.h"
#include "platform/ClipboardAccess.h"
#include "platform/ClipboardListener.h"
#include "platform/Dpi.h"
#include "platform/GdiScope.h"
#include "shell/CommandIds.h"
#include "shell/ProductIdentity.h"
#include "shell/Shell.h"

namespace {

void CopyString(char* target, size_t size, const char* source) {
    strncpy(target, source, size - 1);
    target[size - 1] = '\0';
}

// TIF compression starts as PackBits (already checked in the menu resource); above 8 bits per
// pixel it starts as LZW in 8k strips instead.
void SetTifDefaultByDepth(HWND window) {
    app.tifCompression = TifPackBits;
    int bits;
    {
        ScopedGetDC dc(window);
        bits = GetDeviceCaps(dc, BITSPIXEL) * GetDeviceCaps(dc, PLANES);
    }
    if (bits > 8) {
        HMENU menu = GetMenu(window);
        CheckMenuItem(menu, CmdTifLzw8k, MF_BYCOMMAND | MF_CHECKED);
        CheckMenuItem(menu, CmdTifLzw16k, MF_BYCOMMAND | MF_UNCHECKED);
        CheckMenuItem(menu, CmdTifPackBits, MF_BYCOMMAND | MF_UNCHECKED);
        app.tifCompression = TifLzw8k;
    }
}

} // namespace

ATOM RegisterMainClass(HINSTANCE instance) {
    const ProductIdentity& identity = CurrentIdentity();
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWndProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, identity.iconResource);
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH));
    windowClass.lpszMenuName = identity.menuResource;
    windowClass.lpszClassName = MainClassName;
    return RegisterClassA(&windowClass);
}

int CreateMainWindow(HINSTANCE instance, int showCommand) {
    const ProductIdentity& identity = CurrentIdentity();
    app.windowWidth = GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    app.windowHeight = GetSystemMetrics(SM_CYSCREEN) * 2 / 3;
    app.instance = instance;
    CopyString(app.titleText, sizeof app.titleText, identity.title);
    CopyString(app.helpFile, sizeof app.helpFile, identity.helpFile);
    CopyString(app.statusCaption, sizeof app.statusCaption, identity.captionTemplate);

    HWND window =
        CreateWindowExA(WS_EX_ACCEPTFILES, MainClassName, app.titleText,
                        WS_OVERLAPPEDWINDOW | WS_HSCROLL | WS_VSCROLL, CW_USEDEFAULT, CW_USEDEFAULT,
                        app.windowWidth, app.windowHeight, nullptr, nullptr, instance, nullptr);
    if (window == nullptr) {
        return 0;
    }
    app.mainWindow = window;
    app.windowDpi = WindowDpi(window);
    app.screen = ScreenIntro;
    app.popupMode = 1;
    app.dosCapturePending = CountClipboardFormats() == 0 ? 1 : 0;
    SetTifDefaultByDepth(window);
    app.blackOnWhite = 1;
    app.gifDithering = 0;
    // The format listener where the system has it; else the viewer chain, whose joining sends
    // a change notification at once (the first view is decided further down instead).
    app.clipboardListener = JoinClipboardListeners(window) ? 1 : 0;
    if (!app.clipboardListener) {
        app.ignoreNextClipboardChange = 1;
        app.nextViewer = SetClipboardViewer(window);
    }
    SetScrollRange(window, SB_HORZ, 0, 8, TRUE);
    SetScrollRange(window, SB_VERT, 0, 8, TRUE);
    ShowWindow(window, showCommand);

    UINT format = 0;
    app.privateContent = ClipboardHoldsPrivateContent();
    if (app.privateContent) {
        app.screen = ScreenPrivate;
    } else {
        ClipboardScope clipboard(window);
        if (clipboard.IsOpen()) {
            PngToClipboard(1);
            format = ProbeClipboardFormat();
        }
    }
    if (!app.privateContent && ShowProbedFormat(format, 1)) {
        app.rectShown = 0;
        SetRectEmpty(&app.rectClient);
    }
    UpdateWindow(window);
    return 1;
}
