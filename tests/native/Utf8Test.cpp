// UTF-16 to UTF-8 on worked examples: every length of sequence at its limits, surrogate pairs,
// unpaired surrogates, an embedded NUL; and valid text round-tripped through glibc's iconv.
#include <gtest/gtest.h>

#include <iconv.h>

#include <string>
#include <vector>

#include "encoders/Utf8.h"

namespace {

std::string Convert(const std::vector<uint16_t>& units) {
    std::vector<uint8_t> out(Utf8Bound(units.size()) + 1, 0xEE);
    size_t n = Utf16ToUtf8(units.data(), units.size(), out.data());
    EXPECT_LE(n, Utf8Bound(units.size()));
    EXPECT_EQ(out[Utf8Bound(units.size())], 0xEE) << "wrote past the bound";
    return std::string(out.begin(), out.begin() + long(n));
}

struct Case {
    const char* what;
    std::vector<uint16_t> units;
    std::string utf8;
};

const Case cases[] = {
    {"empty", {}, ""},
    {"ASCII, line ends kept", {'a', '\r', '\n', 'b', '\n', 0x7F}, "a\r\nb\n\x7F"},
    {"two bytes: lowest and highest", {0x80, 0x7FF}, "\xC2\x80\xDF\xBF"},
    {"two bytes: e acute, Greek alpha, Hebrew alef, Arabic alef",
     {0xE9, 0x3B1, 0x5D0, 0x627},
     "\xC3\xA9\xCE\xB1\xD7\x90\xD8\xA7"},
    {"three bytes: lowest and highest", {0x800, 0xFFFF}, "\xE0\xA0\x80\xEF\xBF\xBF"},
    {"three bytes: around the surrogates", {0xD7FF, 0xE000}, "\xED\x9F\xBF\xEE\x80\x80"},
    {"three bytes: CJK, kana, hangul",
     {0x4E2D, 0x3042, 0xAC00},
     "\xE4\xB8\xAD\xE3\x81\x82\xEA\xB0\x80"},
    {"pair: lowest", {0xD800, 0xDC00}, "\xF0\x90\x80\x80"},
    {"pair: grinning face", {0xD83D, 0xDE00}, "\xF0\x9F\x98\x80"},
    {"pair: highest", {0xDBFF, 0xDFFF}, "\xF4\x8F\xBF\xBF"},
    {"lone high at the end", {'a', 0xD83D}, "a\xEF\xBF\xBD"},
    {"lone high before a letter",
     {0xD83D, 'b'},
     "\xEF\xBF\xBD"
     "b"},
    {"lone low",
     {0xDE00, 'c'},
     "\xEF\xBF\xBD"
     "c"},
    {"low then high: two lone units", {0xDC00, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD"},
    {"high, high, low: the second pairs", {0xD800, 0xD83D, 0xDE00}, "\xEF\xBF\xBD\xF0\x9F\x98\x80"},
    {"embedded NUL ends the text", {'u', 'p', 0, 'x', 0x4E2D}, "up"},
    {"high surrogate before the NUL is lone", {0xD83D, 0, 0xDE00}, "\xEF\xBF\xBD"},
    {"BOM character is written as it stands",
     {0xFEFF, 'z'},
     "\xEF\xBB\xBF"
     "z"},
};

TEST(Utf8, WorkedExamples) {
    for (const Case& c : cases)
        EXPECT_EQ(c.utf8, Convert(c.units)) << c.what;
}

TEST(Utf8, ThePairIsNotReadPastTheGivenLength) {
    // Only the high surrogate lies inside the length: it is unpaired.
    const uint16_t units[] = {0xD83D, 0xDE00};
    uint8_t out[6] = {};
    ASSERT_EQ(3u, Utf16ToUtf8(units, 1, out));
    EXPECT_EQ(0, memcmp(out, "\xEF\xBF\xBD", 3));
}

// Every non-surrogate code point of the BMP and a sample of the planes above, decoded by iconv.
TEST(Utf8, RoundTripThroughIconv) {
    std::vector<uint16_t> units;
    for (uint32_t c = 1; c <= 0xFFFF; ++c)
        if (c < 0xD800 || c > 0xDFFF)
            units.push_back(uint16_t(c));
    for (uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x101) {
        units.push_back(uint16_t(0xD800 + ((c - 0x10000) >> 10)));
        units.push_back(uint16_t(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    std::string utf8 = Convert(units);
    iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    ASSERT_NE(iconv_t(-1), cd);
    std::vector<uint16_t> back(units.size() + 1);
    char* in = &utf8[0];
    size_t inLeft = utf8.size();
    char* outBytes = reinterpret_cast<char*>(back.data());
    size_t outLeft = back.size() * 2;
    EXPECT_NE(size_t(-1), iconv(cd, &in, &inLeft, &outBytes, &outLeft));
    iconv_close(cd);
    EXPECT_EQ(0u, inLeft);
    back.resize(back.size() - outLeft / 2);
    EXPECT_EQ(units, back);
}

} // namespace
