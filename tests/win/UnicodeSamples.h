// Text in each script the ANSI view must show, as another program puts it on the clipboard
// (CF_UNICODETEXT), with its UTF-8 bytes. Shared by the view, save and print tests.
#pragma once

#include <string>
#include <vector>

#include "tests/win/TestBed.h"

struct ScriptSample {
    const char* script;
    std::wstring text; // UTF-16 as the clipboard holds it
    std::string utf8;  // the same characters in UTF-8
};

inline const std::vector<ScriptSample>& ScriptSamples() {
    static const std::vector<ScriptSample> samples = {
        {"Latin with accents", L"caf\u00e9 \u00c5ngstr\u00f6m",
         "caf\xC3\xA9 \xC3\x85ngstr\xC3\xB6m"},
        {"Greek", L"\u03a9\u03bc\u03ad\u03b3\u03b1", "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1"},
        {"Cyrillic", L"\u041f\u0440\u0438\u0432\u0435\u0442",
         "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"},
        {"Hebrew", L"\u05e9\u05dc\u05d5\u05dd", "\xD7\xA9\xD7\x9C\xD7\x95\xD7\x9D"},
        {"Arabic", L"\u0645\u0631\u062d\u0628\u0627", "\xD9\x85\xD8\xB1\xD8\xAD\xD8\xA8\xD8\xA7"},
        {"Chinese", L"\u4e2d\u6587", "\xE4\xB8\xAD\xE6\x96\x87"},
        {"Japanese", L"\u65e5\u672c\u8a9e\u3072\u3089\u304c\u306a",
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xB2\xE3\x82\x89\xE3\x81\x8C\xE3\x81\xAA"},
        {"Korean", L"\ud55c\uad6d\uc5b4", "\xED\x95\x9C\xEA\xB5\xAD\xEC\x96\xB4"},
        {"Emoji", L"\U0001F600\U0001F30D", "\xF0\x9F\x98\x80\xF0\x9F\x8C\x8D"},
    };
    return samples;
}

// The text and its NUL as CF_UNICODETEXT.
inline ClipSource UnicodeSource(const std::wstring& text) {
    ClipSource source;
    source.handles.emplace_back(CF_UNICODETEXT,
                                GlobalBytes(text.c_str(), (text.size() + 1) * sizeof(wchar_t)));
    return source;
}
