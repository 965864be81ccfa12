#include "platform/HtmlHelpViewer.h"

namespace {

typedef HWND(WINAPI* HtmlHelpProc)(HWND, LPCSTR, UINT, DWORD_PTR);

HtmlHelpProc htmlHelp;       // HtmlHelpA once found
bool lookedUp;               // the library was tried (found or not)
bool opened;                 // a help window was opened through the viewer
char lastFile[2 * MAX_PATH]; // the last request that opened a window
UINT lastCommand;

HtmlHelpProc FindHtmlHelp() {
    if (!lookedUp) {
        lookedUp = true;
        // Kept loaded for the whole run: the help windows live inside the library.
        HMODULE library = LoadLibraryA("hhctrl.ocx");
        if (library != nullptr)
            htmlHelp = reinterpret_cast<HtmlHelpProc>(
                reinterpret_cast<void*>(GetProcAddress(library, "HtmlHelpA")));
    }
    return htmlHelp;
}

} // namespace

bool HtmlHelpAvailable() {
    return FindHtmlHelp() != nullptr;
}

HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data) {
    HtmlHelpProc proc = FindHtmlHelp();
    if (proc == nullptr)
        return nullptr;
    HWND window = proc(caller, file, command, data);
    if (window != nullptr) {
        opened = true;
        lstrcpynA(lastFile, file != nullptr ? file : "", sizeof lastFile);
        lastCommand = command;
    }
    return window;
}

const char* LastHtmlHelpFile() {
    return lastFile;
}

UINT LastHtmlHelpCommand() {
    return lastCommand;
}

void CloseHtmlHelp() {
    if (!opened || htmlHelp == nullptr)
        return;
    htmlHelp(nullptr, nullptr, HtmlHelpCloseAll, 0);
    opened = false;
}
