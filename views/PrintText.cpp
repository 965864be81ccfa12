#include <vector>

#include "shell/AppState.h"
#include "views/FontFallback.h"
#include "views/PrinterJob.h"
#include "views/Printing.h"
#include "views/TextLines.h"

namespace {

// The printer, and for Unicode text the linked fonts that stand in for characters its font lacks.
struct PrintFonts {
    HDC printer;
    FontFallback* fallback; // null: everything in the printer's font, as OEM text always was
};

int64_t MeasureOnPrinter(void* context, const uint16_t* text, size_t length) {
    const PrintFonts* fonts = static_cast<const PrintFonts*>(context);
    if (length > 0x7FFFFFFF)
        length = 0x7FFFFFFF;
    const WCHAR* chars = reinterpret_cast<const WCHAR*>(text);
    if (fonts->fallback != nullptr)
        return LineWidthWithFallback(fonts->fallback, chars, length);
    SIZE size = {};
    GetTextExtentPoint32W(fonts->printer, chars, int(length), &size);
    return size.cx;
}

void PrintLine(const PrintFonts& fonts, int x, int y, const WCHAR* text, size_t length) {
    if (fonts.fallback == nullptr) {
        TextOutW(fonts.printer, x, y, text, int(length));
        return;
    }
    RECT page = {0, 0, printLayout.paperWidth, printLayout.paperHeight};
    DrawLineWithFallback(fonts.fallback, x, y, page, text, length);
}

// The clipboard's text as UTF-16, read from the OEM code page for OEM text so that box-drawing
// characters and accented letters print as the OEM view shows them. The block may lack its
// terminating zero: it is read up to its own size at most.
std::vector<uint16_t> TextOfBlock(HANDLE block, bool oem) {
    std::vector<uint16_t> wide;
    const char* bytes = static_cast<const char*>(GlobalLock(block));
    if (bytes == nullptr)
        return wide;
    SIZE_T size = GlobalSize(block);
    SIZE_T length = 0;
    while (length < size && bytes[length] != 0)
        ++length;
    if (length > 0x7FFFFFFF)
        length = 0x7FFFFFFF;
    UINT codePage = oem ? CP_OEMCP : CP_ACP;
    int count = MultiByteToWideChar(codePage, 0, bytes, int(length), nullptr, 0);
    if (count > 0) {
        wide.resize(size_t(count));
        MultiByteToWideChar(codePage, 0, bytes, int(length), reinterpret_cast<WCHAR*>(&wide[0]),
                            count);
    }
    GlobalUnlock(block);
    return wide;
}

// The clipboard's Unicode text up to its NUL or the end of its block (an odd last byte left out).
std::vector<uint16_t> UnicodeTextOfBlock(HANDLE block) {
    std::vector<uint16_t> wide;
    const uint16_t* units = static_cast<const uint16_t*>(GlobalLock(block));
    if (units == nullptr)
        return wide;
    SIZE_T count = GlobalSize(block) / 2;
    SIZE_T length = 0;
    while (length < count && units[length] != 0)
        ++length;
    wide.assign(units, units + length);
    GlobalUnlock(block);
    return wide;
}

// Prints the lines from the chosen corner, as many to a page as fit above the printable area's
// bottom edge, each page starting at the corner again. False when the printer refused a page.
bool PrintPages(HDC printer, const std::vector<uint16_t>& text, bool unicode) {
    int32_t width = printLayout.paperWidth - printLayout.originX;
    int32_t height = printLayout.paperHeight - printLayout.originY;
    FontFallback fallback;
    OpenFontFallback(&fallback, printer);
    PrintFonts fonts = {printer, unicode ? &fallback : nullptr};
    std::vector<TextLine> lines;
    if (width > 0 && height > 0)
        lines = BreakTextLines(text.data(), text.size(), width, MeasureOnPrinter, &fonts);
    bool printed = true;
    if (lines.empty()) {
        // The corner lies outside the printable area, or there is no text: one empty page.
        printed = BeginPrintPage(printer) && EndPrintPage(printer);
    }
    int32_t lineHeight = fallback.metrics.tmHeight > 0 ? fallback.metrics.tmHeight : 1;
    size_t perPage = size_t(height / lineHeight > 0 ? height / lineHeight : 1);
    for (size_t first = 0; printed && first < lines.size(); first += perPage) {
        printed = BeginPrintPage(printer);
        for (size_t i = first; printed && i < lines.size() && i < first + perPage; ++i) {
            const TextLine& line = lines[i];
            PrintLine(fonts, printLayout.originX,
                      printLayout.originY + int32_t(i - first) * lineHeight,
                      reinterpret_cast<const WCHAR*>(text.data() + line.start), line.length);
        }
        printed = printed && EndPrintPage(printer);
    }
    CloseFontFallback(&fallback);
    return printed;
}

} // namespace

void PrintText(HANDLE text) {
    if (text == nullptr)
        return;
    HDC printer = ChoosePrinterAndLayout("PrintTextDlgBox", PrintTextDlgProc);
    if (printer == nullptr)
        return;
    if (BeginPrintJob(printer, "Text")) {
        // The ANSI view prints the Unicode text, as it shows it; the caller holds the clipboard
        // open.
        HANDLE unicode = app.view == ViewOemText ? nullptr : GetClipboardData(CF_UNICODETEXT);
        std::vector<uint16_t> wide = unicode != nullptr
                                         ? UnicodeTextOfBlock(unicode)
                                         : TextOfBlock(text, app.view == ViewOemText);
        EndPrintJob(printer, PrintPages(printer, wide, unicode != nullptr));
    }
    DeleteDC(printer);
}
