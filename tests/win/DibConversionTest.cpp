// The conversions between clipboard bitmaps and packed DIBs on real GDI objects: a CF_DIB from
// another application becomes CF_BITMAP and CF_PALETTE (the notification only passed on), and a
// device bitmap becomes a packed DIB at its own depth.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "encoders/DibRules.h"
#include "bitmap/PackedDib.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "platform/ClipboardAccess.h"
#include "tests/win/TestBed.h"

namespace {

using DibConversionTest = MainWindowFixture;

// Colours chosen so that no two table entries and no two neighbouring pixels agree, and red
// differs from blue everywhere.
COLORREF TableColour(int i) {
    return RGB((i * 67 + 13) & 255, (i * 139 + 101) & 255, (i * 29 + 200) & 255);
}
COLORREF DirectColour(int x, int y) {
    return RGB((x * 40 + 5) & 255, (y * 60 + 17) & 255, ((x + y) * 25 + 90) & 255);
}

struct DibCase {
    const char* what;
    int bitCount;
    int tableEntries; // entries present in the block (biClrUsed), for 1, 4 and 8 bits
    uint32_t headerSize;
    bool topDown;
};

const int dibWidth = 13;
const int dibHeight = 7;

int IndexAt(const DibCase& c, int x, int y) {
    return (x * 3 + y * 5) % c.tableEntries;
}

COLORREF ExpectedAt(const DibCase& c, int x, int y) {
    if (c.bitCount <= 8) {
        return TableColour(IndexAt(c, x, y));
    }
    if (c.bitCount == 16) {
        COLORREF colour = DirectColour(x, y);
        // Five bits per channel, widened as a 16-bit display widens them.
        auto widen = [](int v) { return (v & 0xF8) | ((v & 0xF8) >> 5); };
        return RGB(widen(GetRValue(colour)), widen(GetGValue(colour)), widen(GetBValue(colour)));
    }
    return DirectColour(x, y);
}

std::vector<uint8_t> MakeDib(const DibCase& c) {
    int stride = int(DibStride(dibWidth, c.bitCount));
    size_t tableBytes = c.bitCount <= 8 ? 4 * size_t(c.tableEntries) : 0;
    std::vector<uint8_t> dib(c.headerSize + tableBytes + size_t(stride) * dibHeight);
    BITMAPV5HEADER header = {};
    header.bV5Size = c.headerSize;
    header.bV5Width = dibWidth;
    header.bV5Height = c.topDown ? -dibHeight : dibHeight;
    header.bV5Planes = 1;
    header.bV5BitCount = WORD(c.bitCount);
    header.bV5Compression = BI_RGB;
    header.bV5SizeImage = DWORD(stride * dibHeight);
    header.bV5ClrUsed = c.bitCount <= 8 ? DWORD(c.tableEntries) : 0;
    if (c.headerSize > 40) {
        header.bV5CSType = 0x73524742; // LCS_sRGB
    }
    memcpy(dib.data(), &header, c.headerSize);
    uint8_t* table = dib.data() + c.headerSize;
    for (size_t i = 0; i < tableBytes / 4; ++i) {
        COLORREF colour = TableColour(int(i));
        table[4 * i] = GetBValue(colour);
        table[4 * i + 1] = GetGValue(colour);
        table[4 * i + 2] = GetRValue(colour);
    }
    uint8_t* rows = table + tableBytes;
    for (int y = 0; y < dibHeight; ++y) {
        uint8_t* row = rows + size_t(stride) * (c.topDown ? y : dibHeight - 1 - y);
        for (int x = 0; x < dibWidth; ++x) {
            COLORREF colour = DirectColour(x, y);
            switch (c.bitCount) {
            case 1:
            case 4:
            case 8: {
                int index = IndexAt(c, x, y);
                int perByte = 8 / c.bitCount;
                int shift = 8 - c.bitCount * (x % perByte + 1);
                row[x / perByte] |= uint8_t(index << shift);
                break;
            }
            case 16: {
                int word = ((GetRValue(colour) >> 3) << 10) | ((GetGValue(colour) >> 3) << 5) |
                           (GetBValue(colour) >> 3);
                row[2 * x] = uint8_t(word);
                row[2 * x + 1] = uint8_t(word >> 8);
                break;
            }
            default: {
                int bytes = c.bitCount / 8;
                row[bytes * x] = GetBValue(colour);
                row[bytes * x + 1] = GetGValue(colour);
                row[bytes * x + 2] = GetRValue(colour);
                break;
            }
            }
        }
    }
    return dib;
}

// The bitmap's pixels as 0x00RRGGBB, top row first, read with the palette realised.
std::vector<uint32_t> ReadBitmap(HBITMAP bitmap, HPALETTE palette, int width, int height) {
    std::vector<uint32_t> pixels(size_t(width) * height);
    BITMAPINFO info = TopDown32BitInfo(width, height);
    HDC screen = GetDC(nullptr);
    HPALETTE old = nullptr;
    if (palette != nullptr) {
        old = SelectPalette(screen, palette, FALSE);
        RealizePalette(screen);
    }
    GetDIBits(screen, bitmap, 0, UINT(height), pixels.data(), &info, DIB_RGB_COLORS);
    if (old != nullptr) {
        SelectPalette(screen, old, FALSE);
    }
    ReleaseDC(nullptr, screen);
    for (uint32_t& pixel : pixels) {
        pixel &= 0xFFFFFF;
    }
    return pixels;
}

uint32_t Rgb(COLORREF colour) {
    return (uint32_t(GetRValue(colour)) << 16) | (uint32_t(GetGValue(colour)) << 8) |
           GetBValue(colour);
}

const DibCase dibCases[] = {
    {"1 bit, full table", 1, 2, 40, false},
    {"1 bit, one entry", 1, 1, 40, false},
    {"4 bits, full table", 4, 16, 40, false},
    {"4 bits, 5 entries", 4, 5, 40, false},
    {"8 bits, full table", 8, 256, 40, false},
    {"8 bits, 20 entries", 8, 20, 40, false},
    {"8 bits, 20 entries, version 5 header", 8, 20, 124, false},
    {"16 bits", 16, 0, 40, false},
    {"24 bits", 24, 0, 40, false},
    {"24 bits, top-down", 24, 0, 40, true},
    {"32 bits", 32, 0, 40, false},
};

TEST_F(DibConversionTest, ADibFromAnotherApplicationBecomesBitmapAndPalette) {
    int display = DisplayBits();
    for (const DibCase& c : dibCases) {
        SCOPED_TRACE(c.what);
        std::vector<uint8_t> dib = MakeDib(c);
        ASSERT_TRUE(Place(
            {{{CF_TEXT, GlobalBytes("kept", 5)}, {CF_DIB, GlobalBytes(dib.data(), dib.size())}}}));
        Screen screen = app.screen;
        ViewFormat view = app.view;
        // Another window is active: the swallowed change brings nothing forward.
        ASSERT_TRUE(ActivateWindow(other));
        StartRecordingMessages(app.mainWindow);
        ASSERT_TRUE(OpenClipboardRetry(app.mainWindow));
        EXPECT_EQ(1, DibToClipboard(GetClipboardData(CF_DIB), 1));
        CloseClipboard();
        PumpMessages();
        // The notification of the conversion came and was only passed on: no repaint.
        EXPECT_EQ(1, CountRecorded(WM_DRAWCLIPBOARD, 0, true));
        EXPECT_EQ(0, CountRecorded(WM_PAINT, 0, true));
        StopRecordingMessages();
        EXPECT_EQ(0, app.ignoreNextClipboardChange);
        EXPECT_EQ(other, GetActiveWindow());
        EXPECT_EQ(screen, app.screen);
        EXPECT_EQ(view, app.view);
        EXPECT_EQ(0, feedback.count);

        std::vector<UINT> formats = ClipboardFormats();
        auto has = [&](UINT format) {
            return std::find(formats.begin(), formats.end(), format) != formats.end();
        };
        EXPECT_TRUE(has(CF_DIB)) << FormatList(formats);
        EXPECT_TRUE(has(CF_TEXT)) << FormatList(formats);
        EXPECT_TRUE(has(CF_BITMAP)) << FormatList(formats);
        EXPECT_EQ(c.bitCount <= 8, has(CF_PALETTE)) << FormatList(formats);

        ASSERT_TRUE(OpenClipboardRetry(other));
        auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
        auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
        // The rows came from behind the table the block really holds.
        HANDLE text = GetClipboardData(CF_TEXT);
        ASSERT_NE(nullptr, text);
        EXPECT_STREQ("kept", static_cast<const char*>(GlobalLock(text)));
        GlobalUnlock(text);
        if (c.bitCount <= 8) {
            ASSERT_NE(nullptr, palette);
            PALETTEENTRY entries[256] = {};
            ASSERT_EQ(UINT(c.tableEntries), GetPaletteEntries(palette, 0, 256, entries));
            for (int i = 0; i < c.tableEntries; ++i) {
                EXPECT_EQ(TableColour(i),
                          RGB(entries[i].peRed, entries[i].peGreen, entries[i].peBlue))
                    << "entry " << i;
                EXPECT_EQ(0, entries[i].peFlags);
            }
        }
        BITMAP bm = {};
        ASSERT_NE(0, GetObjectA(bitmap, sizeof bm, &bm));
        EXPECT_EQ(dibWidth, bm.bmWidth);
        EXPECT_EQ(dibHeight, bm.bmHeight);
        EXPECT_EQ(display, bm.bmBitsPixel * bm.bmPlanes);
        if (display > 8) {
            // Exact at 24 and 32 bits per pixel, five bits per channel at 16.
            uint32_t mask = display == 16 ? 0xF8F8F8 : 0xFFFFFF;
            std::vector<uint32_t> pixels = ReadBitmap(bitmap, palette, dibWidth, dibHeight);
            int wrong = 0;
            for (int y = 0; y < dibHeight; ++y) {
                for (int x = 0; x < dibWidth; ++x) {
                    uint32_t expected = Rgb(ExpectedAt(c, x, y)) & mask;
                    uint32_t actual = pixels[size_t(y) * dibWidth + x] & mask;
                    wrong += expected != actual ? 1 : 0;
                    if (expected != actual && wrong <= 3) {
                        ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << actual
                                      << " instead of " << expected;
                    }
                }
            }
            EXPECT_EQ(0, wrong);
        } else {
            // An 8-bit display keeps the nearest of its own colours: each pixel lies near the
            // DIB's colour, and pixels of one colour show one colour.
            ASSERT_EQ(8, display);
            RgbImage shown;
            RgbImage wanted;
            shown.width = wanted.width = dibWidth;
            shown.height = wanted.height = dibHeight;
            shown.rgb = ReadBitmap(bitmap, palette, dibWidth, dibHeight);
            for (int y = 0; y < dibHeight; ++y) {
                for (int x = 0; x < dibWidth; ++x) {
                    wanted.rgb.push_back(Rgb(ExpectedAt(c, x, y)));
                }
            }
            EXPECT_EQ("", FirstFarColor(shown, wanted));
        }
        CloseClipboard();
    }
}

// A 1-bit block whose biClrUsed (4) is more than its depth needs: GDI takes all four entries
// before the rows, so the rows start 16 bytes after the header. Read from 8 bytes after it,
// the picture would be the third and fourth table entries' bytes.
TEST_F(DibConversionTest, ATableLongerThanTheDepthNeedsIsSkippedWhole) {
    const int width = 8;
    const uint32_t clrUsed = 4;
    std::vector<uint8_t> dib(40 + 4 * clrUsed + 4, 0);
    BITMAPINFOHEADER header = {};
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = 1;
    header.biPlanes = 1;
    header.biBitCount = 1;
    header.biCompression = BI_RGB;
    header.biClrUsed = clrUsed;
    memcpy(dib.data(), &header, sizeof header);
    const uint8_t table[4 * clrUsed] = {0,    0,    0,    0, 255,  255,  255,  0,
                                        0x11, 0x22, 0x33, 0, 0x44, 0x55, 0x66, 0};
    memcpy(dib.data() + 40, table, sizeof table);
    dib[40 + sizeof table] = 0xA5; // white, black, white, black, black, white, black, white
    ASSERT_TRUE(Place({{{CF_DIB, GlobalBytes(dib.data(), dib.size())}}}));
    ASSERT_TRUE(OpenClipboardRetry(app.mainWindow));
    EXPECT_EQ(1, DibToClipboard(GetClipboardData(CF_DIB), 1));
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    ASSERT_NE(nullptr, bitmap);
    std::vector<uint32_t> pixels = ReadBitmap(bitmap, palette, width, 1);
    CloseClipboard();
    const uint32_t expected[width] = {0xFFFFFF, 0, 0xFFFFFF, 0, 0, 0xFFFFFF, 0, 0xFFFFFF};
    for (int x = 0; x < width; ++x) {
        EXPECT_EQ(expected[x], pixels[size_t(x)]) << "pixel " << x;
    }
}

TEST_F(DibConversionTest, ABlockThatIsNoUsableDibPlacesNothing) {
    DibCase base = {"8 bits", 8, 256, 40, false};
    std::vector<uint8_t> good = MakeDib(base);
    std::vector<std::vector<uint8_t>> bad;
    bad.push_back(std::vector<uint8_t>(good.begin(), good.begin() + 30)); // inside the header
    bad.push_back(std::vector<uint8_t>(good.begin(), good.end() - 20));   // rows cut short
    std::vector<uint8_t> rle = good;
    rle[16] = BI_RLE8;
    bad.push_back(rle);
    std::vector<uint8_t> wide = good;
    wide[4] = 0xFF;
    wide[5] = 0xFF;
    wide[6] = 0xFF;
    wide[7] = 0x7F; // a width far past the block
    bad.push_back(wide);
    std::vector<uint8_t> planes = good;
    planes[12] = 3;
    bad.push_back(planes);
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    for (size_t i = 0; i < bad.size(); ++i) {
        HGLOBAL block = GlobalBytes(bad[i].data(), bad[i].size());
        ASSERT_TRUE(OpenClipboardRetry(app.mainWindow));
        EXPECT_EQ(0, DibToClipboard(block, 1)) << "block " << i;
        CloseClipboard();
        GlobalFree(block);
        PumpMessages();
        EXPECT_EQ(0, app.ignoreNextClipboardChange) << "block " << i;
        std::vector<UINT> formats = ClipboardFormats();
        EXPECT_EQ(formats.end(), std::find(formats.begin(), formats.end(), UINT(CF_BITMAP)))
            << "block " << i;
    }
}

// A bitmap of the display's format holding the 24-bit picture.
HBITMAP DisplayBitmap() {
    DibCase c = {"24 bits", 24, 0, 40, false};
    std::vector<uint8_t> dib = MakeDib(c);
    HDC screen = GetDC(nullptr);
    auto* info = reinterpret_cast<BITMAPINFO*>(dib.data());
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info->bmiHeader, CBM_INIT, dib.data() + 40, info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

// What GetDIBits reports for the bitmap at `bitCount` bits with the palette selected: the
// colour table and the rows, as a packed DIB without its header.
std::vector<uint8_t> GetDIBitsOf(HBITMAP bitmap, HPALETTE palette, int width, int height,
                                 int bitCount) {
    int entries = ColorTableSize(bitCount);
    int stride = int(DibStride(width, bitCount));
    std::vector<uint8_t> block(40 + 4 * size_t(entries) + size_t(stride) * height);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(block.data());
    header->biSize = 40;
    header->biWidth = width;
    header->biHeight = height;
    header->biPlanes = 1;
    header->biBitCount = WORD(bitCount);
    header->biCompression = BI_RGB;
    HDC dc = CreateCompatibleDC(nullptr);
    HPALETTE old = nullptr;
    if (palette != nullptr) {
        old = SelectPalette(dc, palette, FALSE);
        RealizePalette(dc);
    }
    GetDIBits(dc, bitmap, 0, UINT(height), block.data() + 40 + 4 * entries,
              reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS);
    if (old != nullptr) {
        SelectPalette(dc, old, FALSE);
    }
    DeleteDC(dc);
    return std::vector<uint8_t>(block.begin() + 40, block.end());
}

TEST_F(DibConversionTest, ADisplayBitmapBecomesAPackedDibAtItsOwnDepth) {
    HBITMAP bitmap = DisplayBitmap();
    ASSERT_NE(nullptr, bitmap);
    int bits = DisplayBits();
    HGLOBAL block = DibFromBitmap(bitmap, nullptr);
    ASSERT_NE(nullptr, block);
    auto* header = static_cast<BITMAPINFOHEADER*>(GlobalLock(block));
    GlobalUnlock(block); // DibFromBitmap left one lock of its own
    int entries = ColorTableSize(bits);
    uint32_t stride = uint32_t(DibStride(dibWidth, bits));
    EXPECT_EQ(40u, header->biSize);
    EXPECT_EQ(dibWidth, header->biWidth);
    EXPECT_EQ(dibHeight, header->biHeight);
    EXPECT_EQ(1, header->biPlanes);
    EXPECT_EQ(bits, header->biBitCount);
    EXPECT_EQ(DWORD(BI_RGB), header->biCompression);
    EXPECT_EQ(stride * dibHeight, header->biSizeImage);
    EXPECT_EQ(0, header->biXPelsPerMeter);
    EXPECT_EQ(0, header->biYPelsPerMeter);
    EXPECT_EQ(DWORD(entries), header->biClrUsed);
    EXPECT_EQ(DWORD(entries), header->biClrImportant);
    EXPECT_GE(GlobalSize(block), 40 + 4 * size_t(entries) + stride * dibHeight);
    EXPECT_EQ(header, currentDib);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(header) + 40 + 4 * entries, currentDibBits);
    // Table and rows as GetDIBits gives them for the same bitmap and palette.
    std::vector<uint8_t> reference = GetDIBitsOf(bitmap, nullptr, dibWidth, dibHeight, bits);
    EXPECT_EQ(0,
              memcmp(reference.data(), reinterpret_cast<uint8_t*>(header) + 40, reference.size()));
    // And the picture's colours, bottom row first: exact at 32 bits, the top five bits of each
    // channel at 16 (5-5-5), near them through the table at 8.
    DibCase c = {"24 bits", 24, 0, 40, false};
    RgbImage shown;
    RgbImage wanted;
    shown.width = wanted.width = dibWidth;
    shown.height = wanted.height = dibHeight;
    for (int y = 0; y < dibHeight; ++y) {
        const uint8_t* row = currentDibBits + size_t(stride) * (dibHeight - 1 - y);
        for (int x = 0; x < dibWidth; ++x) {
            uint32_t want = Rgb(ExpectedAt(c, x, y));
            uint32_t got = 0;
            if (bits == 32) {
                got = uint32_t(row[4 * x + 2]) << 16 | uint32_t(row[4 * x + 1]) << 8 | row[4 * x];
            } else if (bits == 16) {
                uint32_t v = uint32_t(row[2 * x] | row[2 * x + 1] << 8);
                got = ((v >> 10) & 31) << 19 | ((v >> 5) & 31) << 11 | (v & 31) << 3;
                want &= 0xF8F8F8;
            } else {
                const uint8_t* entry = reinterpret_cast<uint8_t*>(header) + 40 + 4 * row[x];
                got = uint32_t(entry[2]) << 16 | uint32_t(entry[1]) << 8 | entry[0];
            }
            shown.rgb.push_back(got);
            wanted.rgb.push_back(want);
        }
    }
    ASSERT_TRUE(bits == 8 || bits == 16 || bits == 32) << bits;
    EXPECT_EQ("", bits == 8 ? FirstFarColor(shown, wanted) : FirstDifference(shown, wanted));
    GlobalUnlock(block);
    GlobalFree(block);
    DeleteObject(bitmap);
}

TEST_F(DibConversionTest, AOneBitBitmapHasATwoEntryTableAndRowsAtOffset48) {
    // 33 pixels: five bytes of pixels, rows of eight in the DIB, of six in CreateBitmap.
    const int width = 33;
    const int height = 3;
    const uint8_t rows[height][6] = {{0xF0, 0x0F, 0xAA, 0x55, 0x80, 0},
                                     {0x12, 0x34, 0x56, 0x78, 0x00, 0},
                                     {0xFF, 0x00, 0xFF, 0x00, 0x80, 0}};
    HBITMAP bitmap = CreateBitmap(width, height, 1, 1, rows);
    ASSERT_NE(nullptr, bitmap);
    HGLOBAL block = DibFromBitmap(bitmap, nullptr);
    ASSERT_NE(nullptr, block);
    auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
    GlobalUnlock(block);
    auto* header = reinterpret_cast<BITMAPINFOHEADER*>(bytes);
    EXPECT_EQ(1, header->biBitCount);
    EXPECT_EQ(2u, header->biClrUsed);
    EXPECT_EQ(24u, header->biSizeImage);
    EXPECT_EQ(bytes + 48, currentDibBits);
    const uint8_t table[8] = {0, 0, 0, 0, 255, 255, 255, 0};
    EXPECT_EQ(0, memcmp(table, bytes + 40, 8));
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = bytes + 48 + 8 * (height - 1 - y);
        EXPECT_EQ(0, memcmp(rows[y], row, 4)) << "row " << y;
        EXPECT_EQ(rows[y][4] & 0x80, row[4] & 0x80) << "row " << y;
    }
    GlobalUnlock(block);
    GlobalFree(block);
    DeleteObject(bitmap);
}

TEST_F(DibConversionTest, AnEightBitBitmapWithAPaletteReadsAsGetDIBitsReadsIt) {
    const int size = 16;
    std::vector<uint8_t> indices(size * size);
    for (int i = 0; i < size * size; ++i) {
        indices[size_t(i)] = uint8_t(i * 7);
    }
    HBITMAP bitmap = CreateBitmap(size, size, 1, 8, indices.data());
    struct {
        WORD version;
        WORD count;
        PALETTEENTRY entries[256];
    } logPalette = {0x300, 256, {}};
    for (int i = 0; i < 256; ++i) {
        COLORREF colour = TableColour(i);
        logPalette.entries[i] = {GetRValue(colour), GetGValue(colour), GetBValue(colour), 0};
    }
    HPALETTE palette = CreatePalette(reinterpret_cast<LOGPALETTE*>(&logPalette));
    for (HPALETTE used : {HPALETTE(nullptr), palette}) {
        SCOPED_TRACE(used == nullptr ? "no palette" : "with the palette");
        HGLOBAL block = DibFromBitmap(bitmap, used);
        ASSERT_NE(nullptr, block);
        auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
        GlobalUnlock(block);
        EXPECT_EQ(8, reinterpret_cast<BITMAPINFOHEADER*>(bytes)->biBitCount);
        EXPECT_EQ(256u, reinterpret_cast<BITMAPINFOHEADER*>(bytes)->biClrUsed);
        std::vector<uint8_t> reference = GetDIBitsOf(bitmap, used, size, size, 8);
        ASSERT_EQ(1024u + size * size, reference.size());
        EXPECT_EQ(0, memcmp(reference.data(), bytes + 40, reference.size()));
        // A device bitmap of 8 bits keeps its default table whatever the palette: each pixel
        // shows that table's entry for the index it was made with.
        std::vector<RGBQUAD> defaults = DeviceDefaultTable(8);
        int wrong = 0;
        for (int y = 0; y < size; ++y) {
            const uint8_t* row = bytes + 40 + 1024 + size_t(size) * size_t(size - 1 - y);
            for (int x = 0; x < size; ++x) {
                const uint8_t* entry = bytes + 40 + 4 * row[x];
                const RGBQUAD& known = defaults[indices[size_t(y * size + x)]];
                bool same = entry[0] == known.rgbBlue && entry[1] == known.rgbGreen &&
                            entry[2] == known.rgbRed;
                if (!same && ++wrong <= 3) {
                    ADD_FAILURE() << "pixel " << x << "," << y << " index "
                                  << int(indices[size_t(y * size + x)]) << " shows "
                                  << int(entry[2]) << "," << int(entry[1]) << "," << int(entry[0]);
                }
            }
        }
        EXPECT_EQ(0, wrong);
        GlobalUnlock(block);
        GlobalFree(block);
    }
    DeleteObject(palette);
    DeleteObject(bitmap);
}

TEST_F(DibConversionTest, ARoundTripKeepsThePictureAndAnUnsuppressedChangeRepaints) {
    HBITMAP bitmap = DisplayBitmap();
    HGLOBAL block = DibFromBitmap(bitmap, nullptr);
    ASSERT_NE(nullptr, block);
    GlobalUnlock(block);
    std::vector<uint32_t> before = ReadBitmap(bitmap, nullptr, dibWidth, dibHeight);
    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_EQ(ViewAnsiText, app.view);
    StartRecordingMessages(app.mainWindow);
    ASSERT_TRUE(OpenClipboardRetry(app.mainWindow));
    EXPECT_EQ(1, DibToClipboard(block, 0));
    CloseClipboard();
    PumpMessages();
    // Not suppressed: the change is handled as any other and the view follows it.
    EXPECT_GE(CountRecorded(WM_PAINT, 0, true), 1);
    StopRecordingMessages();
    EXPECT_EQ(0, app.ignoreNextClipboardChange);
    ASSERT_TRUE(OpenClipboardRetry(other));
    auto placed = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    EXPECT_EQ(before, ReadBitmap(placed, static_cast<HPALETTE>(GetClipboardData(CF_PALETTE)),
                                 dibWidth, dibHeight));
    CloseClipboard();
    GlobalFree(block);
    DeleteObject(bitmap);
}

} // namespace
