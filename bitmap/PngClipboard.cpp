#include "bitmap/PngClipboard.h"

#include "bitmap/PngChunks.h"
#include "bitmap/WicDecode.h"
#include "encoders/DibRules.h"
#include "shell/AppState.h"

UINT PngClipboardFormat() {
    return RegisterClipboardFormatA("PNG");
}

HGLOBAL DibFromPng(const uint8_t* data, size_t size) {
    // Only a whole PNG with intact chunks, of a size a DIB can hold, reaches the codec.
    PngHeaderInfo header;
    if (size > 0xFFFFFFFFu || CheckPngChunks(data, size, &header) != PngChunksOk ||
        header.width > uint32_t(DibMaxDimension) || header.height > uint32_t(DibMaxDimension))
        return nullptr;
    WicDibResult decoded;
    if (DecodeWithWic(data, size, WicDib24, true, DibHeaderSize + DibMaxImageBytes, &decoded) !=
        WicDecoded)
        return nullptr;
    return decoded.dib;
}

int PngToClipboard(int suppress) {
    const UINT format = PngClipboardFormat();
    if (format == 0 || IsClipboardFormatAvailable(CF_BITMAP) ||
        IsClipboardFormatAvailable(CF_DIB) || !IsClipboardFormatAvailable(format))
        return 0;
    HANDLE png = GetClipboardData(format);
    if (png == nullptr)
        return 0;
    const SIZE_T size = GlobalSize(png);
    const auto* data = static_cast<const uint8_t*>(GlobalLock(png));
    if (data == nullptr)
        return 0;
    HGLOBAL dib = DibFromPng(data, size);
    GlobalUnlock(png);
    if (dib == nullptr)
        return 0;
    app.ignoreNextClipboardChange = suppress;
    if (SetClipboardData(CF_DIB, dib) == nullptr) {
        app.ignoreNextClipboardChange = 0;
        GlobalFree(dib);
        return 0;
    }
    return 1;
}
