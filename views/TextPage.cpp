#include "views/TextPage.h"

#include <cstring>

#include "platform/Dpi.h"

void DrawTextPage(HDC memory, int width, int height, ViewFormat view, int blackOnWhite) {
    COLORREF text = GetTextColor(memory);
    COLORREF background = GetBkColor(memory);
    if (blackOnWhite != 0) {
        BitBlt(memory, 0, 0, width, height, nullptr, 0, 0, WHITENESS);
    } else {
        BitBlt(memory, 0, 0, width, height, nullptr, 0, 0, BLACKNESS);
        SetBkColor(memory, text);
        SetTextColor(memory, background);
    }
    bool oem = view == ViewOemText;
    // The font at the window's DPI: the page's lines grow with the scaling of its monitor.
    DpiFont font(oem ? OEM_FIXED_FONT : SYSTEM_FONT, app.windowDpi);
    HGDIOBJ oldFont = SelectObject(memory, font);
    HANDLE handle = GetClipboardData(oem ? CF_OEMTEXT : CF_TEXT);
    const char* chars = handle != nullptr ? static_cast<const char*>(GlobalLock(handle)) : nullptr;
    if (chars != nullptr) {
        // The text ends at its NUL, or at the end of its block if its owner left none.
        size_t blockSize = GlobalSize(handle);
        const void* nul = std::memchr(chars, 0, blockSize);
        size_t length = nul != nullptr ? size_t(static_cast<const char*>(nul) - chars) : blockSize;
        if (length > 0x7FFFFFFF)
            length = 0x7FFFFFFF;
        RECT box = {0, 0, width - 1, height - 1};
        DrawTextA(memory, chars, int(length), &box, DT_NOPREFIX);
        GlobalUnlock(handle);
    }
    if (oldFont != nullptr && oldFont != HGDI_ERROR)
        SelectObject(memory, oldFont);
}
