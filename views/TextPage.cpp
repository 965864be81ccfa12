#include "views/TextPage.h"

#include "views/FontFallback.h"

#include <cstring>
#include <string>

#include "platform/Dpi.h"

namespace {

// The part of the Unicode text that can show on a page of `lines` lines `width` pixels wide: the
// text up to its NUL or the end of its block, cut after enough line breaks (CR and LF each
// counted, so that CR LF pairs never cut it short) and with each line cut at two units per
// pixel. A text of many megabytes is then laid out only as far as the page reaches.
std::wstring VisibleText(const wchar_t* units, size_t count, int lines, int width) {
    std::wstring shown;
    size_t breaks = 0;
    size_t lineLength = 0;
    const size_t maxBreaks = 2 * size_t(lines > 0 ? lines : 0) + 2;
    const size_t maxLine = 2 * size_t(width > 0 ? width : 0) + 2;
    for (size_t i = 0; i < count && units[i] != 0; ++i) {
        wchar_t c = units[i];
        if (c == L'\r' || c == L'\n') {
            if (++breaks > maxBreaks)
                break;
            lineLength = 0;
        } else if (++lineLength > maxLine) {
            continue;
        }
        shown.push_back(c);
    }
    return shown;
}

// Draws the lines of the text one below the other from the top left, each with the characters
// the selected font lacks taken from its linked fonts. Line breaks are CR LF, LF or CR.
void DrawLinesWithFallback(FontFallback* fallback, const std::wstring& text, const RECT& box) {
    int lineHeight = fallback->metrics.tmHeight > 0 ? fallback->metrics.tmHeight : 1;
    int y = 0;
    for (size_t pos = 0; pos < text.size() && y <= box.bottom; y += lineHeight) {
        size_t end = text.find_first_of(L"\r\n", pos);
        if (end == std::wstring::npos)
            end = text.size();
        DrawLineWithFallback(fallback, 0, y, box, text.c_str() + pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == L'\r' && pos + 1 < text.size() &&
            text[pos + 1] == L'\n')
            pos += 2;
        else if (pos < text.size())
            pos += 1;
    }
}

// Draws the clipboard's CF_UNICODETEXT in the selected font; false when there is none. Where the
// font lacks a character, it is drawn from a linked font, so every script shows; text the font
// has throughout is drawn by DrawTextW as it always was.
bool DrawUnicodeText(HDC memory, int width, int height) {
    HANDLE handle = GetClipboardData(CF_UNICODETEXT);
    const wchar_t* units =
        handle != nullptr ? static_cast<const wchar_t*>(GlobalLock(handle)) : nullptr;
    if (units == nullptr)
        return false;
    FontFallback fallback;
    OpenFontFallback(&fallback, memory);
    int lines = height / (fallback.metrics.tmHeight > 0 ? fallback.metrics.tmHeight : 1) + 1;
    // An odd last byte of the block is no unit.
    std::wstring shown = VisibleText(units, GlobalSize(handle) / 2, lines, width);
    GlobalUnlock(handle);
    RECT box = {0, 0, width - 1, height - 1};
    if (FontHasAll(&fallback, shown.c_str(), shown.size()))
        DrawTextW(memory, shown.c_str(), int(shown.size()), &box, DT_NOPREFIX);
    else
        DrawLinesWithFallback(&fallback, shown, box);
    CloseFontFallback(&fallback);
    return true;
}

} // namespace

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
    // The ANSI view shows the Unicode text, which the system also derives from ANSI text alone.
    bool drawn = !oem && DrawUnicodeText(memory, width, height);
    HANDLE handle = drawn ? nullptr : GetClipboardData(oem ? CF_OEMTEXT : CF_TEXT);
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
