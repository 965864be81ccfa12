// Content that its program marks as not for clipboard monitors, as password managers do with
// the passwords they copy: while a marking format is on the clipboard nothing of it is shown or
// used.
#include "shell/Shell.h"

namespace {

// The registered formats that mark clipboard content as private.
const char* const privateMarkers[] = {
    "ExcludeClipboardContentFromMonitorProcessing",
    "Clipboard Viewer Ignore",
};

} // namespace

int ClipboardHoldsPrivateContent() {
    for (const char* marker : privateMarkers) {
        UINT format = RegisterClipboardFormatA(marker);
        if (format != 0 && IsClipboardFormatAvailable(format))
            return 1;
    }
    return 0;
}
