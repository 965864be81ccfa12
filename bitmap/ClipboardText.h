// Saving the clipboard's text as a TXT file.
#pragma once

// What SaveClipboardText writes: the OEM or ANSI text's bytes, or the Unicode text as UTF-8.
enum TextSaveKind : int {
    TextSaveAnsi = 0,
    TextSaveOem = 1,
    TextSaveUnicode = 2,
};

// Appends the clipboard's OEM text (oem not 0) or ANSI text (oem 0) to app.chosenFileName, or
// creates the file, writing exactly the text's bytes up to its terminating NUL. A file that
// cannot be opened, created or fully written is reported in an "ERROR" box and left exactly as
// it was (a new file is removed again). Returns 1 on success, 0 on failure.
// With TextSaveUnicode it writes the clipboard's CF_UNICODETEXT as UTF-8 instead, without a
// byte-order mark, read up to its NUL or the end of its block (an odd last byte left out).
int SaveClipboardText(int oem);
