// The parts both print routines share: choosing the printer and sending one document with the
// main window disabled, each failure reported and the document aborted.
#pragma once

#include <windows.h>

// The printer dialog (owned by the main window), then the layout dialog `dialogName` with the
// chosen page's size in `printLayout`. The printer's device context when both were confirmed; null
// (the context deleted) when either was cancelled.
HDC ChoosePrinterAndLayout(const char* dialogName, DLGPROC layoutProc);

// Disables the main window and starts a document named `name`. False (the failure already
// reported, the window enabled again) when the printer refused the document.
bool BeginPrintJob(HDC printer, const char* name);

// Starts a page; false when the printer refused it.
bool BeginPrintPage(HDC printer);

// Ends the page; false when the printer refused it.
bool EndPrintPage(HDC printer);

// Ends the document when `sent` (every page went out), else aborts it and reports the failure
// in an "ERROR" box. Enables the main window again and gives it the focus.
void EndPrintJob(HDC printer, bool sent);
