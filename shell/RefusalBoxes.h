// The short message boxes that tell the user why a command cannot run. Each comes after the
// standard beep, is owned by the main window and has only an OK button.
#pragma once

enum RefusalBox : int {
    BoxEmpty,
    BoxEmptyError,
    BoxIsText,
    BoxIsBitmapColors,
    BoxIsBitmapNoTransform,
    BoxNoRectangle,
    BoxNotBmp,
    BoxNoBitmap,
    BoxNoOem,
    BoxNoAnsi,
    BoxNoDosCapture,
    BoxCannotOpenFile,  // a file that cannot be opened at all (missing, locked, no access)
    BoxCannotPlace,     // an image read or made but not put on the clipboard
    BoxTextNotRendered, // the page bitmap of "Text to bitmap" could not be created
    BoxPrintFailed,
    BoxNoUnicode, // "Unicode text..." with no text of any kind on the clipboard
    RefusalBoxCount,
};

struct RefusalBoxText {
    const char* title;
    const char* text;
};

// The title and text of a box.
const RefusalBoxText& RefusalBoxTextOf(RefusalBox box);

// The standard beep, then the box.
void ShowRefusal(RefusalBox box);
