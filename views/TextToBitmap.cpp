#include "views/TextToBitmap.h"

#include "bitmap/ImageFileWriters.h"
#include "platform/ClipboardAccess.h"
#include "platform/GdiScope.h"
#include "shell/AppState.h"
#include "shell/RefusalBoxes.h"
#include "views/TextPage.h"

namespace {

bool IsImageFile(FileKind kind) {
    return kind == FileKindBmp || kind == FileKindGif || kind == FileKindPcx || kind == FileKindTif;
}

// Entry 0 black, entry 1 white: the only two colours a page holds.
HPALETTE CreateBlackWhitePalette() {
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[2];
    } table = {0x300, 2, {{0, 0, 0, 0}, {255, 255, 255, 0}}};
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&table));
}

// The text page in black and white on a monochrome bitmap of width x height, drawn as the text
// view draws it; null when the bitmap or its drawing context cannot be created or the clipboard
// cannot be opened to read the text.
HBITMAP RenderMonochromePage(int width, int height) {
    ScopedMemoryDC memory(nullptr);
    if (memory == nullptr)
        return nullptr;
    ScopedGdiObject<HBITMAP> page(CreateBitmap(width, height, 1, 1, nullptr));
    if (page == nullptr)
        return nullptr;
    ScopedSelectObject selected(memory, page);
    ClipboardScope clipboard(app.mainWindow);
    if (!clipboard.IsOpen())
        return nullptr;
    DrawTextPage(memory, width, height, app.view, app.blackOnWhite);
    return page.Release();
}

// The page for a display of `bits` bits: the monochrome page itself at 8 bits or fewer; above,
// a copy of it in a bitmap of the display's format. Text is drawn on the monochrome page only,
// so that the font's smoothing, which a colour bitmap would get, adds no grey: the page holds
// only black and white, pixel for pixel what the view shows. Null when a bitmap cannot be made.
HBITMAP RenderPage(HPALETTE palette, int width, int height) {
    ScopedGetDC window(app.mainWindow);
    if (window == nullptr)
        return nullptr;
    int bits = GetDeviceCaps(window, BITSPIXEL) * GetDeviceCaps(window, PLANES);
    ScopedGdiObject<HBITMAP> mono(RenderMonochromePage(width, height));
    if (mono == nullptr || bits <= 8)
        return mono.Release();
    ScopedMemoryDC source(window);
    ScopedMemoryDC target(window);
    if (source == nullptr || target == nullptr)
        return nullptr;
    ScopedGdiObject<HBITMAP> page(CreateCompatibleBitmap(window, width, height));
    if (page == nullptr)
        return nullptr;
    ScopedSelectObject selectedSource(source, mono);
    ScopedSelectObject selectedTarget(target, page);
    HPALETTE oldPalette = nullptr;
    if (palette != nullptr) {
        oldPalette = SelectPalette(target, palette, TRUE);
        RealizePalette(target);
    }
    // A monochrome source takes the target's text colour for its 0 bits and its background
    // colour for its 1 bits.
    SetTextColor(target, RGB(0, 0, 0));
    SetBkColor(target, RGB(255, 255, 255));
    bool copied = BitBlt(target, 0, 0, width, height, source, 0, 0, SRCCOPY) != FALSE;
    if (oldPalette != nullptr)
        SelectPalette(target, oldPalette, TRUE);
    return copied ? page.Release() : nullptr;
}

// Adds the page and palette to the clipboard, beside what it holds; the clipboard owns them
// afterwards. False, with both still the caller's, when they could not be placed.
bool PlaceOnClipboard(HBITMAP page, HPALETTE palette) {
    ClipboardScope clipboard(app.mainWindow);
    if (!clipboard.IsOpen())
        return false;
    if (SetClipboardData(CF_BITMAP, page) == nullptr)
        return false;
    if (palette != nullptr && SetClipboardData(CF_PALETTE, palette) == nullptr)
        DeleteObject(palette); // the bitmap is placed; without its palette it still shows
    return true;
}

} // namespace

int TextToBitmapSized(FileKind kind, int width, int height) {
    if (kind != FileKindClipboard && !IsImageFile(kind))
        return 0;
    HPALETTE palette = CreateBlackWhitePalette();
    HBITMAP page = RenderPage(palette, width, height);
    if (page == nullptr) {
        if (palette != nullptr)
            DeleteObject(palette);
        ShowRefusal(BoxTextNotRendered);
        return TextPageFailed;
    }
    if (kind == FileKindClipboard) {
        if (PlaceOnClipboard(page, palette))
            return 1;
        DeleteObject(page);
        if (palette != nullptr)
            DeleteObject(palette);
        ShowRefusal(BoxCannotPlace);
        return TextPageFailed;
    }
    // The writers leave both objects to their caller.
    int result = ImageWriterOf(kind)(page, palette);
    DeleteObject(page);
    if (palette != nullptr)
        DeleteObject(palette);
    return result;
}

int TextToBitmap(FileKind kind) {
    return TextToBitmapSized(kind, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}
