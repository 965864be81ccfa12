// The Help menu's Contents, Search and Help on Help. The identity's WinHelp file is used when it
// sits beside the program; otherwise the user's manual in HTML Help (PALORIN.CHM or
// MENDRIVAL.CHM) beside the program; with neither, a message box names the missing file. No
// path ever reaches WinHelpA without its file in place, where the viewer would stop and ask.
#pragma once

// Runs CmdHelpContents, CmdHelpSearch or CmdHelpOnHelp.
void RunHelpCommand(unsigned command);

// Closes the help windows that the commands opened (at the main window's destruction):
// HELP_QUIT to WinHelp and HH_CLOSE_ALL to the HTML Help viewer when it was used.
void CloseHelp();

// The folder searched for the help files: the program's own folder, unless tests named another
// with SetHelpFolder (nullptr returns to the program's folder). No trailing backslash.
const char* HelpFolder();
void SetHelpFolder(const char* folder);

// The manual's file name for a product title: "Palorin" gives "PALORIN.CHM".
void ManualFileName(const char* title, char* name, unsigned size);

// The page of the manual that Help on Help opens.
#define HelpOnHelpPage "using-help.html"
