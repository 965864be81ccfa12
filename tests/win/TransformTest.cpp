// Reverse x-axis, reverse y-axis and invert colors through their commands: the pixels of the new
// clipboard bitmap, each applied twice, bitmaps one pixel wide or high, the palette left as it
// was, and a CF_DIB placed by another application.
#include <gtest/gtest.h>

#include "bitmap/TransformBitmap.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/TestBed.h"

namespace {

using TransformTest = MainWindowFixture;

enum SourceKind { Indexed, Section, Display, Dib };

struct TransformSource {
    const char* name;
    SourceKind kind;
    int bits; // indexed and DIB sources
    int width, height;
};

// What the source puts on the clipboard.
ClipSource TransformSourceClip(const TransformSource& source, uint32_t seed) {
    switch (source.kind) {
    case Indexed: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        return ClipSource::Bitmap(CreateIndexedBitmap(image), CreatePaletteOf(image.colors));
    }
    case Section: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        return ClipSource::Bitmap(CreateSectionBitmap(image), CreatePaletteOf(image.colors));
    }
    case Display: {
        HPALETTE palette = CreatePaletteOf(RandomColors(256, seed + 1));
        return ClipSource::Bitmap(
            CreateDisplayBitmap(RandomRgb(source.width, source.height, seed), palette), palette);
    }
    case Dib: {
        IndexedImage image = RandomIndexed(source.width, source.height, source.bits, seed);
        return ClipSource::Dib(PackedDibOf(image, 1 << source.bits));
    }
    }
    return {{{CF_BITMAP, nullptr}}}; // a null handle: placing it fails
}

// What the clipboard bitmap holds: pixel values (palette indices at 1, 4 and 8 bits, colours
// otherwise) at its own depth, read with CF_PALETTE selected, and the colour table of the
// indices.
struct BitmapValues {
    int depth = 0;
    int width = 0, height = 0;
    std::vector<uint32_t> values;
    std::vector<RGBQUAD> table;
    uint32_t At(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
    // The colour of a value: an index stands for its table entry.
    uint32_t ColorOf(uint32_t value) const {
        if (depth > 8) {
            return value;
        }
        const RGBQUAD& c = table[value];
        return uint32_t(c.rgbRed) << 16 | uint32_t(c.rgbGreen) << 8 | c.rgbBlue;
    }
};

BitmapValues ClipboardPixels() {
    BitmapValues pixels;
    HBITMAP bitmap = nullptr;
    HPALETTE palette = nullptr;
    ClipboardHandles(&bitmap, &palette);
    if (bitmap == nullptr) {
        return pixels;
    }
    pixels.depth = BitmapDepth(bitmap);
    std::vector<uint8_t> indices;
    RgbImage rgb =
        ReadBitmapRgb(bitmap, palette, FetchDepthOf(pixels.depth), &indices, &pixels.table);
    pixels.width = rgb.width;
    pixels.height = rgb.height;
    if (pixels.depth <= 8) {
        pixels.values.assign(indices.begin(), indices.end());
    } else {
        pixels.values = rgb.rgb;
    }
    return pixels;
}

// The pixels an operation must give.
BitmapValues Transformed(const BitmapValues& source, int operation) {
    BitmapValues out = source;
    const uint32_t mask = source.depth <= 8 ? (1u << source.depth) - 1 : 0xFFFFFF;
    for (int y = 0; y < source.height; ++y) {
        for (int x = 0; x < source.width; ++x) {
            uint32_t& value = out.values[size_t(y) * size_t(source.width) + size_t(x)];
            switch (operation) {
            case TransformReverseX: value = source.At(source.width - 1 - x, y); break;
            case TransformReverseY: value = source.At(x, source.height - 1 - y); break;
            default: value = ~source.At(x, y) & mask; break;
            }
        }
    }
    return out;
}

// Compares colours: Wine keeps a 1-, 4- or 8-bit device bitmap in its default colour table,
// which holds some colours twice, so a value can come back as another index of the same colour.
// (DIB sections keep their own table of distinct colours: there the indices themselves match.)
std::string Difference(const BitmapValues& got, const BitmapValues& expected) {
    if (got.width != expected.width || got.height != expected.height ||
        got.depth != expected.depth) {
        return "size or depth differs";
    }
    for (int y = 0; y < got.height; ++y) {
        for (int x = 0; x < got.width; ++x) {
            if (got.ColorOf(got.At(x, y)) != expected.ColorOf(expected.At(x, y))) {
                char text[120];
                snprintf(text, sizeof text, "(%d,%d) is %X, expected %X", x, y, got.At(x, y),
                         expected.At(x, y));
                return text;
            }
        }
    }
    return "";
}

bool HasDuplicateColors(const BitmapValues& pixels) {
    for (size_t i = 0; i < pixels.table.size(); ++i) {
        for (size_t j = 0; j < i; ++j) {
            if (pixels.ColorOf(uint32_t(i)) == pixels.ColorOf(uint32_t(j))) {
                return true;
            }
        }
    }
    return false;
}

struct Operation {
    const char* name;
    unsigned command;
    int operation;
};

const Operation operations[] = {
    {"reverse x-axis", CmdReverseX, TransformReverseX},
    {"reverse y-axis", CmdReverseY, TransformReverseY},
    {"invert colors", CmdInvertColors, TransformInvert},
};

TEST_F(TransformTest, EachOperationAndTwiceBackToTheStart) {
    const TransformSource sources[] = {
        {"1-bit", Indexed, 1, 37, 21},
        {"4-bit", Indexed, 4, 37, 21},
        {"8-bit", Indexed, 8, 37, 21},
        {"display", Display, 0, 37, 21},
        {"1-bit section", Section, 1, 37, 21},
        {"4-bit section", Section, 4, 37, 21},
        {"8-bit section", Section, 8, 37, 21},
        {"1 pixel wide", Indexed, 8, 1, 19},
        {"1 pixel high", Display, 0, 23, 1},
        {"1 x 1", Indexed, 4, 1, 1},
        {"CF_DIB", Dib, 8, 30, 20},
    };
    for (const TransformSource& source : sources) {
        for (const Operation& op : operations) {
            std::string what = std::string(op.name) + " of " + source.name;
            ASSERT_TRUE(Place(TransformSourceClip(source, 4321))) << what;
            ResetFeedback();
            HBITMAP firstBitmap = nullptr;
            HPALETTE palette = nullptr;
            ClipboardHandles(&firstBitmap, &palette);
            std::vector<PALETTEENTRY> entries = PaletteEntries(palette);
            BitmapValues start = ClipboardPixels();
            ASSERT_EQ(source.width, start.width) << what;

            DWORD sequence = GetClipboardSequenceNumber();
            Command(op.command);
            EXPECT_NE(sequence, GetClipboardSequenceNumber()) << what;
            BitmapValues once = ClipboardPixels();
            EXPECT_EQ("", Difference(once, Transformed(start, op.operation))) << what;
            Command(op.command);
            // An index stored as another index of the same colour inverts to a third colour: with
            // duplicates in the table (Wine's default 8-bit table has them) inverting twice
            // cannot come back. Mirroring moves values and always does.
            if (op.operation != TransformInvert || !HasDuplicateColors(start)) {
                EXPECT_EQ("", Difference(ClipboardPixels(), start)) << what << ", twice";
            }

            // The palette on the clipboard is the one that was there, unchanged.
            HBITMAP bitmap = nullptr;
            HPALETTE after = nullptr;
            ClipboardHandles(&bitmap, &after);
            EXPECT_EQ(palette, after) << what;
            std::vector<PALETTEENTRY> afterEntries = PaletteEntries(after);
            EXPECT_EQ(entries.size(), afterEntries.size()) << what;
            EXPECT_TRUE(entries.size() == afterEntries.size() &&
                        memcmp(entries.data(), afterEntries.data(),
                               entries.size() * sizeof(PALETTEENTRY)) == 0)
                << what;
            EXPECT_EQ(0, feedback.count) << what;
            EXPECT_EQ(ViewBitmap, app.view) << what;
        }
    }
}

// Index i of an 8-bit palette bitmap becomes 255 - i, for every i. (A DIB section keeps its
// indices exactly; Wine's 8-bit device bitmaps cannot hold two indices of the same colour.)
TEST_F(TransformTest, InvertMapsEveryIndexToItsComplement) {
    IndexedImage image = RandomIndexed(64, 4, 8, 77); // the first 256 pixels are 0 .. 255
    HPALETTE palette = CreatePaletteOf(image.colors);
    ASSERT_TRUE(Place(ClipSource::Bitmap(CreateSectionBitmap(image), palette)));
    Command(CmdInvertColors);
    BitmapValues inverted = ClipboardPixels();
    ASSERT_EQ(8, inverted.depth);
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(uint32_t(255 - i), inverted.values[size_t(i)]) << "index " << i;
    }
    HBITMAP bitmap = nullptr;
    HPALETTE after = nullptr;
    ClipboardHandles(&bitmap, &after);
    EXPECT_EQ(palette, after);
}

TEST_F(TransformTest, NoBitmapIsNothingToDo) {
    EXPECT_EQ(0, TransformBitmap(nullptr, nullptr, TransformReverseX));
}

} // namespace
