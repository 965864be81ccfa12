#include "shell/PendingOperations.h"

void PrintBitmap(HBITMAP, HPALETTE) {}

void PrintText(HANDLE) {}
