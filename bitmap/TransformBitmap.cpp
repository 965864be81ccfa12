#include "bitmap/TransformBitmap.h"

#include "bitmap/PackedDib.h"
#include "platform/Feedback.h"
#include "shell/AppState.h"

StretchLayout stretchLayout;

namespace {

// Two memory contexts with the source bitmap selected into one and a new bitmap of the same
// format, width x height, into the other; the palette, when given, realised in both.
//
// A device bitmap can only be selected into a memory context when it is monochrome or has the
// display's format. Any other (a 4- or 8-bit bitmap on a 32-bit display, say) is copied into a
// DIB section of its own depth and colour table, which can always be selected; the new bitmap
// is then drawn as such a section too and turned back into a device bitmap of the source's
// depth when the pair is closed, so that the pixel values come out exactly as drawn.
struct BlitPair {
    HDC source, dest;
    HGDIOBJ oldSourceBitmap, oldDestBitmap;
    HPALETTE oldSourcePalette, oldDestPalette;
    HBITMAP result;
    HBITMAP sourceSection; // the copy of a bitmap that could not be selected, or null
    int depth;             // planes x bits per pixel of the source
    BitmapInfo256 sectionInfo;
};

// A DIB section holding the bitmap's pixel values at its own depth, described by *info.
HBITMAP SectionCopy(HBITMAP bitmap, const BITMAP& bm, int depth, BitmapInfo256* info) {
    *info = BitmapInfo256{};
    info->header.biSize = sizeof info->header;
    info->header.biWidth = bm.bmWidth;
    info->header.biHeight = bm.bmHeight;
    info->header.biPlanes = 1;
    info->header.biBitCount = WORD(depth);
    info->header.biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    // The bitmap's own colour table, with no palette selected: the values go across unchanged.
    void* bits = nullptr;
    HBITMAP section = nullptr;
    if (GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS) !=
        0) {
        info->header.biSizeImage = 0;
        info->header.biClrUsed = 0;
        info->header.biClrImportant = 0;
        section = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS, &bits,
                                   nullptr, 0);
    }
    if (section != nullptr &&
        GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), bits, reinterpret_cast<BITMAPINFO*>(info),
                  DIB_RGB_COLORS) != bm.bmHeight) {
        DeleteObject(section);
        section = nullptr;
    }
    DeleteDC(dc);
    return section;
}

bool OpenBlitPair(BlitPair* pair, HBITMAP bitmap, HPALETTE palette, int width, int height) {
    *pair = BlitPair{};
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    pair->depth = bm.bmPlanes * bm.bmBitsPixel;
    pair->source = CreateCompatibleDC(nullptr);
    pair->dest = CreateCompatibleDC(nullptr);
    if (palette != nullptr) {
        pair->oldSourcePalette = SelectPalette(pair->source, palette, TRUE);
        RealizePalette(pair->source);
    }
    pair->oldSourceBitmap = SelectObject(pair->source, bitmap);
    if (pair->oldSourceBitmap == nullptr) {
        pair->sourceSection = SectionCopy(bitmap, bm, pair->depth, &pair->sectionInfo);
        if (pair->sourceSection == nullptr)
            return false;
        pair->oldSourceBitmap = SelectObject(pair->source, pair->sourceSection);
        BitmapInfo256 info = pair->sectionInfo;
        info.header.biWidth = width;
        info.header.biHeight = height;
        void* bits = nullptr;
        pair->result = CreateDIBSection(pair->source, reinterpret_cast<BITMAPINFO*>(&info),
                                        DIB_RGB_COLORS, &bits, nullptr, 0);
    } else {
        // Compatible with the context that holds the source, so the new bitmap has its format.
        pair->result = CreateCompatibleBitmap(pair->source, width, height);
    }
    if (pair->result == nullptr)
        return false;
    if (palette != nullptr) {
        pair->oldDestPalette = SelectPalette(pair->dest, palette, TRUE);
        RealizePalette(pair->dest);
    }
    pair->oldDestBitmap = SelectObject(pair->dest, pair->result);
    return pair->oldDestBitmap != nullptr;
}

// Turns a DIB section drawn in place of a device bitmap into a device bitmap of `depth` bits
// with the same pixel values. Deletes the section; returns null when that fails.
HBITMAP DeviceBitmapOf(HBITMAP section, int depth, BitmapInfo256* info) {
    DIBSECTION dib = {};
    HBITMAP bitmap = nullptr;
    if (GetObjectA(section, sizeof dib, &dib) == sizeof dib)
        bitmap = CreateBitmap(dib.dsBm.bmWidth, dib.dsBm.bmHeight, 1, UINT(depth), nullptr);
    if (bitmap != nullptr) {
        info->header.biWidth = dib.dsBm.bmWidth;
        info->header.biHeight = dib.dsBm.bmHeight;
        HDC dc = CreateCompatibleDC(nullptr);
        GdiFlush();
        int set = SetDIBits(dc, bitmap, 0, UINT(dib.dsBm.bmHeight), dib.dsBm.bmBits,
                            reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS);
        DeleteDC(dc);
        if (set != dib.dsBm.bmHeight) {
            DeleteObject(bitmap);
            bitmap = nullptr;
        }
    }
    DeleteObject(section);
    return bitmap;
}

// Deselects everything and deletes both contexts; returns the new bitmap (null on failure).
HBITMAP CloseBlitPair(BlitPair* pair) {
    if (pair->oldDestBitmap != nullptr)
        SelectObject(pair->dest, pair->oldDestBitmap);
    if (pair->oldDestPalette != nullptr)
        SelectPalette(pair->dest, pair->oldDestPalette, TRUE);
    if (pair->oldSourceBitmap != nullptr)
        SelectObject(pair->source, pair->oldSourceBitmap);
    if (pair->oldSourcePalette != nullptr)
        SelectPalette(pair->source, pair->oldSourcePalette, TRUE);
    DeleteDC(pair->dest);
    DeleteDC(pair->source);
    if (pair->sourceSection != nullptr) {
        DeleteObject(pair->sourceSection);
        if (pair->result != nullptr)
            pair->result = DeviceBitmapOf(pair->result, pair->depth, &pair->sectionInfo);
    }
    return pair->result;
}

} // namespace

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
