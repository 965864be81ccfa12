// Operations whose work is not built yet: rectangle capture, the coordinates dialog, the
// status caption, printing and text rendering. The commands that reach them already check
// their conditions and show their boxes; these do nothing visible and report that nothing was
// done.
#pragma once

#include <windows.h>

#include "bitmap/FileDialog.h"

int CaptureRectangle(FileKind kind);
void CaptureRectangleToPrinter();
void PrintBitmap(HBITMAP bitmap, HPALETTE palette);
void PrintText(HANDLE text);
int EnterCoordinates();
void UpdateStatusCaption();
