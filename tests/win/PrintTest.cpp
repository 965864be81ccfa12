// Printing on the real queue: the "Print Size and Location" and "Print Text" dialogs driven as a
// user would, pages printed through the printer dialog to the PDF printer, and a printer that
// refuses the job. The printed PDFs are listed in printed.tsv of the folder KOVEL_PRINTED names,
// with what each page must show; tests/win/check_printed_pages.py renders them after the run
// (pdftoppm, pdftotext) and compares.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <set>
#include <string>
#include <vector>

#include "platform/ClipboardAccess.h"
#include "resources/DialogIds.h"
#include "shell/CommandIds.h"
#include "tests/win/ImageTestSupport.h"
#include "tests/win/SelectionTestSupport.h"
#include "tests/win/TestBed.h"
#include "tests/win/UnicodeSamples.h"
#include "views/Printing.h"

namespace {

using A = DialogAction;

// The printer dialog's title under this platform.
const char* const printerDialog = "Print";
// Its list of printers.
const int printerList = 0x473;

// The folder the PDF printer writes into (KOVEL_PDF_DIR) and the list of printed pages.
struct PrintedPages {
    std::string pdfFolder = FolderFromEnvironment("KOVEL_PDF_DIR");
    std::string listFolder = FolderFromEnvironment("KOVEL_PRINTED");

    // The PDF files there now whose names start with prefix.
    std::set<std::string> Files(const std::string& prefix) const {
        std::set<std::string> names;
        WIN32_FIND_DATAA found = {};
        HANDLE search = FindFirstFileA((pdfFolder + "\\" + prefix + "*.pdf").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE) {
            return names;
        }
        do {
            names.insert(found.cFileName);
        } while (FindNextFileA(search, &found));
        FindClose(search);
        return names;
    }

    // Waits (up to 60 s) for a PDF named after the document that was not there before; its
    // name, or "" when none came.
    std::string WaitForNew(const std::string& prefix, const std::set<std::string>& before) const {
        std::string name;
        PumpUntil(
            [&] {
                for (const std::string& file : Files(prefix)) {
                    if (before.count(file) == 0) {
                        name = file;
                        return true;
                    }
                }
                return false;
            },
            60000);
        return name;
    }

    // Adds a line to printed.tsv: the PDF, the kind of check and its values.
    void List(const std::string& pdf, const std::string& kind, const std::string& values) const {
        FILE* list = fopen((listFolder + "\\printed.tsv").c_str(), "ab");
        ASSERT_NE(nullptr, list) << listFolder;
        fprintf(list, "%s\t%s\t%s\n", pdf.c_str(), kind.c_str(), values.c_str());
        fclose(list);
    }
};

// The queue's job number in a PDF's name ("...-job_12.pdf"), 0 when it has none.
int JobNumber(const std::string& pdf) {
    size_t at = pdf.rfind("job_");
    return at == std::string::npos ? 0 : atoi(pdf.c_str() + at + 4);
}

// The default printer's device context (the one the printer dialog offers first).
HDC DefaultPrinterDC() {
    char name[256] = "";
    DWORD size = sizeof name;
    if (!GetDefaultPrinterA(name, &size)) {
        return nullptr;
    }
    return CreateDCA("WINSPOOL", name, nullptr, nullptr);
}

// Printable area and its place on the sheet, in the default printer's pixels.
struct PrinterGeometry {
    int width = 0, height = 0;    // HORZRES, VERTRES
    int offsetX = 0, offsetY = 0; // PHYSICALOFFSETX, PHYSICALOFFSETY
    int dpi = 0;                  // LOGPIXELSX (= LOGPIXELSY on this printer)
    int sheetHeight = 0;          // PHYSICALHEIGHT
    int lineHeight = 0;           // tmHeight of the printer's default font
};

PrinterGeometry DefaultPrinterGeometry() {
    PrinterGeometry geometry;
    HDC printer = DefaultPrinterDC();
    if (printer != nullptr) {
        geometry.width = GetDeviceCaps(printer, HORZRES);
        geometry.height = GetDeviceCaps(printer, VERTRES);
        geometry.offsetX = GetDeviceCaps(printer, PHYSICALOFFSETX);
        geometry.offsetY = GetDeviceCaps(printer, PHYSICALOFFSETY);
        geometry.dpi = GetDeviceCaps(printer, LOGPIXELSX);
        geometry.sheetHeight = GetDeviceCaps(printer, PHYSICALHEIGHT);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(printer, &metrics);
        geometry.lineHeight = metrics.tmHeight;
        DeleteDC(printer);
    }
    return geometry;
}

std::string Values(const PrinterGeometry& g) {
    char text[200];
    snprintf(text, sizeof text, "dpi=%d offx=%d offy=%d paperw=%d paperh=%d physh=%d line=%d",
             g.dpi, g.offsetX, g.offsetY, g.width, g.height, g.sheetHeight, g.lineHeight);
    return text;
}

class PrintTest : public MainWindowFixture {
  protected:
    void SetUp() override {
        ASSERT_NE("", pages.pdfFolder) << "KOVEL_PDF_DIR names no folder (scripts/printer.sh)";
        ASSERT_NE("", pages.listFolder) << "KOVEL_PRINTED names no folder";
        geometry = DefaultPrinterGeometry();
        ASSERT_GT(geometry.width, 0) << "no default printer";
        MainWindowFixture::SetUp();
    }
    // Runs "&Print": OK in the printer dialog, then the actions on the dialog titled `title`.
    // Returns what the actions read.
    std::vector<std::string> Print(const char* title, std::vector<DialogAction> actions) {
        ResetFeedback();
        actions.insert(actions.begin(), {{A::Press, IDOK, ""}, {A::Await, 0, title}});
        DialogRun run =
            CommandWithDialog(CmdPrint, printerDialog, std::move(actions), PrinterWaitMs);
        EXPECT_TRUE(run.finished);
        EXPECT_FALSE(run.escaped) << "the dialog stayed open";
        EXPECT_EQ(title, run.title);
        EXPECT_EQ(app.mainWindow, run.owner);
        EXPECT_TRUE(IsWindowEnabled(app.mainWindow));
        dialogsRan = run.finished && !run.escaped;
        return run.reads;
    }
    // Print() with actions that end in printing, then the wait for the job's PDF, named after
    // the document ("Bitmap" or "Text"): its name, or "" when the dialogs did not all run (there
    // is then nothing to wait for) or no PDF came. reads, when given, receives what the actions
    // read.
    std::string PrintAndWait(const char* document, const char* title,
                             std::vector<DialogAction> actions,
                             std::vector<std::string>* reads = nullptr) {
        std::set<std::string> before = pages.Files(document);
        std::vector<std::string> read = Print(title, std::move(actions));
        if (reads != nullptr) {
            *reads = read;
        }
        if (!dialogsRan) {
            return "";
        }
        std::string pdf = pages.WaitForNew(document, before);
        EXPECT_NE("", pdf) << "no PDF named " << document << " arrived";
        return pdf;
    }
    // Prints a one-page job of its own straight to the default printer and waits for its PDF.
    // The queue prints its jobs one at a time in order, so once this one has arrived every job
    // sent before it has arrived too. Its job number, or 0 when it did not come.
    int WaitUntilQueuePrinted() {
        std::set<std::string> before = pages.Files("QueueMarker");
        HDC printer = DefaultPrinterDC();
        if (printer == nullptr) {
            return 0;
        }
        DOCINFOA document = {};
        document.cbSize = sizeof document;
        document.lpszDocName = "QueueMarker";
        bool sent = StartDocA(printer, &document) > 0 && StartPage(printer) > 0 &&
                    TextOutA(printer, 0, 0, "marker", 6) && EndPage(printer) > 0 &&
                    EndDoc(printer) > 0;
        DeleteDC(printer);
        return sent ? JobNumber(pages.WaitForNew("QueueMarker", before)) : 0;
    }
    // Places an image of 8 x 8 blocks of strong colours (none near white) framed by a one-pixel
    // border of a colour of its own, with a one-pixel black and white checkerboard in block
    // (1, 1): a printed image one pixel too large, too small or shifted shows in every check.
    RgbImage PlaceBlocks(int blocksX, int blocksY) {
        RgbImage image;
        image.width = blocksX * 8;
        image.height = blocksY * 8;
        const uint32_t colors[] = {0xFF0000, 0x00C000, 0x0000FF, 0x000000,
                                   0xFFFF00, 0x00FFFF, 0xFF00FF, 0x808080};
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                uint32_t color = colors[(x / 8 + 3 * (y / 8)) % 8];
                if (x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1) {
                    color = 0x800000;
                } else if (x / 8 == 1 && y / 8 == 1) {
                    color = (x + y) % 2 == 0 ? 0x000000 : 0xFFFFFF;
                }
                image.rgb.push_back(color);
            }
        }
        EXPECT_TRUE(Place(ClipSource::Bitmap(CreateDisplayBitmap(image, nullptr))));
        EXPECT_EQ(ViewBitmap, app.view);
        // The colours the clipboard's bitmap holds at this display depth.
        return ClipboardRgb();
    }
    // A plain bitmap of the size.
    void PlacePlain(int width, int height) {
        RgbImage image;
        image.width = width;
        image.height = height;
        image.rgb.assign(size_t(width) * size_t(height), 0x336699);
        ASSERT_TRUE(Place(ClipSource::Bitmap(CreateDisplayBitmap(image, nullptr))));
        ASSERT_EQ(ViewBitmap, app.view);
    }
    // Lists a printed bitmap: the page must show `expected` at the origin, stretched to the size.
    void ListImage(const std::string& pdf, const RgbImage& expected, int x, int y, int w, int h) {
        ASSERT_NE("", pdf) << "no PDF arrived";
        std::string ppm = pdf + ".ppm";
        ASSERT_TRUE(WritePpm(pages.listFolder + "\\" + ppm, expected));
        char values[200];
        snprintf(values, sizeof values, " x=%d y=%d w=%d h=%d ppm=%s", x, y, w, h, ppm.c_str());
        pages.List(pdf, "image", Values(geometry) + values);
    }
    PrintedPages pages;
    PrinterGeometry geometry;
    bool dialogsRan = false; // the last Print() ran every action and its dialogs closed
};

// ---- The "Print Size and Location" dialog ----

TEST_F(PrintTest, SizeDialogFilledInAndTheAspectRules) {
    PlacePlain(640, 480);
    std::vector<std::string> reads =
        Print("Print Size and Location", {
                                             {A::Read, PrintPaperWidth, ""},
                                             {A::Read, PrintPaperHeight, ""},
                                             {A::Read, PrintImageWidth, ""},
                                             {A::Read, PrintImageHeight, ""},
                                             {A::Read, PrintOriginX, ""},
                                             {A::Read, PrintOriginY, ""},
                                             {A::ReadCheck, PrintKeepAspect, ""},
                                             {A::Type, PrintImageWidth, "1280"},
                                             {A::Focus, PrintImageHeight, ""},
                                             {A::Read, PrintImageHeight, ""},
                                             {A::Type, PrintImageHeight, "240"},
                                             {A::Focus, PrintOriginX, ""},
                                             {A::Read, PrintImageWidth, ""},
                                             {A::Press, IDCANCEL, ""},
                                         });
    std::vector<std::string> expected = {std::to_string(geometry.width),
                                         std::to_string(geometry.height),
                                         "640",
                                         "480",
                                         "0",
                                         "0",
                                         "1",
                                         "960",
                                         "320"};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, feedback.count);
}

// After the keep-aspect box is cleared and set again, leaving the width box derives the height
// even though the width was not edited; typing the same width again leaves the height alone.
TEST_F(PrintTest, KeepAspectSetAgainAndTheSameWidthAgain) {
    PlacePlain(640, 480);
    std::vector<std::string> reads =
        Print("Print Size and Location", {
                                             {A::Press, PrintKeepAspect, ""},
                                             {A::Focus, PrintImageHeight, ""},
                                             {A::Type, PrintImageHeight, "100"},
                                             {A::Focus, PrintImageWidth, ""},
                                             {A::Read, PrintImageWidth, ""},
                                             {A::Press, PrintKeepAspect, ""},
                                             {A::Focus, PrintImageWidth, ""},
                                             {A::Focus, PrintImageHeight, ""},
                                             {A::Read, PrintImageHeight, ""},
                                             {A::Focus, PrintOriginX, ""},
                                             {A::Type, PrintImageHeight, "100"},
                                             {A::Focus, PrintImageWidth, ""},
                                             {A::Type, PrintImageWidth, "640"},
                                             {A::Focus, PrintOriginY, ""},
                                             {A::Read, PrintImageHeight, ""},
                                             {A::Press, IDCANCEL, ""},
                                         });
    // Without the aspect, 100 leaves the width at 640; set again, leaving the unchanged 640
    // derives 480; 640 typed over 640 derives nothing, so the 100 typed meanwhile stays.
    EXPECT_EQ((std::vector<std::string>{"640", "480", "100"}), reads);
    EXPECT_EQ(0, Beeps());
}

struct SizeCase {
    int bitmapWidth, bitmapHeight;
    const char* typed; // into the width box
    const char* widthShown;
    const char* heightShown;
    int beeps;
};

// Truncation, the 32767 limit on a derived size, products past 32 bits, zero, negative and
// non-numeric sizes; empty origin boxes become 0 without a beep.
TEST_F(PrintTest, SizesOutOfRangeBeepAndBecomeZero) {
    const SizeCase cases[] = {
        {3, 1, "100", "100", "33", 0},
        // 98304 x 1 / 3 = 32768: one past the limit.
        {3, 1, "98304", "98304", "0", 1},
        {3, 1, "98303", "98303", "32767", 0},
        // 2000000 x 3000 leaves the 32-bit range.
        {1, 3000, "2000000", "2000000", "0", 1},
        {3, 1, "0", "0", "1", 1},
        {3, 1, "", "0", "1", 1},
        {3, 1, "abc", "0", "1", 1},
        {3, 1, "-30", "0", "1", 1},
    };
    for (const SizeCase& c : cases) {
        PlacePlain(c.bitmapWidth, c.bitmapHeight);
        std::vector<std::string> reads =
            Print("Print Size and Location", {
                                                 {A::Type, PrintImageWidth, c.typed},
                                                 {A::Type, PrintOriginX, ""},
                                                 {A::Focus, PrintOriginX, ""},
                                                 {A::Focus, PrintOriginY, ""},
                                                 {A::Read, PrintImageWidth, ""},
                                                 {A::Read, PrintImageHeight, ""},
                                                 {A::Read, PrintOriginX, ""},
                                                 {A::Press, IDCANCEL, ""},
                                             });
        std::vector<std::string> expected = {c.widthShown, c.heightShown, "0"};
        EXPECT_EQ(expected, reads) << "typed " << c.typed;
        EXPECT_EQ(c.beeps, Beeps()) << "typed " << c.typed;
    }
}

// Enter moves the focus on and never closes the dialog; only the button 301 accepts.
TEST_F(PrintTest, EnterNeverClosesTheSizeDialog) {
    PlaceBlocks(2, 2);
    std::set<std::string> before = pages.Files("Bitmap");
    std::vector<std::string> reads =
        Print("Print Size and Location", {
                                             {A::Focus, PrintImageWidth, ""},
                                             {A::Enter, 0, ""},
                                             {A::ReadFocus, 0, ""},
                                             {A::Enter, 0, ""},
                                             {A::ReadFocus, 0, ""},
                                             {A::Press, IDCANCEL, ""},
                                         });
    EXPECT_EQ(
        (std::vector<std::string>{std::to_string(PrintImageHeight), std::to_string(PrintOriginX)}),
        reads);
    // Cancel: nothing printed, checked once the queue has printed everything sent before. (A
    // Bitmap job numbered after the marker was sent after it, by another program.)
    int marker = WaitUntilQueuePrinted();
    ASSERT_GT(marker, 0) << "the queue printed nothing within its time";
    for (const std::string& file : pages.Files("Bitmap")) {
        EXPECT_TRUE(before.count(file) == 1 || JobNumber(file) > marker) << file << " printed";
    }
}

// ---- Printed bitmaps ----

// At the default size one bitmap pixel is one printer pixel; at double size each becomes 2 x 2.
TEST_F(PrintTest, BitmapAtItsSizeAndAtDoubleSize) {
    RgbImage shown = PlaceBlocks(6, 4);
    ASSERT_EQ(48, shown.width);
    const struct {
        const char* width;
        int x, y, w, h;
    } cases[] = {{"48", 300, 500, 48, 32}, {"96", 1000, 40, 96, 64}};
    for (const auto& c : cases) {
        std::string pdf = PrintAndWait("Bitmap", "Print Size and Location",
                                       {
                                           {A::Type, PrintImageWidth, c.width},
                                           {A::Focus, PrintImageHeight, ""},
                                           {A::Type, PrintOriginX, std::to_string(c.x)},
                                           {A::Type, PrintOriginY, std::to_string(c.y)},
                                           {A::Press, PrintOk, ""},
                                       });
        EXPECT_EQ(0, feedback.count);
        EXPECT_EQ(c.w, printLayout.imageWidth);
        EXPECT_EQ(c.h, printLayout.imageHeight);
        ListImage(pdf, shown, c.x, c.y, c.w, c.h);
    }
}

// A marked rectangle prints only the cut-out, at its own size by default; the clipboard keeps
// the whole image and the rectangle stays marked where it was.
TEST_F(PrintTest, AMarkedRectanglePrintsOnlyTheCutOut) {
    RgbImage shown = PlaceBlocks(6, 4);
    ASSERT_EQ(48, shown.width);
    DragMouse(app.mainWindow, {{8, 8}, {40, 24}});
    ASSERT_EQ(1, app.rectShown);
    std::string pdf = PrintAndWait("Bitmap", "Print Size and Location",
                                   {
                                       {A::Type, PrintOriginX, "300"},
                                       {A::Type, PrintOriginY, "500"},
                                       {A::Press, PrintOk, ""},
                                   });
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(32, printLayout.imageWidth);
    EXPECT_EQ(16, printLayout.imageHeight);
    ListImage(pdf, Cut(shown, {8, 8, 40, 24}), 300, 500, 32, 16);
    EXPECT_EQ(nullptr, GetOpenClipboardWindow());
    EXPECT_EQ(1, app.rectShown);
    EXPECT_EQ(48, ClipboardRgb().width);
    RECT band = {8, 8, 40, 24};
    EXPECT_EQ("", BandFault(app.mainWindow, &band));
}

// ---- Text ----

// Enter in an origin box accepts the "Print Text" dialog.
TEST_F(PrintTest, TextDialogFilledInAndEnterAccepts) {
    ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, "Enter accepts")));
    ASSERT_EQ(ViewAnsiText, app.view);
    std::vector<std::string> reads;
    std::string pdf = PrintAndWait("Text", "Print Text",
                                   {
                                       {A::Read, PrintPaperWidth, ""},
                                       {A::Read, PrintPaperHeight, ""},
                                       {A::Read, PrintOriginX, ""},
                                       {A::Read, PrintOriginY, ""},
                                       {A::Type, PrintOriginX, "abc"},
                                       {A::Focus, PrintOriginX, ""},
                                       {A::Focus, PrintOriginY, ""},
                                       {A::Read, PrintOriginX, ""},
                                       {A::Type, PrintOriginY, "300"},
                                       {A::Enter, 0, ""},
                                   },
                                   &reads);
    std::vector<std::string> expected = {std::to_string(geometry.width),
                                         std::to_string(geometry.height), "0", "0", "0"};
    EXPECT_EQ(expected, reads);
    EXPECT_EQ(0, feedback.count);
    EXPECT_EQ(0, printLayout.originX);
    EXPECT_EQ(300, printLayout.originY);
    ASSERT_NE("", pdf);
    pages.List(pdf, "text", Values(geometry) + " x=0 y=300 pages=1 file=Enter accepts");
}

// A line longer than the room right of the corner wraps between words; a text longer than the
// page goes on on a second page, starting at the corner again. The words are numbered, so the
// check sees each one exactly once and in order.
TEST_F(PrintTest, TextWrapsBetweenWordsAndGoesOnToASecondPage) {
    std::string text;
    for (int i = 1; i <= 60; ++i) {
        text += "word" + std::to_string(i) + (i % 20 == 0 ? "\r\n" : " ");
    }
    // Enough lines for more than one page at any usual font size.
    for (int i = 1; i <= 100; ++i) {
        text += "line" + std::to_string(i) + "\r\n";
    }
    ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, text)));
    std::string expectedFile = "wrap.txt";
    FILE* file = fopen((pages.listFolder + "\\" + expectedFile).c_str(), "wb");
    ASSERT_NE(nullptr, file);
    fwrite(text.data(), 1, text.size(), file);
    fclose(file);
    int x = geometry.width - 600;
    std::string pdf = PrintAndWait("Text", "Print Text",
                                   {
                                       {A::Type, PrintOriginX, std::to_string(x)},
                                       {A::Type, PrintOriginY, "200"},
                                       {A::Press, IDOK, ""},
                                   });
    EXPECT_EQ(0, feedback.count);
    ASSERT_NE("", pdf);
    pages.List(pdf, "words",
               Values(geometry) + " x=" + std::to_string(x) +
                   " y=200 minpages=2 file=" + expectedFile);
}

// OEM text prints as the OEM view shows it: box-drawing characters and an accented letter.
TEST_F(PrintTest, OemTextPrintsItsOwnCharacters) {
    // A box in code page 437, and "café" with é as 0x82.
    const char oem[] = "\xDA\xC4\xC4\xBF\r\n\xB3  \xB3\r\n\xC0\xC4\xC4\xD9\r\ncaf\x82";
    ASSERT_TRUE(Place(ClipSource::Text(CF_OEMTEXT, oem)));
    ASSERT_EQ(ViewOemText, app.view);
    std::string pdf = PrintAndWait("Text", "Print Text", {{A::Press, IDOK, ""}});
    ASSERT_NE("", pdf);
    // The characters as UTF-8: U+250C U+2500 U+2500 U+2510 / U+2502 U+2502 / U+2514 U+2500
    // U+2500 U+2518 / café.
    pages.List(pdf, "text",
               Values(geometry) + " x=0 y=0 pages=1 file=\xE2\x94\x8C\xE2\x94\x80\xE2\x94\x80"
                                  "\xE2\x94\x90|\xE2\x94\x82  \xE2\x94\x82|\xE2\x94\x94\xE2\x94"
                                  "\x80\xE2\x94\x80\xE2\x94\x98|caf\xC3\xA9");
    // The clipboard's text is untouched.
    ASSERT_TRUE(OpenClipboardRetry(other));
    const char* still = static_cast<const char*>(GlobalLock(GetClipboardData(CF_OEMTEXT)));
    ASSERT_NE(nullptr, still);
    EXPECT_EQ(0, memcmp(oem, still, sizeof oem));
    GlobalUnlock(GetClipboardData(CF_OEMTEXT));
    CloseClipboard();
}

// Unicode text in the ANSI view prints every script, each line's characters in the PDF's text
// layer: characters the printer's font lacks print from its linked fonts. Characters outside the
// Basic Multilingual Plane print as glyphs that reach no text layer here (Wine's PostScript
// driver names them after the font's glyph names, and the PDF converter maps only names of the
// Basic Multilingual Plane to characters), so the last line is judged by its ink: each of its
// characters is a glyph, the one its font names with an empty string too.
TEST_F(PrintTest, UnicodeTextPrintsEveryScript) {
    std::wstring text;
    std::string lines;
    int glyphs = 0;
    for (const ScriptSample& sample : ScriptSamples()) {
        text += sample.text + L"\r\n";
        if (sample.utf8.find('\xF0') == std::string::npos) {
            ASSERT_EQ(0, glyphs) << "the line judged by its ink comes last";
            lines += (lines.empty() ? "" : "|") + sample.utf8;
        } else {
            glyphs += int(sample.text.size() / 2);
        }
    }
    ASSERT_TRUE(Place(UnicodeSource(text)));
    ASSERT_EQ(ViewAnsiText, app.view);
    std::set<std::string> before = pages.Files("Text");
    Print("Print Text", {{A::Press, IDOK, ""}});
    std::string pdf = pages.WaitForNew("Text", before);
    ASSERT_NE("", pdf);
    pages.List(pdf, "chars",
               Values(geometry) + " glyphs=" + std::to_string(glyphs) + " file=" + lines);
}

// ---- A printer that fails ----

// A queue that rejects jobs ("Refuser", set up beside the PDF queue), chosen in the printer
// dialog: the "ERROR" box after the standard beep, and the main window enabled with the focus.
TEST_F(PrintTest, AFailingPrinterGivesTheErrorBox) {
    const struct {
        const char* what;
        unsigned format;
        const char* dialog;
    } cases[] = {{"text", CF_TEXT, "Print Text"}, {"bitmap", CF_BITMAP, "Print Size and Location"}};
    for (const auto& c : cases) {
        if (c.format == CF_TEXT) {
            ASSERT_TRUE(Place(ClipSource::Text(CF_TEXT, "refused")));
        } else {
            PlaceBlocks(2, 2);
        }
        ResetFeedback();
        DialogRun run = CommandWithDialog(CmdPrint, printerDialog,
                                          {{A::Choose, printerList, "Refuser"},
                                           {A::Press, IDOK, ""},
                                           {A::Await, 0, c.dialog},
                                           {A::Press, c.format == CF_TEXT ? IDOK : PrintOk, ""}},
                                          PrinterWaitMs);
        EXPECT_TRUE(run.finished) << c.what;
        EXPECT_EQ(c.dialog, run.title) << c.what;
        ASSERT_EQ(2, feedback.count) << c.what;
        EXPECT_EQ(FeedbackBeep, feedback.events[0].kind) << c.what;
        EXPECT_EQ(FeedbackBox, feedback.events[1].kind) << c.what;
        EXPECT_STREQ("ERROR", feedback.events[1].title) << c.what;
        EXPECT_EQ(app.mainWindow, feedback.events[1].owner) << c.what;
        EXPECT_TRUE(IsWindowEnabled(app.mainWindow)) << c.what;
        EXPECT_EQ(app.mainWindow, GetFocus()) << c.what;
    }
}

} // namespace
