// The writers that save a device bitmap and its palette to app.chosenFileName. Each fetches the
// rows with GetDIBits in bands and hands them to the platform-free encoder of its format. The
// file is written beside its target and replaces it only when complete: a failed save leaves an
// existing file exactly as it was, and says why in an "ERROR" box.
//
// Results: 0 the bitmap was null; 1 the file was written; 3 a depth the format does not take (a
// beep); 4 and above the file could not be written (reported in a box), as the EncodeResult
// values. GIF reduces 16-, 24- and 32-bit images to at most 256 colours (with error diffusion
// while app.gifDithering is set).
#pragma once

#include <windows.h>

#include "bitmap/FileDialog.h"

int SaveBmpFile(HBITMAP bitmap, HPALETTE palette);
int SaveGifFile(HBITMAP bitmap, HPALETTE palette);
int SaveTifFile(HBITMAP bitmap, HPALETTE palette); // reads app.tifCompression
int SavePcxFile(HBITMAP bitmap, HPALETTE palette);
int SavePngFile(HBITMAP bitmap, HPALETTE palette);

// The writer of an image file kind: the one table every save of a bitmap, a marked rectangle or
// a rendered text page goes through. Kinds that are not image files give the TIF writer.
using ImageWriter = int (*)(HBITMAP bitmap, HPALETTE palette);
ImageWriter ImageWriterOf(FileKind kind);
