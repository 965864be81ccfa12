// Rectangle capture. The new bitmap has the planes and bits per pixel of the clipboard's
// bitmap, so palette indices are copied unchanged; the part of the rectangle past the image's
// edges stays black. The clipboard stays open from reading the bitmap until the cut-out has
// been placed, written or printed.
#include "bitmap/CaptureRectangle.h"

#include "bitmap/BlitPair.h"
#include "bitmap/ImageFileWriters.h"
#include "bitmap/PackedDib.h"
#include "platform/ClipboardAccess.h"
#include "platform/Feedback.h"
#include "shell/AppState.h"
#include "views/Printing.h"
#include "shell/RectangleSelection.h"

#include <vector>

namespace {

// The largest cut-out made, in bytes of pixels; a larger request is refused before GDI is asked.
const int64_t largestCutout = int64_t(1) << 28;

// Puts the rectangle's corners in order and redraws its band at the normalised place.
void NormaliseRectangle() {
    RECT& r = app.rectClient;
    if (r.left <= r.right && r.top <= r.bottom)
        return;
    if (r.left > r.right) {
        LONG left = r.right;
        r.right = r.left;
        r.left = left;
    }
    if (r.top > r.bottom) {
        LONG top = r.bottom;
        r.bottom = r.top;
        r.top = top;
    }
    if (app.bandOnScreen)
        DrawBand(r);
}

// The clipboard's image as CF_BITMAP; a clipboard that holds only CF_DIB gets the bitmap made
// from it first (its change notification is only passed on). The clipboard is open.
HBITMAP ClipboardBitmap() {
    if (!IsClipboardFormatAvailable(CF_BITMAP)) {
        HANDLE dib = GetClipboardData(CF_DIB);
        if (dib != nullptr)
            DibToClipboard(dib, 1);
    }
    return static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
}

// A new bitmap of `area`'s size in the source's format: black, with the part of the source that
// lies inside `area` copied in. Null when it cannot be made.
HBITMAP CutOut(HBITMAP source, HPALETTE palette, const RECT& area) {
    BITMAP bm = {};
    if (GetObjectA(source, sizeof bm, &bm) == 0)
        return nullptr;
    int64_t width = int64_t(area.right) - area.left;
    int64_t height = int64_t(area.bottom) - area.top;
    int64_t rowBytes = (width * bm.bmPlanes * bm.bmBitsPixel + 31) / 32 * 4;
    if (width <= 0 || height <= 0 || rowBytes * height > largestCutout)
        return nullptr;
    BlitPair pair;
    if (OpenBlitPair(&pair, source, palette, int(width), int(height))) {
        PatBlt(pair.dest, 0, 0, int(width), int(height), BLACKNESS);
        RECT image = {0, 0, bm.bmWidth, bm.bmHeight};
        RECT inside;
        if (IntersectRect(&inside, &area, &image)) {
            BitBlt(pair.dest, inside.left - area.left, inside.top - area.top,
                   inside.right - inside.left, inside.bottom - inside.top, pair.source, inside.left,
                   inside.top, SRCCOPY);
        }
        return CloseBlitPair(&pair);
    }
    HBITMAP unused = CloseBlitPair(&pair);
    if (unused != nullptr)
        DeleteObject(unused);
    return nullptr;
}

// A copy of a logical palette, for the clipboard to own beside the cut-out.
HPALETTE CopyOfPalette(HPALETTE palette) {
    WORD count = 0;
    if (GetObjectA(palette, sizeof count, &count) == 0 || count == 0)
        return nullptr;
    std::vector<BYTE> block(sizeof(LOGPALETTE) + count * sizeof(PALETTEENTRY));
    auto* logical = reinterpret_cast<LOGPALETTE*>(block.data());
    logical->palVersion = 0x300;
    logical->palNumEntries = count;
    GetPaletteEntries(palette, 0, count, logical->palPalEntry);
    return CreatePalette(logical);
}

// Empties the clipboard and places the cut-out, with a copy of the palette when the clipboard
// had one. The system derives CF_DIB and CF_DIBV5 from the new bitmap, so no copy of the old
// image stays behind in another format.
int PlaceCutout(HBITMAP cut, HPALETTE clipboardPalette) {
    HPALETTE copy = clipboardPalette != nullptr ? CopyOfPalette(clipboardPalette) : nullptr;
    EmptyClipboard();
    if (SetClipboardData(CF_BITMAP, cut) == nullptr) {
        DeleteObject(cut);
        if (copy != nullptr)
            DeleteObject(copy);
        return 0;
    }
    if (copy != nullptr && SetClipboardData(CF_PALETTE, copy) == nullptr)
        DeleteObject(copy);
    // A notification swallowed for a CF_DIB converted above must not hide this change.
    app.ignoreNextClipboardChange = 0;
    return 1;
}

using CutoutUse = int (*)(HBITMAP cut, HPALETTE palette, HPALETTE clipboardPalette, FileKind kind);

// Opens the clipboard, cuts the rectangle out and hands the cut-out to `use`, then closes the
// clipboard. Returns `use`'s result, or 0 (with a beep) when nothing could be cut out.
int WithCutout(CutoutUse use, FileKind kind) {
    NormaliseRectangle();
    app.rectImage = TranslateRect(app.rectClient, 1);
    if (app.rectImage.right <= app.rectImage.left || app.rectImage.bottom <= app.rectImage.top ||
        !OpenClipboardRetry(app.mainWindow)) {
        SoundBeep(0xFFFFFFFF);
        return 0;
    }
    HBITMAP source = ClipboardBitmap();
    auto clipboardPalette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    HPALETTE palette = clipboardPalette != nullptr
                           ? clipboardPalette
                           : static_cast<HPALETTE>(GetStockObject(DEFAULT_PALETTE));
    HBITMAP cut = source != nullptr ? CutOut(source, palette, app.rectImage) : nullptr;
    int result = 0;
    if (cut != nullptr)
        result = use(cut, palette, clipboardPalette, kind);
    // A writer that refuses an image closes the clipboard itself; closing again does no harm.
    CloseClipboard();
    if (cut == nullptr)
        SoundBeep(0xFFFFFFFF);
    return result;
}

int HandOn(HBITMAP cut, HPALETTE palette, HPALETTE clipboardPalette, FileKind kind) {
    if (kind == FileKindClipboard)
        return PlaceCutout(cut, clipboardPalette);
    int written = ImageWriterOf(kind)(cut, palette);
    DeleteObject(cut);
    return written;
}

int Print(HBITMAP cut, HPALETTE palette, HPALETTE, FileKind) {
    PrintBitmap(cut, palette);
    DeleteObject(cut);
    return 1;
}

} // namespace

int CaptureRectangle(FileKind kind) {
    return WithCutout(HandOn, kind);
}

int CaptureRectangleToPrinter() {
    return WithCutout(Print, FileKindClipboard);
}
