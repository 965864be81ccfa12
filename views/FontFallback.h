// Unicode text in the font selected into a drawing context, with the characters that font lacks
// drawn from the fonts the system links to it: the faces listed under the registry key
// HKLM\SOFTWARE\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink for the selected face
// and for the system's user-interface faces, as Windows' own controls fall back. Text whose
// characters the selected font all has is drawn exactly as DrawTextW / ExtTextOutW draw it.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// The linked fonts of one drawing context, made the first time a character needs them, at the
// height and weight of the font selected when OpenFontFallback ran. That font must stay selected
// while the record is in use.
struct FontFallback {
    HDC dc = nullptr;
    HFONT primary = nullptr;
    TEXTMETRICW metrics = {};
    std::vector<std::wstring> faces; // linked faces, in the order they are tried
    std::vector<HFONT> fonts;        // made from faces[i]; null when not made (yet) or absent
    std::vector<bool> tried;         // fonts[i] has been made, or found absent
    bool linksRead = false;
};

void OpenFontFallback(FontFallback* fallback, HDC dc);
void CloseFontFallback(FontFallback* fallback);

// True when the selected font has every character of text[0..length) that is not a control
// character, or when its characters cannot be looked up (it is then drawn as it always was).
bool FontHasAll(FontFallback* fallback, const wchar_t* text, size_t length);

// Width of text[0..length): the extents of its runs, each in its font (right-to-left runs and
// shaped Arabic may draw a little narrower).
int LineWidthWithFallback(FontFallback* fallback, const wchar_t* text, size_t length);

// Draws one line (no line breaks inside) with its top-left corner at (x, y), clipped to `clip`:
// the runs the selected font has in it, the others each in the first linked font that has them.
// Control characters and characters no font has stay in the selected font.
void DrawLineWithFallback(FontFallback* fallback, int x, int y, const RECT& clip,
                          const wchar_t* text, size_t length);
