#include "bitmap/ClipboardText.h"

#include "encoders/Utf8.h"

#include "platform/ClipboardAccess.h"
#include "platform/Feedback.h"
#include "shell/AppState.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

void ReportCannotWrite() {
    char text[300];
    std::snprintf(text, sizeof text, "Cannot write the file\n%s", app.chosenFileName);
    ShowBox(app.mainWindow, text, "ERROR", MB_OK);
}

// Appends bytes to the file (created when absent); undoes everything on failure.
bool AppendToFile(const char* name, const char* bytes, size_t count) {
    bool created = false;
    // A read-only file is never written, also where the file system would let this process
    // write it anyway (an administrator's account on some systems).
    DWORD attributes = GetFileAttributesA(name);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return false;
    HANDLE file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        if (error != ERROR_FILE_NOT_FOUND)
            return false;
        file = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        created = true;
    }
    LARGE_INTEGER zero = {};
    LARGE_INTEGER oldEnd = {};
    bool ok = SetFilePointerEx(file, zero, &oldEnd, FILE_END) != 0;
    while (ok && count > 0) {
        DWORD chunk = count > 0x40000000 ? 0x40000000 : DWORD(count);
        DWORD written = 0;
        ok = WriteFile(file, bytes, chunk, &written, nullptr) && written == chunk;
        bytes += chunk;
        count -= chunk;
    }
    if (ok)
        ok = FlushFileBuffers(file) != 0;
    if (!ok && !created) {
        // Cut the file back to its old length: an append that failed midway leaves no trace.
        SetFilePointerEx(file, oldEnd, nullptr, FILE_BEGIN);
        SetEndOfFile(file);
    }
    CloseHandle(file);
    if (!ok && created)
        DeleteFileA(name);
    return ok;
}

// The clipboard's Unicode text as UTF-8; the caller holds the clipboard open. Empty when there
// is none or it cannot be read.
std::vector<uint8_t> UnicodeTextAsUtf8() {
    std::vector<uint8_t> bytes;
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    const uint16_t* units =
        handle != nullptr ? static_cast<const uint16_t*>(GlobalLock(handle)) : nullptr;
    if (units == nullptr)
        return bytes;
    size_t count = GlobalSize(handle) / 2;
    bytes.resize(Utf8Bound(count));
    bytes.resize(Utf16ToUtf8(units, count, bytes.data()));
    GlobalUnlock(handle);
    return bytes;
}

} // namespace

int SaveClipboardText(int oem) {
    if (!OpenClipboardRetry(app.mainWindow))
        return 0;
    if (oem == TextSaveUnicode) {
        std::vector<uint8_t> bytes = UnicodeTextAsUtf8();
        bool ok = AppendToFile(app.chosenFileName, reinterpret_cast<const char*>(bytes.data()),
                               bytes.size());
        CloseClipboard();
        if (!ok)
            ReportCannotWrite();
        return ok ? 1 : 0;
    }
    HANDLE handle = GetClipboardData(oem ? CF_OEMTEXT : CF_TEXT);
    const char* text = handle != nullptr ? static_cast<const char*>(GlobalLock(handle)) : nullptr;
    size_t length = 0;
    if (text != nullptr) {
        // The text ends at its NUL, or at the end of its block if another program left none.
        size_t blockSize = GlobalSize(handle);
        const void* nul = std::memchr(text, 0, blockSize);
        length = nul != nullptr ? size_t(static_cast<const char*>(nul) - text) : blockSize;
    }
    bool ok = AppendToFile(app.chosenFileName, text != nullptr ? text : "", length);
    if (text != nullptr)
        GlobalUnlock(handle);
    CloseClipboard();
    if (!ok)
        ReportCannotWrite();
    return ok ? 1 : 0;
}
