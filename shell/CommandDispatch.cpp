// Command dispatch. Every command first leaves an information screen; commands whose work is
// not built yet do nothing beyond that.
#include "shell/CommandDispatch.h"

#include "shell/CommandIds.h"
#include "shell/Shell.h"

namespace {

// An information screen ends with any command. A System info screen whose OK button could not
// be created is left the same way, except for the posted DOS capture check.
void LeaveInfoScreen(unsigned command) {
    if (app.infoOkButton != nullptr) {
        CloseInfoScreen();
    } else if (app.screen == ScreenSystemInfo && command != CmdLoadDosCapture) {
        app.screen = ScreenIntro;
        RepaintMainWindow();
    }
}

} // namespace

void DispatchCommand(unsigned command) {
    LeaveInfoScreen(command);
    switch (command) {
    case CmdExit: DestroyWindow(app.mainWindow); break;
    case CmdAbout: OpenInfoScreen(ScreenAbout); break;
    case CmdSystemInfo: OpenInfoScreen(ScreenSystemInfo); break;
    case CmdInfoOk: break; // the OK button: leaving the screen above was all
    case CmdLoadDosCapture:
        // Posted when the clipboard became empty; reading DOS captures is not built yet.
        break;
    default: break;
    }
}
