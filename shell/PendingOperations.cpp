#include "shell/PendingOperations.h"

int CaptureRectangle(FileKind) {
    return 0;
}

void CaptureRectangleToPrinter() {}

int TextToBitmap(FileKind) {
    return 0;
}

int EnterCoordinates() {
    return 0;
}

void UpdateStatusCaption() {}
