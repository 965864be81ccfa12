// Which glyphs a font's 'post' table names with an empty string, on tables built here: format 2's
// indices into the standard names and into its own strings, the standard names of format 1, the
// formats that name nothing, and tables cut short.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "encoders/PostGlyphName.h"

namespace {

std::vector<uint8_t> Header(uint32_t format) {
    std::vector<uint8_t> post(32, 0);
    for (int i = 0; i < 4; ++i)
        post[size_t(i)] = uint8_t(format >> (24 - 8 * i));
    return post;
}

// Format 2: one index a glyph, then the strings.
std::vector<uint8_t> Format2(const std::vector<uint16_t>& indices,
                             const std::vector<std::string>& strings) {
    std::vector<uint8_t> post = Header(0x00020000);
    post.push_back(uint8_t(indices.size() >> 8));
    post.push_back(uint8_t(indices.size()));
    for (uint16_t index : indices) {
        post.push_back(uint8_t(index >> 8));
        post.push_back(uint8_t(index));
    }
    for (const std::string& s : strings) {
        post.push_back(uint8_t(s.size()));
        post.insert(post.end(), s.begin(), s.end());
    }
    return post;
}

// Glyph 0 a standard name, 1 "a", 2 "", 3 "bc", 4 an index past the strings, 5 the last
// standard name.
const std::vector<uint8_t> mixed = Format2({0, 258, 259, 260, 261, 257}, {"a", "", "bc"});

std::vector<uint8_t> Cut(std::vector<uint8_t> post, size_t drop) {
    post.resize(post.size() - drop);
    return post;
}

TEST(PostGlyphNameTest, EmptyNames) {
    const struct {
        const char* what;
        std::vector<uint8_t> post;
        uint16_t glyph;
        bool empty;
    } cases[] = {
        {"format 2, standard name", mixed, 0, false},
        {"format 2, first string", mixed, 1, false},
        {"format 2, empty string", mixed, 2, true},
        {"format 2, string after an empty one", mixed, 3, false},
        {"format 2, index past the strings", mixed, 4, false},
        {"format 2, last standard index", mixed, 5, false},
        {"format 2, glyph past the count", mixed, 6, false},
        {"format 2, empty string last", Format2({259, 258}, {"a", ""}), 0, true},
        {"format 2, last string cut short", Cut(mixed, 1), 3, false},
        {"format 2, indices cut short", Cut(Format2({258, 258}, {""}), 2), 0, false},
        {"format 2, no count", Header(0x00020000), 0, false},
        {"format 1", Header(0x00010000), 0, false},
        {"format 2.5", Header(0x00025000), 0, false},
        {"format 3", Header(0x00030000), 0, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.empty, PostGlyphNameIsEmpty(c.post.data(), c.post.size(), c.glyph)) << c.what;
    EXPECT_FALSE(PostGlyphNameIsEmpty(nullptr, 0, 0));
}

} // namespace
