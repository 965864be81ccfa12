#include "views/FontFallback.h"

#include <usp10.h>

#include <algorithm>

#include "encoders/PostGlyphName.h"

namespace {

const wchar_t systemLinkKey[] =
    L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\FontLink\\SystemLink";

// Faces whose links are read after the selected face's own: the user-interface faces of the
// system, which Windows links to its fonts for the other scripts.
const wchar_t* const interfaceFaces[] = {L"Segoe UI", L"Tahoma", L"Microsoft Sans Serif"};

bool IsControl(uint32_t c) {
    return c < 0x20 || (c >= 0x7F && c < 0xA0);
}

// Marks that combine with the character before them, and the joiners and variation selectors:
// they stay in that character's font.
bool StaysWithPrevious(uint32_t c) {
    return (c >= 0x300 && c <= 0x36F) || (c >= 0x1AB0 && c <= 0x1AFF) ||
           (c >= 0x1DC0 && c <= 0x1DFF) || (c >= 0x20D0 && c <= 0x20FF) ||
           (c >= 0xFE00 && c <= 0xFE0F) || (c >= 0xFE20 && c <= 0xFE2F) || c == 0x200D;
}

bool IsHigh(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool IsLow(wchar_t unit) {
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

// Units of the character at text[i]: 2 for a surrogate pair, else 1.
size_t UnitsAt(const wchar_t* text, size_t i, size_t length) {
    return IsHigh(text[i]) && i + 1 < length && IsLow(text[i + 1]) ? 2 : 1;
}

uint32_t CodePointAt(const wchar_t* text, size_t i, size_t units) {
    if (units == 2)
        return 0x10000 + ((uint32_t(text[i]) - 0xD800) << 10) + (uint32_t(text[i + 1]) - 0xDC00);
    return text[i];
}

// The glyph Uniscribe shapes a surrogate pair to in the font selected into dc (it reads the
// font's full character map), and that font's default glyph.
bool ShapePair(HDC dc, const wchar_t* pair, WORD* glyph, WORD* defaultGlyph) {
    SCRIPT_ITEM items[3] = {};
    int itemCount = 0;
    if (ScriptItemize(pair, 2, 2, nullptr, nullptr, items, &itemCount) != S_OK)
        return false;
    SCRIPT_CACHE cache = nullptr;
    SCRIPT_FONTPROPERTIES properties = {};
    properties.cBytes = sizeof properties;
    WORD glyphs[4] = {};
    WORD clusters[2] = {};
    SCRIPT_VISATTR attributes[4] = {};
    int glyphCount = 0;
    bool shaped = ScriptGetFontProperties(dc, &cache, &properties) == S_OK &&
                  ScriptShape(dc, &cache, pair, 2, 4, &items[0].a, glyphs, clusters, attributes,
                              &glyphCount) == S_OK &&
                  glyphCount >= 1;
    ScriptFreeCache(&cache);
    *glyph = glyphs[0];
    *defaultGlyph = properties.wgDefault;
    return shaped;
}

// Whether the font selected into dc has the character of `units` units. A surrogate pair has
// its glyph when that is neither 0 nor the font's default glyph.
bool SelectedHas(HDC dc, const wchar_t* character, size_t units) {
    if (units == 1) {
        WORD glyph = 0xFFFF;
        return GetGlyphIndicesW(dc, character, 1, &glyph, GGI_MARK_NONEXISTING_GLYPHS) == 1 &&
               glyph != 0xFFFF;
    }
    WORD glyph = 0;
    WORD defaultGlyph = 0;
    return ShapePair(dc, character, &glyph, &defaultGlyph) && glyph != 0 && glyph != defaultGlyph;
}

// True when dc is a printer and the selected font's 'post' table gives the glyph of `pair` an
// empty name. A PostScript printer driver sends glyphs by the font's names and leaves such a
// glyph off the page (some tools leave part of an emoji font's names empty), so it is printed
// as its outline.
bool PrintsAsOutline(HDC dc, const wchar_t* pair) {
    if (GetDeviceCaps(dc, TECHNOLOGY) != DT_RASPRINTER)
        return false;
    WORD glyph = 0;
    WORD defaultGlyph = 0;
    if (!ShapePair(dc, pair, &glyph, &defaultGlyph))
        return false;
    const DWORD postTag = DWORD('p') | DWORD('o') << 8 | DWORD('s') << 16 | DWORD('t') << 24;
    DWORD size = GetFontData(dc, postTag, 0, nullptr, 0);
    if (size == GDI_ERROR || size == 0)
        return false;
    std::vector<uint8_t> post(size);
    if (GetFontData(dc, postTag, 0, post.data(), size) != size)
        return false;
    return PostGlyphNameIsEmpty(post.data(), post.size(), glyph);
}

// Fills the outline of what `analysis` draws at (x, y), clipped to `clip`, in the text colour.
void FillOutline(HDC dc, SCRIPT_STRING_ANALYSIS analysis, int x, int y, const RECT& clip) {
    int saved = SaveDC(dc);
    IntersectClipRect(dc, clip.left, clip.top, clip.right, clip.bottom);
    HBRUSH brush = CreateSolidBrush(GetTextColor(dc));
    SelectObject(dc, brush);
    SelectObject(dc, GetStockObject(NULL_PEN));
    // Glyph contours may overlap: every point inside any of them is ink.
    SetPolyFillMode(dc, WINDING);
    BeginPath(dc);
    ScriptStringOut(analysis, x, y, 0, nullptr, 0, 0, FALSE);
    EndPath(dc);
    FillPath(dc);
    RestoreDC(dc, saved);
    DeleteObject(brush);
}

// Adds the faces of one SystemLink value ("FILE,Face" or "FILE,Face,scale" entries).
void AddLinkedFaces(HKEY key, const wchar_t* face, std::vector<std::wstring>* faces) {
    DWORD type = 0;
    DWORD size = 0;
    if (RegQueryValueExW(key, face, nullptr, &type, nullptr, &size) != ERROR_SUCCESS ||
        type != REG_MULTI_SZ || size < sizeof(wchar_t))
        return;
    std::vector<wchar_t> value(size / sizeof(wchar_t) + 2, 0);
    if (RegQueryValueExW(key, face, nullptr, &type, reinterpret_cast<BYTE*>(value.data()), &size) !=
        ERROR_SUCCESS)
        return;
    for (const wchar_t* entry = value.data(); *entry != 0; entry += wcslen(entry) + 1) {
        const wchar_t* comma = wcschr(entry, L',');
        if (comma == nullptr)
            continue;
        std::wstring name(comma + 1);
        name = name.substr(0, name.find(L','));
        bool known = false;
        for (const std::wstring& f : *faces)
            known = known || _wcsicmp(f.c_str(), name.c_str()) == 0;
        if (!name.empty() && !known)
            faces->push_back(name);
    }
}

void ReadLinks(FontFallback* fallback) {
    fallback->linksRead = true;
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, systemLinkKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return;
    wchar_t selected[LF_FACESIZE] = {};
    if (GetTextFaceW(fallback->dc, LF_FACESIZE, selected) > 0)
        AddLinkedFaces(key, selected, &fallback->faces);
    for (const wchar_t* face : interfaceFaces)
        AddLinkedFaces(key, face, &fallback->faces);
    RegCloseKey(key);
    fallback->fonts.assign(fallback->faces.size(), nullptr);
    fallback->tried.assign(fallback->faces.size(), false);
}

// The linked font i at the selected font's height and weight; null when the system has no font
// of that face (it would only give a stand-in).
HFONT LinkedFont(FontFallback* fallback, size_t i) {
    if (fallback->tried[i])
        return fallback->fonts[i];
    fallback->tried[i] = true;
    const std::wstring& face = fallback->faces[i];
    HFONT font = CreateFontW(fallback->metrics.tmHeight, 0, 0, 0, fallback->metrics.tmWeight, 0, 0,
                             0, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                             DEFAULT_QUALITY, DEFAULT_PITCH, face.c_str());
    if (font == nullptr)
        return nullptr;
    SelectObject(fallback->dc, font);
    wchar_t made[LF_FACESIZE] = {};
    GetTextFaceW(fallback->dc, LF_FACESIZE, made);
    SelectObject(fallback->dc, fallback->primary);
    if (_wcsicmp(made, face.c_str()) != 0) {
        DeleteObject(font);
        return nullptr;
    }
    fallback->fonts[i] = font;
    return font;
}

// The font for one character: -1 for the selected font, else the index of the first linked font
// that has it. The selected font is selected again afterwards.
int FontFor(FontFallback* fallback, const wchar_t* character, size_t units, uint32_t c) {
    if (IsControl(c) || SelectedHas(fallback->dc, character, units))
        return -1;
    if (!fallback->linksRead)
        ReadLinks(fallback);
    for (size_t i = 0; i < fallback->faces.size(); ++i) {
        HFONT font = LinkedFont(fallback, i);
        if (font == nullptr)
            continue;
        SelectObject(fallback->dc, font);
        bool has = SelectedHas(fallback->dc, character, units);
        SelectObject(fallback->dc, fallback->primary);
        if (has)
            return int(i);
    }
    return -1;
}

// Calls run(font, start, count) for each run of text in one font, in logical order; a
// character outside the Basic Multilingual Plane is a run of its own (see PairWidth). The run may
// select its font: the selected font is selected again before the next character is looked up.
template <typename Run>
void ForEachRun(FontFallback* fallback, const wchar_t* text, size_t length, Run run) {
    size_t runStart = 0;
    int runFont = -1;
    bool runIsPair = false;
    for (size_t i = 0; i < length;) {
        size_t units = UnitsAt(text, i, length);
        uint32_t c = CodePointAt(text, i, units);
        int font = i > 0 && StaysWithPrevious(c) ? runFont : FontFor(fallback, text + i, units, c);
        if (i > runStart && (font != runFont || units == 2 || runIsPair)) {
            run(runFont, runStart, i - runStart);
            SelectObject(fallback->dc, fallback->primary);
            runStart = i;
        }
        runFont = font;
        runIsPair = units == 2;
        i += units;
    }
    if (length > runStart)
        run(runFont, runStart, length - runStart);
}

bool IsPair(const wchar_t* text, size_t count) {
    return count == 2 && IsHigh(text[0]) && IsLow(text[1]);
}

// Width of one character outside the Basic Multilingual Plane, and with `clip` drawn at (x, y)
// by the text alignment of dc. Text output draws each unit of a surrogate pair alone (two
// empty boxes under Wine), so the pair is shaped and drawn as a glyph through Uniscribe.
int PairWidth(HDC dc, const wchar_t* pair, int x, int y, const RECT* clip) {
    SCRIPT_STRING_ANALYSIS analysis = nullptr;
    if (ScriptStringAnalyse(dc, pair, 2, 2 * 3 / 2 + 16, -1, SSA_GLYPHS, 0, nullptr, nullptr,
                            nullptr, nullptr, nullptr, &analysis) != S_OK)
        return 0;
    const SIZE* size = ScriptString_pSize(analysis);
    int width = size != nullptr ? size->cx : 0;
    if (clip != nullptr) {
        // Drawn at (x, y) whatever the text alignment says of the current position.
        UINT align = SetTextAlign(dc, GetTextAlign(dc) & ~TA_UPDATECP);
        if (PrintsAsOutline(dc, pair))
            FillOutline(dc, analysis, x, y, *clip);
        else
            ScriptStringOut(analysis, x, y, ETO_CLIPPED, clip, 0, 0, FALSE);
        SetTextAlign(dc, align);
    }
    ScriptStringFree(&analysis);
    return width;
}

HFONT FontOfRun(FontFallback* fallback, int font) {
    return font < 0 ? fallback->primary : fallback->fonts[size_t(font)];
}

int RunWidth(HDC dc, const wchar_t* text, size_t count) {
    if (IsPair(text, count))
        return PairWidth(dc, text, 0, 0, nullptr);
    SIZE size = {};
    GetTextExtentPoint32W(dc, text, int(count), &size);
    return size.cx;
}

// Whether text holds a character of a right-to-left script (Hebrew, Arabic, Syriac, Thaana,
// N'Ko, Samaritan, Mandaic, their presentation forms, and those outside the Basic Multilingual
// Plane from U+10800 to U+10FFF and U+1E800 to U+1EFFF).
bool HasRightToLeft(const wchar_t* text, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        wchar_t u = text[i];
        if ((u >= 0x0590 && u <= 0x08FF) || (u >= 0xFB1D && u <= 0xFDFF) ||
            (u >= 0xFE70 && u <= 0xFEFF) || u == 0xD802 || u == 0xD803 || u == 0xD83A ||
            u == 0xD83B)
            return true;
    }
    return false;
}

// A piece of a line in one direction: text[start, start + count).
struct DirectionPiece {
    size_t start, count;
    bool rightToLeft;
};

// The line's pieces of one direction, left to right as they stand on the line: Uniscribe's items
// of the line laid out by their embedding levels. A line without right-to-left characters is one
// piece.
std::vector<DirectionPiece> PiecesInVisualOrder(const wchar_t* text, size_t length) {
    const std::vector<DirectionPiece> whole = {{0, length, false}};
    if (length == 0 || length > 0x7FFFFFF || !HasRightToLeft(text, length))
        return whole;
    const int maxItems = int(length) + 1;
    std::vector<SCRIPT_ITEM> items(size_t(maxItems) + 1);
    int count = 0;
    // A left-to-right paragraph, as the view and the page show text. The control and state are
    // given so that the whole bidirectional algorithm runs: without them an item's level may
    // follow its script alone, leaving the spaces between two right-to-left words left-to-right.
    SCRIPT_CONTROL control = {};
    SCRIPT_STATE state = {};
    if (ScriptItemize(text, int(length), maxItems, &control, &state, items.data(), &count) !=
            S_OK ||
        count <= 0)
        return whole;
    std::vector<BYTE> levels(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        levels[size_t(i)] = BYTE(items[size_t(i)].a.s.uBidiLevel);
    std::vector<int> logicalOf(static_cast<size_t>(count));
    if (ScriptLayout(count, levels.data(), logicalOf.data(), nullptr) != S_OK)
        return whole;
    std::vector<DirectionPiece> pieces;
    for (int v = 0; v < count; ++v) {
        size_t i = size_t(logicalOf[size_t(v)]);
        size_t start = size_t(items[i].iCharPos);
        size_t end = size_t(items[i + 1].iCharPos);
        if (end > start && end <= length)
            pieces.push_back({start, end - start, (levels[i] & 1) != 0});
    }
    return pieces;
}

} // namespace

void OpenFontFallback(FontFallback* fallback, HDC dc) {
    *fallback = FontFallback();
    fallback->dc = dc;
    fallback->primary = static_cast<HFONT>(GetCurrentObject(dc, OBJ_FONT));
    GetTextMetricsW(dc, &fallback->metrics);
}

void CloseFontFallback(FontFallback* fallback) {
    for (HFONT font : fallback->fonts)
        if (font != nullptr)
            DeleteObject(font);
    fallback->fonts.clear();
    fallback->tried.clear();
}

bool FontHasAll(FontFallback* fallback, const wchar_t* text, size_t length) {
    // One call for the whole text; only the characters it marks missing are looked at again.
    std::vector<WORD> glyphs(length);
    if (length == 0)
        return true;
    // A font whose characters cannot be looked up is drawn as it always was.
    if (GetGlyphIndicesW(fallback->dc, text, int(length), glyphs.data(),
                         GGI_MARK_NONEXISTING_GLYPHS) != DWORD(length))
        return true;
    for (size_t i = 0; i < length;) {
        size_t units = UnitsAt(text, i, length);
        uint32_t c = CodePointAt(text, i, units);
        bool missing = units == 2 ? !SelectedHas(fallback->dc, text + i, 2) : glyphs[i] == 0xFFFF;
        if (missing && !IsControl(c))
            return false;
        i += units;
    }
    return true;
}

int LineWidthWithFallback(FontFallback* fallback, const wchar_t* text, size_t length) {
    int width = 0;
    ForEachRun(fallback, text, length, [&](int font, size_t start, size_t count) {
        SelectObject(fallback->dc, FontOfRun(fallback, font));
        width += RunWidth(fallback->dc, text + start, count);
    });
    SelectObject(fallback->dc, fallback->primary);
    return width;
}

void DrawLineWithFallback(FontFallback* fallback, int x, int y, const RECT& clip,
                          const wchar_t* text, size_t length) {
    // Runs of different fonts share the selected font's baseline. Each run moves the current
    // position by the width it was drawn at: right-to-left runs and shaped Arabic are narrower
    // than the sum of their characters' widths. The line's pieces of one direction come in
    // visual order, and the runs of a right-to-left piece from its end, so that right-to-left
    // text stands as one font would show it even where its characters come from several fonts.
    HDC dc = fallback->dc;
    UINT oldAlign = SetTextAlign(dc, TA_LEFT | TA_BASELINE | TA_UPDATECP);
    POINT oldPosition = {};
    MoveToEx(dc, x, y + fallback->metrics.tmAscent, &oldPosition);
    struct Run {
        int font;
        size_t start, count;
    };
    std::vector<Run> runs;
    for (const DirectionPiece& piece : PiecesInVisualOrder(text, length)) {
        runs.clear();
        ForEachRun(fallback, text + piece.start, piece.count,
                   [&](int font, size_t start, size_t count) {
                       runs.push_back({font, piece.start + start, count});
                   });
        if (piece.rightToLeft)
            std::reverse(runs.begin(), runs.end());
        const UINT options = ETO_CLIPPED | (piece.rightToLeft ? ETO_RTLREADING : 0);
        for (const Run& run : runs) {
            SelectObject(dc, FontOfRun(fallback, run.font));
            POINT at = {};
            GetCurrentPositionEx(dc, &at);
            if (IsPair(text + run.start, run.count)) {
                int width = PairWidth(dc, text + run.start, at.x, at.y, &clip);
                MoveToEx(dc, at.x + width, at.y, nullptr);
            } else {
                ExtTextOutW(dc, at.x, at.y, options, &clip, text + run.start, UINT(run.count),
                            nullptr);
            }
        }
        SelectObject(dc, fallback->primary);
    }
    MoveToEx(dc, oldPosition.x, oldPosition.y, nullptr);
    if (oldAlign != GDI_ERROR)
        SetTextAlign(dc, oldAlign);
}
