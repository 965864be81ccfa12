#include "shell/OpenPicture.h"

#include "bitmap/PictureFile.h"
#include "shell/AppState.h"
#include "shell/RefusalBoxes.h"
#include "shell/Shell.h"

#include <cwchar>
#include <string>
#include <vector>

namespace {

std::wstring pendingPicture; // the file OpenPendingMessage opens, empty when none

// The box for a result other than PicturePlaced.
void ExplainRefusal(int result, const wchar_t* path, const PictureOpenDetails& details) {
    switch (result) {
    case PictureNotBmp: ShowRefusal(BoxNotBmp); break;
    case PictureNotPlaced: ShowRefusal(BoxCannotPlace); break;
    case PictureCannotOpen: ShowRefusal(BoxCannotOpenFile); break;
    case PictureEmptyFile: ShowFileRefusal(BoxPictureEmpty, path); break;
    case PictureNoPicture: ShowFileRefusal(BoxNoPicture, path); break;
    case PictureNotAPicture: ShowFileRefusal(BoxNotPicture, path); break;
    case PictureDamaged: ShowFileRefusal(BoxPictureDamaged, path); break;
    case PictureTooLarge:
        ShowFileRefusal(BoxPictureTooLarge, path, details.needBytes, details.limitBytes);
        break;
    default: break;
    }
}

std::wstring FullPath(const wchar_t* path) {
    DWORD length = GetFullPathNameW(path, 0, nullptr, nullptr);
    if (length == 0)
        return path;
    std::wstring full(length, L'\0');
    length = GetFullPathNameW(path, length, &full[0], nullptr);
    full.resize(length);
    return full;
}

} // namespace

int OpenPictureNamed(const wchar_t* path) {
    PictureOpenDetails details;
    int result = OpenPictureFile(path, &details);
    if (result != PicturePlaced)
        ExplainRefusal(result, path, details);
    return result;
}

void OpenDroppedFiles(HDROP drop) {
    const UINT count = DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0);
    int firstResult = PicturePlaced;
    PictureOpenDetails firstDetails;
    std::wstring firstPath;
    for (UINT i = 0; i < count; ++i) {
        UINT length = DragQueryFileW(drop, i, nullptr, 0);
        std::wstring path(length + 1, L'\0');
        DragQueryFileW(drop, i, &path[0], length + 1);
        path.resize(length);
        PictureOpenDetails details;
        int result = OpenPictureFile(path.c_str(), &details);
        if (result == PicturePlaced) {
            firstResult = PicturePlaced;
            break;
        }
        if (i == 0) {
            firstResult = result;
            firstDetails = details;
            firstPath = path;
        }
    }
    DragFinish(drop);
    if (count > 0 && firstResult != PicturePlaced)
        ExplainRefusal(firstResult, firstPath.c_str(), firstDetails);
}

void OpenPictureLater(const wchar_t* path) {
    pendingPicture = path;
    PostMessageA(app.mainWindow, OpenPendingMessage, 0, 0);
}

void OpenPendingPicture() {
    if (pendingPicture.empty())
        return;
    std::wstring path;
    path.swap(pendingPicture);
    OpenPictureNamed(path.c_str());
}

LRESULT OnCopyData(const COPYDATASTRUCT* data) {
    if (data == nullptr || data->dwData != CopyDataOpenPicture || data->lpData == nullptr ||
        data->cbData < sizeof(wchar_t) || data->cbData % sizeof(wchar_t) != 0)
        return FALSE;
    // The path up to its NUL, or the whole block when another program left the NUL off.
    const auto* text = static_cast<const wchar_t*>(data->lpData);
    std::wstring path(text, wcsnlen(text, data->cbData / sizeof(wchar_t)));
    if (path.empty())
        return FALSE;
    OpenPictureLater(path.c_str());
    return TRUE;
}

bool HandPictureTo(HWND running, const wchar_t* path) {
    std::wstring full = FullPath(path);
    COPYDATASTRUCT data = {};
    data.dwData = CopyDataOpenPicture;
    data.cbData = DWORD((full.size() + 1) * sizeof(wchar_t));
    data.lpData = &full[0];
    DWORD_PTR answer = 0;
    return SendMessageTimeoutW(running, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data),
                               SMTO_ABORTIFHUNG, 10000, &answer) != 0 &&
           answer == TRUE;
}

bool PictureFromCommandLine(wchar_t* path, size_t capacity) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr)
        return false;
    bool found = false;
    if (count > 1 && arguments[1][0] != L'\0') {
        std::wstring full = FullPath(arguments[1]);
        if (full.size() < capacity) {
            wcscpy(path, full.c_str());
            found = true;
        }
    }
    LocalFree(arguments);
    return found;
}
