#include "tests/win/ImageTestSupport.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <map>
#include <set>
#include <utility>

#include "encoders/DibRules.h"
#include "encoders/Quantize.h"
#include "platform/ClipboardAccess.h"
#include "shell/AppState.h"
#include "tests/win/TestBed.h"

// ---- Images ----

uint32_t NextRandom(uint32_t* state) {
    // xorshift32: fast, and the same sequence on every run.
    uint32_t x = *state == 0 ? 0x9E3779B9u : *state;
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    *state = x;
    return x;
}

std::vector<RGBQUAD> RandomColors(int count, uint32_t seed, bool bw) {
    std::vector<RGBQUAD> colors;
    std::set<uint32_t> used;
    uint32_t state = seed;
    if (bw) {
        colors.push_back(RGBQUAD{0, 0, 0, 0});
        colors.push_back(RGBQUAD{255, 255, 255, 0});
        used.insert(0);
        used.insert(0xFFFFFF);
    }
    while (int(colors.size()) < count) {
        uint32_t rgb = NextRandom(&state) & 0xFFFFFF;
        if (!used.insert(rgb).second) {
            continue;
        }
        colors.push_back(RGBQUAD{BYTE(rgb), BYTE(rgb >> 8), BYTE(rgb >> 16), 0});
    }
    return colors;
}

IndexedImage RandomIndexed(int width, int height, int bitCount, uint32_t seed, bool bw) {
    IndexedImage image;
    image.width = width;
    image.height = height;
    image.bitCount = bitCount;
    int count = 1 << bitCount;
    image.colors = RandomColors(count, seed, bw);
    image.indices.resize(size_t(width) * size_t(height));
    uint32_t state = seed ^ 0x5A5A5A5Au;
    size_t at = 0;
    // The first pixels name every index once, so that every colour occurs.
    for (; at < image.indices.size() && at < size_t(count); ++at) {
        image.indices[at] = uint8_t(at);
    }
    while (at < image.indices.size()) {
        uint32_t r = NextRandom(&state);
        size_t run = (r >> 8) % 4 == 0 ? 1 + (r >> 12) % 70 : 1;
        uint8_t index = uint8_t(r % uint32_t(count));
        for (size_t i = 0; i < run && at < image.indices.size(); ++i) {
            image.indices[at++] = index;
        }
    }
    return image;
}

RgbImage RandomRgb(int width, int height, uint32_t seed) {
    RgbImage image;
    image.width = width;
    image.height = height;
    image.rgb.resize(size_t(width) * size_t(height));
    uint32_t state = seed;
    size_t at = 0;
    while (at < image.rgb.size()) {
        uint32_t r = NextRandom(&state);
        size_t run = (r >> 24) % 3 == 0 ? 1 + (r >> 26) % 40 : 1;
        uint32_t rgb = NextRandom(&state) & 0xFFFFFF;
        for (size_t i = 0; i < run && at < image.rgb.size(); ++i) {
            image.rgb[at++] = rgb;
        }
    }
    return image;
}

RgbImage ColorsOf(const IndexedImage& image) {
    RgbImage out;
    out.width = image.width;
    out.height = image.height;
    out.rgb.resize(image.indices.size());
    for (size_t i = 0; i < image.indices.size(); ++i) {
        const RGBQUAD& c = image.colors[image.indices[i]];
        out.rgb[i] = uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
    }
    return out;
}

std::vector<RGBQUAD> DeviceDefaultTable(int bitCount) {
    // The 20 static colours of the system palette, as 0xRRGGBB.
    static const uint32_t systemColors[20] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080,
                                              0x800080, 0x008080, 0xC0C0C0, 0xC0DCC0, 0xA6CAF0,
                                              0xFFFBF0, 0xA0A0A4, 0x808080, 0xFF0000, 0x00FF00,
                                              0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    // The 16 VGA colours.
    static const uint32_t vgaColors[16] = {
        0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0x808080,
        0xC0C0C0, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
    auto quad = [](uint32_t rgb) {
        RGBQUAD q = {};
        q.rgbRed = uint8_t(rgb >> 16);
        q.rgbGreen = uint8_t(rgb >> 8);
        q.rgbBlue = uint8_t(rgb);
        return q;
    };
    std::vector<RGBQUAD> table;
    if (bitCount == 1) {
        table = {quad(0x000000), quad(0xFFFFFF)};
    } else if (bitCount == 4) {
        for (uint32_t rgb : vgaColors) {
            table.push_back(quad(rgb));
        }
    } else if (bitCount == 8) {
        for (int i = 0; i < 256; ++i) {
            uint32_t rgb = uint32_t((i & 0x07) << 5) << 16 | uint32_t((i & 0x38) << 2) << 8 |
                           uint32_t(i & 0xC0);
            if (i < 10) {
                rgb = systemColors[i];
            } else if (i >= 246) {
                rgb = systemColors[i - 236];
            }
            table.push_back(quad(rgb));
        }
    }
    return table;
}

RgbImage DeviceColorsOf(const IndexedImage& image) {
    IndexedImage shown = image;
    shown.colors = DeviceDefaultTable(image.bitCount);
    return ColorsOf(shown);
}

std::string FirstFarColor(const RgbImage& shown, const RgbImage& colors, int limit) {
    char text[120];
    if (shown.width != colors.width || shown.height != colors.height || shown.rgb.empty() ||
        shown.rgb.size() != colors.rgb.size()) {
        snprintf(text, sizeof text, "%dx%d (%zu pixels), expected %dx%d (%zu pixels)", shown.width,
                 shown.height, shown.rgb.size(), colors.width, colors.height, colors.rgb.size());
        return text;
    }
    std::map<uint32_t, uint32_t> shownFor;
    for (int y = 0; y < colors.height; ++y) {
        for (int x = 0; x < colors.width; ++x) {
            uint32_t want = colors.At(x, y);
            uint32_t got = shown.At(x, y);
            for (int shift = 0; shift < 24; shift += 8) {
                int distance = abs(int((want >> shift) & 0xFF) - int((got >> shift) & 0xFF));
                if (distance > limit) {
                    snprintf(text, sizeof text, "(%d,%d) is %06X, too far from %06X", x, y, got,
                             want);
                    return text;
                }
            }
            auto placed = shownFor.emplace(want, got);
            if (placed.first->second != got) {
                snprintf(text, sizeof text, "(%d,%d) is %06X, other pixels of %06X are %06X", x, y,
                         got, want, placed.first->second);
                return text;
            }
        }
    }
    return "";
}

// Any image cut at `area`, black past its edges.
RgbImage Cut(const RgbImage& image, const RECT& area) {
    RgbImage cut;
    cut.width = area.right - area.left;
    cut.height = area.bottom - area.top;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            bool inside = x >= 0 && y >= 0 && x < image.width && y < image.height;
            cut.rgb.push_back(inside ? image.At(x, y) : 0);
        }
    }
    return cut;
}

RgbImage UpsideDown(const RgbImage& image) {
    RgbImage flipped = image;
    for (int y = 0; y < image.height; ++y) {
        for (int x = 0; x < image.width; ++x) {
            flipped.rgb[size_t(y) * size_t(image.width) + size_t(x)] =
                image.At(x, image.height - 1 - y);
        }
    }
    return flipped;
}

uint32_t FiveBitColor(uint32_t rgb) {
    uint32_t out = 0;
    for (int shift = 0; shift < 24; shift += 8) {
        uint32_t five = (rgb >> (shift + 3)) & 0x1F;
        out |= ((five << 3) | (five >> 2)) << shift;
    }
    return out;
}

// ---- Device bitmaps ----

namespace {

struct BitmapInfo256 {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

void FillHeader(BitmapInfo256* info, int width, int height, int bitCount) {
    memset(info, 0, sizeof *info);
    info->header.biSize = sizeof info->header;
    info->header.biWidth = width;
    info->header.biHeight = height;
    info->header.biPlanes = 1;
    info->header.biBitCount = WORD(bitCount);
    info->header.biCompression = BI_RGB;
}

size_t StrideOf(int width, int bitCount) {
    return (size_t(width) * size_t(bitCount) + 31) / 32 * 4;
}

// Bottom-up DIB rows of indices at 1, 4 or 8 bits.
std::vector<uint8_t> IndexRows(const IndexedImage& image) {
    size_t stride = StrideOf(image.width, image.bitCount);
    std::vector<uint8_t> rows(stride * size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = rows.data() + size_t(image.height - 1 - y) * stride;
        for (int x = 0; x < image.width; ++x) {
            uint8_t index = image.indices[size_t(y) * size_t(image.width) + size_t(x)];
            int bit = x * image.bitCount;
            int shift = 8 - image.bitCount - bit % 8;
            row[bit / 8] = uint8_t(row[bit / 8] | index << shift);
        }
    }
    return rows;
}

// Bottom-up 24-bit DIB rows.
std::vector<uint8_t> RgbRows(const RgbImage& image) {
    size_t stride = StrideOf(image.width, 24);
    std::vector<uint8_t> rows(stride * size_t(image.height));
    for (int y = 0; y < image.height; ++y) {
        uint8_t* row = rows.data() + size_t(image.height - 1 - y) * stride;
        for (int x = 0; x < image.width; ++x) {
            uint32_t rgb = image.At(x, y);
            row[3 * x] = uint8_t(rgb);
            row[3 * x + 1] = uint8_t(rgb >> 8);
            row[3 * x + 2] = uint8_t(rgb >> 16);
        }
    }
    return rows;
}

} // namespace

HPALETTE CreatePaletteOf(const std::vector<RGBQUAD>& colors) {
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } logPalette = {};
    logPalette.version = 0x300;
    logPalette.count = WORD(colors.size());
    for (size_t i = 0; i < colors.size() && i < 256; ++i) {
        logPalette.entries[i] = {colors[i].rgbRed, colors[i].rgbGreen, colors[i].rgbBlue, 0};
    }
    return CreatePalette(reinterpret_cast<LOGPALETTE*>(&logPalette));
}

HBITMAP CreateIndexedBitmap(const IndexedImage& image) {
    HBITMAP bitmap = CreateBitmap(image.width, image.height, 1, UINT(image.bitCount), nullptr);
    if (bitmap == nullptr) {
        return nullptr;
    }
    // The indices are written with the bitmap's own colour table, so that each pixel keeps the
    // index the image gives it.
    HDC dc = CreateCompatibleDC(nullptr);
    BitmapInfo256 info;
    FillHeader(&info, image.width, image.height, image.bitCount);
    GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    info.header.biClrUsed = 0;
    info.header.biSizeImage = 0;
    std::vector<uint8_t> rows = IndexRows(image);
    SetDIBits(dc, bitmap, 0, UINT(image.height), rows.data(), reinterpret_cast<BITMAPINFO*>(&info),
              DIB_RGB_COLORS);
    DeleteDC(dc);
    return bitmap;
}

HBITMAP CreateDisplayBitmap(const RgbImage& image, HPALETTE palette) {
    HDC screen = GetDC(nullptr);
    HPALETTE old = nullptr;
    if (palette != nullptr) {
        old = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    HBITMAP bitmap = CreateCompatibleBitmap(screen, image.width, image.height);
    if (bitmap != nullptr) {
        BitmapInfo256 info;
        FillHeader(&info, image.width, image.height, 24);
        std::vector<uint8_t> rows = RgbRows(image);
        SetDIBits(screen, bitmap, 0, UINT(image.height), rows.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    }
    if (old != nullptr) {
        SelectPalette(screen, old, FALSE);
    }
    ReleaseDC(nullptr, screen);
    return bitmap;
}

HBITMAP CreateSectionBitmap(const IndexedImage& image) {
    BitmapInfo256 info;
    FillHeader(&info, image.width, image.height, image.bitCount);
    memcpy(info.colors, image.colors.data(), image.colors.size() * sizeof(RGBQUAD));
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                      &bits, nullptr, 0);
    if (bitmap != nullptr) {
        std::vector<uint8_t> rows = IndexRows(image);
        memcpy(bits, rows.data(), rows.size());
        GdiFlush();
    }
    return bitmap;
}

HBITMAP CreateMemoryBitmap(const RgbImage& image, int bits) {
    HBITMAP bitmap = CreateBitmap(image.width, image.height, 1, UINT(bits), nullptr);
    if (bitmap != nullptr) {
        HDC dc = CreateCompatibleDC(nullptr);
        BitmapInfo256 info;
        FillHeader(&info, image.width, image.height, 24);
        std::vector<uint8_t> rows = RgbRows(image);
        SetDIBits(dc, bitmap, 0, UINT(image.height), rows.data(),
                  reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
        DeleteDC(dc);
    }
    return bitmap;
}

int BitmapDepth(HBITMAP bitmap) {
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return bm.bmPlanes * bm.bmBitsPixel;
}

SIZE BitmapSize(HBITMAP bitmap) {
    BITMAP bm = {};
    GetObjectA(bitmap, sizeof bm, &bm);
    return SIZE{bm.bmWidth, bm.bmHeight};
}

int FetchDepthOf(int depth) {
    return depth == 16 || depth == 32 ? 24 : depth;
}

RgbImage ReadBitmapRgb(HBITMAP bitmap, HPALETTE palette, int fetchDepth,
                       std::vector<uint8_t>* indices, std::vector<RGBQUAD>* table) {
    RgbImage image;
    SIZE size = BitmapSize(bitmap);
    if (size.cx <= 0 || size.cy <= 0) {
        return image;
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE old = nullptr;
    if (palette != nullptr) {
        old = SelectPalette(dc, palette, TRUE);
        RealizePalette(dc);
    }
    BitmapInfo256 info;
    FillHeader(&info, size.cx, size.cy, fetchDepth);
    size_t stride = StrideOf(size.cx, fetchDepth);
    std::vector<uint8_t> rows(stride * size_t(size.cy));
    int got = GetDIBits(dc, bitmap, 0, UINT(size.cy), rows.data(),
                        reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    if (old != nullptr) {
        SelectPalette(dc, old, TRUE);
    }
    DeleteDC(dc);
    if (got != size.cy) {
        return image;
    }
    image.width = size.cx;
    image.height = size.cy;
    image.rgb.resize(size_t(size.cx) * size_t(size.cy));
    if (indices != nullptr) {
        indices->assign(image.rgb.size(), 0);
    }
    if (table != nullptr && fetchDepth <= 8) {
        table->assign(info.colors, info.colors + (1 << fetchDepth));
    }
    for (int y = 0; y < size.cy; ++y) {
        const uint8_t* row = rows.data() + size_t(size.cy - 1 - y) * stride;
        for (int x = 0; x < size.cx; ++x) {
            size_t at = size_t(y) * size_t(size.cx) + size_t(x);
            if (fetchDepth == 24) {
                image.rgb[at] =
                    uint32_t(row[3 * x + 2]) << 16 | uint32_t(row[3 * x + 1]) << 8 | row[3 * x];
                continue;
            }
            int bit = x * fetchDepth;
            int shift = 8 - fetchDepth - bit % 8;
            uint8_t index = uint8_t((row[bit / 8] >> shift) & ((1 << fetchDepth) - 1));
            const RGBQUAD& c = info.colors[index];
            image.rgb[at] = uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
            if (indices != nullptr) {
                (*indices)[at] = index;
            }
        }
    }
    return image;
}

std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette) {
    WORD count = 0;
    if (palette == nullptr || GetObjectA(palette, sizeof count, &count) == 0) {
        return {};
    }
    std::vector<PALETTEENTRY> entries(count);
    if (count > 0) {
        GetPaletteEntries(palette, 0, count, entries.data());
    }
    return entries;
}

// ---- Text pages ----

namespace {

std::vector<std::string> TextLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        size_t end = text.find("\r\n", start);
        lines.push_back(text.substr(start, end == std::string::npos ? end : end - start));
        if (end == std::string::npos) {
            return lines;
        }
        start = end + 2;
    }
}

} // namespace

std::string LongText() {
    std::string text = "Tom & Jerry\tone tab, &&two ampersands\r\n";
    text += std::string(300, 'W') + "\r\n";
    for (int i = 0; i < 80; ++i) {
        text += "line " + std::to_string(i) + " of a text longer than the screen\r\n";
    }
    return text + "the end";
}

HBITMAP DrawExpectedTextPage(const std::string& text, int font, bool blackOnWhite) {
    int width = GetSystemMetrics(SM_CXSCREEN);
    int height = GetSystemMetrics(SM_CYSCREEN);
    HDC page = CreateCompatibleDC(nullptr);
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, nullptr);
    HGDIOBJ oldBitmap = SelectObject(page, bitmap);
    HGDIOBJ oldFont = SelectObject(page, GetStockObject(font));
    PatBlt(page, 0, 0, width, height, blackOnWhite ? WHITENESS : BLACKNESS);
    SetTextColor(page, blackOnWhite ? RGB(0, 0, 0) : RGB(255, 255, 255));
    SetBkColor(page, blackOnWhite ? RGB(255, 255, 255) : RGB(0, 0, 0));
    TEXTMETRICA metrics = {};
    GetTextMetricsA(page, &metrics);
    RECT clip = {0, 0, width - 1, height - 1};
    std::vector<std::string> lines = TextLines(text);
    for (size_t i = 0; i < lines.size(); ++i) {
        ExtTextOutA(page, 0, int(i) * metrics.tmHeight, ETO_CLIPPED, &clip, lines[i].data(),
                    UINT(lines[i].size()), nullptr);
    }
    SelectObject(page, oldFont);
    SelectObject(page, oldBitmap);
    DeleteDC(page);
    return bitmap;
}

RgbImage ExpectedTextPage(const std::string& text, int font, bool blackOnWhite) {
    HBITMAP bitmap = DrawExpectedTextPage(text, font, blackOnWhite);
    RgbImage image = ReadBitmapRgb(bitmap, nullptr, 1);
    DeleteObject(bitmap);
    return image;
}

// ---- Clipboard ----

std::vector<uint8_t> PackedDibOf(const IndexedImage& image, int tableEntries) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = image.width;
    header.biHeight = image.height;
    header.biPlanes = 1;
    header.biBitCount = WORD(image.bitCount);
    header.biCompression = BI_RGB;
    header.biClrUsed = DWORD(tableEntries == (1 << image.bitCount) ? 0 : tableEntries);
    std::vector<uint8_t> rows = IndexRows(image);
    header.biSizeImage = DWORD(rows.size());
    std::vector<uint8_t> packed(sizeof header + 4 * size_t(tableEntries) + rows.size());
    memcpy(packed.data(), &header, sizeof header);
    memcpy(packed.data() + sizeof header, image.colors.data(), 4 * size_t(tableEntries));
    memcpy(packed.data() + sizeof header + 4 * size_t(tableEntries), rows.data(), rows.size());
    return packed;
}

std::vector<uint8_t> BmpFileOf(const IndexedImage& image) {
    int entries = 1 << image.bitCount;
    std::vector<uint8_t> packed = PackedDibOf(image, entries);
    BITMAPFILEHEADER header = {};
    header.bfType = 0x4D42; // "BM"
    header.bfSize = DWORD(sizeof header + packed.size());
    header.bfOffBits = DWORD(sizeof header + sizeof(BITMAPINFOHEADER) + 4 * size_t(entries));
    std::vector<uint8_t> file(sizeof header + packed.size());
    memcpy(file.data(), &header, sizeof header);
    memcpy(file.data() + sizeof header, packed.data(), packed.size());
    return file;
}

void ClipboardHandles(HBITMAP* bitmap, HPALETTE* palette) {
    *bitmap = nullptr;
    *palette = nullptr;
    if (!OpenClipboardRetry(OtherAppWindow())) {
        return;
    }
    if (IsClipboardFormatAvailable(CF_BITMAP)) {
        *bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    }
    if (IsClipboardFormatAvailable(CF_PALETTE)) {
        *palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    }
    CloseClipboard();
}

RgbImage ClipboardRgb(int* depth) {
    RgbImage image;
    if (!OpenClipboardRetry(OtherAppWindow())) {
        return image;
    }
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    if (bitmap != nullptr) {
        int bits = BitmapDepth(bitmap);
        if (depth != nullptr) {
            *depth = bits;
        }
        image = ReadBitmapRgb(bitmap, palette, FetchDepthOf(bits));
    }
    CloseClipboard();
    return image;
}

// ---- Commands ----

namespace {

struct ProgressWatchState {
    HHOOK hook = nullptr;
    std::set<HWND> windows;
    int created = 0;
    int destroyed = 0;
} progressWatch;

LRESULT CALLBACK ProgressHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA* create = reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        // With Common Controls 6 the class comes versioned ("<version>!Static").
        const char* name = IS_INTRESOURCE(create->lpszClass) ? nullptr : create->lpszClass;
        const char* bang = name != nullptr ? strrchr(name, '!') : nullptr;
        bool named = name != nullptr && lstrcmpiA(bang != nullptr ? bang + 1 : name, "STATIC") == 0;
        LONG style = create->style;
        if (named && create->hwndParent == nullptr && (style & WS_POPUP) &&
            (style & WS_DLGFRAME) == WS_DLGFRAME) {
            progressWatch.windows.insert(reinterpret_cast<HWND>(wParam));
            ++progressWatch.created;
        }
    } else if (code == HCBT_DESTROYWND) {
        if (progressWatch.windows.erase(reinterpret_cast<HWND>(wParam)) > 0) {
            ++progressWatch.destroyed;
        }
    }
    return CallNextHookEx(progressWatch.hook, code, wParam, lParam);
}

} // namespace

ProgressWatch::ProgressWatch() {
    progressWatch = ProgressWatchState{};
    progressWatch.hook = SetWindowsHookExA(WH_CBT, ProgressHook, nullptr, GetCurrentThreadId());
}

ProgressWatch::~ProgressWatch() {
    if (progressWatch.hook != nullptr) {
        UnhookWindowsHookEx(progressWatch.hook);
    }
    progressWatch = ProgressWatchState{};
}

int ProgressWatch::Created() const {
    return progressWatch.created;
}

int ProgressWatch::Destroyed() const {
    return progressWatch.destroyed;
}

// ---- Files ----

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    FILE* file = fopen(path.c_str(), "rb");
    if (file == nullptr) {
        return bytes;
    }
    uint8_t buffer[65536];
    size_t got = 0;
    while ((got = fread(buffer, 1, sizeof buffer, file)) > 0) {
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    fclose(file);
    return bytes;
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    bool ok = fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return fclose(file) == 0 && ok;
}

bool FileExists(const std::string& path) {
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string FolderFromEnvironment(const char* variable) {
    char value[MAX_PATH] = "";
    DWORD length = GetEnvironmentVariableA(variable, value, sizeof value);
    if (length == 0 || length >= sizeof value) {
        return "";
    }
    std::string path(value);
    if (!path.empty() && path[0] == '/') {
        path = "Z:" + path;
    }
    for (char& c : path) {
        if (c == '/') {
            c = '\\';
        }
    }
    while (path.size() > 3 && path.back() == '\\') {
        path.pop_back();
    }
    return path;
}

std::string FreshTempFolder(const char* name) {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    std::string folder =
        std::string(temp) + "kovel-" + name + "-" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    // Empty it of a previous run's files.
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::string file = folder + "\\" + found.cFileName;
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return folder;
}

SavedFiles::SavedFiles() {
    folder = FolderFromEnvironment("KOVEL_SAVED_FILES");
    fromEnvironment = !folder.empty();
    if (fromEnvironment) {
        CreateDirectoryA(folder.c_str(), nullptr);
    } else {
        // Files nobody decodes prove nothing: the run fails, and writes them aside meanwhile.
        ADD_FAILURE()
            << "KOVEL_SAVED_FILES is not set: run the tests through scripts/wine-tests.sh";
        folder = FreshTempFolder("saved");
    }
    manifest = fopen((folder + "\\manifest.tsv").c_str(), "ab");
}

SavedFiles::~SavedFiles() {
    if (manifest != nullptr) {
        fclose(manifest);
    }
}

bool SavedFiles::Add(const std::string& file, const char* format, int depth,
                     const char* compression, const RgbImage& expected, const char* palette,
                     const std::string& notes, const std::string& sharedPpm) {
    if (manifest == nullptr || expected.width <= 0 || !FileExists(PathOf(file))) {
        return false;
    }
    std::string ppm = sharedPpm.empty() ? file + ".ppm" : sharedPpm;
    if (sharedPpm.empty() && !WritePpm(PathOf(ppm), expected)) {
        return false;
    }
    fprintf(manifest, "%s\t%s\t%d\t%s\t%d\t%d\t%s\t%s\t%s\n", file.c_str(), format, depth,
            compression, expected.width, expected.height, ppm.c_str(), palette, notes.c_str());
    fflush(manifest);
    return true;
}

bool WritePpm(const std::string& path, const RgbImage& image) {
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return false;
    }
    fprintf(file, "P6\n%d %d\n255\n", image.width, image.height);
    std::vector<uint8_t> row(size_t(image.width) * 3);
    bool ok = true;
    for (int y = 0; y < image.height && ok; ++y) {
        for (int x = 0; x < image.width; ++x) {
            uint32_t rgb = image.At(x, y);
            row[3 * size_t(x)] = uint8_t(rgb >> 16);
            row[3 * size_t(x) + 1] = uint8_t(rgb >> 8);
            row[3 * size_t(x) + 2] = uint8_t(rgb);
        }
        ok = fwrite(row.data(), 1, row.size(), file) == row.size();
    }
    return fclose(file) == 0 && ok;
}

RgbImage ReadPpm(const std::string& path) {
    RgbImage image;
    std::vector<uint8_t> bytes = ReadFileBytes(path);
    // "P6", width, height, maxval, each followed by one whitespace byte (no comments).
    size_t at = 0;
    long fields[3] = {};
    if (bytes.size() < 2 || bytes[0] != 'P' || bytes[1] != '6') {
        return image;
    }
    at = 2;
    for (long& field : fields) {
        while (at < bytes.size() && isspace(bytes[at])) {
            ++at;
        }
        while (at < bytes.size() && isdigit(bytes[at])) {
            field = field * 10 + (bytes[at++] - '0');
        }
    }
    ++at;
    size_t count = size_t(fields[0]) * size_t(fields[1]);
    if (fields[2] != 255 || at + 3 * count != bytes.size()) {
        return image;
    }
    image.width = int(fields[0]);
    image.height = int(fields[1]);
    image.rgb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = bytes.data() + at + 3 * i;
        image.rgb[i] = uint32_t(p[0]) << 16 | uint32_t(p[1]) << 8 | p[2];
    }
    return image;
}

std::string FirstDifference(const RgbImage& got, const RgbImage& expected) {
    char text[160];
    if (got.width != expected.width || got.height != expected.height) {
        snprintf(text, sizeof text, "size %dx%d, expected %dx%d", got.width, got.height,
                 expected.width, expected.height);
        return text;
    }
    // Two empty images are no match: something that should have been read was not.
    if (got.rgb.empty() || expected.rgb.empty() ||
        got.rgb.size() != size_t(got.width) * size_t(got.height) ||
        expected.rgb.size() != got.rgb.size()) {
        snprintf(text, sizeof text, "empty or incomplete image (%zu and %zu pixels for %dx%d)",
                 got.rgb.size(), expected.rgb.size(), got.width, got.height);
        return text;
    }
    size_t differing = 0;
    size_t first = 0;
    for (size_t i = 0; i < got.rgb.size(); ++i) {
        if (got.rgb[i] != expected.rgb[i]) {
            if (differing++ == 0) {
                first = i;
            }
        }
    }
    if (differing == 0) {
        return "";
    }
    snprintf(text, sizeof text, "%zu pixels differ; first (%d,%d) is %06X, expected %06X",
             differing, int(first % size_t(got.width)), int(first / size_t(got.width)),
             got.rgb[first], expected.rgb[first]);
    return text;
}

// The colours a display of this depth shows for `colors`: exact at 24 and 32 bits, five bits a
// channel at 16. An 8-bit display chooses its own colours; there they are returned unchanged and
// only CompareOnDisplay's nearness rule applies.
RgbImage OnDisplay(const RgbImage& colors) {
    RgbImage shown = colors;
    if (DisplayBits() == 16) {
        for (uint32_t& rgb : shown.rgb) {
            rgb = FiveBitColor(rgb);
        }
    }
    return shown;
}

// Compares what the clipboard shows with the colours of an image read onto it. At 16 bits and
// more the display keeps the colours (five bits a channel at 16). An 8-bit display keeps at most
// 256 colours of its own choosing, and the colours reach it through conversions that each take
// the nearest colour: there every pixel must lie near its colour, and pixels of one colour must
// show one colour.
std::string CompareOnDisplay(const RgbImage& shown, const RgbImage& colors) {
    if (DisplayBits() > 8) {
        return FirstDifference(shown, OnDisplay(colors));
    }
    return FirstFarColor(shown, colors);
}

// ---- Pictures known within a tolerance ----

std::string FirstBeyond(const RgbImage& shown, const RgbImage& colors, int tolerance) {
    if (tolerance == 0 || shown.width != colors.width || shown.height != colors.height ||
        shown.rgb.size() != colors.rgb.size()) {
        return FirstDifference(shown, colors);
    }
    std::string first;
    int worst = 0;
    for (int y = 0; y < colors.height; ++y) {
        for (int x = 0; x < colors.width; ++x) {
            for (int shift = 0; shift < 24; shift += 8) {
                int distance = abs(int((colors.At(x, y) >> shift) & 0xFF) -
                                   int((shown.At(x, y) >> shift) & 0xFF));
                if (distance > tolerance && first.empty()) {
                    char text[120];
                    snprintf(text, sizeof text, "(%d,%d) is %06X, more than %d from %06X", x, y,
                             shown.At(x, y), tolerance, colors.At(x, y));
                    first = text;
                }
                worst = distance > worst ? distance : worst;
            }
        }
    }
    return first.empty() ? "" : first + "; largest difference " + std::to_string(worst);
}

std::string CompareOnDisplayWithin(const RgbImage& shown, const RgbImage& colors, int tolerance) {
    if (tolerance == 0) {
        return CompareOnDisplay(shown, colors);
    }
    const int bits = DisplayBits();
    if (bits <= 8) {
        return FirstBeyond(shown, colors, 0x60 + tolerance);
    }
    return FirstBeyond(shown, OnDisplay(colors), tolerance + (bits == 16 ? 8 : 0));
}

// ---- GIF of pictures deeper than 8 bits ----

namespace {

// Rows of an RgbImage in the DIB layout at 24 bits, bottom row first.
bool FetchRgbRows(void* context, int32_t firstLine, int32_t count, uint8_t* dest) {
    const RgbImage& image = *static_cast<const RgbImage*>(context);
    const size_t stride = size_t(DibStride(image.width, 24));
    for (int32_t line = firstLine; line < firstLine + count; ++line) {
        uint8_t* row = dest + size_t(line - firstLine) * stride;
        memset(row, 0, stride);
        const int y = image.height - 1 - line;
        for (int x = 0; x < image.width; ++x) {
            const uint32_t rgb = image.At(x, y);
            row[3 * x] = uint8_t(rgb);
            row[3 * x + 1] = uint8_t(rgb >> 8);
            row[3 * x + 2] = uint8_t(rgb >> 16);
        }
    }
    return true;
}

} // namespace

RgbImage GifColoursOf(const RgbImage& fetched, bool dither) {
    const ImageDesc desc = {fetched.width, fetched.height, 24, nullptr, 0};
    const RowSource source = {const_cast<RgbImage*>(&fetched), FetchRgbRows};
    EncodeResult result = EncodeOk;
    ColourMap* map = ColourMapBuild(desc, source, dither, &result);
    if (map == nullptr) {
        return RgbImage();
    }
    RgbImage out = fetched;
    std::vector<uint8_t> row(size_t(DibStride(fetched.width, 24)));
    std::vector<uint8_t> indices(size_t(fetched.width));
    const uint8_t* palette = ColourMapColours(map);
    for (int y = 0; y < fetched.height; ++y) {
        FetchRgbRows(&out, fetched.height - 1 - y, 1, row.data());
        ColourMapRow(map, row.data(), indices.data());
        for (int x = 0; x < fetched.width; ++x) {
            const uint8_t* c = palette + 3 * indices[size_t(x)];
            out.rgb[size_t(y) * size_t(fetched.width) + size_t(x)] =
                uint32_t(c[0]) << 16 | uint32_t(c[1]) << 8 | c[2];
        }
    }
    ColourMapFree(map);
    return out;
}

double RmsDistance(const RgbImage& a, const RgbImage& b) {
    if (a.width != b.width || a.height != b.height || a.rgb.size() != b.rgb.size() ||
        a.rgb.empty()) {
        return 1e9;
    }
    double sum = 0;
    for (size_t i = 0; i < a.rgb.size(); ++i) {
        for (int shift = 0; shift < 24; shift += 8) {
            const double d =
                double((a.rgb[i] >> shift) & 0xFF) - double((b.rgb[i] >> shift) & 0xFF);
            sum += d * d;
        }
    }
    return sqrt(sum / double(a.rgb.size()));
}
