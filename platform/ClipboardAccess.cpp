#include "platform/ClipboardAccess.h"

BOOL OpenClipboardRetry(HWND owner) {
    const int attempts = 50;
    for (int i = 0; i < attempts; ++i) {
        if (OpenClipboard(owner)) {
            return TRUE;
        }
        Sleep(10);
    }
    return FALSE;
}
