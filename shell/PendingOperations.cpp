#include "shell/PendingOperations.h"

int TextToBitmap(FileKind) {
    return 0;
}

void PrintBitmap(HBITMAP, HPALETTE) {}

void PrintText(HANDLE) {}
