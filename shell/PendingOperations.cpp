#include "shell/PendingOperations.h"

int CaptureRectangle(FileKind) {
    return 0;
}

void CaptureRectangleToPrinter() {}

int EnterCoordinates() {
    return 0;
}

void UpdateStatusCaption() {}
