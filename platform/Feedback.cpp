#include "platform/Feedback.h"

#include <string.h>

namespace {

FeedbackLog* recording; // the log while tests record, else none

void CopyText(char* target, size_t size, const char* source) {
    if (source == nullptr) {
        target[0] = '\0';
        return;
    }
    strncpy(target, source, size - 1);
    target[size - 1] = '\0';
}

void Record(FeedbackKind kind, HWND owner, UINT code, ULONG_PTR data, const char* text,
            const char* title) {
    int index = recording->count++;
    if (index >= static_cast<int>(sizeof recording->events / sizeof recording->events[0])) {
        return;
    }
    FeedbackEvent& event = recording->events[index];
    event.kind = kind;
    event.owner = owner;
    event.code = code;
    event.data = data;
    CopyText(event.text, sizeof event.text, text);
    CopyText(event.title, sizeof event.title, title);
}

} // namespace

int ShowBox(HWND owner, const char* text, const char* title, UINT style) {
    if (recording != nullptr) {
        Record(FeedbackBox, owner, style, 0, text, title);
        return IDOK;
    }
    return MessageBoxA(owner, text, title, style);
}

int ShowBoxUtf8(HWND owner, const char* text, const char* title, UINT style) {
    if (recording != nullptr) {
        Record(FeedbackBox, owner, style, 0, text, title);
        return IDOK;
    }
    wchar_t wideText[1024] = L"", wideTitle[128] = L"";
    MultiByteToWideChar(CP_UTF8, 0, text, -1, wideText, 1024);
    MultiByteToWideChar(CP_UTF8, 0, title, -1, wideTitle, 128);
    wideText[1023] = L'\0';
    wideTitle[127] = L'\0';
    return MessageBoxW(owner, wideText, wideTitle, style);
}

void SoundBeep(UINT type) {
    if (recording != nullptr) {
        Record(FeedbackBeep, nullptr, type, 0, nullptr, nullptr);
        return;
    }
    MessageBeep(type);
}

BOOL CallWinHelp(HWND owner, const char* helpFile, UINT command, ULONG_PTR data) {
    if (recording != nullptr) {
        Record(FeedbackHelp, owner, command, data, helpFile, nullptr);
        return TRUE;
    }
    return WinHelpA(owner, helpFile, command, data);
}

void RecordFeedback(FeedbackLog* log) {
    if (log != nullptr) {
        log->count = 0;
    }
    recording = log;
}
