#include "bitmap/BmpFile.h"

#include "bitmap/BmpHeader.h"
#include "encoders/DibRules.h"
#include "bitmap/PackedDib.h"
#include "bitmap/ProgressWindow.h"
#include "bitmap/TransformBitmap.h"
#include "platform/ClipboardAccess.h"
#include "shell/AppState.h"

#include <cstdlib>
#include <cstring>

namespace {

// Reads exactly `count` bytes unless the file ends or fails first; returns the bytes read.
DWORD ReadSome(HANDLE file, void* buffer, DWORD count) {
    DWORD total = 0;
    while (total < count) {
        DWORD got = 0;
        if (!ReadFile(file, static_cast<uint8_t*>(buffer) + total, count - total, &got, nullptr) ||
            got == 0)
            break;
        total += got;
    }
    return total;
}

// Moves the rows of the file into a new device bitmap of the window's format. Returns null
// when a read fails (*readFailed set: the file is not a whole BMP file) or when the bitmap or
// the band memory cannot be had (*readFailed clear).
HBITMAP ReadRows(HANDLE file, const BmpLayout& layout, BitmapInfo256* info, HDC dc,
                 bool* readFailed) {
    *readFailed = true;
    LARGE_INTEGER to;
    to.QuadPart = layout.offBits;
    if (!SetFilePointerEx(file, to, nullptr, FILE_BEGIN))
        return nullptr;
    *readFailed = false;
    HBITMAP bitmap = CreateDIBitmap(dc, &info->header, 0, nullptr, nullptr, 0);
    if (bitmap == nullptr)
        return nullptr;
    // Bands of whole rows of about 64 KB, at least one row.
    uint32_t linesPerBand = uint32_t(BandRows(layout.stride, layout.height));
    uint64_t bandBytes = uint64_t(linesPerBand) * layout.stride;
    auto* band = static_cast<uint8_t*>(std::malloc(size_t(bandBytes)));
    if (band == nullptr) {
        DeleteObject(bitmap);
        return nullptr;
    }
    int32_t firstLine = 0;
    bool ok = true;
    while (ok && firstLine < layout.height) {
        uint32_t lines = uint32_t(layout.height - firstLine);
        if (lines > linesPerBand)
            lines = linesPerBand;
        DWORD bytes = DWORD(uint64_t(lines) * layout.stride);
        *readFailed = ReadSome(file, band, bytes) != bytes;
        ok = !*readFailed &&
             SetDIBits(dc, bitmap, UINT(firstLine), lines, band,
                       reinterpret_cast<BITMAPINFO*>(info), DIB_RGB_COLORS) == int(lines);
        firstLine += int32_t(lines);
    }
    std::free(band);
    if (!ok) {
        DeleteObject(bitmap);
        return nullptr;
    }
    return bitmap;
}

int LoadBmp(HANDLE file, int mode) {
    uint8_t head[54 + 1024] = {};
    DWORD got = ReadSome(file, head, sizeof head);
    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(file, &fileSize))
        return BmpReadRefused;
    BmpLayout layout;
    if (ParseBmpHeader(head, got, uint64_t(fileSize.QuadPart), &layout) != BmpOk)
        return BmpReadRefused;

    ShowProgressWindow();
    static BitmapInfo256 info;
    std::memset(&info, 0, sizeof info);
    std::memcpy(&info.header, head + BmpFileHeaderSize, DibHeaderSize);
    info.header.biSizeImage = layout.imageSize;
    info.header.biClrUsed = 0;
    info.header.biClrImportant = 0;
    std::memcpy(info.colors, head + 54, size_t(layout.tableEntries) * 4);

    HPALETTE palette = nullptr;
    HDC dc = GetDC(app.mainWindow);
    HPALETTE oldPalette = nullptr;
    if (layout.colorCount > 0) {
        palette = CreatePaletteFromTable(reinterpret_cast<const uint8_t*>(info.colors),
                                         uint32_t(layout.colorCount));
        if (palette != nullptr) {
            oldPalette = SelectPalette(dc, palette, FALSE);
            RealizePalette(dc);
        }
    }
    bool readFailed = false;
    HBITMAP bitmap = ReadRows(file, layout, &info, dc, &readFailed);
    if (oldPalette != nullptr)
        SelectPalette(dc, oldPalette, FALSE);
    ReleaseDC(app.mainWindow, dc);
    if (bitmap == nullptr) {
        if (palette != nullptr)
            DeleteObject(palette);
        HideProgressWindow();
        return readFailed ? BmpReadRefused : BmpReadNotPlaced;
    }

    HGLOBAL dib = DibFromBitmap(bitmap, palette);
    DeleteObject(bitmap);
    if (palette != nullptr)
        DeleteObject(palette);
    if (dib == nullptr) {
        HideProgressWindow();
        return BmpReadNotPlaced;
    }
    GlobalUnlock(dib);
    int placed = 0;
    if (OpenClipboardRetry(app.mainWindow)) {
        placed = DibToClipboard(dib, mode);
        if (placed && mode == BmpLoadDosCapture) {
            auto clipBitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
            auto clipPalette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
            app.ignoreNextClipboardChange = 0;
            TransformBitmap(clipBitmap, clipPalette, TransformReverseY);
        }
        CloseClipboard();
    }
    GlobalFree(dib);
    HideProgressWindow();
    return placed ? BmpReadPlaced : BmpReadNotPlaced;
}

} // namespace

int LoadBmpFile(HANDLE file, int mode) {
    // The clipboard change the load causes must not bring the window forward.
    int16_t popup = app.popupMode;
    app.popupMode = 0;
    int result = LoadBmp(file, mode);
    CloseHandle(file);
    app.popupMode = popup;
    return result;
}
