#include "bitmap/ImageFileWriters.h"

#include "encoders/DibRules.h"
#include "bitmap/PackedDib.h"
#include "bitmap/ProgressWindow.h"
#include "encoders/Bmp.h"
#include "encoders/Gif.h"
#include "encoders/Pcx.h"
#include "encoders/Png.h"
#include "encoders/Tif.h"
#include "platform/Feedback.h"
#include "platform/SafeFileSink.h"
#include "shell/AppState.h"

#include <cstdio>
#include <cstring>

namespace {

enum ImageFormat { FormatBmp, FormatGif, FormatTif, FormatPcx, FormatPng };

// The rows of a device bitmap, fetched with GetDIBits at the depth the header asks for.
struct GdiRows {
    HDC dc;
    HBITMAP bitmap;
    BitmapInfo256* info;
};

bool FetchRows(void* context, int32_t firstLine, int32_t count, uint8_t* dest) {
    auto* rows = static_cast<GdiRows*>(context);
    int got = GetDIBits(rows->dc, rows->bitmap, UINT(firstLine), UINT(count), dest,
                        reinterpret_cast<BITMAPINFO*>(rows->info), DIB_RGB_COLORS);
    return got == count;
}

// The depth a format writes a bitmap of `depth` bits at, or 0 when it does not take it.
// 16-bit and 32-bit bitmaps are fetched as 24-bit rows, except that BMP keeps 32 bits.
int WrittenDepth(ImageFormat format, int depth) {
    switch (depth) {
    case 1:
    case 4:
    case 8:
    case 24: return depth;
    case 16: return 24;
    case 32: return format == FormatBmp ? 32 : 24;
    default: return 0;
    }
}

void ReportWriteFailure(EncodeResult result) {
    char text[400];
    if (result == EncodeTooLarge)
        std::snprintf(text, sizeof text, "The image is too large for this file format.\n%s",
                      app.chosenFileName);
    else if (result == EncodeNoMemory)
        std::snprintf(text, sizeof text, "Not enough memory to save the image.\n%s",
                      app.chosenFileName);
    else
        std::snprintf(text, sizeof text, "Cannot write the file\n%s", app.chosenFileName);
    ShowBox(app.mainWindow, text, "ERROR", MB_OK);
}

int WriteImageFile(ImageFormat format, HBITMAP bitmap, HPALETTE palette) {
    if (bitmap == nullptr)
        return EncodeNothing;
    ShowProgressWindow();
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    int depth = bm.bmPlanes * bm.bmBitsPixel;
    int bitCount = WrittenDepth(format, depth);
    if (format == FormatGif && (bitCount == 24 || bitCount == 32)) {
        // The save commands hold the clipboard open while the writer runs; it is closed before
        // the message so that other programs are not kept waiting on it.
        CloseClipboard();
        HideProgressWindow();
        SoundBeep(0xFFFFFFFF);
        ShowBox(app.mainWindow, "GIF does not support 24-bit color.", "CLIPBOARD STATUS", MB_OK);
        return EncodeRefused24Bit;
    }
    if (bitCount == 0) {
        SoundBeep(0xFFFFFFFF);
        HideProgressWindow();
        return EncodeBadDepth;
    }

    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE oldPalette = nullptr;
    int paletteEntries = 0;
    if (palette != nullptr) {
        oldPalette = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
        WORD count = 0;
        if (GetObjectA(palette, sizeof count, &count) != 0)
            paletteEntries = count;
    }

    static BitmapInfo256 info;
    std::memset(&info, 0, sizeof info);
    info.header.biSize = DibHeaderSize;
    info.header.biWidth = bm.bmWidth;
    info.header.biHeight = bm.bmHeight;
    info.header.biPlanes = 1;
    info.header.biBitCount = WORD(bitCount);
    info.header.biCompression = BI_RGB;
    // Without a row buffer GetDIBits only fills the colour table.
    int colors = ColorTableSize(bitCount);
    if (colors > 0)
        GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    info.header.biSize = DibHeaderSize;
    info.header.biBitCount = WORD(bitCount);
    info.header.biCompression = BI_RGB;
    info.header.biClrUsed = 0;

    ImageDesc desc;
    desc.width = bm.bmWidth;
    desc.height = bm.bmHeight;
    desc.bitCount = bitCount;
    desc.colorTable = reinterpret_cast<const uint8_t*>(info.colors);
    // A 32-bit BMP keeps the palette's entry count in front of its rows, left as zeros.
    desc.colorCount =
        colors > 0 ? colors : (bitCount == 32 && paletteEntries <= 256 ? paletteEntries : 0);

    GdiRows rows = {dc, bitmap, &info};
    RowSource source = {&rows, FetchRows};
    EncodeResult result = EncodeWriteFailed;
    SafeFileSink file;
    if (SafeFileSinkOpen(&file, app.chosenFileName)) {
        ByteSink sink = SafeFileSinkByteSink(&file);
        switch (format) {
        case FormatBmp: result = EncodeBmp(desc, source, sink); break;
        case FormatGif: result = EncodeGif(desc, source, sink); break;
        case FormatPcx: result = EncodePcx(desc, source, sink); break;
        case FormatPng: result = EncodePng(desc, source, sink); break;
        case FormatTif:
            result = EncodeTif(desc, TifCompression(app.tifCompression), source, sink);
            break;
        }
        if (result == EncodeOk) {
            if (!SafeFileSinkCommit(&file))
                result = EncodeWriteFailed;
        } else {
            SafeFileSinkAbandon(&file);
        }
    }

    if (oldPalette != nullptr)
        SelectPalette(dc, oldPalette, TRUE);
    DeleteDC(dc);
    HideProgressWindow();
    if (result != EncodeOk) {
        if (result == EncodeBadDepth) {
            SoundBeep(0xFFFFFFFF);
        } else {
            ReportWriteFailure(result);
        }
        return result;
    }
    return EncodeOk;
}

} // namespace

int SaveBmpFile(HBITMAP bitmap, HPALETTE palette) {
    return WriteImageFile(FormatBmp, bitmap, palette);
}

int SaveGifFile(HBITMAP bitmap, HPALETTE palette) {
    return WriteImageFile(FormatGif, bitmap, palette);
}

int SaveTifFile(HBITMAP bitmap, HPALETTE palette) {
    return WriteImageFile(FormatTif, bitmap, palette);
}

int SavePcxFile(HBITMAP bitmap, HPALETTE palette) {
    return WriteImageFile(FormatPcx, bitmap, palette);
}

int SavePngFile(HBITMAP bitmap, HPALETTE palette) {
    return WriteImageFile(FormatPng, bitmap, palette);
}

ImageWriter ImageWriterOf(FileKind kind) {
    switch (kind) {
    case FileKindBmp: return SaveBmpFile;
    case FileKindGif: return SaveGifFile;
    case FileKindPcx: return SavePcxFile;
    case FileKindPng: return SavePngFile;
    default: return SaveTifFile;
    }
}
