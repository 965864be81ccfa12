#include "shell/RefusalBoxes.h"

#include "platform/Feedback.h"
#include "shell/AppState.h"

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
