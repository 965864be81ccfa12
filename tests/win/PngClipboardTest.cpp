// PNG images on the clipboard: a "PNG" without CF_BITMAP or CF_DIB is decoded and shown like a
// CF_DIB from another program; every colour type, bit depth and interlace shows its colours
// composed over white, and malformed data is refused without harm. Also the PNG save command on
// such an image.
//
// The input files come from tests/win/make_png_inputs.py, which scripts/wine-tests.sh runs into
// the folder named by KOVEL_PNG_INPUTS before the Wine run.
#include <gtest/gtest.h>

#include <stdio.h>
#include <string.h>

#include <set>

#include "bitmap/PngClipboard.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class PngClipboardTest : public MainWindowFixture {
  protected:
    // Places the bytes as "PNG" alone, as another program would.
    bool PlacePng(const std::vector<uint8_t>& bytes) {
        return Place(ClipSource{{{PngClipboardFormat(), GlobalBytes(bytes.data(), bytes.size())}}});
    }
};

struct PngInput {
    std::string name;
    bool show = false;
    std::vector<uint8_t> bytes;
    RgbImage colors; // what a shown file must show, composed over white
};

std::vector<PngInput> ReadPngInputs() {
    std::vector<PngInput> inputs;
    std::string folder = FolderFromEnvironment("KOVEL_PNG_INPUTS");
    if (folder.empty()) {
        return inputs;
    }
    FILE* listing = fopen((folder + "\\inputs.tsv").c_str(), "rb");
    if (listing == nullptr) {
        return inputs;
    }
    char name[128], mode[16];
    while (fscanf(listing, "%127s %15s", name, mode) == 2) {
        PngInput input;
        input.name = name;
        input.show = strcmp(mode, "show") == 0;
        input.bytes = ReadFileBytes(folder + "\\" + name + ".png");
        if (input.show) {
            input.colors = ReadPpm(folder + "\\" + name + ".ppm");
        }
        inputs.push_back(input);
    }
    fclose(listing);
    return inputs;
}

bool Available(UINT format) {
    return IsClipboardFormatAvailable(format) != 0;
}

TEST_F(PngClipboardTest, EveryKindOfPngShowsItsColoursOverWhite) {
    std::vector<PngInput> inputs = ReadPngInputs();
    ASSERT_FALSE(inputs.empty()) << "no input files: run tests/win/make_png_inputs.py into the "
                                    "folder named by KOVEL_PNG_INPUTS (scripts/wine-tests.sh)";
    int shown = 0;
    for (const PngInput& input : inputs) {
        if (!input.show) {
            continue;
        }
        ASSERT_GT(input.colors.width, 0) << input.name;
        ASSERT_TRUE(EmptyClipboardAs(other));
        ASSERT_TRUE(PumpUntil([] { return app.view == ViewNone; })) << input.name;
        ResetFeedback();
        ASSERT_TRUE(PlacePng(input.bytes)) << input.name;
        ASSERT_TRUE(PumpUntil([] { return app.view == ViewBitmap; })) << input.name;
        EXPECT_EQ(ScreenClipboard, app.screen) << input.name;
        EXPECT_TRUE(Available(CF_DIB)) << input.name;
        EXPECT_TRUE(Available(PngClipboardFormat())) << input.name;
        EXPECT_EQ(0, feedback.count) << input.name;
        // The CF_DIB becomes the clipboard bitmap the way a CF_DIB of another program does.
        Command(CmdShowBitmap);
        int depth = 0;
        RgbImage got = ClipboardRgb(&depth);
        ASSERT_EQ(input.colors.width, got.width) << input.name;
        EXPECT_EQ("", CompareOnDisplay(got, input.colors)) << input.name;
        ++shown;
    }
    EXPECT_GE(shown, 40);
}

// Bytes that are no PNG, or a PNG the reader cannot or must not take: nothing is placed, the
// intro screen stays, and no box appears.
TEST_F(PngClipboardTest, MalformedPngIsRefusedWithoutHarm) {
    std::vector<PngInput> inputs = ReadPngInputs();
    ASSERT_FALSE(inputs.empty());
    int refused = 0;
    for (const PngInput& input : inputs) {
        if (input.show) {
            continue;
        }
        ASSERT_TRUE(EmptyClipboardAs(other));
        ResetFeedback();
        ASSERT_TRUE(PlacePng(input.bytes)) << input.name;
        // The change is seen (the main window has opened and probed the clipboard) when the PNG
        // is listed; it must stay the only format.
        ASSERT_TRUE(PumpUntil([] { return Available(PngClipboardFormat()); })) << input.name;
        PumpMessages();
        EXPECT_EQ(ViewNone, app.view) << input.name;
        EXPECT_EQ(ScreenIntro, app.screen) << input.name;
        EXPECT_FALSE(Available(CF_DIB)) << input.name;
        EXPECT_FALSE(Available(CF_BITMAP)) << input.name;
        EXPECT_EQ(0, feedback.count) << input.name;
        ++refused;
    }
    EXPECT_GE(refused, 8);
    // The window still shows the next good image.
    for (const PngInput& input : inputs) {
        if (input.show) {
            ASSERT_TRUE(PlacePng(input.bytes));
            EXPECT_TRUE(PumpUntil([] { return app.view == ViewBitmap; })) << input.name;
            break;
        }
    }
}

// A bitmap placed with the PNG keeps precedence: the PNG is not decoded over it.
TEST_F(PngClipboardTest, APngBesideABitmapLeavesTheBitmap) {
    std::vector<PngInput> inputs = ReadPngInputs();
    ASSERT_FALSE(inputs.empty());
    const PngInput* input = nullptr;
    for (const PngInput& candidate : inputs) {
        if (candidate.show && candidate.colors.width > 20) {
            input = &candidate;
            break;
        }
    }
    ASSERT_NE(nullptr, input);
    RgbImage colors = RandomRgb(5, 4, 77);
    HBITMAP bitmap = CreateMemoryBitmap(colors, 24);
    ASSERT_TRUE(Place(ClipSource{
        {{CF_BITMAP, bitmap},
         {PngClipboardFormat(), GlobalBytes(input->bytes.data(), input->bytes.size())}}}));
    ASSERT_TRUE(PumpUntil([] { return app.view == ViewBitmap; }));
    RgbImage got = ClipboardRgb();
    EXPECT_EQ(5, got.width);
    EXPECT_EQ(4, got.height);
}

// The PNG command saves the decoded image; the file decodes (after the run) to the pixels
// GetDIBits reports for the clipboard bitmap, and its header says RGB or palette as the
// display's depth gives. A GIF holds those pixels reduced to at most 256 colours, near them.
TEST_F(PngClipboardTest, APngFromTheClipboardSavesAsPngAndBmp) {
    std::vector<PngInput> inputs = ReadPngInputs();
    ASSERT_FALSE(inputs.empty());
    SavedFiles saved;
    int savedCount = 0;
    for (const PngInput& input : inputs) {
        if (!input.show || input.name.find("adam7") == std::string::npos) {
            continue;
        }
        ASSERT_TRUE(EmptyClipboardAs(other));
        ASSERT_TRUE(PlacePng(input.bytes)) << input.name;
        ASSERT_TRUE(PumpUntil([] { return app.view == ViewBitmap; })) << input.name;
        for (const char* format : {"png", "bmp", "gif"}) {
            std::string file = "pngclip-" + input.name + "." + format;
            std::string path = saved.PathOf(file);
            DeleteFileA(path.c_str());
            const unsigned command = std::string(format) == "png"   ? CmdSavePng
                                     : std::string(format) == "bmp" ? CmdSaveBmp
                                                                    : CmdSaveGif;
            ASSERT_TRUE(ThroughFileDialog(command, path)) << file;
            EXPECT_EQ(0, feedback.count) << file;
            std::vector<uint8_t> bytes = ReadFileBytes(path);
            ASSERT_GT(bytes.size(), 33u) << file;
            int depth = 0;
            RgbImage fetched = ClipboardRgb(&depth);
            EXPECT_EQ(DisplayBits(), depth) << file;
            EXPECT_EQ("", CompareOnDisplay(fetched, input.colors)) << file;
            // An 8-bit display's bitmap saves as 8-bit BMP and as palette PNG of 1, 4 or 8 bits
            // as its distinct colours fit (2, 16, 256); 16 and 32 bits save as 8-bit RGB PNG (24
            // bits a pixel), as 24-bit BMP from 16 and 32-bit BMP from 32.
            std::set<uint32_t> distinct(fetched.rgb.begin(), fetched.rgb.end());
            int paletteDepth = distinct.size() <= 2 ? 1 : distinct.size() <= 16 ? 4 : 8;
            int fileDepth = depth <= 8 ? 8 : 24;
            if (std::string(format) == "png") {
                EXPECT_EQ(depth <= 8 ? paletteDepth : 8, bytes[24]) << file;
                EXPECT_EQ(depth <= 8 ? 3 : 2, bytes[25]) << file;
                fileDepth = depth <= 8 ? paletteDepth : 24;
            } else if (depth == 32) {
                fileDepth = 32;
            }
            if (std::string(format) == "gif") {
                if (depth > 8) {
                    RgbImage reduced = GifColoursOf(fetched, false);
                    EXPECT_LT(RmsDistance(reduced, fetched), GifDistanceBound) << file;
                    fetched = reduced;
                }
                fileDepth = 8;
            }
            EXPECT_TRUE(
                saved.Add(file, format, fileDepth, "-", fetched, fileDepth > 8 ? "rgb" : "color",
                          "PNG from the clipboard, display " + std::to_string(DisplayBits())))
                << file;
            ++savedCount;
        }
    }
    EXPECT_GE(savedCount, 30);
}

} // namespace
