#include "bitmap/TransformBitmap.h"

#include "bitmap/BlitPair.h"
#include "bitmap/PackedDib.h"
#include "platform/Feedback.h"
#include "shell/AppState.h"
#include "shell/Shell.h"

StretchLayout stretchLayout;

namespace {} // namespace

int TransformBitmap(HBITMAP bitmap, HPALETTE palette, int operation) {
    BITMAP bm = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof bm, &bm) == 0)
        return 0;
    int w = bm.bmWidth;
    int h = bm.bmHeight;
    BlitPair pair;
    if (!OpenBlitPair(&pair, bitmap, palette, w, h)) {
        HBITMAP unused = CloseBlitPair(&pair);
        if (unused != nullptr)
            DeleteObject(unused);
        return 0;
    }
    switch (operation) {
    case TransformReverseX:
        StretchBlt(pair.dest, w - 1, 0, -w, h, pair.source, 0, 0, w, h, SRCCOPY);
        break;
    case TransformReverseY:
        StretchBlt(pair.dest, 0, h - 1, w, -h, pair.source, 0, 0, w, h, SRCCOPY);
        break;
    case TransformInvert:
        StretchBlt(pair.dest, 0, 0, w, h, pair.source, 0, 0, w, h, NOTSRCCOPY);
        break;
    default: StretchBlt(pair.dest, 0, 0, w, h, pair.source, 0, 0, w, h, SRCCOPY); break;
    }
    HBITMAP result = CloseBlitPair(&pair);
    if (result == nullptr)
        return 0;
    SetClipboardData(CF_BITMAP, result);
    FollowPlacedBitmap();
    return 1;
}

void StretchBitmap(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof bm, &bm) == 0)
        return;
    stretchLayout = StretchLayout{};
    stretchLayout.bitmapWidth = bm.bmWidth;
    stretchLayout.bitmapHeight = bm.bmHeight;
    stretchLayout.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    stretchLayout.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    INT_PTR ended =
        DialogBoxParamA(app.instance, "StretchBmpDlgBox", app.mainWindow, StretchBmpDlgProc, 0);
    if (ended != 1)
        return;
    if (stretchLayout.newWidth == stretchLayout.bitmapWidth &&
        stretchLayout.newHeight == stretchLayout.bitmapHeight)
        return;

    BlitPair pair;
    if (!OpenBlitPair(&pair, bitmap, palette, stretchLayout.newWidth, stretchLayout.newHeight)) {
        HBITMAP unused = CloseBlitPair(&pair);
        if (unused != nullptr)
            DeleteObject(unused);
        SoundBeep(0xFFFFFFFF);
        return;
    }
    // Above 2 bits per pixel, rows and columns that fall away are dropped, not combined; at 1 or
    // 2 bits the default mode combines them so that black pixels survive a reduction. The
    // bitmap's own depth decides: a memory context reports the display's depth whatever bitmap
    // it holds.
    if (pair.depth > 2) {
        SetStretchBltMode(pair.source, COLORONCOLOR);
        SetStretchBltMode(pair.dest, COLORONCOLOR);
    }
    StretchBlt(pair.dest, 0, 0, stretchLayout.newWidth, stretchLayout.newHeight, pair.source, 0, 0,
               stretchLayout.bitmapWidth, stretchLayout.bitmapHeight, SRCCOPY);
    HBITMAP result = CloseBlitPair(&pair);
    if (result == nullptr) {
        SoundBeep(0xFFFFFFFF);
        return;
    }
    SetClipboardData(CF_BITMAP, result);
    FollowPlacedBitmap();
}

namespace {

// A size typed into one box: a new value derives the other size when the aspect is kept.
void SizeBoxLeft(HWND dialog, int box, int32_t* value, int32_t* other, int otherBox,
                 int32_t otherBase, int32_t base) {
    BOOL translated = FALSE;
    int32_t typed = int32_t(GetDlgItemInt(dialog, box, &translated, TRUE));
    if (!translated || typed == 0) {
        SoundBeep(0xFFFFFFFF);
        SetDlgItemInt(dialog, box, 0, FALSE);
        *value = 0;
        return;
    }
    if (typed == *value)
        return;
    *value = typed;
    if (!stretchLayout.keepAspect)
        return;
    int64_t derived = int64_t(typed) * otherBase / base;
    if (derived > 32767) {
        SoundBeep(0xFFFFFFFF);
        derived = 0;
    }
    *other = int32_t(derived);
    SetDlgItemInt(dialog, otherBox, UINT(*other), TRUE);
}

} // namespace

INT_PTR CALLBACK StretchBmpDlgProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG:
        SetDlgItemInt(dialog, StretchScreenWidth, UINT(stretchLayout.screenWidth), FALSE);
        SetDlgItemInt(dialog, StretchScreenHeight, UINT(stretchLayout.screenHeight), FALSE);
        SetDlgItemInt(dialog, StretchNewWidth, UINT(stretchLayout.bitmapWidth), FALSE);
        stretchLayout.newWidth = stretchLayout.bitmapWidth;
        SetDlgItemInt(dialog, StretchNewHeight, UINT(stretchLayout.bitmapHeight), FALSE);
        stretchLayout.newHeight = stretchLayout.bitmapHeight;
        SendDlgItemMessageA(dialog, StretchKeepAspect, BM_SETCHECK, BST_CHECKED, 0);
        stretchLayout.keepAspect =
            SendDlgItemMessageA(dialog, StretchKeepAspect, BM_GETCHECK, 0, 0) == BST_CHECKED;
        return TRUE;
    case WM_COMMAND: {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        switch (id) {
        case StretchNewWidth:
            if (code != EN_KILLFOCUS)
                return FALSE;
            SizeBoxLeft(dialog, StretchNewWidth, &stretchLayout.newWidth, &stretchLayout.newHeight,
                        StretchNewHeight, stretchLayout.bitmapHeight, stretchLayout.bitmapWidth);
            return TRUE;
        case StretchNewHeight:
            if (code != EN_KILLFOCUS)
                return FALSE;
            SizeBoxLeft(dialog, StretchNewHeight, &stretchLayout.newHeight, &stretchLayout.newWidth,
                        StretchNewWidth, stretchLayout.bitmapWidth, stretchLayout.bitmapHeight);
            return TRUE;
        case StretchKeepAspect:
            if (code != BN_CLICKED)
                return FALSE;
            if (SendDlgItemMessageA(dialog, StretchKeepAspect, BM_GETCHECK, 0, 0) == BST_CHECKED) {
                // Forget both sizes, so that leaving either box derives the other even when
                // its text did not change.
                stretchLayout.keepAspect = 1;
                stretchLayout.newWidth = 0;
                stretchLayout.newHeight = 0;
            } else {
                stretchLayout.keepAspect = 0;
            }
            return TRUE;
        case IDOK: // Enter moves to the next field and never closes the dialog
            SendMessageA(dialog, WM_NEXTDLGCTL, 0, 0);
            return TRUE;
        case IDCANCEL: EndDialog(dialog, 2); return TRUE;
        case StretchOk: {
            BOOL widthOk = FALSE, heightOk = FALSE;
            UINT width = GetDlgItemInt(dialog, StretchNewWidth, &widthOk, FALSE);
            UINT height = GetDlgItemInt(dialog, StretchNewHeight, &heightOk, FALSE);
            if (!widthOk || !heightOk || width == 0 || height == 0 || width > 0x7FFFFFFF ||
                height > 0x7FFFFFFF) {
                // No bitmap can have a zero size: the dialog stays open for another value.
                SoundBeep(0xFFFFFFFF);
                return TRUE;
            }
            stretchLayout.newWidth = int32_t(width);
            stretchLayout.newHeight = int32_t(height);
            EndDialog(dialog, 1);
            return TRUE;
        }
        default: return FALSE;
        }
    }
    default: return FALSE;
    }
}
