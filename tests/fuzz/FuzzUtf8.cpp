// Fuzzes the UTF-16 to UTF-8 conversion: the input's bytes, taken in pairs little-endian, are
// the code units (an odd last byte is left out, as the program leaves it out of an odd-sized
// clipboard block). The units lie in a buffer of exactly their count, so ASan reports any read
// past it. The output must stay within the bound, and glibc's iconv must decode it back to the
// units up to the first zero with every unpaired surrogate replaced by U+FFFD.
#include "encoders/Utf8.h"

#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "UTF-8 conversion failed: %s\n", what);
        std::abort();
    }
}

// The units the output must decode to: up to the first zero, lone surrogates as U+FFFD.
std::vector<uint16_t> Expected(const std::vector<uint16_t>& units) {
    std::vector<uint16_t> expected;
    for (size_t i = 0; i < units.size() && units[i] != 0; ++i) {
        uint16_t u = units[i];
        bool high = u >= 0xD800 && u <= 0xDBFF;
        bool low = u >= 0xDC00 && u <= 0xDFFF;
        if (high && i + 1 < units.size() && units[i + 1] >= 0xDC00 && units[i + 1] <= 0xDFFF) {
            expected.push_back(u);
            expected.push_back(units[++i]);
        } else {
            expected.push_back(high || low ? uint16_t(0xFFFD) : u);
        }
    }
    return expected;
}

iconv_t Decoder() {
    static iconv_t cd = iconv_open("UTF-16LE", "UTF-8");
    return cd;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const size_t count = size / 2;
    uint16_t* units = static_cast<uint16_t*>(std::malloc(count * 2 + 1));
    for (size_t i = 0; i < count; ++i)
        units[i] = uint16_t(data[2 * i] | data[2 * i + 1] << 8);
    std::vector<uint8_t> out(Utf8Bound(count));
    const size_t n = Utf16ToUtf8(units, count, out.data());
    Require(n <= Utf8Bound(count), "past the bound");
    std::vector<uint16_t> expected = Expected(std::vector<uint16_t>(units, units + count));
    std::free(units);

    std::vector<uint16_t> back(expected.size() + 1);
    char* in = reinterpret_cast<char*>(out.data());
    size_t inLeft = n;
    char* to = reinterpret_cast<char*>(back.data());
    size_t toLeft = back.size() * 2;
    iconv(Decoder(), nullptr, nullptr, nullptr, nullptr);
    Require(iconv(Decoder(), &in, &inLeft, &to, &toLeft) != size_t(-1), "not valid UTF-8");
    Require(inLeft == 0, "not decoded to the end");
    back.resize(back.size() - toLeft / 2);
    Require(back == expected, "decodes to other text");
    return 0;
}
