#include "shell/PendingOperations.h"

int CaptureRectangle(FileKind) {
    return 0;
}

void CaptureRectangleToPrinter() {}

void PrintBitmap(HBITMAP, HPALETTE) {}

void PrintText(HANDLE) {}

int EnterCoordinates() {
    return 0;
}

void UpdateStatusCaption() {}
