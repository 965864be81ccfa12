// Helpers of the image tests: source bitmaps of every depth, pixels as GetDIBits reports them,
// clipboard placement, commands run through their file dialogs, a watch on the progress
// window, and the folder of saved files that the decoder check reads after the Wine run.
#pragma once

#include <windows.h>

#include <stdint.h>

#include <string>
#include <vector>

#include "tests/win/TestBed.h"

// ---- Images ----

// Colours as 0x00RRGGBB, top row first.
struct RgbImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;
    uint32_t At(int x, int y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
};

// Palette indices, one per pixel, top row first, with the colours they stand for.
struct IndexedImage {
    int width = 0;
    int height = 0;
    int bitCount = 8; // 1, 4 or 8
    std::vector<uint8_t> indices;
    std::vector<RGBQUAD> colors; // 2, 16 or 256 entries
};

// A reproducible pseudo-random number sequence.
uint32_t NextRandom(uint32_t* state);

// Distinct random colours (the first two black and white when bw is set).
std::vector<RGBQUAD> RandomColors(int count, uint32_t seed, bool bw = false);

// Indices that use every colour, in runs of random length (so the encoders meet both runs and
// literals), width x height at bitCount bits.
IndexedImage RandomIndexed(int width, int height, int bitCount, uint32_t seed, bool bw = false);

// Random colours in horizontal runs, width x height.
RgbImage RandomRgb(int width, int height, uint32_t seed);

// The colours an indexed image stands for.
RgbImage ColorsOf(const IndexedImage& image);

// The colour table a device bitmap of 1, 4 or 8 bits (CreateBitmap) keeps whatever palette it is
// drawn or read with, as measured on Wine: black and white at 1 bit; the 16 VGA colours at 4
// bits; at 8 bits the 20 static system colours (10 at each end) around 236 entries whose index
// bits give the colour (red from bits 0-2, green from bits 3-5, blue from bits 6-7).
std::vector<RGBQUAD> DeviceDefaultTable(int bitCount);

// The colours a device bitmap of the image's depth shows for the image's indices: the default
// table's entries (not the image's own colours, which such a bitmap does not keep).
RgbImage DeviceColorsOf(const IndexedImage& image);

// What an 8-bit display guarantees for colours drawn onto it: every pixel within `limit` of its
// colour in each channel, and the pixels of one colour all showing one colour. "" when shown
// keeps that for colors, else the first pixel that does not (an empty image never does).
std::string FirstFarColor(const RgbImage& shown, const RgbImage& colors, int limit = 0x60);

// The image cut at `area` (right and bottom edges excluded), black past its edges.
RgbImage Cut(const RgbImage& image, const RECT& area);

// The image mirrored top to bottom.
RgbImage UpsideDown(const RgbImage& image);

// Where a 16-bit display keeps a colour: five bits per channel, read back with the top bits
// repeated below them.
uint32_t FiveBitColor(uint32_t rgb);

// ---- Device bitmaps ----

// A logical palette of the colours.
HPALETTE CreatePaletteOf(const std::vector<RGBQUAD>& colors);

// A device bitmap of the image's depth (CreateBitmap) holding its indices; as measured on Wine,
// the bitmap keeps its own default colour table, so what it shows is read with ReadBitmapRgb.
HBITMAP CreateIndexedBitmap(const IndexedImage& image);

// A device bitmap of the display's format (CreateCompatibleBitmap on the screen) drawn from the
// colours, with the palette realised when one is given.
HBITMAP CreateDisplayBitmap(const RgbImage& image, HPALETTE palette);

// A DIB section of the image's depth with the image's own colour table, which GDI keeps
// exactly (unlike a device bitmap of 1, 4 or 8 bits).
HBITMAP CreateSectionBitmap(const IndexedImage& image);

// A device bitmap of 16, 24 or 32 bits (CreateBitmap) drawn from the colours.
HBITMAP CreateMemoryBitmap(const RgbImage& image, int bits);

// bmPlanes x bmBitsPixel of a bitmap; its width and height.
int BitmapDepth(HBITMAP bitmap);
SIZE BitmapSize(HBITMAP bitmap);

// The rows of a bitmap as GetDIBits reports them at fetchDepth bits (1, 4, 8 or 24), in a memory
// context with the palette selected as a background palette and realised, the way the writers
// fetch them. indices receives the pixel indices and table the colour table at 1, 4 and 8 bits.
RgbImage ReadBitmapRgb(HBITMAP bitmap, HPALETTE palette, int fetchDepth,
                       std::vector<uint8_t>* indices = nullptr,
                       std::vector<RGBQUAD>* table = nullptr);

// The depth the writers fetch a bitmap at: 1, 4, 8 as they are, 16 and 32 as 24.
int FetchDepthOf(int depth);

// The entries of a logical palette.
std::vector<PALETTEENTRY> PaletteEntries(HPALETTE palette);

// A text page as the text view and "Text to bitmap" must draw it, drawn independently of them:
// a monochrome bitmap of the screen's size filled white (black when !blackOnWhite), each line of
// `text` (lines end at "\r\n") drawn with ExtTextOutA in the stock `font` (SYSTEM_FONT or
// OEM_FIXED_FONT) at x = 0, one font height below the one before, in black (white), clipped one
// pixel short of the page's right and bottom edges; tabs and "&" go to the font as they are.
// A text that shows every way a page can go wrong: "&" and a tab drawn as themselves, a line
// wider than the screen, and more lines than the screen holds.
std::string LongText();

HBITMAP DrawExpectedTextPage(const std::string& text, int font, bool blackOnWhite);

// The colours of that page, top row first.
RgbImage ExpectedTextPage(const std::string& text, int font, bool blackOnWhite);

// ---- Clipboard ----

// A packed DIB of an indexed image, with `tableEntries` colours in its table (biClrUsed).
std::vector<uint8_t> PackedDibOf(const IndexedImage& image, int tableEntries);

// A BMP file of an indexed image with its full colour table.
std::vector<uint8_t> BmpFileOf(const IndexedImage& image);

// What the clipboard's CF_BITMAP shows, read with CF_PALETTE at the writers' fetch depth
// (opens and closes the clipboard). depth receives the bitmap's own depth.
RgbImage ClipboardRgb(int* depth = nullptr);

// The clipboard's CF_BITMAP and CF_PALETTE handles (null when absent).
void ClipboardHandles(HBITMAP* bitmap, HPALETTE* palette);

// ---- Commands ----

// Counts the "Processing..." windows (top-level STATIC popups with a dialog frame) created and
// destroyed on this thread while it exists.
class ProgressWatch {
  public:
    ProgressWatch();
    ~ProgressWatch();
    ProgressWatch(const ProgressWatch&) = delete;
    ProgressWatch& operator=(const ProgressWatch&) = delete;
    int Created() const;
    int Destroyed() const;
};

// ---- Files ----

std::vector<uint8_t> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
bool FileExists(const std::string& path);

// A Windows path for a folder named by an environment variable holding a Unix or Windows path
// (Unix paths are reached through Wine's Z: drive); empty when the variable is not set.
std::string FolderFromEnvironment(const char* variable);

// A new empty folder under the temporary folder, for one test's files.
std::string FreshTempFolder(const char* name);

// Files of the decoder check: every saved file with the colours it must decode to, listed in
// manifest.tsv (file, format, depth, compression, width, height, expected PPM, palette kind,
// notes), the layout tests/oracles/check_corpus.py reads.
class SavedFiles {
  public:
    // Opens the folder named by KOVEL_SAVED_FILES. Without it the test fails (like the test bed's
    // other variables) and the files go to a temporary folder that nobody decodes.
    SavedFiles();
    ~SavedFiles();
    SavedFiles(const SavedFiles&) = delete;
    SavedFiles& operator=(const SavedFiles&) = delete;
    bool Decoded() const { return fromEnvironment; } // the decoder check will read the folder
    std::string PathOf(const std::string& file) const { return folder + "\\" + file; }
    // Lists a file saved under PathOf(file). palette: "bw", "color" or "rgb". The expected
    // colours are written to file + ".ppm", or, when `sharedPpm` names a list written before for
    // another file of the same image, that one is used.
    bool Add(const std::string& file, const char* format, int depth, const char* compression,
             const RgbImage& expected, const char* palette, const std::string& notes,
             const std::string& sharedPpm = "");

  private:
    std::string folder;
    bool fromEnvironment = false;
    FILE* manifest = nullptr;
};

// Writes an image as a binary PPM.
bool WritePpm(const std::string& path, const RgbImage& image);

// Reads a binary PPM (P6, maxval 255); an empty image when it cannot.
RgbImage ReadPpm(const std::string& path);

// "(x,y) has 0x..., expected 0x..." for the first differing pixel, or "" when equal. Images
// that are empty (or hold fewer pixels than their size) never compare equal.
std::string FirstDifference(const RgbImage& got, const RgbImage& expected);

// The colours a display of this depth shows for `colors`: exact at 24 and 32 bits, five bits a
// channel at 16; unchanged at 8 bits, where the display chooses its own colours.
RgbImage OnDisplay(const RgbImage& colors);

// Compares what the clipboard shows with the colours of an image read onto it: exactly as
// OnDisplay gives them at 16 bits and more; at 8 bits every pixel near its colour and pixels of
// one colour showing one colour. "" when they agree, else the first difference.
std::string CompareOnDisplay(const RgbImage& shown, const RgbImage& colors);

// ---- Pictures known within a tolerance ----

// "" when the images have one size and every pixel of `shown` lies within `tolerance` of its
// colour in each channel; else the first pixel that does not (and the largest difference).
std::string FirstBeyond(const RgbImage& shown, const RgbImage& colors, int tolerance);

// CompareOnDisplay for colours known within `tolerance` (a lossy file as another decoder reads
// it): at 16 bits and more every pixel within tolerance of what the display shows for its colour
// (plus one five-bit step at 16 bits); at 8 bits within 0x60 + tolerance. With tolerance 0 it
// is CompareOnDisplay.
std::string CompareOnDisplayWithin(const RgbImage& shown, const RgbImage& colors, int tolerance);
// ---- GIF of pictures deeper than 8 bits ----

// What a GIF save of a 16-, 24- or 32-bit picture must decode to: its pixels as the writers
// fetch them at 24 bits, reduced to at most 256 colours by the encoders' colour reduction (with
// or without dithering), in the order the writer hands the rows over. A picture of at most 256
// colours comes back as it is. Empty when the reduction fails.
RgbImage GifColoursOf(const RgbImage& fetched, bool dither);

// Root-mean-square distance per pixel over red, green and blue; a huge value for images of
// different sizes.
double RmsDistance(const RgbImage& a, const RgbImage& b);

// The largest distance between a GIF's colours and its source that the tests accept. Random
// colours spread over the whole cube (RandomRgb, the hardest case) measured up to 19.3 with and
// without dithering (700 x 200, thousands of colours for 256 entries); smooth pictures stay far
// below (a two-channel gradient of 65536 colours: about 7).
constexpr double GifDistanceBound = 24.0;
