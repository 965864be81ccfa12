#include "bitmap/WicDecode.h"

#include "bitmap/AlphaOverWhite.h"
#include "encoders/DibRules.h"

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

// The bits per index of an indexed pixel format, or 0 for any other format.
int IndexBits(const WICPixelFormatGUID& format) {
    if (IsEqualGUID(format, GUID_WICPixelFormat1bppIndexed))
        return 1;
    if (IsEqualGUID(format, GUID_WICPixelFormat2bppIndexed))
        return 2;
    if (IsEqualGUID(format, GUID_WICPixelFormat4bppIndexed))
        return 4;
    if (IsEqualGUID(format, GUID_WICPixelFormat8bppIndexed))
        return 8;
    return 0;
}

// The frame's colour table as DIB entries (blue, green, red, 0), each composed over white;
// 0 entries when it has none.
UINT ReadColorTable(IWICImagingFactory* factory, IWICBitmapFrameDecode* frame, int indexBits,
                    RGBQUAD* table) {
    ComRef<IWICPalette> palette;
    UINT count = 0;
    WICColor colors[256];
    if (FAILED(factory->CreatePalette(palette.Out())) || FAILED(frame->CopyPalette(palette.p)) ||
        FAILED(palette.p->GetColors(256, colors, &count)))
        return 0;
    const UINT most = 1u << indexBits;
    if (count > most)
        count = most;
    for (UINT i = 0; i < count; ++i) {
        // WICColor is 0xAARRGGBB: in memory blue, green, red, alpha.
        uint8_t bgra[4] = {uint8_t(colors[i]), uint8_t(colors[i] >> 8), uint8_t(colors[i] >> 16),
                           uint8_t(colors[i] >> 24)};
        ComposeRowOverWhite32(bgra, 1, reinterpret_cast<uint8_t*>(&table[i]));
    }
    return count;
}

// One row of 2-bit indices as 4-bit ones.
void WidenTwoBitRow(const uint8_t* in, UINT width, uint8_t* out) {
    for (UINT x = 0; x < width; ++x) {
        uint8_t index = (in[x / 4] >> (6 - 2 * (x % 4))) & 3;
        if (x % 2 == 0)
            out[x / 2] = uint8_t(index << 4);
        else
            out[x / 2] |= index;
    }
}

struct Frame {
    IWICImagingFactory* factory;
    IWICBitmapFrameDecode* frame;
    UINT width, height;
};

// The DIB block with its header written and the table copied; null when it cannot be had.
HGLOBAL NewDib(const Frame& f, int bitCount, const RGBQUAD* table, UINT tableEntries,
               uint64_t stride, uint8_t** rows) {
    const uint64_t tableBytes = uint64_t(tableEntries) * 4;
    HGLOBAL block =
        GlobalAlloc(GMEM_MOVEABLE, SIZE_T(DibHeaderSize + tableBytes + stride * f.height));
    if (block == nullptr)
        return nullptr;
    auto* dib = static_cast<uint8_t*>(GlobalLock(block));
    if (dib == nullptr) {
        GlobalFree(block);
        return nullptr;
    }
    BITMAPINFOHEADER header = {};
    header.biSize = DibHeaderSize;
    header.biWidth = LONG(f.width);
    header.biHeight = LONG(f.height);
    header.biPlanes = 1;
    header.biBitCount = WORD(bitCount);
    header.biCompression = BI_RGB;
    header.biSizeImage = DWORD(stride * f.height);
    header.biClrUsed = tableEntries;
    std::memcpy(dib, &header, sizeof header);
    std::memcpy(dib + DibHeaderSize, table, size_t(tableBytes));
    *rows = dib + DibHeaderSize + tableBytes;
    return block;
}

// Rows of indices, as the frame holds them (2-bit ones widened to 4 bits).
WicDecodeResult IndexedRows(const Frame& f, int indexBits, uint8_t* rows, uint64_t stride) {
    const UINT inStride = UINT(DibRowBytes(f.width, indexBits));
    std::unique_ptr<uint8_t[]> line(new (std::nothrow) uint8_t[inStride]);
    if (!line)
        return WicNoMemory;
    for (UINT y = 0; y < f.height; ++y) {
        WICRect one = {0, INT(y), INT(f.width), 1};
        if (FAILED(f.frame->CopyPixels(&one, inStride, inStride, line.get())))
            return WicDamaged;
        uint8_t* out = rows + size_t(f.height - 1 - y) * stride;
        std::memset(out, 0, size_t(stride));
        if (indexBits == 2)
            WidenTwoBitRow(line.get(), f.width, out);
        else
            std::memcpy(out, line.get(), inStride);
    }
    return WicDecoded;
}

// Rows converted to straight-alpha BGRA and composed over white, at 24 or 32 bits.
WicDecodeResult ComposedRows(const Frame& f, int bitCount, uint8_t* rows, uint64_t stride) {
    ComRef<IWICFormatConverter> converter;
    if (FAILED(f.factory->CreateFormatConverter(converter.Out())) ||
        FAILED(converter.p->Initialize(f.frame, GUID_WICPixelFormat32bppBGRA,
                                       WICBitmapDitherTypeNone, nullptr, 0.0,
                                       WICBitmapPaletteTypeCustom)))
        return WicDamaged;
    std::unique_ptr<uint8_t[]> bgra(new (std::nothrow) uint8_t[size_t(f.width) * 4]);
    if (!bgra)
        return WicNoMemory;
    // One row at a time from the top; the DIB keeps its bottom row first.
    for (UINT y = 0; y < f.height; ++y) {
        WICRect one = {0, INT(y), INT(f.width), 1};
        if (FAILED(converter.p->CopyPixels(&one, f.width * 4, f.width * 4, bgra.get())))
            return WicDamaged;
        uint8_t* out = rows + size_t(f.height - 1 - y) * stride;
        std::memset(out, 0, size_t(stride));
        if (bitCount == 24)
            ComposeRowOverWhite(bgra.get(), f.width, out);
        else
            ComposeRowOverWhite32(bgra.get(), f.width, out);
    }
    return WicDecoded;
}

WicDecodeResult DecodeFrame(const Frame& f, WicDibForm form, uint64_t maxBytes,
                            WicDibResult* result) {
    int indexBits = 0;
    WICPixelFormatGUID format = {};
    if (form == WicDibKeepPalette && SUCCEEDED(f.frame->GetPixelFormat(&format)))
        indexBits = IndexBits(format);
    RGBQUAD table[256] = {};
    UINT tableEntries = 0;
    if (indexBits > 0)
        tableEntries = ReadColorTable(f.factory, f.frame, indexBits, table);
    if (tableEntries == 0)
        indexBits = 0;
    const int bitCount = indexBits == 0   ? (form == WicDib24 ? 24 : 32)
                         : indexBits == 2 ? 4
                                          : indexBits;
    const uint64_t stride = DibStride(f.width, bitCount);
    result->bytes = DibHeaderSize + uint64_t(tableEntries) * 4 + stride * f.height;
    if (f.width > UINT(DibMaxDimension) || f.height > UINT(DibMaxDimension) ||
        stride * f.height > DibMaxImageBytes || result->bytes > maxBytes)
        return WicTooLarge;
    uint8_t* rows = nullptr;
    HGLOBAL block = NewDib(f, bitCount, table, tableEntries, stride, &rows);
    if (block == nullptr)
        return WicNoMemory;
    WicDecodeResult done = indexBits > 0 ? IndexedRows(f, indexBits, rows, stride)
                                         : ComposedRows(f, bitCount, rows, stride);
    GlobalUnlock(block);
    if (done != WicDecoded) {
        GlobalFree(block);
        return done;
    }
    result->dib = block;
    return WicDecoded;
}

} // namespace

WicDecodeResult DecodeWithWic(const uint8_t* data, size_t size, WicDibForm form, bool pngOnly,
                              uint64_t maxBytes, WicDibResult* result) {
    *result = WicDibResult{};
    if (size == 0 || size > 0xFFFFFFFFu)
        return size == 0 ? WicNoFrame : WicTooLarge;
    ComScope com;
    ComRef<IWICImagingFactory> factory;
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IWICImagingFactory, reinterpret_cast<void**>(factory.Out()))))
        return WicNoImaging;
    ComRef<IWICStream> stream;
    if (FAILED(factory.p->CreateStream(stream.Out())) ||
        FAILED(stream.p->InitializeFromMemory(const_cast<BYTE*>(data), DWORD(size))))
        return WicNoMemory;
    ComRef<IWICBitmapDecoder> decoder;
    if (FAILED(factory.p->CreateDecoderFromStream(stream.p, nullptr, WICDecodeMetadataCacheOnDemand,
                                                  decoder.Out())))
        return WicNoCodec;
    GUID container = {};
    if (pngOnly && (FAILED(decoder.p->GetContainerFormat(&container)) ||
                    !IsEqualGUID(container, GUID_ContainerFormatPng)))
        return WicNoCodec;
    UINT frames = 0;
    if (FAILED(decoder.p->GetFrameCount(&frames)))
        return WicDamaged;
    if (frames == 0)
        return WicNoFrame;
    ComRef<IWICBitmapFrameDecode> frame;
    Frame f = {factory.p, nullptr, 0, 0};
    if (FAILED(decoder.p->GetFrame(0, frame.Out())) ||
        FAILED(frame.p->GetSize(&f.width, &f.height)))
        return WicDamaged;
    f.frame = frame.p;
    result->width = f.width;
    result->height = f.height;
    if (f.width < 1 || f.height < 1)
        return WicNoFrame;
    return DecodeFrame(f, form, maxBytes, result);
}
