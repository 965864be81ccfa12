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

// A new page of width x height with the text drawn on it, or null when the page bitmap or its
// drawing context could not be created or the clipboard could not be opened to read the text.
HBITMAP RenderPage(HPALETTE palette, int width, int height) {
    ScopedGetDC window(app.mainWindow);
    if (window == nullptr)
        return nullptr;
    ScopedMemoryDC memory(window);
    if (memory == nullptr)
        return nullptr;
    int bits = GetDeviceCaps(window, BITSPIXEL) * GetDeviceCaps(window, PLANES);
    // A display of 256 colours or fewer gets a monochrome page; above, one of the display's
    // depth. Either way only black and white are drawn.
    ScopedGdiObject<HBITMAP> page(bits <= 8 ? CreateBitmap(width, height, 1, 1, nullptr)
                                            : CreateCompatibleBitmap(window, width, height));
    if (page == nullptr)
        return nullptr;
    ScopedSelectObject selected(memory, page);
    HPALETTE oldPalette = nullptr;
    if (palette != nullptr) {
        oldPalette = SelectPalette(memory, palette, TRUE);
        RealizePalette(memory);
    }
    bool drawn = false;
    {
        ClipboardScope clipboard(app.mainWindow);
        if (clipboard.IsOpen()) {
            DrawTextPage(memory, width, height, app.view, app.blackOnWhite);
            drawn = true;
        }
    }
    if (oldPalette != nullptr)
        SelectPalette(memory, oldPalette, TRUE);
    return drawn ? page.Release() : nullptr;
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
