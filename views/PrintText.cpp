#include <vector>

#include "shell/AppState.h"
#include "views/PrinterJob.h"
#include "views/Printing.h"
#include "views/TextLines.h"

namespace {

int64_t MeasureOnPrinter(void* context, const uint16_t* text, size_t length) {
    SIZE size = {};
    if (length > 0x7FFFFFFF)
        length = 0x7FFFFFFF;
    GetTextExtentPoint32W(static_cast<HDC>(context), reinterpret_cast<const WCHAR*>(text),
                          int(length), &size);
    return size.cx;
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
bool PrintPages(HDC printer, const std::vector<uint16_t>& text) {
    int32_t width = printLayout.paperWidth - printLayout.originX;
    int32_t height = printLayout.paperHeight - printLayout.originY;
    std::vector<TextLine> lines;
    if (width > 0 && height > 0)
        lines = BreakTextLines(text.data(), text.size(), width, MeasureOnPrinter, printer);
    if (lines.empty()) {
        // The corner lies outside the printable area, or there is no text: one empty page.
        return BeginPrintPage(printer) && EndPrintPage(printer);
    }
    TEXTMETRICW metrics = {};
    GetTextMetricsW(printer, &metrics);
    int32_t lineHeight = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
    size_t perPage = size_t(height / lineHeight > 0 ? height / lineHeight : 1);
    for (size_t first = 0; first < lines.size(); first += perPage) {
        if (!BeginPrintPage(printer))
            return false;
        for (size_t i = first; i < lines.size() && i < first + perPage; ++i) {
            const TextLine& line = lines[i];
            TextOutW(printer, printLayout.originX,
                     printLayout.originY + int32_t(i - first) * lineHeight,
                     reinterpret_cast<const WCHAR*>(text.data() + line.start), int(line.length));
        }
        if (!EndPrintPage(printer))
            return false;
    }
    return true;
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
        EndPrintJob(printer, PrintPages(printer, wide));
    }
    DeleteDC(printer);
}
