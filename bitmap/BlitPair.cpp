// The pair of memory contexts that the transforms and the rectangle capture draw through.
#include "bitmap/BlitPair.h"

namespace {

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

} // namespace

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
