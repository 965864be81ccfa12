// The file dialogs of the save and open commands.
#pragma once

#include <windows.h>

#include <commdlg.h>

// What a result is for: the clipboard, or a file of one format. The values come from the
// command-identifier space.
enum FileKind : int {
    FileKindClipboard = 0,
    FileKindBmp = 283,
    FileKindGif = 284,
    FileKindPcx = 285,
    FileKindTxt = 286,
    FileKindTif = 291,
    FileKindPng = 310,
    FileKindPicture = 260, // the open dialog for pictures of every kind
};

// Runs the open (open = 1) or save (open = 0) dialog for a file kind, owned by `owner`.
// Returns 1 when a name was chosen (it is then in app.chosenFileName), 0 on cancel or failure;
// a failure of the dialog itself is reported in a "WARNING" box.
int AskFileName(HWND owner, int open, FileKind kind);

// The dialog's filter list and title for a kind (exposed for tests). The filter list is the
// strings with their NULs and one more NUL: 45 bytes for every kind but FileKindPicture.
const char* FileDialogFilter(FileKind kind);
const char* FileDialogTitle(FileKind kind, int open);

// Size of the buffer that holds the dialog's title.
constexpr int FileDialogTitleSize = 32;

// Fills the dialog record for a kind and mode: `title` (FileDialogTitleSize bytes) receives the
// title, the chosen name goes to app.chosenFileName.
void FillFileDialogRecord(OPENFILENAMEA* record, char* title, HWND owner, int open, FileKind kind);

// The "WARNING" box for a dialog that failed with the extended error code.
void ReportFileDialogError(HWND owner, unsigned long error);
