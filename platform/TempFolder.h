// The temporary folder, where DOS captures are left. Tests can name another folder, given
// exactly as the system might return it (with or without its trailing backslash).
#pragma once

#include <windows.h>

// GetTempPathA: the folder's path in `buffer` (at most `size` bytes with its NUL) and its length
// without the NUL; the length needed when the buffer is too small; 0 on failure. While a folder
// is set with SetTempFolder, that folder exactly as given.
DWORD TempFolderPath(DWORD size, char* buffer);

// Names the folder TempFolderPath returns from now on, or (nullptr) gives it back to the
// system. The text is copied.
void SetTempFolder(const char* folder);
