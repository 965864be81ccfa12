// Rectangle capture: a rectangle marked with the mouse (or typed) cut out of the clipboard's
// bitmap to the clipboard and to the image file formats. The expected pixels come from the
// source pictures themselves (pure colours every depth shows exactly, or the source bitmap read
// before the capture), cut at the rectangle's image position, black past the image's edges.
#include <gtest/gtest.h>

#include <string.h>

#include "platform/ClipboardAccess.h"
#include "platform/SafeFileSink.h"
#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/SelectionTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class RectangleCaptureTest : public MainWindowFixture {
  protected:
    void TearDown() override {
        SetSafeFileSinkLimit(0);
        MainWindowFixture::TearDown();
    }
};

// The colour squares cut at `area` (image pixels), black past the picture's width x height.
RgbImage SquaresCut(const RECT& area, int width, int height) {
    RgbImage cut;
    cut.width = area.right - area.left;
    cut.height = area.bottom - area.top;
    for (int y = area.top; y < area.bottom; ++y) {
        for (int x = area.left; x < area.right; ++x) {
            COLORREF c = x < width && y < height ? ColourSquareAt(x, y) : RGB(0, 0, 0);
            cut.rgb.push_back(uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 |
                              GetBValue(c));
        }
    }
    return cut;
}

// The clipboard's CF_DIB or CF_DIBV5 drawn by the platform into a 32-bit bitmap.
RgbImage ClipboardDibRgb(UINT format) {
    RgbImage image;
    if (!OpenClipboardRetry(OtherAppWindow())) {
        return image;
    }
    HANDLE data = GetClipboardData(format);
    const auto* header = data != nullptr ? static_cast<const BYTE*>(GlobalLock(data)) : nullptr;
    if (header != nullptr) {
        const auto* info = reinterpret_cast<const BITMAPINFOHEADER*>(header);
        int width = info->biWidth;
        int height = info->biHeight < 0 ? -info->biHeight : info->biHeight;
        size_t colours = info->biClrUsed != 0    ? info->biClrUsed
                         : info->biBitCount <= 8 ? size_t(1) << info->biBitCount
                                                 : 0;
        size_t masks =
            info->biSize == sizeof(BITMAPINFOHEADER) && info->biCompression == BI_BITFIELDS ? 12
                                                                                            : 0;
        const BYTE* bits = header + info->biSize + masks + 4 * colours;
        ClientPixels drawn = DrawnPixels(width, height, [&](HDC dc) {
            StretchDIBits(dc, 0, 0, width, height, 0, 0, width, height, bits,
                          reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS, SRCCOPY);
        });
        image.width = drawn.width;
        image.height = drawn.height;
        image.rgb = drawn.rgb;
        GlobalUnlock(data);
    }
    CloseClipboard();
    return image;
}

bool Has(const std::vector<UINT>& formats, UINT format) {
    for (UINT f : formats) {
        if (f == format) {
            return true;
        }
    }
    return false;
}

// ---- To the clipboard ----

// With the view scrolled, the rectangle is cut at its image position; every image format on the
// clipboard gives the cut-out afterwards, the stale CF_DIB of the other program included.
TEST_F(RectangleCaptureTest, TheCutOutReplacesEveryImageFormat) {
    const int width = client.right + 320;
    const int height = client.bottom + 128;
    IndexedImage stale = RandomIndexed(64, 64, 8, 3);
    // The other program leaves a CF_DIB of a different picture beside its bitmap.
    std::vector<uint8_t> packed = PackedDibOf(stale, 256);
    ASSERT_TRUE(Place({{{CF_BITMAP, ColourSquaresBitmap(width, height)},
                        {CF_DIB, GlobalBytes(packed.data(), packed.size())},
                        {CF_TEXT, GlobalBytes("words", 6)}}}));
    Command(CmdShowBitmap);
    ASSERT_EQ(ViewBitmap, app.view);
    SendMessageA(app.mainWindow, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
    SendMessageA(app.mainWindow, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 1), 0);
    ASSERT_EQ(40, app.viewOffsetX);
    ASSERT_EQ(16, app.viewOffsetY);
    DragMouse(app.mainWindow, {{10, 10}, {110, 60}});
    ASSERT_EQ(1, app.rectShown);
    Command(CmdCaptureRect);

    RgbImage expected = SquaresCut({50, 26, 150, 76}, width, height);
    int depth = 0;
    RgbImage cut = ClipboardRgb(&depth);
    EXPECT_EQ(DisplayBits(), depth);
    ASSERT_EQ(100, cut.width);
    ASSERT_EQ(50, cut.height);
    EXPECT_EQ("", FirstDifference(cut, expected));
    std::vector<UINT> formats = ClipboardFormats();
    EXPECT_TRUE(Has(formats, CF_DIB)) << FormatList(formats);
    EXPECT_FALSE(Has(formats, CF_PALETTE)) << "no palette was on the clipboard";
    for (UINT format : {UINT(CF_DIB), UINT(CF_DIBV5)}) {
        if (Has(formats, format)) {
            EXPECT_EQ("", FirstDifference(ClipboardDibRgb(format), expected)) << format;
        }
    }
    // The band is gone, the title is back and the view shows the cut-out.
    EXPECT_EQ(0, app.rectShown);
    EXPECT_EQ("Palorin", Title());
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ("", BandFault(app.mainWindow, nullptr));
    ClientPixels shown = ScreenClientPixels(app.mainWindow);
    EXPECT_TRUE(
        ShownAs(shown.At(150, 100), RGB(192, 192, 192))); // background beside the small image
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
    EXPECT_EQ(0, feedback.count);
}

// Past the right and bottom edges the cut-out is black; right to left is the same rectangle.
TEST_F(RectangleCaptureTest, PastTheEdgesBlackAndEitherDirectionTheSame) {
    const struct {
        const char* what;
        POINT from, to;
    } drags[] = {
        {"left to right", {150, 100}, {260, 190}},
        {"right to left", {260, 100}, {150, 190}},
    };
    RgbImage expected = SquaresCut({150, 100, 260, 190}, 200, 150);
    for (const auto& drag : drags) {
        ASSERT_TRUE(Place(ClipSource::Bitmap(ColourSquaresBitmap(200, 150))));
        DragMouse(app.mainWindow, {drag.from, drag.to});
        ASSERT_EQ(1, app.rectShown) << drag.what;
        Command(CmdCaptureRect);
        RgbImage cut = ClipboardRgb();
        EXPECT_EQ(110, cut.width) << drag.what;
        EXPECT_EQ(90, cut.height) << drag.what;
        EXPECT_EQ("", FirstDifference(cut, expected)) << drag.what;
        EXPECT_EQ(0, app.rectShown) << drag.what;
        EXPECT_EQ("", BandFault(app.mainWindow, nullptr)) << drag.what;
    }
}

// An 8-bit bitmap keeps its palette indices, and the clipboard keeps a copy of its palette.
TEST_F(RectangleCaptureTest, PaletteIndicesAreCopiedUnchanged) {
    IndexedImage image = RandomIndexed(300, 200, 8, 21);
    ASSERT_TRUE(
        Place(ClipSource::Bitmap(CreateIndexedBitmap(image), CreatePaletteOf(image.colors))));
    // The indices as the clipboard holds them.
    HBITMAP source = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&source, &palette);
    ASSERT_NE(nullptr, source);
    std::vector<uint8_t> before;
    ReadBitmapRgb(source, palette, 8, &before);
    DragMouse(app.mainWindow, {{30, 40}, {130, 90}});
    Command(CmdCaptureRect);
    HBITMAP bitmap = nullptr;
    HPALETTE kept = nullptr;
    ClipboardHandles(&bitmap, &kept);
    ASSERT_NE(nullptr, bitmap);
    ASSERT_NE(nullptr, kept);
    EXPECT_EQ(8, BitmapDepth(bitmap));
    std::vector<uint8_t> after;
    ReadBitmapRgb(bitmap, kept, 8, &after);
    ASSERT_EQ(size_t(100 * 50), after.size());
    int differing = 0;
    for (int y = 0; y < 50; ++y) {
        for (int x = 0; x < 100; ++x) {
            differing +=
                after[size_t(y) * 100 + size_t(x)] != before[size_t(y + 40) * 300 + size_t(x + 30)];
        }
    }
    EXPECT_EQ(0, differing);
    std::vector<PALETTEENTRY> entries = PaletteEntries(kept);
    ASSERT_EQ(image.colors.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(image.colors[i].rgbRed, entries[i].peRed) << i;
        EXPECT_EQ(image.colors[i].rgbGreen, entries[i].peGreen) << i;
        EXPECT_EQ(image.colors[i].rgbBlue, entries[i].peBlue) << i;
    }
}

// A clipboard that holds only CF_DIB is converted first.
TEST_F(RectangleCaptureTest, ALoneDibIsConvertedFirst) {
    IndexedImage squares;
    squares.width = 96;
    squares.height = 64;
    squares.bitCount = 8;
    squares.colors.assign(256, RGBQUAD{0, 0, 0, 0});
    for (int i = 0; i < 8; ++i) {
        COLORREF c = ColourSquareAt(16 * i, 0);
        squares.colors[size_t(i)] = RGBQUAD{GetBValue(c), GetGValue(c), GetRValue(c), 0};
    }
    for (int y = 0; y < squares.height; ++y) {
        for (int x = 0; x < squares.width; ++x) {
            squares.indices.push_back(uint8_t((x / 16 + y / 16) % 8));
        }
    }
    ASSERT_TRUE(Place(ClipSource::Dib(PackedDibOf(squares, 256))));
    ASSERT_EQ(ViewBitmap, app.view);
    DragMouse(app.mainWindow, {{20, 10}, {80, 50}});
    Command(CmdCaptureRect);
    RgbImage cut = ClipboardRgb();
    EXPECT_EQ("", FirstDifference(cut, SquaresCut({20, 10, 80, 50}, 96, 64)));
    EXPECT_EQ(0, app.rectShown);
}

// ---- Rectangles that cannot be cut out ----

TEST_F(RectangleCaptureTest, RectanglesThatCannotBeMadeAreRefused) {
    ASSERT_TRUE(Place(ClipSource::Bitmap(ColourSquaresBitmap(300, 200))));
    std::string folder = FreshTempFolder("capture-refused");
    // Dragged straight down: no width.
    DragMouse(app.mainWindow, {{100, 50}, {100, 120}});
    ASSERT_EQ(1, app.rectShown);
    std::string caption = Title();
    ResetFeedback();
    Command(CmdCaptureRect);
    EXPECT_EQ(1, feedback.count);
    EXPECT_EQ(1, Beeps());
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(caption, Title());
    RgbImage whole = ClipboardRgb();
    EXPECT_EQ(300, whole.width);
    // The same rectangle saved: one beep, no file.
    std::string path = folder + "\\nothing.pcx";
    ASSERT_TRUE(ThroughFileDialog(CmdSavePcx, path));
    EXPECT_EQ(1, feedback.count);
    EXPECT_EQ(1, Beeps());
    EXPECT_FALSE(FileExists(path));

    // Typed too large for a bitmap.
    DialogRun typed = CommandWithDialog(CmdEnterCoordinates, "Rectangle Coordinates",
                                        {{DialogAction::Type, RectLeft, "0"},
                                         {DialogAction::Type, RectTop, "0"},
                                         {DialogAction::Type, RectRight, "100000"},
                                         {DialogAction::Type, RectBottom, "100000"},
                                         {DialogAction::Press, RectOk, ""}});
    ASSERT_TRUE(typed.finished);
    ASSERT_EQ(100000, app.rectImage.right);
    ResetFeedback();
    Command(CmdCaptureRect);
    EXPECT_EQ(1, Beeps());
    EXPECT_EQ(1, app.rectShown);
    whole = ClipboardRgb();
    EXPECT_EQ(300, whole.width);
    EXPECT_EQ(200, whole.height);
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
}

// ---- To files and the printer ----

struct SaveFormat {
    const char* name;
    unsigned command;
    unsigned compressionCommand;
    const char* compression;
};
const SaveFormat saveFormats[] = {
    {"bmp", CmdSaveBmp, 0, "-"},
    {"gif", CmdSaveGif, 0, "-"},
    {"pcx", CmdSavePcx, 0, "-"},
    {"tif", CmdSaveTif, CmdTifLzw8k, "lzw8k"},
    {"tif", CmdSaveTif, CmdTifPackBits, "packbits"},
    {"png", CmdSavePng, 0, "-"},
};

// Each format holds the cut-out's pixels, as independent decoders read them after the run. A
// rectangle dragged right to left is saved like the one dragged left to right, its band redrawn
// at the normalised place; the rectangle stays marked after a save.
TEST_F(RectangleCaptureTest, EachFileFormatHoldsTheCutOut) {
    SavedFiles saved;
    const int display = DisplayBits();
    // An 8-bit bitmap with its palette (every format takes it), the display's own format, and a
    // 32-bit capture of a gradient of more than 256 colours.
    IndexedImage indexed = RandomIndexed(300, 200, 8, 31);
    RgbImage gradient;
    gradient.width = 300;
    gradient.height = 200;
    for (int y = 0; y < 200; ++y) {
        for (int x = 0; x < 300; ++x) {
            gradient.rgb.push_back(uint32_t(x * 255 / 299) << 16 | uint32_t(y * 255 / 199) << 8 |
                                   uint32_t((x + y) / 2));
        }
    }
    for (int source = 0; source < 3; ++source) {
        bool eightBit = source == 0;
        bool deep = source == 2;
        HBITMAP bitmap = eightBit ? CreateIndexedBitmap(indexed)
                         : deep   ? CreateMemoryBitmap(gradient, 32)
                                  : ColourSquaresBitmap(300, 200);
        HPALETTE palette = eightBit ? CreatePaletteOf(indexed.colors) : nullptr;
        ASSERT_TRUE(Place(ClipSource::Bitmap(bitmap, palette)));
        // The colours as the clipboard's bitmap gives them to the writers.
        RgbImage whole = ClipboardRgb();
        RECT area = {220, 120, 330, 230}; // past the right and bottom edges
        RgbImage expected = eightBit || deep ? Cut(whole, area) : SquaresCut(area, 300, 200);
        for (const SaveFormat& format : saveFormats) {
            int depth = eightBit ? 8 : deep ? 32 : display;
            int fileDepth = depth <= 8                                       ? 8
                            : depth == 32 && strcmp(format.name, "bmp") == 0 ? 32
                                                                             : 24;
            // GIF reduces a deeper picture: the squares have few colours and keep them exactly,
            // the gradient's cut-out comes near its colours.
            RgbImage listed = expected;
            if (strcmp(format.name, "gif") == 0) {
                fileDepth = 8;
                if (deep) {
                    listed = GifColoursOf(expected, false);
                    EXPECT_LT(RmsDistance(listed, expected), GifDistanceBound / 2);
                }
            }
            const char* sourceName = eightBit ? "8bit-" : deep ? "gradient32-" : "display-";
            std::string what = sourceName + std::string(format.name) + " " + format.compression;
            if (format.compressionCommand != 0) {
                Command(format.compressionCommand);
            }
            // Marked right to left.
            DragMouse(app.mainWindow, {{330, 120}, {220, 230}});
            ASSERT_EQ(1, app.rectShown) << what;
            std::string file = std::string("rect-") + sourceName + format.name + "-" +
                               format.compression + "." + format.name;
            std::string path = saved.PathOf(file);
            DeleteFileA(path.c_str());
            ASSERT_TRUE(ThroughFileDialog(format.command, path)) << what;
            EXPECT_EQ(0, feedback.count) << what << ": " << feedback.events[0].text;
            EXPECT_EQ(1, app.rectShown) << what;
            EXPECT_EQ(220, app.rectClient.left) << what;
            EXPECT_EQ(330, app.rectClient.right) << what;
            RECT band = {220, 120, 330, 230};
            if (!deep || display > 8) {
                // An 8-bit display shows the gradient through its own palette, and the view
                // painted for comparison maps its near-black colours differently.
                EXPECT_EQ("", BandFault(app.mainWindow, &band)) << what;
            }
            ASSERT_TRUE(FileExists(path)) << what;
            std::string notes = "rectangle 110 x 110 past the edges of 300 x 200, display " +
                                std::to_string(display);
            EXPECT_TRUE(saved.Add(file, format.name, fileDepth, format.compression, listed,
                                  fileDepth <= 8 ? "color" : "rgb", notes))
                << what;
        }
        // The clipboard still holds the whole picture.
        RgbImage after = ClipboardRgb();
        EXPECT_EQ(300, after.width) << source;
    }
}

// A save of a rectangle that cannot be completed is reported as a save of the whole image is:
// the writer's box, and a beep after it for PCX and TIF (BMP, GIF and PNG only show the box);
// the old file stays.
TEST_F(RectangleCaptureTest, AFailedSaveIsReported) {
    IndexedImage image = RandomIndexed(120, 90, 8, 41);
    ASSERT_TRUE(
        Place(ClipSource::Bitmap(CreateIndexedBitmap(image), CreatePaletteOf(image.colors))));
    DragMouse(app.mainWindow, {{5, 5}, {105, 85}});
    const std::vector<uint8_t> old = {'k', 'e', 'e', 'p'};
    for (const SaveFormat& format : saveFormats) {
        std::string folder = FreshTempFolder("capture-fail");
        std::string target = folder + "\\old." + format.name;
        ASSERT_TRUE(WriteFileBytes(target, old));
        SetSafeFileSinkLimit(100);
        ASSERT_TRUE(ThroughFileDialog(format.command, target)) << format.name;
        SetSafeFileSinkLimit(0);
        bool beeps = format.command == CmdSavePcx || format.command == CmdSaveTif;
        ASSERT_EQ(beeps ? 2 : 1, feedback.count) << format.name;
        EXPECT_STREQ("ERROR", feedback.events[0].title) << format.name;
        EXPECT_EQ(beeps ? 1 : 0, Beeps()) << format.name;
        EXPECT_EQ(old, ReadFileBytes(target)) << format.name;
        EXPECT_EQ(1, app.rectShown) << format.name;
    }
}

} // namespace
