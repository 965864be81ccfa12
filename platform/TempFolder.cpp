#include "platform/TempFolder.h"

#include <string.h>

namespace {

char chosenFolder[512]; // the folder set by SetTempFolder
bool folderChosen;      // whether one is set

} // namespace

DWORD TempFolderPath(DWORD size, char* buffer) {
    if (!folderChosen)
        return GetTempPathA(size, buffer);
    DWORD length = DWORD(strlen(chosenFolder));
    if (length >= size)
        return length + 1;
    memcpy(buffer, chosenFolder, length + 1);
    return length;
}

void SetTempFolder(const char* folder) {
    folderChosen = folder != nullptr;
    chosenFolder[0] = '\0';
    if (folder != nullptr) {
        strncpy(chosenFolder, folder, sizeof chosenFolder - 1);
        chosenFolder[sizeof chosenFolder - 1] = '\0';
    }
}
