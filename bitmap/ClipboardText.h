// Saving the clipboard's text as a TXT file.
#pragma once

// Appends the clipboard's OEM text (oem not 0) or ANSI text (oem 0) to app.chosenFileName, or
// creates the file, writing exactly the text's bytes up to its terminating NUL. A file that
// cannot be opened, created or fully written is reported in an "ERROR" box and left exactly as
// it was (a new file is removed again). Returns 1 on success, 0 on failure.
int SaveClipboardText(int oem);
