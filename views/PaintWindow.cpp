// Until the screens have painters of their own, every screen is the plain class background.
#include "views/PaintWindow.h"

#include "shell/AppState.h"

void PaintMainWindow(HDC dc) {
    RECT client;
    GetClientRect(app.mainWindow, &client);
    FillRect(dc, &client, static_cast<HBRUSH>(GetStockObject(LTGRAY_BRUSH)));
}
