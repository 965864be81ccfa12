// The short message boxes that tell the user why a command cannot run. Each comes after the
// standard beep, is owned by the main window and has only an OK button.
#pragma once

#include <string>

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
    BoxPictureEmpty, // the next five name the file first (ShowFileRefusal)
    BoxNoPicture,
    BoxNotPicture,
    BoxPictureDamaged,
    BoxPictureTooLarge, // its text goes on with the sizes
    BoxPrivateContent,  // the clipboard holds content marked private
    BoxClipboardBusy,   // another program holds the clipboard open
    BoxNoUnicode,       // "Unicode text..." with no text of any kind on the clipboard
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

// The standard beep, then the box with the file's name (without its folder) before the text.
// BoxPictureTooLarge adds what the picture needs and the limit, in MB.
void ShowFileRefusal(RefusalBox box, const wchar_t* path, unsigned long long needBytes = 0,
                     unsigned long long limitBytes = 0);

// The text ShowFileRefusal shows, in UTF-8.
std::string FileRefusalText(RefusalBox box, const wchar_t* path, unsigned long long needBytes,
                            unsigned long long limitBytes);
