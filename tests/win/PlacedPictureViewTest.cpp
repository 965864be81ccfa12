// A picture this program places (an opened BMP file, a DOS capture, a transformed bitmap) is
// shown in the bitmap view at once, even when the clipboard also holds text that would otherwise
// keep, or bring back, the text view.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "shell/Shell.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

using PlacedPictureViewTest = MainWindowFixture;

// A black and white picture, shown exactly at every display depth.
IndexedImage Picture() {
    return RandomIndexed(24, 16, 1, 19, true);
}

RgbImage Mirrored(const RgbImage& image) {
    RgbImage mirrored = image;
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            mirrored.rgb[size_t(y * image.width + x)] = image.At(image.width - 1 - x, y);
    return mirrored;
}

RgbImage Inverted(const RgbImage& image) {
    RgbImage inverted = image;
    for (uint32_t& rgb : inverted.rgb)
        rgb ^= 0xFFFFFF;
    return inverted;
}

// "" when the bitmap view shows `expected` at its top-left corner, else what is wrong.
std::string ViewShows(const ClientPixels& shown, const RgbImage& expected) {
    if (app.screen != ScreenClipboard || app.view != ViewBitmap)
        return "not the bitmap view";
    RgbImage corner;
    corner.width = expected.width;
    corner.height = expected.height;
    for (int y = 0; y < expected.height; ++y)
        for (int x = 0; x < expected.width; ++x)
            corner.rgb.push_back(shown.rgb[size_t(y * shown.width + x)]);
    return FirstDifference(corner, expected);
}

// Text placed first, then the picture: the probe shows the text.
void PlaceTextThenPicture(HWND other) {
    IndexedImage picture = Picture();
    ASSERT_TRUE(
        PlaceHandles(other, {{CF_TEXT, GlobalBytes("text first", 11)},
                             {CF_BITMAP, CreateDisplayBitmap(ColorsOf(picture), nullptr)}}));
}

TEST_F(PlacedPictureViewTest, OpenBmpAndCtrlNShowThePictureOverText) {
    RgbImage colors = ColorsOf(Picture());
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    const std::string opened = std::string(temp) + "kovel-placed.bmp";
    const std::string capture = std::string(temp) + "DKOVL019.BMP";

    ASSERT_TRUE(Place(ClipSource::Formats({CF_TEXT})));
    ASSERT_EQ(ViewAnsiText, app.view);
    ASSERT_TRUE(WriteFileBytes(opened, BmpFileOf(Picture())));
    ASSERT_TRUE(CommandWithDialog(CmdOpenBmp, "", {{DialogAction::FileName, 0, opened}}).finished);
    PumpMessages();
    EXPECT_EQ("", ViewShows(Pixels(), colors)) << "Open BMP";
    DeleteFileA(opened.c_str());

    ASSERT_TRUE(Place(ClipSource::Formats({CF_OEMTEXT})));
    ASSERT_EQ(ViewOemText, app.view);
    ASSERT_TRUE(WriteFileBytes(capture, BmpFileOf(Picture())));
    Command(CmdNextDosCapture);
    EXPECT_FALSE(FileExists(capture));
    DeleteFileA(capture.c_str());
    // A DOS capture arrives upside down and is turned the right way up.
    EXPECT_EQ("", ViewShows(Pixels(), UpsideDown(colors))) << "Ctrl+N";
}

TEST_F(PlacedPictureViewTest, TransformsKeepTheirPictureInView) {
    RgbImage colors = ColorsOf(Picture());
    const struct {
        unsigned command;
        RgbImage expected;
    } cases[] = {
        {CmdInvertColors, Inverted(colors)},
        {CmdReverseX, Mirrored(colors)},
        {CmdReverseY, UpsideDown(colors)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.command);
        PlaceTextThenPicture(other);
        PumpMessages();
        ASSERT_EQ(ViewAnsiText, app.view);
        Command(CmdShowBitmap);
        ASSERT_EQ(ViewBitmap, app.view);
        Command(c.command);
        EXPECT_EQ("", ViewShows(Pixels(), c.expected));
    }
    // Stretched to twice the width: the new picture is in view.
    PlaceTextThenPicture(other);
    PumpMessages();
    Command(CmdShowBitmap);
    DialogRun run = CommandWithDialog(CmdStretch, "Stretch Bitmap",
                                      {{DialogAction::Press, StretchKeepAspect, ""},
                                       {DialogAction::Type, StretchNewWidth, "48"},
                                       {DialogAction::Focus, StretchNewHeight, ""},
                                       {DialogAction::Type, StretchNewHeight, "16"},
                                       {DialogAction::Focus, StretchNewWidth, ""},
                                       {DialogAction::Press, StretchOk, ""}});
    ASSERT_TRUE(run.finished);
    RgbImage wide;
    wide.width = 48;
    wide.height = 16;
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 48; ++x)
            wide.rgb.push_back(colors.At(x / 2, y));
    EXPECT_EQ("", ViewShows(Pixels(), wide));
}

} // namespace
