#include "shell/RefusalBoxes.h"

#include "platform/Feedback.h"
#include "shell/AppState.h"

#include <cstdio>
#include <cwchar>

namespace {

const RefusalBoxText boxes[RefusalBoxCount] = {
    {"CLIPBOARD STATUS", "The clipboard is empty."},
    {"ERROR", "The clipboard is empty."},
    {"DISPLAY  IS  TEXT",
     "To crop a rectangular area of text or to transform the\nimage, first convert the text to "
     "a bitmap by selecting\n\"Text to bitmap\" from the Options menu."},
    {"DISPLAY  IS  BITMAP",
     "To change the colors of this image, select\n\"Invert colors\" from the Options menu.\n\nTo "
     "display clipboard text, pull down the\nDisplay menu and select a text format."},
    {"DISPLAY  IS  BITMAP",
     "The displayed image is a bitmap; no transformation\nis necessary.  To display clipboard "
     "text, pull down\nthe Display menu and select a text format."},
    {"Capture rectangle to clipboard...",
     "No rectangle has been drawn.  You may do so with\nthe mouse, or select \"Enter "
     "coordinates\" to use the\nkeyboard.  You may then save the rectangle to a file,\nor put it "
     "onto the clipboard by selecting this option."},
    {"ERROR", "Not a BMP file -- cannot open."},
    {"CLIPBOARD STATUS", "No bitmap image exists on the clipboard."},
    {"CLIPBOARD STATUS", "No OEM text exists on the clipboard."},
    {"CLIPBOARD STATUS", "No ANSI text exists on the clipboard."},
    {"DOS CAPTURE STATUS", "There are no more DOS captures to display."},
    {"ERROR", "Cannot open the file."},
    {"ERROR", "The image cannot be put on the clipboard."},
    {"ERROR", "Cannot make a bitmap of the text."},
    {"ERROR", "The printer could not print the page.\nThe print job has been cancelled."},
    {"ERROR", "The file is empty -- cannot open."},
    {"ERROR", "The file holds no picture -- cannot open."},
    {"ERROR", "Not a picture file -- cannot open."},
    {"ERROR", "The picture is damaged or cut short -- cannot open."},
    {"ERROR", "The picture is too large to open."},
    {"CLIPBOARD STATUS",
     "The clipboard holds private content (a password, for\nexample). It is neither shown, "
     "saved nor printed.\n\nCopy something else, then try again."},
    {"CLIPBOARD STATUS",
     "Another program is using the clipboard, so it cannot\nbe opened now. Nothing was changed."
     "\n\nPlease try again in a moment."},
    {"CLIPBOARD STATUS", "No text exists on the clipboard."},
};

} // namespace

const RefusalBoxText& RefusalBoxTextOf(RefusalBox box) {
    return boxes[box];
}

void ShowRefusal(RefusalBox box) {
    SoundBeep(0xFFFFFFFF);
    ShowBox(app.mainWindow, boxes[box].text, boxes[box].title, MB_OK);
}

std::string FileRefusalText(RefusalBox box, const wchar_t* path, unsigned long long needBytes,
                            unsigned long long limitBytes) {
    const wchar_t* name = path;
    for (const wchar_t* at = path; *at != L'\0'; ++at)
        if (*at == L'\\' || *at == L'/')
            name = at + 1;
    char utf8[300] = "";
    if (WideCharToMultiByte(CP_UTF8, 0, name, -1, utf8, sizeof utf8, nullptr, nullptr) == 0)
        utf8[0] = '\0';
    std::string text = std::string("\"") + utf8 + "\"\n\n" + boxes[box].text;
    if (box == BoxPictureTooLarge) {
        const unsigned long long mb = 1024 * 1024;
        char sizes[160];
        std::snprintf(sizes, sizeof sizes,
                      "\nIt needs %llu MB; at most %llu MB can be placed now\n(a quarter of the "
                      "free memory).",
                      (needBytes + mb - 1) / mb, limitBytes / mb);
        text += sizes;
    }
    return text;
}

void ShowFileRefusal(RefusalBox box, const wchar_t* path, unsigned long long needBytes,
                     unsigned long long limitBytes) {
    SoundBeep(0xFFFFFFFF);
    ShowBoxUtf8(app.mainWindow, FileRefusalText(box, path, needBytes, limitBytes).c_str(),
                boxes[box].title, MB_OK);
}
