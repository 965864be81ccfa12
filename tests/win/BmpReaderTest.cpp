// Reading BMP files onto the clipboard: files written by other programs through the Open BMP
// command, the DOS capture mode that mirrors the image, malformed files that must only ever be
// refused, and large images saved and read back.
//
// The input files come from tests/win/make_bmp_inputs.py (Pillow and ImageMagick), which
// scripts/wine-tests.sh runs into the folder named by KOVEL_BMP_INPUTS before the Wine run.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "bitmap/BmpFile.h"
#include "bitmap/ImageFileWriters.h"
#include "platform/ClipboardAccess.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

using BmpReaderTest = MainWindowFixture;

struct InputFile {
    std::string name;
    std::string writer;
    int bits = 0;
    int width = 0, height = 0;
    int tableEntries = 0;
    std::string path;
    RgbImage colors; // what the file holds
};

std::vector<InputFile> ReadInputs() {
    std::vector<InputFile> inputs;
    std::string folder = FolderFromEnvironment("KOVEL_BMP_INPUTS");
    if (folder.empty()) {
        return inputs;
    }
    FILE* listing = fopen((folder + "\\inputs.tsv").c_str(), "rb");
    if (listing == nullptr) {
        return inputs;
    }
    char name[128], writer[32];
    InputFile input;
    while (fscanf(listing, "%127s %31s %d %d %d %d", name, writer, &input.bits, &input.width,
                  &input.height, &input.tableEntries) == 6) {
        input.name = name;
        input.writer = writer;
        input.path = folder + "\\" + name + ".bmp";
        input.colors = ReadPpm(folder + "\\" + name + ".ppm");
        inputs.push_back(input);
    }
    fclose(listing);
    return inputs;
}

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

using Writer = int (*)(HBITMAP, HPALETTE);

TEST_F(BmpReaderTest, OpenBmpShowsThePixelsOfFilesFromOtherWriters) {
    std::vector<InputFile> inputs = ReadInputs();
    ASSERT_FALSE(inputs.empty()) << "no input files: run tests/win/make_bmp_inputs.py into the "
                                    "folder named by KOVEL_BMP_INPUTS (scripts/wine-tests.sh)";
    for (const InputFile& input : inputs) {
        ASSERT_EQ(input.width, input.colors.width) << input.name;
        ASSERT_TRUE(EmptyClipboardAs(other));
        ProgressWatch progress;
        ASSERT_TRUE(ThroughFileDialog(CmdOpenBmp, input.path)) << input.name;
        EXPECT_EQ(0, feedback.count) << input.name << ": " << feedback.events[0].text;
        EXPECT_EQ(1, progress.Created()) << input.name;
        EXPECT_EQ(1, progress.Destroyed()) << input.name;
        EXPECT_EQ(ScreenClipboard, app.screen) << input.name;
        EXPECT_EQ(ViewBitmap, app.view) << input.name;
        int depth = 0;
        RgbImage shown = ClipboardRgb(&depth);
        EXPECT_EQ(DisplayBits(), depth) << input.name;
        EXPECT_EQ("", CompareOnDisplay(shown, input.colors)) << input.name;
        // The image arrives in the display's format, with a palette only when that has one.
        HBITMAP bitmap = nullptr;
        HPALETTE palette = nullptr;
        ClipboardHandles(&bitmap, &palette);
        EXPECT_EQ(DisplayBits() <= 8, palette != nullptr) << input.name;
    }
}

// The same file in DOS capture mode ends on the clipboard upside down compared with Open BMP.
TEST_F(BmpReaderTest, ADosCaptureEndsUpsideDown) {
    std::vector<InputFile> inputs = ReadInputs();
    ASSERT_FALSE(inputs.empty());
    for (const InputFile& input : inputs) {
        RgbImage shown[2];
        for (int mode : {BmpLoadOpen, BmpLoadDosCapture}) {
            ASSERT_TRUE(EmptyClipboardAs(other));
            ASSERT_EQ(1, LoadBmpFile(OpenForReading(input.path), mode)) << input.name;
            PumpMessages();
            shown[mode] = ClipboardRgb();
            EXPECT_EQ(ViewBitmap, app.view) << input.name;
        }
        EXPECT_EQ("", CompareOnDisplay(shown[BmpLoadDosCapture], UpsideDown(input.colors)))
            << input.name;
        EXPECT_EQ("", FirstDifference(shown[BmpLoadDosCapture], UpsideDown(shown[BmpLoadOpen])))
            << input.name;
    }
}

// ---- Malformed files ----

void PutU16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = uint8_t(v);
    b[at + 1] = uint8_t(v >> 8);
}
void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    PutU16(b, at, v & 0xFFFF);
    PutU16(b, at + 2, v >> 16);
}

// A valid 8-bit BMP of 7 x 5 pixels with a full table: 54 + 1024 + 5 x 8 bytes.
std::vector<uint8_t> ValidBmp() {
    std::vector<uint8_t> b(54 + 1024 + 40, 0);
    b[0] = 'B';
    b[1] = 'M';
    PutU32(b, 2, uint32_t(b.size()));
    PutU32(b, 10, 54 + 1024);
    PutU32(b, 14, 40);
    PutU32(b, 18, 7);
    PutU32(b, 22, 5);
    PutU16(b, 26, 1);
    PutU16(b, 28, 8);
    PutU32(b, 34, 40);
    for (size_t i = 54; i < b.size(); ++i) {
        b[i] = uint8_t(i * 13);
    }
    return b;
}

struct Malformed {
    const char* what;
    size_t at; // where the change goes (ignored for truncations)
    int width; // 2 or 4 bytes changed, or 0 to cut the file at `at`
    uint32_t value;
};

const Malformed malformedFiles[] = {
    {"empty file", 0, 0, 0},
    {"one byte", 1, 0, 0},
    {"signature only", 2, 0, 0},
    {"file header only", 14, 0, 0},
    {"information header cut", 40, 0, 0},
    {"colour table cut", 300, 0, 0},
    {"rows cut", 54 + 1024 + 20, 0, 0},
    {"not BM", 0, 2, 0x4142},
    {"lower-case bm", 0, 2, 0x6D62},
    {"zero width", 18, 4, 0},
    {"zero height", 22, 4, 0},
    {"negative width", 18, 4, 0xFFFFFFF9},
    {"top-down rows", 22, 4, 0xFFFFFFFB},
    {"huge width", 18, 4, 0x7FFFFFFF},
    {"huge height", 22, 4, 0x7FFFFFFF},
    {"width past 16 bits", 18, 4, 65536},
    {"height past 16 bits", 22, 4, 0x10005},
    {"bit count 0", 28, 2, 0},
    {"bit count 2", 28, 2, 2},
    {"bit count 3", 28, 2, 3},
    {"bit count 64", 28, 2, 64},
    {"bit count 65535", 28, 2, 65535},
    {"two planes", 26, 2, 2},
    {"no planes", 26, 2, 0},
    {"core header size", 14, 4, 12},
    {"header size 0", 14, 4, 0},
    {"header size huge", 14, 4, 0xFFFFFFF0},
    {"run-length rows", 30, 4, 1},
    {"bit-field rows", 30, 4, 3},
    {"unknown compression", 30, 4, 0x12345678},
    {"offset 0", 10, 4, 0},
    {"offset inside the header", 10, 4, 20},
    {"offset inside the table", 10, 4, 54 + 400},
    {"offset past the end", 10, 4, 54 + 1024 + 41},
    {"offset huge", 10, 4, 0xFFFFFFF0},
    {"used colours say 2 but the rows start at 54", 46, 4, 2},
};

std::vector<uint8_t> MakeMalformed(const Malformed& m) {
    std::vector<uint8_t> b = ValidBmp();
    if (m.width == 0) {
        b.resize(m.at);
    } else if (m.width == 2) {
        PutU16(b, m.at, m.value);
    } else {
        PutU32(b, m.at, m.value);
    }
    if (strstr(m.what, "used colours") != nullptr) {
        PutU32(b, 10, 54);
    }
    return b;
}

TEST_F(BmpReaderTest, MalformedFilesAreOnlyEverRefused) {
    std::string folder = FreshTempFolder("bmp-malformed");
    // The valid file itself is read: the changes below are what makes each one bad.
    std::string valid = folder + "\\valid.bmp";
    ASSERT_TRUE(WriteFileBytes(valid, ValidBmp()));
    ASSERT_EQ(1, LoadBmpFile(OpenForReading(valid), BmpLoadOpen));
    PumpMessages();
    ASSERT_EQ(7, ClipboardRgb().width);

    for (const Malformed& m : malformedFiles) {
        std::string path = folder + "\\bad.bmp";
        ASSERT_TRUE(WriteFileBytes(path, MakeMalformed(m))) << m.what;
        DWORD sequence = GetClipboardSequenceNumber();
        app.popupMode = 1;
        ResetFeedback();
        ProgressWatch progress;
        HANDLE file = OpenForReading(path);
        ASSERT_NE(INVALID_HANDLE_VALUE, file) << m.what;
        EXPECT_EQ(0, LoadBmpFile(file, BmpLoadOpen)) << m.what;
        // The reader closed the file: it can be deleted at once.
        EXPECT_NE(0, DeleteFileA(path.c_str())) << m.what;
        PumpMessages(10);
        EXPECT_EQ(1, app.popupMode) << m.what;
        EXPECT_EQ(0, feedback.count) << m.what;
        EXPECT_EQ(0, progress.Created()) << m.what;
        EXPECT_EQ(nullptr, app.progressWindow) << m.what;
        EXPECT_EQ(sequence, GetClipboardSequenceNumber()) << m.what;
        EXPECT_EQ(nullptr, GetOpenClipboardWindow()) << m.what;
    }
}

// The Open BMP command answers a bad file with the NotBmp box and offers the dialog again; a
// good file then ends it. Popup mode is what it was.
TEST_F(BmpReaderTest, OpenBmpOffersTheDialogAgainAfterABadFile) {
    std::string folder = FreshTempFolder("bmp-open-again");
    std::string bad = folder + "\\bad.bmp";
    std::string good = folder + "\\good.bmp";
    ASSERT_TRUE(WriteFileBytes(bad, MakeMalformed(malformedFiles[10]))); // zero height
    ASSERT_TRUE(WriteFileBytes(good, ValidBmp()));
    app.popupMode = 0;
    ResetFeedback();
    EXPECT_TRUE(
        CommandWithDialog(CmdOpenBmp, "",
                          {{DialogAction::FileName, 0, bad}, {DialogAction::FileName, 0, good}})
            .finished);
    EXPECT_EQ("", BeepThenBox("ERROR", "Not a BMP file -- cannot open."));
    EXPECT_EQ(0, app.popupMode);
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ(7, ClipboardRgb().width);

    // Cancel after a bad file ends the command with nothing more to say.
    ASSERT_TRUE(EmptyClipboardAs(other));
    app.popupMode = 1;
    ResetFeedback();
    EXPECT_TRUE(
        CommandWithDialog(CmdOpenBmp, "",
                          {{DialogAction::FileName, 0, bad}, {DialogAction::Post, IDCANCEL, ""}})
            .finished);
    EXPECT_EQ(2, feedback.count);
    EXPECT_EQ(1, app.popupMode);
    EXPECT_EQ(ViewNone, app.view);
}

// A BMP file that another program holds open for writing is read all the same.
TEST_F(BmpReaderTest, OpenBmpReadsAFileAnotherProgramIsWriting) {
    std::string folder = FreshTempFolder("bmp-shared");
    std::string good = folder + "\\held.bmp";
    ASSERT_TRUE(WriteFileBytes(good, ValidBmp()));
    // As a program that writes the file and lets others read it.
    HANDLE writer = CreateFileA(good.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, writer);
    ResetFeedback();
    // Were the file refused, the dialog would come back: it is then cancelled.
    CommandWithDialog(CmdOpenBmp, "",
                      {{DialogAction::FileName, 0, good}, {DialogAction::Post, IDCANCEL, ""}});
    CloseHandle(writer);
    PumpMessages();
    EXPECT_EQ(0, feedback.count) << feedback.events[1].text;
    EXPECT_EQ(ViewBitmap, app.view);
    EXPECT_EQ(7, ClipboardRgb().width);
}

// A file that cannot be opened at all and a BMP file that cannot be placed on the clipboard are
// each reported as what happened, not as "Not a BMP file"; the dialog is offered again.
TEST_F(BmpReaderTest, OpenBmpTellsCannotOpenAndCannotPlaceFromNotABmp) {
    std::string folder = FreshTempFolder("bmp-open-faults");
    std::string good = folder + "\\good.bmp";
    ASSERT_TRUE(WriteFileBytes(good, ValidBmp()));
    const struct {
        const char* what;
        bool locked;    // another program has the file open and shares nothing
        bool clipboard; // another program holds the clipboard
        const char* text;
    } cases[] = {
        {"locked file", true, false, "Cannot open the file."},
        {"clipboard held", false, true, "The image cannot be put on the clipboard."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(EmptyClipboardAs(other));
        DWORD sequence = GetClipboardSequenceNumber();
        app.popupMode = 1;
        HANDLE locker = INVALID_HANDLE_VALUE;
        if (c.locked) {
            locker = CreateFileA(good.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                 OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            ASSERT_NE(INVALID_HANDLE_VALUE, locker);
        }
        ResetFeedback();
        {
            ClipboardHeld held;
            if (!c.clipboard) {
                held.Release();
            }
            ASSERT_EQ(c.clipboard, held.Holding());
            // Sent without pumping: the clipboard is held only while the command runs.
            DialogScript driver(
                "", {{DialogAction::FileName, 0, good}, {DialogAction::Post, IDCANCEL, ""}});
            SendMessageA(app.mainWindow, WM_COMMAND, CmdOpenBmp, 0);
            EXPECT_TRUE(driver.Finished());
        }
        if (locker != INVALID_HANDLE_VALUE) {
            CloseHandle(locker);
        }
        PumpMessages();
        EXPECT_EQ("", BeepThenBox("ERROR", c.text));
        EXPECT_EQ(1, app.popupMode);
        EXPECT_EQ(sequence, GetClipboardSequenceNumber());
        EXPECT_EQ(nullptr, app.progressWindow);
    }
    // Free again, the same file opens.
    ASSERT_TRUE(ThroughFileDialog(CmdOpenBmp, good));
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(7, ClipboardRgb().width);
}

// While a file is read, a clipboard change does not bring the window forward even in popup
// mode; afterwards popup mode is back.
TEST_F(BmpReaderTest, LoadingDoesNotPopTheWindowUp) {
    std::string folder = FreshTempFolder("bmp-popup");
    std::string good = folder + "\\good.bmp";
    ASSERT_TRUE(WriteFileBytes(good, ValidBmp()));
    ASSERT_TRUE(ActivateWindow(other));
    app.popupMode = 1;
    ASSERT_EQ(1, LoadBmpFile(OpenForReading(good), BmpLoadOpen));
    PumpMessages();
    EXPECT_EQ(1, app.popupMode);
    EXPECT_EQ(other, GetActiveWindow());
    EXPECT_EQ(ViewBitmap, app.view);
    ShowWindow(other, SW_HIDE);
}

// Images larger than the old fixed buffers (rows of 4096 bytes, plane lines of 256 bytes): saved
// as BMP and read back at every source depth, and saved in the other formats for the decoder
// check. 7680 x 4320 is read back at 8 bits and the display's depth only: each load of it moves
// over 100 MB through Wine's clipboard.
TEST_F(BmpReaderTest, LargeImagesSaveAndLoad) {
    struct OtherFormat {
        Writer writer;
        const char* format;
        uint16_t compression;
        const char* compressionName;
    };
    const struct {
        int width, height, bits; // bits 0: the display's depth
        std::vector<OtherFormat> others;
    } cases[] = {
        {3840, 2160, 1, {}},
        {3840,
         2160,
         4,
         {{SavePcxFile, "pcx", 0, "-"}, {SaveTifFile, "tif", TifPackBits, "packbits"}}},
        {3840, 2160, 8, {{SaveGifFile, "gif", 0, "-"}}},
        {3840, 2160, 0, {{SavePcxFile, "pcx", 0, "-"}, {SaveTifFile, "tif", TifLzw16k, "lzw16k"}}},
        {7680, 4320, 8, {}},
        {7680, 4320, 0, {}},
    };
    SavedFiles saved;
    for (const auto& c : cases) {
        std::string what = std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                           (c.bits == 0 ? "display" : std::to_string(c.bits)) + " bits";
        HBITMAP bitmap = nullptr;
        HPALETTE palette = nullptr;
        RgbImage colors; // what the bitmap was drawn with, or its indices in the device table
        if (c.bits == 0) {
            palette = CreatePaletteOf(RandomColors(256, 3));
            colors = RandomRgb(c.width, c.height, 11);
            bitmap = CreateDisplayBitmap(colors, palette);
        } else {
            IndexedImage image = RandomIndexed(c.width, c.height, c.bits, 17);
            bitmap = CreateIndexedBitmap(image);
            palette = CreatePaletteOf(image.colors);
            colors = DeviceColorsOf(image);
        }
        ASSERT_NE(nullptr, bitmap) << what;
        int depth = BitmapDepth(bitmap);
        // The colours every file of the bitmap must hold. An 8-bit display keeps the nearest of
        // its own colours, which only it can tell: there they are read back and must lie near.
        RgbImage source = colors;
        if (c.bits == 0 && depth == 8) {
            source = ReadBitmapRgb(bitmap, palette, 8);
            ASSERT_EQ("", FirstFarColor(source, colors)) << what;
        } else if (c.bits == 0) {
            source = OnDisplay(colors);
        }
        ResetFeedback();

        std::string name = "large-" + std::to_string(c.width) + "-" +
                           (c.bits == 0 ? "display" : std::to_string(c.bits) + "bit");
        std::string ppm;
        for (const OtherFormat& also : c.others) {
            std::string file = name + "." + also.format;
            strcpy(app.chosenFileName, saved.PathOf(file).c_str());
            if (also.compression != 0) {
                app.tifCompression = also.compression;
            }
            ASSERT_EQ(1, also.writer(bitmap, palette)) << what << " as " << also.format;
            int written = depth == 16 || depth == 32 ? 24 : depth;
            EXPECT_TRUE(saved.Add(file, also.format, written, also.compressionName, source,
                                  written > 8 ? "rgb" : "color", what, ppm))
                << what << " as " << also.format;
            if (ppm.empty()) {
                ppm = file + ".ppm"; // the files of one image share one list of colours
            }
        }

        // The BMP file is decoded too, then read back.
        std::string bmp = name + ".bmp";
        std::string path = saved.PathOf(bmp);
        strcpy(app.chosenFileName, path.c_str());
        ASSERT_EQ(1, SaveBmpFile(bitmap, palette)) << what;
        int bmpDepth = depth == 16 ? 24 : depth;
        EXPECT_TRUE(saved.Add(bmp, "bmp", bmpDepth, "-", source,
                              bmpDepth > 8 ? "rgb" : (bmpDepth == 1 ? "bw" : "color"), what, ppm))
            << what << " as bmp";
        DeleteObject(bitmap);
        ASSERT_EQ(1, LoadBmpFile(OpenForReading(path), BmpLoadOpen)) << what;
        PumpMessages();
        EXPECT_EQ(0, feedback.count) << what;
        RgbImage shown = ClipboardRgb();
        EXPECT_EQ("", CompareOnDisplay(shown, source)) << what;
        DeleteObject(palette);
        EmptyClipboardAs(other);
    }
}

} // namespace
