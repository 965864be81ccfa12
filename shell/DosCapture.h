// Screens of DOS programs, left as "DKOVL*.BMP" files in the temporary directory by a
// DOS-side capturer, are picked up one at a time.
#pragma once

#include <windows.h>

// Finds the next capture file, opens it for reading and writing and returns the handle, or
// INVALID_HANDLE_VALUE when there is none or it cannot be opened. app.dosCapturePath names the
// file that was tried. The folder is TempFolderPath's. A temporary directory too long for the
// 256-byte path is not searched.
HANDLE OpenNextDosCapture();

enum DosCaptureResult : int {
    DosCaptureNone = 0, // no capture file, or it could not be opened
    DosCaptureRead = 1, // read (onto the clipboard, or refused as not a BMP file) and deleted
    DosCaptureKept = 2, // a BMP file that could not be placed: kept for the next look
};

// Loads the next capture onto the clipboard (mirrored top to bottom) and deletes its file.
// Returns a DosCaptureResult.
int LoadNextDosCapture();
