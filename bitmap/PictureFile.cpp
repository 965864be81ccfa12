#include "bitmap/PictureFile.h"

#include "bitmap/BmpFile.h"
#include "bitmap/PackedDib.h"
#include "bitmap/PictureSignature.h"
#include "bitmap/PngChunks.h"
#include "bitmap/ProgressWindow.h"
#include "bitmap/WicDecode.h"
#include "encoders/DibRules.h"
#include "shell/AppState.h"

#include <cstdlib>

namespace {

// Reads `size` bytes of the file into data. False when it cannot be read whole.
bool ReadWholeFile(HANDLE file, uint64_t size, uint8_t* data) {
    uint64_t total = 0;
    while (total < size) {
        DWORD got = 0;
        DWORD want = DWORD(size - total > 0x10000000u ? 0x10000000u : size - total);
        if (!ReadFile(file, data + total, want, &got, nullptr) || got == 0)
            break;
        total += got;
    }
    return total == size;
}

// Makes the device bitmap of the window's format from the decoded DIB and places it.
int PlaceDecoded(HGLOBAL block) {
    auto* dib = static_cast<uint8_t*>(GlobalLock(block));
    if (dib == nullptr)
        return PictureNotPlaced;
    auto* info = reinterpret_cast<BITMAPINFO*>(dib);
    const uint32_t entries = info->bmiHeader.biClrUsed;
    const uint8_t* rows = dib + DibHeaderSize + entries * 4;
    HDC dc = GetDC(app.mainWindow);
    HPALETTE palette = CreatePaletteFromTable(dib + DibHeaderSize, entries);
    HPALETTE oldPalette = nullptr;
    if (palette != nullptr) {
        oldPalette = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    HBITMAP bitmap = CreateDIBitmap(dc, &info->bmiHeader, CBM_INIT, rows, info, DIB_RGB_COLORS);
    if (oldPalette != nullptr)
        SelectPalette(dc, oldPalette, FALSE);
    ReleaseDC(app.mainWindow, dc);
    GlobalUnlock(block);
    if (bitmap == nullptr) {
        if (palette != nullptr)
            DeleteObject(palette);
        return PictureNotPlaced;
    }
    return PlaceOpenedBitmap(bitmap, palette, BmpLoadOpen);
}

int ResultOf(WicDecodeResult decoded, PictureKind kind) {
    switch (decoded) {
    case WicDecoded: return PicturePlaced;
    case WicNoFrame: return PictureNoPicture;
    case WicTooLarge:
    case WicNoMemory: return PictureTooLarge;
    case WicNoImaging: return PictureNotAPicture; // without codecs only BMP files open
    case WicNoCodec:
        // A file that announces a picture we know but that no codec takes is a damaged one.
        return kind == PictureUnknown ? PictureNotAPicture : PictureDamaged;
    default: return PictureDamaged;
    }
}

// Decodes the bytes and places the picture.
int OpenDecoded(const uint8_t* data, uint64_t size, PictureOpenDetails* details) {
    PictureKind kind = PictureKindOf(data, size_t(size));
    // A PNG is checked whole first: the codecs may show a cut-off PNG in part.
    PngHeaderInfo header;
    if (kind == PicturePng && CheckPngChunks(data, size_t(size), &header) != PngChunksOk)
        return PictureDamaged;
    WicDibResult decoded;
    WicDecodeResult result =
        DecodeWithWic(data, size_t(size), WicDibKeepPalette, false, details->limitBytes, &decoded);
    details->width = decoded.width;
    details->height = decoded.height;
    details->needBytes = decoded.bytes;
    if (result != WicDecoded)
        return ResultOf(result, kind);
    int placed = PlaceDecoded(decoded.dib);
    GlobalFree(decoded.dib);
    return placed;
}

int OpenPicture(HANDLE file, PictureOpenDetails* details) {
    LARGE_INTEGER fileSize = {};
    if (!GetFileSizeEx(file, &fileSize))
        return PictureCannotOpen;
    const uint64_t size = uint64_t(fileSize.QuadPart);
    if (size == 0)
        return PictureEmptyFile;
    uint8_t head[2] = {};
    DWORD got = 0;
    if (!ReadFile(file, head, sizeof head, &got, nullptr))
        return PictureCannotOpen;
    if (got == 2 && head[0] == 'B' && head[1] == 'M') {
        LARGE_INTEGER start = {};
        if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
            return PictureCannotOpen;
        // The BMP reader closes the file; the caller's handle is a duplicate.
        HANDLE own = nullptr;
        if (!DuplicateHandle(GetCurrentProcess(), file, GetCurrentProcess(), &own, 0, FALSE,
                             DUPLICATE_SAME_ACCESS))
            return PictureCannotOpen;
        return LoadBmpFile(own, BmpLoadOpen);
    }
    if (size > details->limitBytes || size > 0xFFFFFFFFu) {
        details->needBytes = size;
        return PictureTooLarge;
    }
    LARGE_INTEGER start = {};
    if (!SetFilePointerEx(file, start, nullptr, FILE_BEGIN))
        return PictureCannotOpen;
    auto* data = static_cast<uint8_t*>(std::malloc(size_t(size)));
    if (data == nullptr) {
        details->needBytes = size;
        return PictureTooLarge;
    }
    if (!ReadWholeFile(file, size, data)) {
        std::free(data);
        return PictureCannotOpen;
    }
    ShowProgressWindow();
    int result = OpenDecoded(data, size, details);
    HideProgressWindow();
    std::free(data);
    return result;
}

} // namespace

uint64_t PictureMemoryLimit() {
    const uint64_t most = DibHeaderSize + 256 * 4 + DibMaxImageBytes;
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof memory;
    if (!GlobalMemoryStatusEx(&memory))
        return most;
    const uint64_t quarter = memory.ullAvailPhys / 4;
    return quarter < most ? quarter : most;
}

int OpenPictureFile(const wchar_t* path, PictureOpenDetails* details) {
    *details = PictureOpenDetails{};
    details->limitBytes = PictureMemoryLimit();
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return PictureCannotOpen;
    // The clipboard change the load causes must not bring the window forward.
    int16_t popup = app.popupMode;
    app.popupMode = 0;
    int result = OpenPicture(file, details);
    app.popupMode = popup;
    CloseHandle(file);
    return result;
}
