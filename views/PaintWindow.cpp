// Painting the client area by `screen`: the three information screens, or the clipboard view
// at the scroll bars' positions.
#include "views/PaintWindow.h"

#include "shell/AppState.h"
#include "views/ClipboardView.h"
#include "views/InfoScreens.h"

void PaintMainWindow(HDC dc) {
    switch (app.screen) {
    case ScreenAbout: PaintAboutScreen(dc); break;
    case ScreenSystemInfo: PaintSystemInfoScreen(dc); break;
    case ScreenClipboard:
        PaintBlank(dc);
        PaintClipboardViewInto(dc, GetScrollPos(app.mainWindow, SB_HORZ),
                               GetScrollPos(app.mainWindow, SB_VERT));
        break;
    case ScreenPrivate: {
        RECT client;
        GetClientRect(app.mainWindow, &client);
        PaintPrivateScreen(dc, client.right, client.bottom, app.blackOnWhite);
        break;
    }
    default: PaintIntroScreen(dc); break;
    }
}
