// The clipboard's native format.
//
// The shell decides its view from the last format the owner placed, the way a clipboard lists
// them when the owner's formats come first in placement order and the system's derived text
// format (CF_OEMTEXT for CF_TEXT and back) is listed after them. The last format is taken,
// palettes never count, and CF_TEXT and CF_OEMTEXT are exchanged: text placed as CF_TEXT ends
// the list with its derived CF_OEMTEXT, so the exchange gives back CF_TEXT, the format placed.
//
// Current systems list more derived formats (CF_LOCALE, CF_UNICODETEXT, CF_DIBV5, CF_DIB for a
// placed CF_BITMAP and back), and they too come after the formats placed. So the enumeration is
// first reduced to the formats placed: a format of a family (text, bitmap, metafile) is derived
// when an earlier format of the same family was listed, and CF_LOCALE is derived whenever text
// is present. CF_UNICODETEXT placed by itself counts as CF_TEXT (from which the system derives
// the ANSI text directly), CF_DIBV5 by itself as CF_DIB. Then the derived sibling of the placed
// text format is appended, as the older system listed it, and the rule above is applied.
//
// Limit: an owner that places two formats of one family (CF_TEXT and CF_OEMTEXT both) cannot
// be told from one that placed the first only; the first placed one decides.
#include "shell/Shell.h"

namespace {

constexpr int MaxFormats = 128;

enum FormatFamily { FamilyNone, FamilyText, FamilyBitmap, FamilyMetafile, FamilyCount };

FormatFamily FamilyOf(UINT format) {
    switch (format) {
    case CF_TEXT:
    case CF_OEMTEXT:
    case CF_UNICODETEXT: return FamilyText;
    case CF_BITMAP:
    case CF_DIB:
    case CF_DIBV5: return FamilyBitmap;
    case CF_METAFILEPICT:
    case CF_ENHMETAFILE: return FamilyMetafile;
    default: return FamilyNone;
    }
}

// Reduces an enumeration to the formats placed, in placement order, followed by the derived
// text sibling. Returns the number of formats written to placed (at most MaxFormats + 1).
int PlacementOrder(const UINT* formats, int count, UINT* placed) {
    int textPresent = 0;
    for (int i = 0; i < count; ++i) {
        if (FamilyOf(formats[i]) == FamilyText) {
            textPresent = 1;
        }
    }
    int familySeen[FamilyCount] = {};
    int placedCount = 0;
    UINT placedText = 0;
    for (int i = 0; i < count && placedCount < MaxFormats; ++i) {
        UINT format = formats[i];
        FormatFamily family = FamilyOf(format);
        if (format == CF_LOCALE && textPresent) {
            continue;
        }
        if (family != FamilyNone) {
            if (familySeen[family]) {
                continue;
            }
            familySeen[family] = 1;
        }
        if (format == CF_UNICODETEXT) {
            format = CF_TEXT;
        } else if (format == CF_DIBV5) {
            format = CF_DIB;
        }
        if (family == FamilyText) {
            placedText = format;
        }
        placed[placedCount++] = format;
    }
    if (placedText != 0) {
        placed[placedCount++] = placedText == CF_TEXT ? CF_OEMTEXT : CF_TEXT;
    }
    return placedCount;
}

} // namespace

UINT ProbeFormatList(const UINT* formats, int count) {
    UINT placed[MaxFormats + 1];
    int placedCount = PlacementOrder(formats, count, placed);
    UINT last = 0;
    for (int i = 0; i < placedCount; ++i) {
        if (placed[i] != CF_PALETTE) {
            last = placed[i];
        }
    }
    if (last == CF_TEXT) {
        return CF_OEMTEXT;
    }
    if (last == CF_OEMTEXT) {
        return CF_TEXT;
    }
    return last;
}

UINT ProbeClipboardFormat() {
    UINT formats[MaxFormats];
    int count = 0;
    UINT format = 0;
    while (count < MaxFormats && (format = EnumClipboardFormats(format)) != 0) {
        formats[count++] = format;
    }
    return ProbeFormatList(formats, count);
}
