#include "views/PrinterJob.h"

#include <commdlg.h>

#include "shell/AppState.h"
#include "shell/RefusalBoxes.h"
#include "views/Printing.h"

namespace {

// The main window takes commands again and has the keyboard focus.
void ReleaseMainWindow() {
    EnableWindow(app.mainWindow, TRUE);
    SetFocus(app.mainWindow);
}

// The printer dialog owned by the main window; the chosen printer's device context, or null
// when the user cancelled (or no printer could be opened).
HDC ChoosePrinter() {
    PRINTDLGA dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = app.mainWindow;
    dialog.Flags = PD_RETURNDC;
    dialog.nFromPage = 1;
    dialog.nToPage = 1;
    dialog.nMinPage = 0;
    dialog.nMaxPage = 0;
    dialog.nCopies = 1;
    BOOL chosen = PrintDlgA(&dialog);
    // The dialog's device mode and names are not used again: one page, one copy.
    if (dialog.hDevMode != nullptr)
        GlobalFree(dialog.hDevMode);
    if (dialog.hDevNames != nullptr)
        GlobalFree(dialog.hDevNames);
    if (!chosen)
        return nullptr;
    return dialog.hDC;
}

} // namespace

HDC ChoosePrinterAndLayout(const char* dialogName, DLGPROC layoutProc) {
    HDC printer = ChoosePrinter();
    if (printer == nullptr)
        return nullptr;
    printLayout.paperWidth = GetDeviceCaps(printer, HORZRES);
    printLayout.paperHeight = GetDeviceCaps(printer, VERTRES);
    if (DialogBoxParamA(app.instance, dialogName, app.mainWindow, layoutProc, 0) != 1) {
        DeleteDC(printer);
        return nullptr;
    }
    return printer;
}

bool BeginPrintJob(HDC printer, const char* name) {
    EnableWindow(app.mainWindow, FALSE);
    DOCINFOA document = {};
    document.cbSize = sizeof document;
    document.lpszDocName = name;
    if (StartDocA(printer, &document) <= 0) {
        ReleaseMainWindow();
        ShowRefusal(BoxPrintFailed);
        return false;
    }
    return true;
}

bool BeginPrintPage(HDC printer) {
    return StartPage(printer) > 0;
}

bool EndPrintPage(HDC printer) {
    return EndPage(printer) > 0;
}

void EndPrintJob(HDC printer, bool sent) {
    if (sent)
        sent = EndDoc(printer) > 0;
    else
        AbortDoc(printer);
    ReleaseMainWindow();
    if (!sent)
        ShowRefusal(BoxPrintFailed);
}
