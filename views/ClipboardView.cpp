#include "views/ClipboardView.h"

#include "bitmap/PackedDib.h"
#include "platform/ClipboardAccess.h"
#include "shell/AppState.h"
#include "views/TextPage.h"

int32_t ViewOffset(int32_t imageSize, int32_t clientSize, int position) {
    int32_t excess = imageSize - clientSize;
    if (excess < 0)
        excess = 0;
    int32_t step = excess / 8 + (excess % 8 != 0 ? 1 : 0);
    int32_t offset = step * position;
    return offset > excess ? excess : offset;
}

namespace {

// A new monochrome page of the screen's size, selected into `memory`, with the clipboard's text
// of the current view drawn on it in the chosen colours.
HBITMAP RenderTextPage(HDC memory, int width, int height) {
    HBITMAP page = CreateCompatibleBitmap(memory, width, height);
    if (page == nullptr)
        return nullptr;
    SelectObject(memory, page);
    DrawTextPage(memory, width, height, app.view, app.blackOnWhite);
    return page;
}

} // namespace

void PaintClipboardViewInto(HDC target, int h, int v) {
    int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    RECT client;
    GetClientRect(app.mainWindow, &client);

    HDC memory = CreateCompatibleDC(nullptr);
    if (memory == nullptr)
        return;
    if (!OpenClipboardRetry(app.mainWindow)) {
        DeleteDC(memory);
        return;
    }
    HGDIOBJ oldBitmap = GetCurrentObject(memory, OBJ_BITMAP);
    HGDIOBJ oldFont = GetCurrentObject(memory, OBJ_FONT);
    HBITMAP page = nullptr;
    HBITMAP shown = nullptr;
    if (app.view == ViewOemText || app.view == ViewAnsiText) {
        page = RenderTextPage(memory, screenWidth, screenHeight);
        shown = page;
    } else {
        shown = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        if (shown == nullptr) {
            // A lone CF_DIB from another program becomes a clipboard bitmap first; the
            // notification of that change is only passed on.
            HANDLE dib = GetClipboardData(CF_DIB);
            if (dib != nullptr && DibToClipboard(dib, 1))
                shown = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        }
    }
    if (shown == nullptr) {
        SelectObject(memory, oldFont);
        DeleteDC(memory);
        CloseClipboard();
        return;
    }

    BITMAP bm = {};
    GetObjectA(shown, sizeof bm, &bm);
    HPALETTE palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    HPALETTE oldTargetPalette = nullptr;
    HPALETTE oldMemoryPalette = nullptr;
    if (palette != nullptr) {
        oldTargetPalette = SelectPalette(target, palette, FALSE);
        RealizePalette(target);
    }
    if (page == nullptr)
        SelectObject(memory, shown);
    if (palette != nullptr) {
        oldMemoryPalette = SelectPalette(memory, palette, FALSE);
        RealizePalette(memory);
    }
    app.viewOffsetX = ViewOffset(bm.bmWidth, client.right, h);
    app.viewOffsetY = ViewOffset(bm.bmHeight, client.bottom, v);
    // A monochrome page takes the target's text colour for its black pixels and its background
    // colour for its white ones: make them black and white, whatever the caller left there (the
    // paint cycle's blank step sets the grey of the information screens).
    COLORREF oldText = SetTextColor(target, RGB(0, 0, 0));
    COLORREF oldBackground = SetBkColor(target, RGB(255, 255, 255));
    BitBlt(target, client.left, client.top, client.right, client.bottom, memory, app.viewOffsetX,
           app.viewOffsetY, SRCCOPY);
    SetTextColor(target, oldText);
    SetBkColor(target, oldBackground);

    if (oldMemoryPalette != nullptr)
        SelectPalette(memory, oldMemoryPalette, FALSE);
    if (oldTargetPalette != nullptr)
        SelectPalette(target, oldTargetPalette, FALSE);
    SelectObject(memory, oldBitmap);
    SelectObject(memory, oldFont);
    DeleteDC(memory);
    if (page != nullptr)
        DeleteObject(page);
    CloseClipboard();
}

void PaintClipboardView(int h, int v) {
    HDC dc = GetDC(app.mainWindow);
    if (dc == nullptr)
        return;
    PaintClipboardViewInto(dc, h, v);
    ReleaseDC(app.mainWindow, dc);
}
