// Command dispatch: every menu command and accelerator. Each command first leaves an
// information screen, then checks what it needs and either runs or explains with a box.
#include "shell/CommandDispatch.h"

#include "bitmap/BmpFile.h"
#include "bitmap/CaptureRectangle.h"
#include "bitmap/ClipboardText.h"
#include "bitmap/FileDialog.h"
#include "bitmap/ImageFileWriters.h"
#include "bitmap/PictureFile.h"
#include "bitmap/PackedDib.h"
#include "bitmap/TransformBitmap.h"
#include "platform/ClipboardAccess.h"
#include "platform/Feedback.h"
#include "shell/CommandIds.h"
#include "shell/CoordinatesDialog.h"
#include "shell/HelpCommands.h"
#include "shell/OpenPicture.h"
#include "shell/DosCapture.h"
#include "shell/RectangleSelection.h"
#include "shell/RefusalBoxes.h"
#include "shell/Shell.h"
#include "views/Printing.h"
#include "views/TextToBitmap.h"

namespace {

// An information screen ends with any command. A System info screen whose OK button could not
// be created is left the same way, except for the posted DOS capture check.
void LeaveInfoScreen(unsigned command) {
    if (app.infoOkButton != nullptr) {
        CloseInfoScreen();
    } else if (app.screen == ScreenSystemInfo && command != CmdLoadDosCapture) {
        app.screen = ScreenIntro;
        RepaintMainWindow();
    }
}

// What a command does with the clipboard's content.
enum ContentUse {
    ContentNotUsed, // works without it (options, help, placing a picture, clearing)
    ContentShown,   // shows it in another format
    ContentRead,    // reads it: saves, prints, transforms, cuts out, renders
};

ContentUse ContentUseOf(unsigned command) {
    switch (command) {
    case CmdShowBitmap:
    case CmdShowOemText:
    case CmdShowAnsiText: return ContentShown;
    case CmdSaveBmp:
    case CmdSaveGif:
    case CmdSavePcx:
    case CmdSavePng:
    case CmdSaveTif:
    case CmdSaveOemText:
    case CmdSaveAnsiText:
    case CmdSaveUnicodeText:
    case CmdPrint:
    case CmdInvertColors:
    case CmdReverseX:
    case CmdReverseY:
    case CmdStretch:
    case CmdCaptureRect:
    case CmdTextToBitmap: return ContentRead;
    default: return ContentNotUsed;
    }
}

// The checks every command that uses the clipboard's content passes before it runs: private
// content is never shown or read, and a clipboard that another program holds open (for longer
// than the retry) is said to be busy before any file or printer dialog is offered, instead of the
// command doing nothing. False, after the box, when the command must not run.
bool ContentUsable(unsigned command) {
    ContentUse use = ContentUseOf(command);
    if (use == ContentNotUsed)
        return true;
    if (ClipboardHoldsPrivateContent()) {
        ShowRefusal(BoxPrivateContent);
        return false;
    }
    if (use == ContentRead) {
        if (!OpenClipboardRetry(app.mainWindow)) {
            ShowRefusal(BoxClipboardBusy);
            return false;
        }
        CloseClipboard();
    }
    return true;
}

bool IsTextView() {
    return app.view > ViewBitmap;
}

bool Has(UINT format) {
    return IsClipboardFormatAvailable(format) != 0;
}

bool HasBitmapFormats() {
    return Has(CF_BITMAP) || Has(CF_DIB);
}

bool HasTextFormats() {
    return Has(CF_TEXT) || Has(CF_OEMTEXT);
}

// Drops the rectangle: removes its band and puts the product title back.
void RemoveBand() {
    DropRectangle();
}

using BitmapOperation = int (*)(HBITMAP bitmap, HPALETTE palette);

// Opens the clipboard, turns a lone CF_DIB into CF_BITMAP (its notification only passed on),
// runs the operation on the clipboard's bitmap and palette, and closes the clipboard.
// Returns the operation's result, or -1 when the clipboard could not be opened.
int WithClipboardBitmap(BitmapOperation operation) {
    if (!OpenClipboardRetry(app.mainWindow))
        return -1;
    if (!Has(CF_BITMAP)) {
        HANDLE dib = GetClipboardData(CF_DIB);
        if (dib != nullptr)
            DibToClipboard(dib, 1);
    }
    auto bitmap = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    auto palette = static_cast<HPALETTE>(GetClipboardData(CF_PALETTE));
    int result = operation(bitmap, palette);
    CloseClipboard();
    return result;
}

FileKind KindOfSave(unsigned command) {
    switch (command) {
    case CmdSaveBmp: return FileKindBmp;
    case CmdSaveGif: return FileKindGif;
    case CmdSavePcx: return FileKindPcx;
    case CmdSavePng: return FileKindPng;
    default: return FileKindTif;
    }
}

void SaveImage(unsigned command) {
    FileKind kind = KindOfSave(command);
    if (app.view == ViewBitmap && app.rectShown) {
        if (AskFileName(app.mainWindow, 0, kind)) {
            RepaintMainWindow();
            // A failed write is reported as for the whole image; a rectangle that cannot be
            // cut out (0) has beeped already.
            int result = CaptureRectangle(kind);
            if (result > 1 && (kind == FileKindPcx || kind == FileKindTif))
                SoundBeep(0xFFFFFFFF);
        }
    } else if (app.view == ViewBitmap && HasBitmapFormats()) {
        if (AskFileName(app.mainWindow, 0, kind)) {
            RepaintMainWindow();
            int result = WithClipboardBitmap(ImageWriterOf(kind));
            // A failed PCX or TIF save beeps; the BMP and GIF writers explain their failures.
            if (result != 1 && (kind == FileKindPcx || kind == FileKindTif))
                SoundBeep(0xFFFFFFFF);
        }
    } else if (IsTextView() && HasTextFormats()) {
        if (AskFileName(app.mainWindow, 0, kind))
            TextToBitmap(kind);
    } else {
        ShowRefusal(BoxEmpty);
    }
}

// oem: a TextSaveKind (OEM, ANSI or the Unicode text as UTF-8).
void SaveText(int oem) {
    bool unicode = oem == TextSaveUnicode;
    if (!Has(unicode ? CF_UNICODETEXT : oem ? CF_OEMTEXT : CF_TEXT)) {
        ShowRefusal(unicode ? BoxNoUnicode : oem ? BoxNoOem : BoxNoAnsi);
        return;
    }
    if (AskFileName(app.mainWindow, 0, FileKindTxt))
        SaveClipboardText(oem);
}

// "Open picture...": offers the open dialog until a picture is placed or the user cancels. The
// file is opened sharing reading and writing, so that a file another program holds open is read
// all the same. A file that cannot be opened, a BMP file our reader refuses, a picture that
// cannot be placed on the clipboard and each kind of bad picture get their own box.
void OpenBmp() {
    while (AskFileName(app.mainWindow, 1, FileKindPicture)) {
        wchar_t path[sizeof app.chosenFileName];
        if (MultiByteToWideChar(CP_ACP, 0, app.chosenFileName, -1, path, int(sizeof path)) == 0)
            path[0] = L'\0';
        if (OpenPictureNamed(path) == PicturePlaced)
            return;
    }
}

// Ctrl+N: the next capture, or a box saying there is none, or that it could not be placed.
void NextDosCapture() {
    int result = LoadNextDosCapture();
    if (result == DosCaptureNone)
        ShowRefusal(BoxNoDosCapture);
    else if (result == DosCaptureKept)
        ShowRefusal(BoxCannotPlace);
}

void ShowFormat(ViewFormat view) {
    bool available = view == ViewBitmap    ? HasBitmapFormats()
                     : view == ViewOemText ? Has(CF_OEMTEXT)
                                           : Has(CF_TEXT);
    if (app.view == ViewNone || !available) {
        ShowRefusal(view == ViewBitmap ? BoxNoBitmap : view == ViewOemText ? BoxNoOem : BoxNoAnsi);
        return;
    }
    app.view = view;
    if (view != ViewBitmap)
        RemoveBand();
    RepaintMainWindow();
}

void ClearClipboard() {
    if (!OpenClipboardRetry(app.mainWindow)) {
        ShowRefusal(BoxClipboardBusy);
        return;
    }
    EmptyClipboard();
    CloseClipboard();
}

void Check(unsigned command, bool checked) {
    CheckMenuItem(GetMenu(app.mainWindow), command,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void TogglePopupMode() {
    app.popupMode = app.popupMode == 0 ? 1 : 0;
    Check(CmdPopupMode, app.popupMode != 0);
}

// Keeps the window above all windows that are not topmost themselves, or ends that.
void ToggleAlwaysOnTop() {
    bool on = (GetWindowLongA(app.mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) == 0;
    SetWindowPos(app.mainWindow, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    Check(CmdAlwaysOnTop, (GetWindowLongA(app.mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0);
}

void ToggleGifDithering() {
    app.gifDithering = app.gifDithering == 0 ? 1 : 0;
    Check(CmdGifDithering, app.gifDithering != 0);
}

void SetTextColours(int blackOnWhite) {
    if (app.view == ViewBitmap) {
        ShowRefusal(BoxIsBitmapColors);
        return;
    }
    app.blackOnWhite = blackOnWhite;
    Check(CmdBlackOnWhite, blackOnWhite != 0);
    Check(CmdWhiteOnBlack, blackOnWhite == 0);
    RepaintMainWindow();
}

void ChooseTifCompression(unsigned command) {
    static const struct {
        unsigned command;
        TifCompression compression;
    } choices[] = {{CmdTifNone, TifNone},
                   {CmdTifLzw8k, TifLzw8k},
                   {CmdTifLzw16k, TifLzw16k},
                   {CmdTifPackBits, TifPackBits}};
    for (const auto& choice : choices) {
        Check(choice.command, choice.command == command);
        if (choice.command == command)
            app.tifCompression = choice.compression;
    }
}

int ReverseX(HBITMAP bitmap, HPALETTE palette) {
    return TransformBitmap(bitmap, palette, TransformReverseX);
}
int ReverseY(HBITMAP bitmap, HPALETTE palette) {
    return TransformBitmap(bitmap, palette, TransformReverseY);
}
int Invert(HBITMAP bitmap, HPALETTE palette) {
    return TransformBitmap(bitmap, palette, TransformInvert);
}
int Stretch(HBITMAP bitmap, HPALETTE palette) {
    StretchBitmap(bitmap, palette);
    return 1;
}
int Print(HBITMAP bitmap, HPALETTE palette) {
    PrintBitmap(bitmap, palette);
    return 1;
}

void Transform(BitmapOperation operation) {
    if (IsTextView())
        ShowRefusal(BoxIsText);
    else if (HasBitmapFormats())
        WithClipboardBitmap(operation);
    else
        ShowRefusal(BoxEmpty);
}

void StretchCommand() {
    if (app.view == ViewNone)
        ShowRefusal(BoxEmpty);
    else if (IsTextView())
        ShowRefusal(BoxIsText);
    else if (HasBitmapFormats())
        WithClipboardBitmap(Stretch);
}

void PrintCommand() {
    if (app.screen == ScreenIntro) {
        ShowRefusal(BoxEmpty);
    } else if (app.view == ViewBitmap && app.rectShown) {
        CaptureRectangleToPrinter();
    } else if (app.view == ViewBitmap && HasBitmapFormats()) {
        WithClipboardBitmap(Print);
    } else if ((app.view == ViewOemText && Has(CF_OEMTEXT)) ||
               (app.view == ViewAnsiText && Has(CF_TEXT))) {
        if (OpenClipboardRetry(app.mainWindow)) {
            PrintText(GetClipboardData(app.view == ViewOemText ? CF_OEMTEXT : CF_TEXT));
            CloseClipboard();
        }
    } else {
        ShowRefusal(BoxEmptyError);
    }
}

void EnterCoordinatesCommand() {
    if (app.view == ViewBitmap) {
        if (EnterCoordinates() != 0)
            ShowRectangle();
    } else if (IsTextView()) {
        ShowRefusal(BoxIsText);
    } else {
        ShowRefusal(BoxEmpty);
    }
}

void CaptureRectCommand() {
    if (app.view == ViewBitmap && app.rectShown) {
        // A rectangle that cannot be cut out stays as it is.
        if (CaptureRectangle(FileKindClipboard) == 1)
            RemoveBand();
    } else {
        ShowRefusal(BoxNoRectangle);
    }
}

void TextToBitmapCommand() {
    if (app.view == ViewBitmap)
        ShowRefusal(BoxIsBitmapNoTransform);
    else if (IsTextView() && HasTextFormats())
        TextToBitmap(FileKindClipboard);
    else
        ShowRefusal(BoxEmpty);
}

} // namespace

void DispatchCommand(unsigned command) {
    LeaveInfoScreen(command);
    if (!ContentUsable(command))
        return;
    switch (command) {
    case CmdSaveBmp:
    case CmdSaveGif:
    case CmdSavePcx:
    case CmdSavePng:
    case CmdSaveTif: SaveImage(command); break;
    case CmdSaveOemText: SaveText(1); break;
    case CmdSaveAnsiText: SaveText(0); break;
    case CmdSaveUnicodeText: SaveText(TextSaveUnicode); break;
    case CmdOpenBmp: OpenBmp(); break;
    case CmdExit: DestroyWindow(app.mainWindow); break;
    case CmdShowBitmap: ShowFormat(ViewBitmap); break;
    case CmdShowOemText: ShowFormat(ViewOemText); break;
    case CmdShowAnsiText: ShowFormat(ViewAnsiText); break;
    case CmdClearClipboard: ClearClipboard(); break;
    case CmdPopupMode: TogglePopupMode(); break;
    case CmdEnterCoordinates: EnterCoordinatesCommand(); break;
    case CmdHelpContents:
    case CmdHelpSearch:
    case CmdHelpOnHelp: RunHelpCommand(command); break;
    case CmdAbout: OpenInfoScreen(ScreenAbout); break;
    case CmdSystemInfo: OpenInfoScreen(ScreenSystemInfo); break;
    case CmdInfoOk: break; // the OK button: leaving the screen above was all
    case CmdBlackOnWhite: SetTextColours(1); break;
    case CmdWhiteOnBlack: SetTextColours(0); break;
    case CmdInvertColors: Transform(Invert); break;
    case CmdReverseX: Transform(ReverseX); break;
    case CmdReverseY: Transform(ReverseY); break;
    case CmdStretch: StretchCommand(); break;
    case CmdTifNone:
    case CmdTifLzw8k:
    case CmdTifLzw16k:
    case CmdTifPackBits: ChooseTifCompression(command); break;
    case CmdPrint: PrintCommand(); break;
    case CmdLoadDosCapture: LoadNextDosCapture(); break;
    case CmdNextDosCapture: NextDosCapture(); break;
    case CmdCaptureRect: CaptureRectCommand(); break;
    case CmdTextToBitmap: TextToBitmapCommand(); break;
    case CmdAlwaysOnTop: ToggleAlwaysOnTop(); break;
    case CmdGifDithering: ToggleGifDithering(); break;
    default: break;
    }
}
