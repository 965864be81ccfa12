// The BMP, GIF, PCX, TIF and PNG writers under the real save commands: every kind of source bitmap,
// every format and TIF compression, the progress window, GIFs of deeper pictures reduced to 256
// colours, and saves that cannot be completed. The files go to the saved-files folder, where
// scripts/wine-tests.sh has them decoded by independent decoders after the run and compared with
// the colours listed here.
#include <gtest/gtest.h>

#include <string.h>

#include <algorithm>

#include "bitmap/ImageFileWriters.h"
#include "platform/ClipboardAccess.h"
#include "platform/SafeFileSink.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

struct Source;

class ImageWriterTest : public MainWindowFixture {
  protected:
    // Saves every source in every format through the menu commands and the file dialog.
    void SaveEverySource(const Source* sources, size_t count);
    void TearDown() override {
        SetSafeFileSinkLimit(0);
        MainWindowFixture::TearDown();
    }
};

enum SourceKind {
    SourceIndexed, // CreateBitmap at 1, 4 or 8 bits, with a palette of its own colours
    SourceDisplay, // a bitmap of the display's format, with a 256-colour palette
    SourceDib,     // CF_DIB with its own colour table, converted by the save command
    SourceMemory,  // CreateBitmap at 16, 24 or 32 bits
    SourceSection, // a DIB section at 1, 4 or 8 bits with its own colour table
};

struct Source {
    const char* name;
    SourceKind kind;
    int bits; // 1, 4, 8 (indexed and DIB) or 16, 24, 32 (memory bitmaps)
    int width, height;
};

// What the source puts on the clipboard, as another application would (in *clip). Returns the
// colours the saved file must show, known without asking GDI: a DIB's or section's own table,
// direct colours at 16 bits and more, and for a device bitmap of 1, 4 or 8 bits its indices in the
// default table such a bitmap keeps. On an 8-bit display a display bitmap or a converted DIB holds
// the nearest of the display's own colours, which only the display can tell: then the result is
// empty and `drawn` receives the colours the pixels must lie near.
RgbImage SourceClip(const Source& source, uint32_t seed, ClipSource* clip, RgbImage* drawn) {
    RgbImage known;
    const int display = DisplayBits();
    switch (source.kind) {
    case SourceIndexed: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        *clip = ClipSource::Bitmap(CreateIndexedBitmap(image), CreatePaletteOf(image.colors));
        known = DeviceColorsOf(image);
        break;
    }
    case SourceDisplay: {
        RgbImage colors = RandomRgb(source.width, source.height, seed);
        HPALETTE palette = CreatePaletteOf(RandomColors(256, seed + 1));
        *clip = ClipSource::Bitmap(CreateDisplayBitmap(colors, palette), palette);
        (display > 8 ? known : *drawn) = colors;
        break;
    }
    case SourceDib: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        *clip = ClipSource::Dib(PackedDibOf(image, 1 << source.bits));
        (display > 8 ? known : *drawn) = ColorsOf(image);
        break;
    }
    case SourceSection: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        *clip = ClipSource::Bitmap(CreateSectionBitmap(image), CreatePaletteOf(image.colors));
        known = ColorsOf(image);
        break;
    }
    case SourceMemory: {
        RgbImage colors = RandomRgb(source.width, source.height, seed);
        HBITMAP bitmap = CreateMemoryBitmap(colors, source.bits);
        *clip = ClipSource::Bitmap(bitmap);
        known = colors;
        break;
    }
    }
    // A display or bitmap of 16 bits keeps five bits of each channel.
    bool fiveBits = (source.kind == SourceMemory && source.bits == 16) ||
                    (source.kind != SourceMemory && source.kind != SourceIndexed &&
                     source.kind != SourceSection && display == 16);
    if (fiveBits) {
        for (uint32_t& rgb : known.rgb) {
            rgb = FiveBitColor(rgb);
        }
    }
    return known;
}

// The depth of the bitmap the source puts on the clipboard: its own for indexed, section and
// memory bitmaps, the display's for a display bitmap and for the bitmap the system makes from a
// DIB.
int SourceDepth(const Source& source) {
    return source.kind == SourceDisplay || source.kind == SourceDib ? DisplayBits() : source.bits;
}

struct Format {
    const char* name; // file name part and manifest format
    unsigned command;
    unsigned compressionCommand; // the TIF compression chosen from the menu first, or 0
    const char* compression;     // as the decoder check names it
    const char* extension;
};

const Format formats[] = {
    {"bmp", CmdSaveBmp, 0, "-", "bmp"},
    {"gif", CmdSaveGif, 0, "-", "gif"},
    {"pcx", CmdSavePcx, 0, "-", "pcx"},
    {"tif", CmdSaveTif, CmdTifNone, "none", "tif"},
    {"tif", CmdSaveTif, CmdTifPackBits, "packbits", "tif"},
    {"tif", CmdSaveTif, CmdTifLzw8k, "lzw8k", "tif"},
    {"tif", CmdSaveTif, CmdTifLzw16k, "lzw16k", "tif"},
    {"png", CmdSavePng, 0, "-", "png"},
};

uint32_t U16(const std::vector<uint8_t>& b, size_t at) {
    return at + 2 <= b.size() ? uint32_t(b[at] | b[at + 1] << 8) : 0;
}
uint32_t U32(const std::vector<uint8_t>& b, size_t at) {
    return at + 4 <= b.size() ? U16(b, at) | U16(b, at + 2) << 16 : 0;
}

// The bits per pixel a file's header declares.
int DeclaredDepth(const std::vector<uint8_t>& file, const std::string& format) {
    if (format == "bmp") {
        return int(U16(file, 28));
    }
    if (format == "gif") {
        return file.size() > 10 ? 1 + (file[10] & 7) : 0;
    }
    if (format == "pcx") {
        return file.size() > 65 ? file[3] * file[65] : 0;
    }
    if (format == "png") {
        // IHDR: bit depth at 24, colour type at 25 (2 RGB, 3 palette).
        return file.size() > 25 ? file[24] * (file[25] == 2 ? 3 : 1) : 0;
    }
    // TIF: BitsPerSample (258) times SamplesPerPixel (277) from the first IFD.
    uint32_t ifd = U32(file, 4);
    uint32_t entries = U16(file, ifd);
    int bits = 0, samples = 1;
    for (uint32_t i = 0; i < entries; ++i) {
        size_t entry = ifd + 2 + 12 * i;
        if (U16(file, entry) == 258) {
            bits = U32(file, entry + 4) == 1 ? int(U16(file, entry + 8))
                                             : int(U16(file, U32(file, entry + 8)));
        } else if (U16(file, entry) == 277) {
            samples = int(U16(file, entry + 8));
        }
    }
    return bits * samples;
}

int WrittenDepth(const std::string& format, int depth) {
    if (depth == 16 || (depth == 32 && format != "bmp")) {
        return 24;
    }
    return depth;
}

const char* PaletteKind(int fileDepth, const std::vector<RGBQUAD>& table) {
    if (fileDepth > 8) {
        return "rgb";
    }
    bool bw = table.size() == 2 && table[0].rgbRed == 0 && table[0].rgbGreen == 0 &&
              table[0].rgbBlue == 0 && table[1].rgbRed == 255 && table[1].rgbGreen == 255 &&
              table[1].rgbBlue == 255;
    return bw ? "bw" : "color";
}

// The clipboard bitmap's colours as the writers fetch them, with its depth and colour table.
RgbImage ClipboardAsFetched(int* depth, std::vector<RGBQUAD>* table) {
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&bitmap, &palette);
    *depth = bitmap != nullptr ? BitmapDepth(bitmap) : 0;
    return bitmap != nullptr ? ReadBitmapRgb(bitmap, palette, FetchDepthOf(*depth), nullptr, table)
                             : RgbImage{};
}

bool IsBeep(const FeedbackEvent& event) {
    return event.kind == FeedbackBeep && event.code == 0xFFFFFFFF;
}

// Saves every source in every format through the menu commands and the file dialog.
void ImageWriterTest::SaveEverySource(const Source* sources, size_t count) {
    SavedFiles saved;
    for (size_t s = 0; s < count; ++s) {
        const Source& source = sources[s];
        for (const Format& format : formats) {
            std::string what =
                std::string(source.name) + " as " + format.name + " " + format.compression;
            ClipSource clip;
            RgbImage drawn;
            RgbImage known = SourceClip(source, uint32_t(1234 + 77 * s), &clip, &drawn);
            ASSERT_TRUE(Place(clip)) << what;
            ASSERT_EQ(ViewBitmap, app.view) << what;
            // The save reads the other application's bitmap and palette and leaves both in place.
            HBITMAP placedBitmap = nullptr;
            HPALETTE placedPalette = nullptr;
            ClipboardHandles(&placedBitmap, &placedPalette);
            ASSERT_NE(nullptr, placedBitmap) << what;
            if (format.compressionCommand != 0) {
                Command(format.compressionCommand);
            }
            std::string file = std::string(source.name) + "-" + format.name +
                               (format.compressionCommand != 0 ? "-" : "") +
                               (format.compressionCommand != 0 ? format.compression : "") + "." +
                               format.extension;
            std::string path = saved.PathOf(file);
            DeleteFileA(path.c_str());
            ProgressWatch progress;
            ASSERT_TRUE(ThroughFileDialog(format.command, path)) << what;
            EXPECT_EQ(1, progress.Created()) << what;
            EXPECT_EQ(1, progress.Destroyed()) << what;
            EXPECT_EQ(nullptr, app.progressWindow) << what;
            EXPECT_EQ(nullptr, GetOpenClipboardWindow()) << what;
            HBITMAP savedBitmap = nullptr;
            HPALETTE savedPalette = nullptr;
            ClipboardHandles(&savedBitmap, &savedPalette);
            EXPECT_EQ(placedBitmap, savedBitmap) << what;
            EXPECT_EQ(placedPalette, savedPalette) << what;

            int depth = 0;
            std::vector<RGBQUAD> table;
            RgbImage fetched = ClipboardAsFetched(&depth, &table);
            ASSERT_EQ(source.width, fetched.width) << what;
            // The file's depth follows from the source's known depth.
            ASSERT_EQ(SourceDepth(source), depth) << what;
            // The bitmap shows the known colours, or (8-bit display) colours near the drawn ones.
            ASSERT_TRUE(known.rgb.empty() != drawn.rgb.empty()) << what;
            if (!known.rgb.empty()) {
                EXPECT_EQ("", FirstDifference(fetched, known)) << what;
            } else {
                EXPECT_EQ("", FirstFarColor(fetched, drawn)) << what;
            }
            EXPECT_EQ(0, feedback.count) << what << ": " << feedback.events[0].text;
            std::vector<uint8_t> bytes = ReadFileBytes(path);
            ASSERT_FALSE(bytes.empty()) << what;
            int fileDepth = WrittenDepth(format.name, depth);
            if (std::string(format.name) == "gif" && depth > 8) {
                // 16-, 24- and 32-bit images are reduced to at most 256 colours, near the source;
                // the colour table is as large as the colours need.
                RgbImage source24 = known.rgb.empty() ? fetched : known;
                RgbImage reduced = GifColoursOf(fetched, app.gifDithering != 0);
                EXPECT_LT(RmsDistance(reduced, source24), GifDistanceBound) << what;
                fileDepth = DeclaredDepth(bytes, format.name);
                EXPECT_LE(1, fileDepth) << what;
                std::string notes = std::string("display ") + std::to_string(DisplayBits()) +
                                    ", source " + std::to_string(depth) + "-bit " + source.name +
                                    " reduced";
                EXPECT_TRUE(
                    saved.Add(file, format.name, 8, format.compression, reduced, "color", notes))
                    << what;
                continue;
            }
            if (std::string(format.name) == "png" && fileDepth <= 8) {
                // A palette PNG holds the colours in use, at 1, 4 or 8 bits as their number
                // needs: never deeper than the bitmap.
                EXPECT_EQ(3, bytes[25]) << what;
                EXPECT_GE(fileDepth, DeclaredDepth(bytes, format.name)) << what;
            } else {
                EXPECT_EQ(fileDepth, DeclaredDepth(bytes, format.name)) << what;
            }
            if (std::string(format.name) == "bmp" && fileDepth == 32) {
                // 32-bit rows follow as many (zero) table entries as the palette has.
                HBITMAP bitmap = nullptr;
                HPALETTE palette = nullptr;
                ClipboardHandles(&bitmap, &palette);
                EXPECT_EQ(54 + 4 * PaletteEntries(palette).size(), U32(bytes, 10)) << what;
            }
            std::string notes = std::string("display ") + std::to_string(DisplayBits()) +
                                ", source " + std::to_string(depth) + "-bit " + source.name;
            EXPECT_TRUE(saved.Add(file, format.name, fileDepth, format.compression,
                                  known.rgb.empty() ? fetched : known,
                                  PaletteKind(fileDepth, table), notes))
                << what;
        }
    }
}

TEST_F(ImageWriterTest, EverySourceInEveryFormatThroughTheSaveCommands) {
    const Source sources[] = {
        {"indexed1", SourceIndexed, 1, 61, 37}, {"indexed4", SourceIndexed, 4, 61, 37},
        {"indexed8", SourceIndexed, 8, 61, 37}, {"display", SourceDisplay, 0, 61, 37},
        {"dib8", SourceDib, 8, 45, 29},         {"memory16", SourceMemory, 16, 33, 17},
        {"memory32", SourceMemory, 32, 33, 17}, {"section1", SourceSection, 1, 29, 13},
        {"section4", SourceSection, 4, 29, 13}, {"section8", SourceSection, 8, 29, 13},
    };
    SaveEverySource(sources, sizeof sources / sizeof sources[0]);
}

// Taller than one band of rows (65535 bytes): the writers fetch several bands.
TEST_F(ImageWriterTest, ImagesOfSeveralBands) {
    const Source sources[] = {
        {"bands8", SourceIndexed, 8, 1000, 300},
        {"bands4", SourceIndexed, 4, 999, 301},
        {"bandsdisplay", SourceDisplay, 0, 700, 200},
    };
    SaveEverySource(sources, sizeof sources / sizeof sources[0]);
}

using Writer = int (*)(HBITMAP, HPALETTE);

struct WriterCase {
    const char* name;
    Writer writer;
    unsigned command;
};

const WriterCase writers[] = {
    {"bmp", SaveBmpFile, CmdSaveBmp}, {"gif", SaveGifFile, CmdSaveGif},
    {"pcx", SavePcxFile, CmdSavePcx}, {"tif", SaveTifFile, CmdSaveTif},
    {"png", SavePngFile, CmdSavePng},
};

TEST_F(ImageWriterTest, NoBitmapWritesNothing) {
    std::string folder = FreshTempFolder("writer-null");
    for (const WriterCase& writer : writers) {
        strcpy(app.chosenFileName, (folder + "\\null." + writer.name).c_str());
        ResetFeedback();
        ProgressWatch progress;
        EXPECT_EQ(0, writer.writer(nullptr, nullptr)) << writer.name;
        EXPECT_FALSE(FileExists(app.chosenFileName)) << writer.name;
        EXPECT_EQ(0, feedback.count) << writer.name;
        EXPECT_EQ(0, progress.Created()) << writer.name;
    }
}

// A GIF of a 16-, 24- or 32-bit image is written like one of 8 bits: no message, the progress
// window shown and gone, and the clipboard left open for the caller to close. A picture of at
// most 256 colours keeps every colour, with a table of 2^n entries for its colours.
TEST_F(ImageWriterTest, GifOfDirectColourIsWrittenLikeAnyOther) {
    SavedFiles saved;
    RgbImage few = RandomRgb(9, 7, 3);
    for (int bits : {16, 24, 32}) {
        std::string what = std::to_string(bits) + " bits";
        HBITMAP bitmap = CreateMemoryBitmap(few, bits);
        ASSERT_EQ(bits, BitmapDepth(bitmap));
        std::string file =
            "direct-" + std::to_string(bits) + "-" + std::to_string(DisplayBits()) + ".gif";
        strcpy(app.chosenFileName, saved.PathOf(file).c_str());
        DeleteFileA(app.chosenFileName);
        ASSERT_TRUE(OpenClipboardRetry(app.mainWindow));
        ResetFeedback();
        ProgressWatch progress;
        EXPECT_EQ(1, SaveGifFile(bitmap, nullptr)) << what;
        EXPECT_EQ(app.mainWindow, GetOpenClipboardWindow()) << what;
        CloseClipboard();
        EXPECT_EQ(0, feedback.count) << what;
        EXPECT_EQ(1, progress.Created()) << what;
        EXPECT_EQ(1, progress.Destroyed()) << what;
        RgbImage fetched = ReadBitmapRgb(bitmap, nullptr, 24);
        std::vector<uint32_t> colours = fetched.rgb;
        std::sort(colours.begin(), colours.end());
        colours.erase(std::unique(colours.begin(), colours.end()), colours.end());
        std::vector<uint8_t> bytes = ReadFileBytes(app.chosenFileName);
        int tableBits = 1;
        while ((size_t(1) << tableBits) < colours.size()) {
            ++tableBits;
        }
        EXPECT_EQ(tableBits, DeclaredDepth(bytes, "gif")) << what;
        EXPECT_TRUE(saved.Add(file, "gif", 8, "-", fetched, "color",
                              what + " bitmap of at most 256 colours: exact"))
            << what;
        DeleteObject(bitmap);
    }
}

// Options > GIF dithering toggles its check mark and the writer's error diffusion: a gradient of
// more than 256 colours saves to another file, both near the source.
TEST_F(ImageWriterTest, GifDitheringItemTogglesAndChangesTheFile) {
    SavedFiles saved;
    RgbImage gradient;
    gradient.width = 96;
    gradient.height = 64;
    for (int y = 0; y < gradient.height; ++y) {
        for (int x = 0; x < gradient.width; ++x) {
            gradient.rgb.push_back(uint32_t(x * 255 / 95) << 16 | uint32_t(y * 4) << 8 |
                                   uint32_t(255 - x * 2));
        }
    }
    HBITMAP bitmap = CreateMemoryBitmap(gradient, 32);
    RgbImage fetched = ReadBitmapRgb(bitmap, nullptr, 24);
    std::vector<uint8_t> files[2];
    HMENU menu = GetMenu(app.mainWindow);
    for (int dither = 0; dither < 2; ++dither) {
        std::string what = dither ? "dithered" : "plain";
        if (dither) {
            Command(CmdGifDithering);
        }
        EXPECT_EQ(dither, app.gifDithering);
        EXPECT_EQ(dither != 0,
                  (GetMenuState(menu, CmdGifDithering, MF_BYCOMMAND) & MF_CHECKED) != 0);
        std::string file = "gradient-" + what + "-" + std::to_string(DisplayBits()) + ".gif";
        strcpy(app.chosenFileName, saved.PathOf(file).c_str());
        DeleteFileA(app.chosenFileName);
        RecordFeedback(&feedback);
        EXPECT_EQ(1, SaveGifFile(bitmap, nullptr)) << what;
        EXPECT_EQ(0, feedback.count) << what;
        files[dither] = ReadFileBytes(app.chosenFileName);
        EXPECT_EQ(8, DeclaredDepth(files[dither], "gif")) << what;
        RgbImage reduced = GifColoursOf(fetched, dither != 0);
        EXPECT_LT(RmsDistance(reduced, fetched), GifDistanceBound / 2) << what;
        EXPECT_TRUE(saved.Add(file, "gif", 8, "-", reduced, "color", "gradient " + what)) << what;
    }
    EXPECT_NE(files[0], files[1]);
    Command(CmdGifDithering);
    EXPECT_EQ(0, app.gifDithering);
    EXPECT_EQ(0u, GetMenuState(menu, CmdGifDithering, MF_BYCOMMAND) & MF_CHECKED);
    DeleteObject(bitmap);
}

// The files of a folder.
std::vector<std::string> FilesIn(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                names.push_back(found.cFileName);
            }
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    return names;
}

enum Failure {
    FailReadOnlyTarget, // the existing file is read-only: it cannot be replaced
    FailDiskFull,       // the disk fills up after a few hundred bytes
    FailDiskFullAtOnce, // no room at all
    FailNoFolder,       // the folder does not exist
};

// A save that cannot be completed says so in an "ERROR" box, returns a failure and leaves an
// existing file of that name exactly as it was, with no temporary file left beside it.
TEST_F(ImageWriterTest, ASaveThatCannotCompleteLeavesTheOldFile) {
    const struct {
        const char* what;
        Failure failure;
    } failures[] = {
        {"read-only target", FailReadOnlyTarget},
        {"disk full midway", FailDiskFull},
        {"disk full at once", FailDiskFullAtOnce},
        {"missing folder", FailNoFolder},
    };
    // An 8-bit image of 200 x 100: every format needs more than 300 bytes for it.
    IndexedImage image = RandomIndexed(200, 100, 8, 99);
    HBITMAP bitmap = CreateIndexedBitmap(image);
    HPALETTE palette = CreatePaletteOf(image.colors);
    const std::vector<uint8_t> old = {'o', 'l', 'd', ' ', 'f', 'i', 'l', 'e', 0, 1, 2, 3};
    for (const auto& failure : failures) {
        for (const WriterCase& writer : writers) {
            std::string what = std::string(failure.what) + ", " + writer.name;
            std::string folder = FreshTempFolder("writer-fail");
            std::string target = folder + "\\old." + writer.name;
            if (failure.failure == FailNoFolder) {
                target = folder + "\\missing\\new." + writer.name;
            } else {
                ASSERT_TRUE(WriteFileBytes(target, old));
            }
            if (failure.failure == FailReadOnlyTarget) {
                SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_READONLY);
            }
            SetSafeFileSinkLimit(failure.failure == FailDiskFull         ? 300
                                 : failure.failure == FailDiskFullAtOnce ? 1
                                                                         : 0);
            strcpy(app.chosenFileName, target.c_str());
            ResetFeedback();
            ProgressWatch progress;
            int result = writer.writer(bitmap, palette);
            SetSafeFileSinkLimit(0);
            EXPECT_GE(result, 4) << what;
            ASSERT_EQ(1, feedback.count) << what;
            EXPECT_EQ(FeedbackBox, feedback.events[0].kind) << what;
            EXPECT_STREQ("ERROR", feedback.events[0].title) << what;
            EXPECT_NE(nullptr, strstr(feedback.events[0].text, target.c_str())) << what;
            EXPECT_EQ(1, progress.Created()) << what;
            EXPECT_EQ(1, progress.Destroyed()) << what;
            if (failure.failure == FailNoFolder) {
                EXPECT_FALSE(FileExists(target)) << what;
                EXPECT_TRUE(FilesIn(folder).empty()) << what;
            } else {
                EXPECT_EQ(old, ReadFileBytes(target)) << what;
                std::vector<std::string> left = FilesIn(folder);
                EXPECT_EQ(1u, left.size()) << what << ": " << (left.empty() ? "" : left[0]);
                SetFileAttributesA(target.c_str(), FILE_ATTRIBUTE_NORMAL);
            }
        }
    }
    DeleteObject(bitmap);
    DeleteObject(palette);
}

// Through the commands: the PCX and TIF saves beep after the writer's box; BMP and GIF saves
// leave it at the box.
TEST_F(ImageWriterTest, FailedSaveCommandsBeepForPcxAndTif) {
    IndexedImage image = RandomIndexed(40, 30, 8, 7);
    ASSERT_TRUE(
        Place(ClipSource::Bitmap(CreateIndexedBitmap(image), CreatePaletteOf(image.colors))));
    ASSERT_EQ(ViewBitmap, app.view);
    const std::vector<uint8_t> old = {'k', 'e', 'e', 'p'};
    for (const WriterCase& writer : writers) {
        std::string folder = FreshTempFolder("writer-command-fail");
        std::string target = folder + "\\old." + writer.name;
        ASSERT_TRUE(WriteFileBytes(target, old));
        SetSafeFileSinkLimit(100);
        ASSERT_TRUE(ThroughFileDialog(writer.command, target)) << writer.name;
        SetSafeFileSinkLimit(0);
        bool beeps = writer.command == CmdSavePcx || writer.command == CmdSaveTif;
        ASSERT_EQ(beeps ? 2 : 1, feedback.count) << writer.name;
        EXPECT_STREQ("ERROR", feedback.events[0].title) << writer.name;
        if (beeps) {
            EXPECT_TRUE(IsBeep(feedback.events[1])) << writer.name;
        }
        EXPECT_EQ(old, ReadFileBytes(target)) << writer.name;
        EXPECT_EQ(1u, FilesIn(folder).size()) << writer.name;
    }
}

// Saving over an existing file replaces it entirely, however long it was.
TEST_F(ImageWriterTest, ASaveReplacesALongerFile) {
    IndexedImage image = RandomIndexed(3, 2, 8, 5);
    HBITMAP bitmap = CreateIndexedBitmap(image);
    std::string folder = FreshTempFolder("writer-replace");
    std::string target = folder + "\\long.bmp";
    ASSERT_TRUE(WriteFileBytes(target, std::vector<uint8_t>(100000, 0xAB)));
    strcpy(app.chosenFileName, target.c_str());
    ResetFeedback();
    EXPECT_EQ(1, SaveBmpFile(bitmap, nullptr));
    // 54 + 1024 bytes of headers and table, two rows of 4 bytes.
    std::vector<uint8_t> bytes = ReadFileBytes(target);
    EXPECT_EQ(1086u, bytes.size());
    EXPECT_EQ(1086u, U32(bytes, 2));
    EXPECT_EQ(1078u, U32(bytes, 10));
    EXPECT_EQ(0, feedback.count);
    DeleteObject(bitmap);
}

} // namespace
