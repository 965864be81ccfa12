#include "shell/HelpCommands.h"

#include "platform/Feedback.h"
#include "platform/HtmlHelpViewer.h"
#include "shell/AppState.h"
#include "shell/CommandIds.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstring>

namespace {

char folderOverride[MAX_PATH]; // the tests' folder, or empty
char programFolder[MAX_PATH];  // filled on first use
char winHelpPath[MAX_PATH];    // the .HLP that WinHelpA was given, or empty

bool FileExists(const char* path) {
    DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// folder + "\" + name into path; false when it does not fit.
bool JoinPath(char* path, size_t size, const char* folder, const char* name) {
    int length = std::snprintf(path, size, "%s\\%s", folder, name);
    return length > 0 && size_t(length) < size;
}

UINT WinHelpCommandOf(unsigned command) {
    switch (command) {
    case CmdHelpSearch: return HELP_PARTIALKEY;
    case CmdHelpOnHelp: return HELP_HELPONHELP;
    default: return HELP_CONTENTS;
    }
}

void ReportHelpProblem(const char* text) {
    SoundBeep(0xFFFFFFFF);
    ShowBox(app.mainWindow, text, "HELP STATUS", MB_OK);
}

void ShowManual(unsigned command, const char* manualPath, const char* manualName) {
    HWND window = nullptr;
    if (command == CmdHelpOnHelp) {
        char topic[MAX_PATH + 32];
        std::snprintf(topic, sizeof topic, "%s::/%s", manualPath, HelpOnHelpPage);
        window = CallHtmlHelp(app.mainWindow, topic, HtmlHelpDisplayTopic, 0);
    } else if (command == CmdHelpSearch) {
        window = CallHtmlHelp(app.mainWindow, manualPath, HtmlHelpDisplayIndex,
                              reinterpret_cast<DWORD_PTR>(""));
    } else {
        window = CallHtmlHelp(app.mainWindow, manualPath, HtmlHelpDisplayToc, 0);
    }
    if (window != nullptr)
        return;
    char text[MAX_PATH + 200];
    std::snprintf(text, sizeof text,
                  "The help viewer (hhctrl.ocx) could not show the manual\n%s\n\nThe same "
                  "manual is in the text file %.*s.DOC beside the program.",
                  manualPath, int(std::strlen(manualName)) - 4, manualName);
    ReportHelpProblem(text);
}

} // namespace

const char* HelpFolder() {
    if (folderOverride[0] != '\0')
        return folderOverride;
    if (programFolder[0] == '\0') {
        DWORD length = GetModuleFileNameA(nullptr, programFolder, sizeof programFolder);
        if (length == 0 || length >= sizeof programFolder)
            length = 0;
        programFolder[length] = '\0';
        char* slash = std::strrchr(programFolder, '\\');
        if (slash != nullptr)
            *slash = '\0';
        else
            std::strcpy(programFolder, ".");
    }
    return programFolder;
}

void SetHelpFolder(const char* folder) {
    folderOverride[0] = '\0';
    if (folder != nullptr)
        std::snprintf(folderOverride, sizeof folderOverride, "%s", folder);
}

void ManualFileName(const char* title, char* name, unsigned size) {
    std::snprintf(name, size, "%s.CHM", title);
    for (char* c = name; *c != '\0'; ++c)
        *c = char(std::toupper(static_cast<unsigned char>(*c)));
}

void RunHelpCommand(unsigned command) {
    const char* folder = HelpFolder();
    char hlpPath[MAX_PATH];
    if (JoinPath(hlpPath, sizeof hlpPath, folder, app.helpFile) && FileExists(hlpPath)) {
        std::strcpy(winHelpPath, hlpPath);
        CallWinHelp(app.mainWindow, hlpPath, WinHelpCommandOf(command), 0);
        return;
    }
    char manualName[32];
    ManualFileName(app.titleText, manualName, sizeof manualName);
    char manualPath[MAX_PATH];
    if (JoinPath(manualPath, sizeof manualPath, folder, manualName) && FileExists(manualPath)) {
        ShowManual(command, manualPath, manualName);
        return;
    }
    char text[2 * MAX_PATH + 200];
    std::snprintf(text, sizeof text,
                  "Help cannot be shown: the help file %s is missing.\nIt belongs in the "
                  "program's folder:\n%s\n\n(%s, the older help file, is not there either.)",
                  manualName, folder, app.helpFile);
    ReportHelpProblem(text);
}

void CloseHelp() {
    // HELP_QUIT as always (it starts no viewer when none runs), with the file WinHelp was given.
    CallWinHelp(app.mainWindow, winHelpPath[0] != '\0' ? winHelpPath : app.helpFile, HELP_QUIT, 0);
    winHelpPath[0] = '\0';
    CloseHtmlHelp();
}
