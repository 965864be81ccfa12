#include "bitmap/FileDialog.h"

#include "platform/Feedback.h"
#include "shell/AppState.h"

#include <commdlg.h>

#include <cstdio>
#include <cstring>

// Each list is written with its terminating NULs spelled out; the literal adds the final one.
static const char bmpFilter[] = "BMP Files (*.BMP)\0*.BMP\0All Files (*.*)\0*.*\0";
static const char gifFilter[] = "GIF Files (*.GIF)\0*.GIF\0All Files (*.*)\0*.*\0";
static const char pcxFilter[] = "PCX Files (*.PCX)\0*.PCX\0All Files (*.*)\0*.*\0";
static const char txtFilter[] = "TXT Files (*.TXT)\0*.TXT\0All Files (*.*)\0*.*\0";
static const char tifFilter[] = "TIF Files (*.TIF)\0*.TIF\0All Files (*.*)\0*.*\0";

static_assert(sizeof bmpFilter == 45 && sizeof tifFilter == 45, "filter lists are 45 bytes");

const char* FileDialogFilter(FileKind kind) {
    switch (kind) {
    case FileKindGif: return gifFilter;
    case FileKindPcx: return pcxFilter;
    case FileKindTxt: return txtFilter;
    case FileKindTif: return tifFilter;
    default: return bmpFilter;
    }
}

const char* FileDialogTitle(FileKind kind, int open) {
    switch (kind) {
    case FileKindGif: return "SAVE TO GIF FILE";
    case FileKindPcx: return "SAVE TO PCX FILE";
    case FileKindTxt: return "SAVE TO TXT FILE";
    case FileKindTif: return "SAVE TO TIF FILE";
    default: return open ? "OPEN BMP FILE" : "SAVE TO BMP FILE";
    }
}

int AskFileName(HWND owner, int open, FileKind kind) {
    std::memset(app.chosenFileName, 0, sizeof app.chosenFileName);
    char title[32] = {};
    std::strncpy(title, FileDialogTitle(kind, open), sizeof title - 1);

    OPENFILENAMEA record = {};
    // The record without the fields that later Windows versions added: 76 bytes in a 32-bit
    // build, and that same record's own size in a 64-bit one.
    record.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record.hwndOwner = owner;
    record.lpstrFilter = FileDialogFilter(kind);
    record.nFilterIndex = 1;
    record.lpstrFile = app.chosenFileName;
    record.nMaxFile = sizeof app.chosenFileName;
    record.lpstrTitle = title;
    // A save dialog must accept names that do not exist yet, so only the open dialog asks for
    // an existing file.
    record.Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (open ? OFN_FILEMUSTEXIST : 0);
    record.lpstrDefExt = "*";

    bool chosen = open ? GetOpenFileNameA(&record) == 1 : GetSaveFileNameA(&record) != 0;
    if (chosen)
        return 1;
    DWORD error = CommDlgExtendedError();
    if (error != 0) {
        char text[64];
        std::snprintf(text, sizeof text, "GetOpenFileName returned Error #%ld", long(error));
        ShowBox(owner, text, "WARNING", MB_ICONHAND);
    }
    return 0;
}
