#include "bitmap/PackedDib.h"

#include "encoders/DibRules.h"
#include "shell/AppState.h"

#include <cstring>

BITMAPINFOHEADER* currentDib;
uint8_t* currentDibBits;

HPALETTE CreatePaletteFromTable(const uint8_t* table, uint32_t count) {
    if (count > 256)
        count = 256;
    if (count == 0)
        return nullptr;
    struct {
        WORD palVersion;
        WORD palNumEntries;
        PALETTEENTRY entries[256];
    } logPalette = {};
    logPalette.palVersion = 0x300;
    logPalette.palNumEntries = WORD(count);
    for (uint32_t i = 0; i < count; ++i) {
        logPalette.entries[i].peRed = table[4 * i + 2];
        logPalette.entries[i].peGreen = table[4 * i + 1];
        logPalette.entries[i].peBlue = table[4 * i];
        logPalette.entries[i].peFlags = 0;
    }
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&logPalette));
}

HGLOBAL DibFromBitmap(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof bm, &bm) == 0)
        return nullptr;
    int bitCount = bm.bmPlanes * bm.bmBitsPixel;
    uint64_t stride = DibStride(bm.bmWidth, bitCount);
    uint64_t imageBytes = stride * uint64_t(bm.bmHeight > 0 ? bm.bmHeight : 0);
    if (stride == 0 || imageBytes == 0 || imageBytes > DibMaxImageBytes)
        return nullptr;
    uint32_t colors = uint32_t(ColorTableSize(bitCount));
    uint64_t headerBytes = DibHeaderSize + 4 * uint64_t(colors);

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, SIZE_T(headerBytes + imageBytes));
    if (block == nullptr)
        return nullptr;
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    if (header == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    header->biSize = DibHeaderSize;
    header->biWidth = bm.bmWidth;
    header->biHeight = bm.bmHeight;
    header->biPlanes = 1;
    header->biBitCount = WORD(bitCount);
    header->biCompression = BI_RGB;
    header->biSizeImage = DWORD(imageBytes);
    header->biClrUsed = colors;
    header->biClrImportant = colors;
    uint8_t* bits = reinterpret_cast<uint8_t*>(header) + headerBytes;

    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE oldPalette = nullptr;
    if (palette != nullptr) {
        oldPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    int rows = GetDIBits(dc, bitmap, 0, UINT(bm.bmHeight), bits,
                         reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
    if (oldPalette != nullptr)
        SelectPalette(dc, oldPalette, FALSE);
    DeleteDC(dc);
    if (rows != bm.bmHeight) {
        GlobalUnlock(block);
        GlobalFree(block);
        return nullptr;
    }
    // GetDIBits may rewrite these; the block keeps the sizes of its own layout.
    header->biSizeImage = DWORD(imageBytes);
    header->biClrUsed = colors;
    header->biClrImportant = colors;
    currentDib = header;
    currentDibBits = bits;
    return block;
}

int DibToClipboard(HGLOBAL dib, int suppress) {
    SIZE_T blockSize = GlobalSize(dib);
    auto* data = static_cast<uint8_t*>(GlobalLock(dib));
    if (data == nullptr)
        return 0;
    PackedDibLayout layout;
    if (ParsePackedDib(data, blockSize, &layout) != DibParseOk) {
        GlobalUnlock(dib);
        return 0;
    }

    HDC screen = GetDC(nullptr);
    HPALETTE oldPalette = nullptr;
    if (layout.bitCount <= 8 && layout.colorCount > 0) {
        HPALETTE palette = CreatePaletteFromTable(data + layout.tableOffset, layout.colorCount);
        if (palette != nullptr) {
            app.ignoreNextClipboardChange = suppress;
            SetClipboardData(CF_PALETTE, palette);
            oldPalette = SelectPalette(screen, palette, FALSE);
            RealizePalette(screen);
        }
    }

    auto* info = reinterpret_cast<BITMAPINFO*>(data);
    HBITMAP bitmap = CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, data + layout.rowOffset,
                                    info, DIB_RGB_COLORS);
    if (bitmap != nullptr) {
        app.ignoreNextClipboardChange = suppress;
        SetClipboardData(CF_BITMAP, bitmap);
    }
    if (oldPalette != nullptr)
        SelectPalette(screen, oldPalette, FALSE);
    ReleaseDC(nullptr, screen);
    GlobalUnlock(dib);
    return bitmap != nullptr ? 1 : 0;
}
