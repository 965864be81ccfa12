#include "bitmap/FileDialog.h"

#include "platform/Feedback.h"
#include "shell/AppState.h"

#include <cstdio>
#include <cstring>

// Each list is written with its terminating NULs spelled out; the literal adds the final one.
static const char bmpFilter[] = "BMP Files (*.BMP)\0*.BMP\0All Files (*.*)\0*.*\0";
static const char gifFilter[] = "GIF Files (*.GIF)\0*.GIF\0All Files (*.*)\0*.*\0";
static const char pcxFilter[] = "PCX Files (*.PCX)\0*.PCX\0All Files (*.*)\0*.*\0";
static const char txtFilter[] = "TXT Files (*.TXT)\0*.TXT\0All Files (*.*)\0*.*\0";
static const char tifFilter[] = "TIF Files (*.TIF)\0*.TIF\0All Files (*.*)\0*.*\0";
static const char pngFilter[] = "PNG Files (*.PNG)\0*.PNG\0All Files (*.*)\0*.*\0";

// Every kind of picture first, then one filter per kind, then all files.
static const char pictureFilter[] = "Pictures (*.BMP;*.PNG;*.JPG;*.JPEG;*.GIF;*.TIF;*.TIFF;*.ICO)\0"
                                    "*.BMP;*.PNG;*.JPG;*.JPEG;*.GIF;*.TIF;*.TIFF;*.ICO\0"
                                    "BMP Files (*.BMP)\0*.BMP\0"
                                    "PNG Files (*.PNG)\0*.PNG\0"
                                    "JPEG Files (*.JPG;*.JPEG)\0*.JPG;*.JPEG\0"
                                    "GIF Files (*.GIF)\0*.GIF\0"
                                    "TIFF Files (*.TIF;*.TIFF)\0*.TIF;*.TIFF\0"
                                    "Icons (*.ICO)\0*.ICO\0"
                                    "All Files (*.*)\0*.*\0";

static_assert(sizeof bmpFilter == 45 && sizeof tifFilter == 45 && sizeof pngFilter == 45,
              "filter lists are 45 bytes");

const char* FileDialogFilter(FileKind kind) {
    switch (kind) {
    case FileKindGif: return gifFilter;
    case FileKindPcx: return pcxFilter;
    case FileKindTxt: return txtFilter;
    case FileKindTif: return tifFilter;
    case FileKindPng: return pngFilter;
    case FileKindPicture: return pictureFilter;
    default: return bmpFilter;
    }
}

const char* FileDialogTitle(FileKind kind, int open) {
    switch (kind) {
    case FileKindGif: return "SAVE TO GIF FILE";
    case FileKindPcx: return "SAVE TO PCX FILE";
    case FileKindTxt: return "SAVE TO TXT FILE";
    case FileKindTif: return "SAVE TO TIF FILE";
    case FileKindPng: return "SAVE TO PNG FILE";
    case FileKindPicture: return "OPEN PICTURE FILE";
    default: return open ? "OPEN BMP FILE" : "SAVE TO BMP FILE";
    }
}

void FillFileDialogRecord(OPENFILENAMEA* record, char* title, HWND owner, int open, FileKind kind) {
    std::memset(title, 0, FileDialogTitleSize);
    std::strncpy(title, FileDialogTitle(kind, open), FileDialogTitleSize - 1);
    *record = OPENFILENAMEA{};
    // The record without the fields that later Windows versions added: 76 bytes in a 32-bit
    // build, and that same record's own size in a 64-bit one.
    record->lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    record->hwndOwner = owner;
    record->lpstrFilter = FileDialogFilter(kind);
    record->nFilterIndex = 1;
    record->lpstrFile = app.chosenFileName;
    record->nMaxFile = sizeof app.chosenFileName;
    record->lpstrTitle = title;
    // A save dialog must accept names that do not exist yet, so only the open dialog asks for
    // an existing file.
    record->Flags = OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | (open ? OFN_FILEMUSTEXIST : 0);
    record->lpstrDefExt = "*";
}

void ReportFileDialogError(HWND owner, unsigned long error) {
    char text[64];
    std::snprintf(text, sizeof text, "GetOpenFileName returned Error #%ld", long(error));
    ShowBox(owner, text, "WARNING", MB_ICONHAND);
}

int AskFileName(HWND owner, int open, FileKind kind) {
    std::memset(app.chosenFileName, 0, sizeof app.chosenFileName);
    char title[FileDialogTitleSize];
    OPENFILENAMEA record;
    FillFileDialogRecord(&record, title, owner, open, kind);
    bool chosen = open ? GetOpenFileNameA(&record) == 1 : GetSaveFileNameA(&record) != 0;
    if (chosen)
        return 1;
    DWORD error = CommDlgExtendedError();
    if (error != 0)
        ReportFileDialogError(owner, error);
    return 0;
}
