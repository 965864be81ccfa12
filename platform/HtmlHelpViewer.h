// The HTML Help viewer, reached at run time: hhctrl.ocx is loaded and HtmlHelpA looked up on the
// first use, so a system without it still runs the program (the calls then report failure).
#pragma once

#include <windows.h>

// Commands of HtmlHelpA used by the program.
enum HtmlHelpCommand : UINT {
    HtmlHelpDisplayTopic = 0x0000, // HH_DISPLAY_TOPIC: a page, named as "file.chm::/page.html"
    HtmlHelpDisplayToc = 0x0001,   // HH_DISPLAY_TOC: the contents tree
    HtmlHelpDisplayIndex = 0x0002, // HH_DISPLAY_INDEX: the keyword index
    HtmlHelpCloseAll = 0x0012,     // HH_CLOSE_ALL: closes every help window of the process
};

// True when hhctrl.ocx could be loaded and exports HtmlHelpA (tried once, then remembered).
bool HtmlHelpAvailable();

// HtmlHelpA(caller, file, command, data); returns the help window, or none when the viewer is
// missing or refused the call.
HWND CallHtmlHelp(HWND caller, const char* file, UINT command, DWORD_PTR data);

// What the last CallHtmlHelp that returned a window asked for: its file argument (a manual, or
// "manual::/page.html") and its command; "" and 0 before any. Read by the tests.
const char* LastHtmlHelpFile();
UINT LastHtmlHelpCommand();

// Closes every help window that CallHtmlHelp opened; does nothing when none was opened.
void CloseHtmlHelp();
