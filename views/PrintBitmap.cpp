#include "bitmap/PackedDib.h"
#include "shell/AppState.h"
#include "views/PrinterJob.h"
#include "views/Printing.h"

PrintLayout printLayout;

void PrintBitmap(HBITMAP bitmap, HPALETTE palette) {
    BITMAP bm = {};
    if (bitmap == nullptr || GetObjectA(bitmap, sizeof bm, &bm) == 0)
        return;
    printLayout = PrintLayout{};
    printLayout.bitmapWidth = bm.bmWidth;
    printLayout.bitmapHeight = bm.bmHeight;
    HDC printer = ChoosePrinterAndLayout("PrintBmpDlgBox", PrintBmpDlgProc);
    if (printer == nullptr)
        return;
    if (!BeginPrintJob(printer, "Bitmap")) {
        DeleteDC(printer);
        return;
    }
    HGLOBAL dib = DibFromBitmap(bitmap, palette);
    if (GetDeviceCaps(printer, BITSPIXEL) > 2)
        SetStretchBltMode(printer, COLORONCOLOR);
    bool sent = dib != nullptr && BeginPrintPage(printer);
    if (sent) {
        // A zero-sized image leaves the page blank: nothing is drawn, and nothing failed.
        if (printLayout.imageWidth != 0 && printLayout.imageHeight != 0) {
            int lines = StretchDIBits(
                printer, printLayout.originX, printLayout.originY, printLayout.imageWidth,
                printLayout.imageHeight, 0, 0, printLayout.bitmapWidth, printLayout.bitmapHeight,
                currentDibBits, reinterpret_cast<BITMAPINFO*>(currentDib), DIB_RGB_COLORS, SRCCOPY);
            sent = lines != 0 && lines != int(GDI_ERROR);
        }
        sent = EndPrintPage(printer) && sent;
    }
    EndPrintJob(printer, sent);
    if (dib != nullptr) {
        GlobalUnlock(dib);
        GlobalFree(dib);
    }
    DeleteDC(printer);
}
