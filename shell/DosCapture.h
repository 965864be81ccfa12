// Screens of DOS programs, left as "DKOVL*.BMP" files in the temporary directory by a
// DOS-side capturer, are picked up one at a time.
#pragma once

#include <windows.h>

// Finds the next capture file, opens it for reading and writing and returns the handle, or
// INVALID_HANDLE_VALUE when there is none or it cannot be opened. app.dosCapturePath names the
// file that was tried. A temporary directory too long for the 256-byte path is not searched.
HANDLE OpenNextDosCapture();

// Loads the next capture onto the clipboard (mirrored top to bottom) and deletes its file,
// whatever the reader said. Returns 0 when there was no capture to load.
int LoadNextDosCapture();
