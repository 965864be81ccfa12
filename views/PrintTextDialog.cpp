#include "resources/DialogIds.h"
#include "views/Printing.h"

INT_PTR CALLBACK PrintTextDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemInt(dialog, PrintPaperWidth, UINT(printLayout.paperWidth), FALSE);
        SetDlgItemInt(dialog, PrintPaperHeight, UINT(printLayout.paperHeight), FALSE);
        SetDlgItemInt(dialog, PrintOriginX, 0, FALSE);
        SetDlgItemInt(dialog, PrintOriginY, 0, FALSE);
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        switch (id) {
        case IDOK: // the OK button and the Enter key
            printLayout.originX = UnsignedBox(dialog, PrintOriginX);
            printLayout.originY = UnsignedBox(dialog, PrintOriginY);
            EndDialog(dialog, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        case PrintOriginX:
        case PrintOriginY: {
            if (HIWORD(wParam) != EN_KILLFOCUS)
                return FALSE;
            BOOL translated = FALSE;
            if (int32_t(GetDlgItemInt(dialog, id, &translated, TRUE)) == 0)
                SetDlgItemInt(dialog, id, 0, FALSE);
            return TRUE;
        }
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}
