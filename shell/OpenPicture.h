// Pictures opened from outside the menu's dialog as well: files dropped on the window, a file
// named on the command line, and a file a second copy of the program hands over.
#pragma once

#include <windows.h>

#include <shellapi.h>

// Tag of the WM_COPYDATA by which a second copy hands its file to the running one: the data
// is the file's full path in UTF-16 with its terminating NUL.
constexpr ULONG_PTR CopyDataOpenPicture = 0x4B4F5045; // "KOPE"

// Opens the picture file and places it on the clipboard; when it cannot, the standard beep and
// a box that says why (naming the file where the reason is the file's). Returns the
// PictureOpenResult.
int OpenPictureNamed(const wchar_t* path);

// WM_DROPFILES: the first of the dropped files that opens as a picture is placed; when none
// does, the first file's box is shown. Finishes the drop.
void OpenDroppedFiles(HDROP drop);

// Remembers the file and posts OpenPendingMessage to the main window, so that it opens once the
// current message (start-up, a WM_COPYDATA from another copy) is over.
void OpenPictureLater(const wchar_t* path);

// The posted message: opens the remembered file, if any.
void OpenPendingPicture();

// WM_COPYDATA from a second copy: a CopyDataOpenPicture with a path is opened later. Returns
// TRUE when the data was taken.
LRESULT OnCopyData(const COPYDATASTRUCT* data);

// In a second copy: hands the file (made a full path) to the running copy's window. True when
// the running copy took it.
bool HandPictureTo(HWND running, const wchar_t* path);

// The file named by the command line's first argument (taken from the wide command line, so that
// any name works), as a full path in path[0 .. capacity). False when there is none.
bool PictureFromCommandLine(wchar_t* path, size_t capacity);
