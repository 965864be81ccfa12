#include "views/TextLines.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Every character is 10 units wide, except 'W', which is 30.
int64_t FixedWidth(void* calls, const uint16_t* text, size_t length) {
    ++*static_cast<int*>(calls);
    int64_t width = 0;
    for (size_t i = 0; i < length; ++i) {
        width += text[i] == 'W' ? 30 : 10;
    }
    return width;
}

std::vector<std::string> Lines(const std::string& text, int64_t width, int* calls = nullptr) {
    std::vector<uint16_t> wide(text.begin(), text.end());
    int count = 0;
    std::vector<TextLine> lines = BreakTextLines(wide.data(), wide.size(), width, FixedWidth,
                                                 calls != nullptr ? calls : &count);
    std::vector<std::string> result;
    for (const TextLine& line : lines) {
        result.push_back(text.substr(line.start, line.length));
    }
    return result;
}

using L = std::vector<std::string>;

TEST(TextLines, BreaksBetweenWordsAndAtLineBreaks) {
    const struct {
        const char* text;
        int64_t width;
        L lines;
    } cases[] = {
        // 9 characters fit in 90 units: "aaa bbb" (70) fits, "aaa bbb ccc" (110) does not.
        {"aaa bbb ccc ddd", 90, {"aaa bbb", "ccc ddd"}},
        {"aaa bbb ccc ddd", 150, {"aaa bbb ccc ddd"}},
        // Exactly the width fits.
        {"aaaa bbbb", 90, {"aaaa bbbb"}},
        {"aaaa bbbb", 89, {"aaaa", "bbbb"}},
        // CR LF, LF and CR end lines; an empty line stays; a final break adds no line.
        {"one\r\ntwo\nthree\rfour", 1000, {"one", "two", "three", "four"}},
        {"one\r\n\r\ntwo\r\n", 1000, {"one", "", "two"}},
        // Several spaces at a break are dropped; at a paragraph's start they stay.
        {"aaa     bbb", 50, {"aaa", "bbb"}},
        {"  aaa bbb", 60, {"  aaa", "bbb"}},
        // A word wider than the line is split where it stops fitting.
        {"abcdefghij xy", 40, {"abcd", "efgh", "ij", "xy"}},
        {"WWW", 50, {"W", "W", "W"}},
        // Narrower than one character: one character a line, nothing lost.
        {"abc", 5, {"a", "b", "c"}},
        // Tabs and '&' are characters like others.
        {"a\tb &c", 1000, {"a\tb &c"}},
        {"", 100, {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.lines, Lines(c.text, c.width)) << '"' << c.text << "\" in " << c.width;
    }
}

TEST(TextLines, StopsAtTheTerminatingZero) {
    std::string text("aaa bbb", 7);
    text += '\0';
    text += "ccc";
    EXPECT_EQ((L{"aaa", "bbb"}), Lines(text, 40));
}

// A word with no spaces across a whole paragraph costs measurements of about the line it fills
// (doubling, then halving), not one per character.
TEST(TextLines, LongWordsAreMeasuredSparingly) {
    int calls = 0;
    L lines = Lines(std::string(10000, 'x'), 800, &calls);
    ASSERT_EQ(125u, lines.size());
    for (const std::string& line : lines) {
        EXPECT_EQ(80u, line.size());
    }
    EXPECT_LT(calls, 125 * 20);
}

} // namespace
