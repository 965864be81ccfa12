// Cutting the marked rectangle out of the clipboard's bitmap, for the clipboard, a file or the
// printer.
#pragma once

#include <windows.h>

#include "bitmap/FileDialog.h"

// Cuts the rectangle (app.rectClient, put in order with its band redrawn there) out of the
// clipboard's bitmap into a new bitmap of the same format and hands it on by kind: with
// FileKindClipboard the clipboard is emptied and holds the cut-out (and a copy of the palette
// when there was one), so that every image format it offers gives the cut-out; with a file kind
// the image writer of that kind writes it to app.chosenFileName. Returns 1 on success, the
// writer's result when it failed (the writer has reported it), or 0 when the rectangle has no
// width or height, its bitmap cannot be made or the clipboard holds no bitmap (a beep; nothing
// changed).
int CaptureRectangle(FileKind kind);

// Cuts the rectangle out the same way and hands the new bitmap and the clipboard's palette to
// PrintBitmap. Returns 1, or 0 as above.
int CaptureRectangleToPrinter();
