#include "bitmap/PngClipboard.h"

#include "bitmap/AlphaOverWhite.h"
#include "encoders/DibRules.h"
#include "bitmap/PngChunks.h"
#include "shell/AppState.h"

#include <objbase.h>
#include <wincodec.h>

#include <cstring>
#include <memory>
#include <new>

namespace {

// Releases a COM interface at the end of its scope.
template <typename T> struct ComRef {
    T* p = nullptr;
    ~ComRef() {
        if (p != nullptr)
            p->Release();
    }
    T** Out() { return &p; }
};

// COM for this thread while the decoder runs; a thread that has it already keeps its own.
struct ComScope {
    bool started;
    ComScope() : started(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
    ~ComScope() {
        if (started)
            CoUninitialize();
    }
};

// Decodes into a new packed DIB; null on any failure of the codec.
HGLOBAL Decode(IWICImagingFactory* factory, const uint8_t* data, size_t size) {
    ComRef<IWICStream> stream;
    if (FAILED(factory->CreateStream(stream.Out())) ||
        FAILED(stream.p->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size))))
        return nullptr;
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(factory->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                decoder.Out())))
        return nullptr;
    GUID container = {};
    if (FAILED(decoder.p->GetContainerFormat(&container)) ||
        !IsEqualGUID(container, GUID_ContainerFormatPng))
        return nullptr;
    ComRef<IWICBitmapFrameDecode> frame;
    if (FAILED(decoder.p->GetFrame(0, frame.Out())))
        return nullptr;
    UINT width = 0, height = 0;
    if (FAILED(frame.p->GetSize(&width, &height)) || width < 1 || height < 1 ||
        width > UINT(DibMaxDimension) || height > UINT(DibMaxDimension))
        return nullptr;
    const uint64_t stride = DibStride(width, 24);
    if (stride * height > DibMaxImageBytes)
        return nullptr;
    ComRef<IWICFormatConverter> converter;
    if (FAILED(factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter.p->Initialize(frame.p, GUID_WICPixelFormat32bppBGRA,
                                       WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
        return nullptr;

    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, SIZE_T(DibHeaderSize + stride * height));
    if (block == nullptr)
        return nullptr;
    std::unique_ptr<uint8_t[]> bgra(new (std::nothrow) uint8_t[size_t(width) * 4]);
    auto* dib = static_cast<uint8_t*>(GlobalLock(block));
    if (dib == nullptr || !bgra) {
        if (dib != nullptr)
            GlobalUnlock(block);
        GlobalFree(block);
        return nullptr;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = DibHeaderSize;
    header.biWidth = LONG(width);
    header.biHeight = LONG(height);
    header.biPlanes = 1;
    header.biBitCount = 24;
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride * height);
    std::memcpy(dib, &header, sizeof header);
    uint8_t* rows = dib + DibHeaderSize;
    bool ok = true;
    // One row at a time from the top; the DIB keeps its bottom row first.
    for (UINT y = 0; y < height && ok; ++y) {
        WICRect line = {0, INT(y), INT(width), 1};
        ok = SUCCEEDED(converter.p->CopyPixels(&line, width * 4, width * 4, bgra.get()));
        uint8_t* out = rows + size_t(height - 1 - y) * stride;
        ComposeRowOverWhite(bgra.get(), width, out);
        std::memset(out + size_t(width) * 3, 0, size_t(stride - uint64_t(width) * 3));
    }
    GlobalUnlock(block);
    if (!ok) {
        GlobalFree(block);
        return nullptr;
    }
    return block;
}

} // namespace

UINT PngClipboardFormat() {
    return RegisterClipboardFormatA("PNG");
}

HGLOBAL DibFromPng(const uint8_t* data, size_t size) {
    // Only a whole PNG with intact chunks, of a size a DIB can hold, reaches the codec.
    PngHeaderInfo header;
    if (size > 0xFFFFFFFFu || CheckPngChunks(data, size, &header) != PngChunksOk ||
        header.width > uint32_t(DibMaxDimension) || header.height > uint32_t(DibMaxDimension))
        return nullptr;
    ComScope com;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))))
        return nullptr;
    return Decode(factory.p, data, size);
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
