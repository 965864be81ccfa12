#include "platform/Feedback.h"
#include "resources/DialogIds.h"
#include "views/Printing.h"

namespace {

// A size box left: a new value derives the other size while the aspect is kept. Zero, text
// that is not a number and a negative size are refused with a beep and become 0; a derived size
// above 32767 (also one whose product leaves the 32-bit range) beeps and becomes 0.
void SizeBoxLeft(HWND dialog, int box, int32_t* value, int32_t* other, int otherBox,
                 int32_t otherBase, int32_t base) {
    BOOL translated = FALSE;
    int32_t typed = int32_t(GetDlgItemInt(dialog, box, &translated, TRUE));
    if (!translated || typed <= 0) {
        SoundBeep(0xFFFFFFFF);
        SetDlgItemInt(dialog, box, 0, FALSE);
        *value = 0;
        return;
    }
    if (typed == *value)
        return;
    *value = typed;
    if (!printLayout.keepAspect)
        return;
    int64_t product = int64_t(typed) * otherBase;
    int64_t derived = product > INT32_MAX ? 0 : product / base;
    if (product > INT32_MAX || derived > 32767) {
        SoundBeep(0xFFFFFFFF);
        derived = 0;
    }
    *other = int32_t(derived);
    SetDlgItemInt(dialog, otherBox, UINT(*other), FALSE);
}

// An origin box left: text that reads as 0 (empty or not a number) shows 0.
void OriginBoxLeft(HWND dialog, int box) {
    BOOL translated = FALSE;
    if (int32_t(GetDlgItemInt(dialog, box, &translated, TRUE)) == 0)
        SetDlgItemInt(dialog, box, 0, FALSE);
}

} // namespace

// A dialog box read as an unsigned number; 0 for text that is not one, or for a value past 32 bits.
int32_t UnsignedBox(HWND dialog, int box) {
    BOOL translated = FALSE;
    UINT value = GetDlgItemInt(dialog, box, &translated, FALSE);
    return translated && value <= UINT(INT32_MAX) ? int32_t(value) : 0;
}

INT_PTR CALLBACK PrintBmpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemInt(dialog, PrintPaperWidth, UINT(printLayout.paperWidth), FALSE);
        SetDlgItemInt(dialog, PrintPaperHeight, UINT(printLayout.paperHeight), FALSE);
        SetDlgItemInt(dialog, PrintImageWidth, UINT(printLayout.bitmapWidth), FALSE);
        printLayout.imageWidth = printLayout.bitmapWidth;
        SetDlgItemInt(dialog, PrintImageHeight, UINT(printLayout.bitmapHeight), FALSE);
        printLayout.imageHeight = printLayout.bitmapHeight;
        SetDlgItemInt(dialog, PrintOriginX, 0, FALSE);
        SetDlgItemInt(dialog, PrintOriginY, 0, FALSE);
        SendDlgItemMessageA(dialog, PrintKeepAspect, BM_SETCHECK, BST_CHECKED, 0);
        printLayout.keepAspect = 1;
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        switch (id) {
        case PrintImageWidth:
            if (code != EN_KILLFOCUS)
                return FALSE;
            SizeBoxLeft(dialog, PrintImageWidth, &printLayout.imageWidth, &printLayout.imageHeight,
                        PrintImageHeight, printLayout.bitmapHeight, printLayout.bitmapWidth);
            return TRUE;
        case PrintImageHeight:
            if (code != EN_KILLFOCUS)
                return FALSE;
            SizeBoxLeft(dialog, PrintImageHeight, &printLayout.imageHeight, &printLayout.imageWidth,
                        PrintImageWidth, printLayout.bitmapWidth, printLayout.bitmapHeight);
            return TRUE;
        case PrintOriginX:
        case PrintOriginY:
            if (code != EN_KILLFOCUS)
                return FALSE;
            OriginBoxLeft(dialog, id);
            return TRUE;
        case PrintKeepAspect:
            if (code != BN_CLICKED)
                return FALSE;
            if (SendDlgItemMessageA(dialog, PrintKeepAspect, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                // Forget both sizes, so that leaving either box derives the other even when
                // its text did not change.
                printLayout.keepAspect = 1;
                printLayout.imageWidth = 0;
                printLayout.imageHeight = 0;
            } else {
                printLayout.keepAspect = 0;
            }
            return TRUE;
        case IDOK: // Enter moves to the next field and never closes the dialog
            SendMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        case PrintOk:
            printLayout.imageWidth = UnsignedBox(dialog, PrintImageWidth);
            printLayout.imageHeight = UnsignedBox(dialog, PrintImageHeight);
            printLayout.originX = UnsignedBox(dialog, PrintOriginX);
            printLayout.originY = UnsignedBox(dialog, PrintOriginY);
            EndDialog(dialog, 1);
            return TRUE;
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}
