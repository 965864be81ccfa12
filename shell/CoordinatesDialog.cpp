// The coordinates dialog. It starts from the current rectangle, or from the part of the image
// on screen, and keeps width and height in step with the corners as the user moves between
// the fields: the upper-left corner is only ever typed, width and height move the lower-right
// corner. Every field is read and written as a signed number, so a lower-right corner above or
// left of the upper-left one shows a negative width or height.
#include "shell/CoordinatesDialog.h"

#include "platform/Feedback.h"
#include "resources/DialogIds.h"
#include "shell/AppState.h"
#include "shell/RectangleSelection.h"

namespace {

// A field's text as a signed number; text that is not a number reads as 0.
int32_t ReadField(HWND dialog, int id) {
    BOOL ok = FALSE;
    auto value = static_cast<int32_t>(GetDlgItemInt(dialog, id, &ok, TRUE));
    return ok ? value : 0;
}

void WriteField(HWND dialog, int id, int64_t value) {
    // Sums and differences of typed numbers may leave 32 bits: such a field shows the value
    // wrapped to 32 bits, as every field is a 32-bit number.
    SetDlgItemInt(dialog, id, static_cast<UINT>(static_cast<uint32_t>(value)), TRUE);
}

void Initialise(HWND dialog) {
    RECT start;
    if (app.rectShown) {
        start = app.rectImage;
        SetDlgItemTextA(dialog, RectFirstLine, "Default values are for current rectangle.");
    } else {
        RECT client;
        GetClientRect(app.mainWindow, &client);
        start = TranslateRect(RECT{0, 0, client.right, client.bottom}, 1);
    }
    WriteField(dialog, RectLeft, start.left);
    WriteField(dialog, RectTop, start.top);
    WriteField(dialog, RectRight, start.right);
    WriteField(dialog, RectBottom, start.bottom);
    WriteField(dialog, RectWidth, int64_t(start.right) - start.left);
    WriteField(dialog, RectHeight, int64_t(start.bottom) - start.top);
}

// The field that a field's kill-focus rewrites.
void KeepConsistent(HWND dialog, int field) {
    switch (field) {
    case RectLeft:
    case RectRight:
        WriteField(dialog, RectWidth,
                   int64_t(ReadField(dialog, RectRight)) - ReadField(dialog, RectLeft));
        break;
    case RectTop:
    case RectBottom:
        WriteField(dialog, RectHeight,
                   int64_t(ReadField(dialog, RectBottom)) - ReadField(dialog, RectTop));
        break;
    case RectWidth:
        WriteField(dialog, RectRight,
                   int64_t(ReadField(dialog, RectWidth)) + ReadField(dialog, RectLeft));
        break;
    case RectHeight:
        WriteField(dialog, RectBottom,
                   int64_t(ReadField(dialog, RectHeight)) + ReadField(dialog, RectTop));
        break;
    default: break;
    }
}

void Accept(HWND dialog) {
    EraseBand();
    app.rectShown = 0;
    RECT typed = {ReadField(dialog, RectLeft), ReadField(dialog, RectTop),
                  ReadField(dialog, RectRight), ReadField(dialog, RectBottom)};
    // A bottom typed above the top is put in order; left and right may stay either way round
    // (the capture puts them in order).
    if (typed.bottom < typed.top) {
        LONG top = typed.bottom;
        typed.bottom = typed.top;
        typed.top = top;
    }
    app.rectImage = typed;
    app.rectClient = TranslateRect(typed, 0);
    EndDialog(dialog, 1);
}

} // namespace

INT_PTR CALLBACK RectDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: Initialise(dialog); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case RectLeft:
        case RectTop:
        case RectRight:
        case RectBottom:
        case RectWidth:
        case RectHeight:
            if (HIWORD(wParam) == EN_KILLFOCUS)
                KeepConsistent(dialog, LOWORD(wParam));
            return FALSE;
        case IDOK:
            // Enter walks to the next field; the field it leaves applies its rule.
            SendMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
            return TRUE;
        case RectOk: Accept(dialog); return TRUE;
        case IDCANCEL: EndDialog(dialog, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

int EnterCoordinates() {
    INT_PTR result = DialogBoxParamA(app.instance, "RectDlg", app.mainWindow, RectDlgProc, 0);
    if (result == -1) {
        SoundBeep(0xFFFFFFFF);
        return 0;
    }
    return result == 1 ? 1 : 0;
}
