// Operations whose work is not built yet: printing. The commands that reach them already check
// their conditions and show their boxes; these do nothing visible.
#pragma once

#include <windows.h>

void PrintBitmap(HBITMAP bitmap, HPALETTE palette);
void PrintText(HANDLE text);
