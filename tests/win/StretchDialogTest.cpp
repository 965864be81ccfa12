// The "Stretch Bitmap" dialog and the stretch it asks for: its template, the sizes it derives
// while the aspect is kept, the beeps, Enter, the check box, and what reaches the clipboard.
#include <gtest/gtest.h>

#include <string.h>

#include "bitmap/TransformBitmap.h"
#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

class StretchDialogTest : public MainWindowFixture {
  protected:
    // A display bitmap of 2 x 2 blocks of colours, so that halving it keeps one pixel of each
    // block whatever pixel of a block the platform picks.
    void PlaceBlocks(int width, int height) {
        RgbImage blocks = RandomRgb(width / 2, height / 2, 55);
        RgbImage image;
        image.width = width;
        image.height = height;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                image.rgb.push_back(blocks.At(x / 2, y / 2));
            }
        }
        HPALETTE palette = CreatePaletteOf(RandomColors(256, 8));
        ASSERT_TRUE(Place(ClipSource::Bitmap(CreateDisplayBitmap(image, palette), palette)));
        ASSERT_EQ(ViewBitmap, app.view);
    }
    // Runs the stretch command with the actions on its dialog; the feedback log holds what this
    // run recorded.
    std::vector<std::string> Stretch(std::vector<DialogAction> actions, bool* escaped = nullptr) {
        ResetFeedback();
        DialogRun run = CommandWithDialog(CmdStretch, "Stretch Bitmap", std::move(actions));
        EXPECT_TRUE(run.finished);
        EXPECT_EQ(app.mainWindow, run.owner);
        if (escaped != nullptr) {
            *escaped = run.escaped;
        } else {
            EXPECT_FALSE(run.escaped) << "the dialog stayed open";
        }
        return run.reads;
    }
};

using A = DialogAction;

// ---- The template ----

struct ControlLayout {
    int id; // -1 for none
    const char* className;
    const char* text;
    int x, y, cx, cy;
};

// The controls in the template's order. The screen size labels and fields and the last two lines
// are a few units wider than the classic layout, so that their texts fit today's fonts.
const ControlLayout stretchControls[] = {
    {-1, "STATIC", "Image width :", 6, 6, 46, 8},
    {-1, "STATIC", "Image height:", 6, 22, 46, 8},
    {-1, "STATIC", "The bitmap can be stretched or compressed along the", 5, 38, 179, 8},
    {-1, "STATIC", "horizontal and/or vertical axes.", 6, 46, 179, 8},
    {-1, "STATIC", "Screen width : ", 105, 6, 52, 8},
    {-1, "STATIC", "Screen height: ", 105, 22, 52, 8},
    {296, "EDIT", "", 53, 5, 25, 12},
    {297, "EDIT", "", 53, 21, 25, 12},
    {298, "STATIC", "", 158, 6, 26, 8},
    {299, "STATIC", "", 158, 22, 26, 8},
    {300, "BUTTON", "", 6, 59, 7, 10},
    {-1, "STATIC", "Preserve aspect ratio.  Automatically adjust height", 16, 60, 168, 8},
    {-1, "STATIC", "     to correspond to a change in width, or adjust width ", 6, 68, 185, 8},
    {-1, "STATIC", "     to correspond to a change in height.", 6, 76, 185, 8},
    {301, "BUTTON", "OK", 37, 92, 32, 20},
    {2, "BUTTON", "Cancel", 119, 92, 32, 20},
};

// Reads a string or ordinal of a dialog template; the ordinals of the predefined control classes
// come back as their names, others as "#ordinal".
std::string ReadSzOrOrd(const WORD*& p) {
    if (*p == 0xFFFF) {
        WORD ordinal = p[1];
        p += 2;
        return ordinal == 0x80   ? "BUTTON"
               : ordinal == 0x81 ? "EDIT"
               : ordinal == 0x82 ? "STATIC"
                                 : "#" + std::to_string(ordinal);
    }
    std::string text;
    while (*p != 0) {
        text += char(*p++);
    }
    ++p;
    return text;
}

TEST_F(StretchDialogTest, TemplateAsLaidOut) {
    HRSRC resource = FindResourceA(GetModuleHandleA(nullptr), "StretchBmpDlgBox", RT_DIALOG);
    ASSERT_NE(nullptr, resource);
    const auto* dialog = static_cast<const DLGTEMPLATE*>(
        LockResource(LoadResource(GetModuleHandleA(nullptr), resource)));
    ASSERT_NE(nullptr, dialog);
    EXPECT_EQ(0x90c80080u, dialog->style);
    EXPECT_EQ(0u, dialog->dwExtendedStyle);
    EXPECT_EQ(8, dialog->x);
    EXPECT_EQ(4, dialog->y);
    EXPECT_EQ(192, dialog->cx);
    EXPECT_EQ(117, dialog->cy);
    const size_t count = sizeof stretchControls / sizeof stretchControls[0];
    ASSERT_EQ(count, size_t(dialog->cdit));
    const WORD* p = reinterpret_cast<const WORD*>(dialog + 1);
    EXPECT_EQ("", ReadSzOrOrd(p)); // no menu
    EXPECT_EQ("", ReadSzOrOrd(p)); // the standard dialog class
    EXPECT_EQ("Stretch Bitmap", ReadSzOrOrd(p));
    // No DS_SETFONT: the system font.
    for (const ControlLayout& expected : stretchControls) {
        p = reinterpret_cast<const WORD*>((reinterpret_cast<uintptr_t>(p) + 3) & ~uintptr_t(3));
        const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
        std::string what =
            std::string("control ") + std::to_string(expected.id) + " \"" + expected.text + "\"";
        EXPECT_EQ(expected.id, short(item->id)) << what;
        EXPECT_EQ(expected.x, item->x) << what;
        EXPECT_EQ(expected.y, item->y) << what;
        EXPECT_EQ(expected.cx, item->cx) << what;
        EXPECT_EQ(expected.cy, item->cy) << what;
        p = reinterpret_cast<const WORD*>(item + 1);
        std::string className = ReadSzOrOrd(p);
        CharUpperA(&className[0]);
        EXPECT_EQ(expected.className, className) << what;
        EXPECT_EQ(expected.text, ReadSzOrOrd(p)) << what;
        WORD extra = *p++;
        p = reinterpret_cast<const WORD*>(reinterpret_cast<const BYTE*>(p) + extra);
        DWORD style = item->style;
        EXPECT_TRUE(style & WS_VISIBLE) << what;
        switch (expected.id) {
        case StretchNewWidth:
        case StretchNewHeight:
            EXPECT_EQ(DWORD(WS_BORDER | WS_TABSTOP), style & (WS_BORDER | WS_TABSTOP)) << what;
            break;
        case StretchKeepAspect:
            EXPECT_EQ(DWORD(BS_AUTOCHECKBOX), style & BS_TYPEMASK) << what;
            EXPECT_FALSE(style & WS_TABSTOP) << what;
            break;
        case StretchOk:
        case IDCANCEL:
            // Plain push buttons: neither is the default button.
            EXPECT_EQ(DWORD(BS_PUSHBUTTON), style & BS_TYPEMASK) << what;
            EXPECT_TRUE(style & WS_TABSTOP) << what;
            break;
        default: EXPECT_FALSE(style & WS_TABSTOP) << what; break;
        }
    }
}

// ---- Behaviour ----

// A 400 x 300 bitmap, keep aspect set: 200 typed into the width gives a height of 150.
TEST_F(StretchDialogTest, TheWorkedExample) {
    PlaceBlocks(400, 300);
    HBITMAP before = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&before, &palette);
    int depth = 0;
    RgbImage source = ClipboardRgb(&depth);
    std::vector<std::string> reads = Stretch({
        {A::Read, StretchNewWidth, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Read, StretchScreenWidth, ""},
        {A::Read, StretchScreenHeight, ""},
        {A::ReadCheck, StretchKeepAspect, ""},
        {A::ReadFocus, 0, ""},
        {A::Type, StretchNewWidth, "200"},
        {A::Focus, StretchNewHeight, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Press, StretchOk, ""},
    });
    std::vector<std::string> expected = {"400",
                                         "300",
                                         std::to_string(GetSystemMetrics(SM_CXSCREEN)),
                                         std::to_string(GetSystemMetrics(SM_CYSCREEN)),
                                         "1",
                                         std::to_string(StretchNewWidth),
                                         "150"};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(200, stretchLayout.newWidth);
    EXPECT_EQ(150, stretchLayout.newHeight);

    // The new bitmap has the old one's format; every 2 x 2 block became one pixel; the palette
    // stayed.
    HBITMAP after = nullptr;
    HPALETTE afterPalette = nullptr;
    ClipboardHandles(&after, &afterPalette);
    EXPECT_NE(before, after);
    EXPECT_EQ(palette, afterPalette);
    int afterDepth = 0;
    RgbImage stretched = ClipboardRgb(&afterDepth);
    EXPECT_EQ(depth, afterDepth);
    RgbImage halved;
    halved.width = 200;
    halved.height = 150;
    for (int y = 0; y < 150; ++y) {
        for (int x = 0; x < 200; ++x) {
            halved.rgb.push_back(source.At(2 * x, 2 * y));
        }
    }
    EXPECT_EQ("", FirstDifference(stretched, halved));
    EXPECT_EQ(ViewBitmap, app.view);
}

// Enter moves the focus on and evaluates the box it leaves; it never closes the dialog.
TEST_F(StretchDialogTest, EnterMovesTheFocusAndNeverCloses) {
    PlaceBlocks(400, 300);
    DWORD sequence = GetClipboardSequenceNumber();
    std::vector<std::string> reads = Stretch({
        {A::Type, StretchNewWidth, "200"},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Type, StretchNewHeight, "60"},
        {A::Focus, StretchNewWidth, ""},
        {A::Read, StretchNewWidth, ""},
        {A::Type, StretchNewWidth, "40"},
        {A::Enter, 0, ""},
        {A::ReadFocus, 0, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Press, IDCANCEL, ""},
    });
    std::vector<std::string> expected = {std::to_string(StretchNewHeight), "150", "80",
                                         std::to_string(StretchNewHeight), "30"};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, feedback.count);
    // Cancel: the clipboard was not touched.
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
}

struct BadSize {
    const char* typed;
    const char* widthShown;
    const char* heightShown;
    int beeps; // a derived 0 beeps once more when its own box loses the focus (to Cancel)
};

// A zero, empty or non-numeric size, and a derived size above 32767, beep and become 0.
TEST_F(StretchDialogTest, BadSizesBeepAndBecomeZero) {
    const BadSize cases[] = {
        {"0", "0", "300", 1},         {"", "0", "300", 1},        {"abc", "0", "300", 1},
        {"100000", "100000", "0", 2}, {"43691", "43691", "0", 2}, {"43690", "43690", "32767", 0},
        {"-40", "-40", "-30", 0},
    };
    PlaceBlocks(400, 300);
    for (const BadSize& c : cases) {
        DWORD sequence = GetClipboardSequenceNumber();
        std::vector<std::string> reads = Stretch({
            {A::Type, StretchNewWidth, c.typed},
            {A::Focus, StretchNewHeight, ""},
            {A::Read, StretchNewWidth, ""},
            {A::Read, StretchNewHeight, ""},
            {A::Press, IDCANCEL, ""},
        });
        std::vector<std::string> expected = {c.widthShown, c.heightShown};
        EXPECT_EQ(expected, reads) << "typed " << c.typed;
        EXPECT_EQ(c.beeps, Beeps()) << "typed " << c.typed;
        EXPECT_EQ(sequence, GetClipboardSequenceNumber()) << "typed " << c.typed;
    }
}

// Unchecked, the sizes are set independently; checked again, leaving a box whose text did not
// change still derives the other size.
TEST_F(StretchDialogTest, UncheckingAndCheckingKeepAspect) {
    PlaceBlocks(400, 300);
    std::vector<std::string> reads = Stretch({
        {A::Press, StretchKeepAspect, ""},
        {A::ReadCheck, StretchKeepAspect, ""},
        {A::Type, StretchNewWidth, "200"},
        {A::Focus, StretchNewHeight, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Type, StretchNewHeight, "50"},
        {A::Focus, StretchNewWidth, ""},
        {A::Read, StretchNewWidth, ""},
        {A::Press, StretchKeepAspect, ""},
        {A::ReadCheck, StretchKeepAspect, ""},
        {A::Focus, StretchNewWidth, ""},
        {A::Focus, StretchNewHeight, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Press, StretchOk, ""},
    });
    std::vector<std::string> expected = {"0", "300", "200", "1", "150"};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, Beeps());
    EXPECT_EQ(200, ClipboardRgb().width);
    EXPECT_EQ(150, ClipboardRgb().height);
}

// OK with a size of 0 is refused with a beep: the dialog stays open and no bitmap is placed.
TEST_F(StretchDialogTest, OkWithAZeroSizeIsRefused) {
    PlaceBlocks(400, 300);
    DWORD sequence = GetClipboardSequenceNumber();
    std::vector<std::string> reads = Stretch({
        {A::Press, StretchKeepAspect, ""},
        {A::Type, StretchNewHeight, "0"},
        {A::Press, StretchOk, ""},
        {A::Read, StretchNewHeight, ""},
        {A::Press, IDCANCEL, ""},
    });
    EXPECT_EQ(std::vector<std::string>{"0"}, reads);
    EXPECT_GE(Beeps(), 1);
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
    EXPECT_EQ(400, ClipboardRgb().width);
}

// Cancel, and OK with the sizes unchanged, leave the clipboard as it was.
TEST_F(StretchDialogTest, CancelAndUnchangedSizesLeaveTheClipboard) {
    const struct {
        const char* what;
        std::vector<DialogAction> actions;
    } cases[] = {
        {"cancel", {{A::Type, StretchNewWidth, "100"}, {A::Press, IDCANCEL, ""}}},
        {"OK unchanged", {{A::Press, StretchOk, ""}}},
        {"the same size typed again",
         {{A::Type, StretchNewWidth, "400"},
          {A::Focus, StretchNewHeight, ""},
          {A::Press, StretchOk, ""}}},
        {"changed and changed back",
         {{A::Press, StretchKeepAspect, ""},
          {A::Type, StretchNewWidth, "10"},
          {A::Focus, StretchNewHeight, ""},
          {A::Type, StretchNewWidth, "400"},
          {A::Focus, StretchNewHeight, ""},
          {A::Press, StretchOk, ""}}},
    };
    PlaceBlocks(400, 300);
    for (const auto& c : cases) {
        HBITMAP before = nullptr;
        HPALETTE palette = nullptr;
        ClipboardHandles(&before, &palette);
        DWORD sequence = GetClipboardSequenceNumber();
        Stretch(c.actions);
        EXPECT_EQ(sequence, GetClipboardSequenceNumber()) << c.what;
        HBITMAP after = nullptr;
        ClipboardHandles(&after, &palette);
        EXPECT_EQ(before, after) << c.what;
        EXPECT_EQ(0, Beeps()) << c.what;
    }
}

// Enlarging and changing the aspect: the sizes asked for.
TEST_F(StretchDialogTest, EnlargeAndDistort) {
    PlaceBlocks(40, 30);
    RgbImage source = ClipboardRgb();
    Stretch({{A::Press, StretchKeepAspect, ""},
             {A::Type, StretchNewWidth, "120"},
             {A::Type, StretchNewHeight, "30"},
             {A::Press, StretchOk, ""}});
    RgbImage wide = ClipboardRgb();
    ASSERT_EQ(120, wide.width);
    ASSERT_EQ(30, wide.height);
    // Each source pixel became three pixels in a row.
    RgbImage expected = wide;
    for (int y = 0; y < 30; ++y) {
        for (int x = 0; x < 120; ++x) {
            expected.rgb[size_t(y) * 120 + size_t(x)] = source.At(x / 3, y);
        }
    }
    EXPECT_EQ("", FirstDifference(wide, expected));
}

// A 1-bit bitmap halved keeps its black pixels: at 1 or 2 bits the rows and columns that fall
// away are combined, not dropped.
TEST_F(StretchDialogTest, HalvingABlackAndWhiteBitmapKeepsItsBlackPixels) {
    IndexedImage image;
    image.width = 40;
    image.height = 40;
    image.bitCount = 1;
    image.colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 40; ++x) {
            // Black only where both coordinates are odd: one pixel in each 2 x 2 block.
            image.indices.push_back(x % 2 == 1 && y % 2 == 1 ? 0 : 1);
        }
    }
    ASSERT_TRUE(Place(ClipSource::Bitmap(CreateIndexedBitmap(image))));
    Stretch({{A::Type, StretchNewWidth, "20"},
             {A::Focus, StretchNewHeight, ""},
             {A::Press, StretchOk, ""}});
    int depth = 0;
    RgbImage halved = ClipboardRgb(&depth);
    EXPECT_EQ(1, depth);
    ASSERT_EQ(20, halved.width);
    ASSERT_EQ(20, halved.height);
    for (uint32_t rgb : halved.rgb) {
        ASSERT_EQ(0u, rgb);
    }
}

} // namespace
