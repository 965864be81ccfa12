// What the user sees and hears outside the window: message boxes, beeps and the help viewer.
// Every box, beep and help call of the program goes through here, so that tests can record
// them instead (RecordFeedback) and no test ever waits on a box or on the help viewer.
#pragma once

#include <windows.h>

enum FeedbackKind { FeedbackBox, FeedbackBeep, FeedbackHelp };

struct FeedbackEvent {
    FeedbackKind kind;
    HWND owner;      // box owner or help caller
    UINT code;       // box style, beep type or help command
    ULONG_PTR data;  // help data
    char text[512];  // box text or help file
    char title[128]; // box title
};

struct FeedbackLog {
    int count; // events recorded; events past the capacity are counted but not kept
    FeedbackEvent events[64];
};

// MessageBoxA; while recording, records the box and returns IDOK.
int ShowBox(HWND owner, const char* text, const char* title, UINT style);

// The same for a UTF-8 text (such as one that names a file): shown with MessageBoxW, recorded
// as UTF-8.
int ShowBoxUtf8(HWND owner, const char* text, const char* title, UINT style);

// MessageBeep; while recording, records the beep.
void SoundBeep(UINT type);

// WinHelpA; while recording, records the call and returns TRUE.
BOOL CallWinHelp(HWND owner, const char* helpFile, UINT command, ULONG_PTR data);

// Starts recording into log (emptied first), or stops recording with nullptr.
void RecordFeedback(FeedbackLog* log);
