// Opening the clipboard. Another program (on Wine, the system's own clipboard thread) may hold
// it for a moment after a change, so opening is retried briefly before giving up.
#pragma once

#include <windows.h>

// OpenClipboard with the given owner, retried for up to about half a second.
BOOL OpenClipboardRetry(HWND owner);

// Holds the clipboard open for a scope: opened (with retry) on construction, closed at the end.
class ClipboardScope {
  public:
    explicit ClipboardScope(HWND owner) : open(OpenClipboardRetry(owner)) {}
    ~ClipboardScope() {
        if (open) {
            CloseClipboard();
        }
    }
    ClipboardScope(const ClipboardScope&) = delete;
    ClipboardScope& operator=(const ClipboardScope&) = delete;
    bool IsOpen() const { return open != FALSE; }

  private:
    BOOL open;
};
