#include "resources/DialogIds.h"
#include "views/Printing.h"

namespace {

// A box read as an unsigned number; 0 for text that is not one, or for a value past 32 bits.
int32_t UnsignedBox(HWND dialog, int box) {
    BOOL translated = FALSE;
    UINT value = GetDlgItemInt(dialog, box, &translated, FALSE);
    return translated && value <= UINT(INT32_MAX) ? int32_t(value) : 0;
}

} // namespace

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
