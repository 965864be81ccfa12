#include "shell/DosCapture.h"

#include "bitmap/BmpFile.h"
#include "platform/TempFolder.h"
#include "shell/AppState.h"

#include <cstring>

HANDLE OpenNextDosCapture() {
    char* path = app.dosCapturePath;
    const size_t capacity = sizeof app.dosCapturePath;
    std::memset(path, 0, capacity);
    DWORD n = TempFolderPath(DWORD(capacity), path);
    if (n >= capacity) {
        // Longer than the buffer: nothing was written, and nothing is searched.
        path[0] = '\0';
        return INVALID_HANDLE_VALUE;
    }
    size_t p = n;
    if (p > 0 && path[p - 1] != '\\')
        path[p++] = '\\';
    const char pattern[] = "DKOVL*.BMP";
    if (p + sizeof pattern > capacity)
        return INVALID_HANDLE_VALUE;
    std::memcpy(path + p, pattern, sizeof pattern);
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    path[p] = '\0';
    const char* name = "DKOVL000.BMP";
    if (search != INVALID_HANDLE_VALUE)
        name = found.cFileName;
    size_t nameLength = std::strlen(name);
    bool fits = p + nameLength < capacity;
    if (fits)
        std::memcpy(path + p, name, nameLength + 1);
    if (search != INVALID_HANDLE_VALUE)
        FindClose(search);
    if (!fits)
        return INVALID_HANDLE_VALUE;
    return CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

int LoadNextDosCapture() {
    HANDLE file = OpenNextDosCapture();
    if (file == INVALID_HANDLE_VALUE)
        return DosCaptureNone;
    // A capture that is not a BMP file is deleted, so that it does not block the ones behind it.
    // One that is a BMP file but could not be placed (another program held the clipboard, memory
    // ran short) is kept for the next look: deleting it would lose the screen.
    if (LoadBmpFile(file, BmpLoadDosCapture) == BmpReadNotPlaced)
        return DosCaptureKept;
    DeleteFileA(app.dosCapturePath);
    return DosCaptureRead;
}
