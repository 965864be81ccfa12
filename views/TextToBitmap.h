// "Text to bitmap": the clipboard's text rendered on a screen-sized page in black and white, added
// to the clipboard or saved as an image file.
#pragma once

#include <windows.h>

#include "bitmap/FileDialog.h"

// Renders the text of the current view (app.view, app.blackOnWhite) exactly as the text view
// shows it, on a page of the screen's size: monochrome on a display of 8 bits or fewer, of the
// display's depth above, holding only black and white, with a two-entry black and white palette.
// FileKindClipboard adds the page and palette to the clipboard as CF_BITMAP and CF_PALETTE beside
// the text; FileKindBmp, FileKindGif, FileKindPcx and FileKindTif hand them to the writer of that
// kind, which writes app.chosenFileName. Any other kind does nothing and returns 0.
//
// Returns 1 when the page was placed, the writer's result for a file, or 0 when nothing was
// done. A page that cannot be created, or cannot be put on the clipboard, is reported in a box
// (after the beep) and gives TextPageFailed.
int TextToBitmap(FileKind kind);

// The same with a page of the given size (the screen's size above; tests ask for one too large
// to create).
int TextToBitmapSized(FileKind kind, int width, int height);

constexpr int TextPageFailed = -1;
