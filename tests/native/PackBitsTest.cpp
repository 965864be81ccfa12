#include <gtest/gtest.h>

#include <vector>

#include "LzwTestSupport.h"
#include "encoders/PackBits.h"

namespace {

std::vector<uint8_t> Pack(const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out(PackBitsBound(row.size()) + 1, 0xEE);
    size_t n = PackRow(row.data(), row.size(), out.data());
    EXPECT_LE(n, PackBitsBound(row.size()));
    EXPECT_EQ(out[PackBitsBound(row.size())], 0xEE) << "wrote past the bound";
    out.resize(n);
    return out;
}

// PackBits decoding as any reader does it.
std::vector<uint8_t> Unpack(const std::vector<uint8_t>& packed) {
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < packed.size()) {
        int8_t n = static_cast<int8_t>(packed[i++]);
        if (n >= 0) {
            out.insert(out.end(), packed.begin() + static_cast<long>(i),
                       packed.begin() + static_cast<long>(i) + n + 1);
            i += static_cast<size_t>(n) + 1;
        } else if (n != -128) {
            out.insert(out.end(), static_cast<size_t>(1 - n), packed.at(i));
            i += 1;
        }
    }
    return out;
}

// The packer's rules stated step by step over one look position, as a second, slower statement
// of the same output to compare against.
std::vector<uint8_t> PackStepByStep(const std::vector<uint8_t>& row) {
    std::vector<uint8_t> out;
    const size_t n = row.size();
    size_t i = 0;
    while (i < n) {
        uint8_t cur = row[i];
        size_t lit = 1, run = 1;
        i += 1;
        for (;;) {
            if (i == n) {
                if (run > 1) {
                    out.push_back(static_cast<uint8_t>(257 - run));
                    out.push_back(cur);
                } else {
                    out.push_back(static_cast<uint8_t>(lit - 1));
                    out.insert(out.end(), row.end() - static_cast<long>(lit), row.end());
                }
                break;
            }
            if (run == 128) {
                out.push_back(0x81);
                out.push_back(cur);
                break;
            }
            if (lit == 128) {
                out.push_back(127);
                out.insert(out.end(), row.begin() + static_cast<long>(i - 128),
                           row.begin() + static_cast<long>(i));
                break;
            }
            if (row[i] != cur) {
                if (run > 1) {
                    out.push_back(static_cast<uint8_t>(257 - run));
                    out.push_back(cur);
                    break;
                }
                lit += 1;
                cur = row[i];
                i += 1;
            } else if (lit > 1) {
                if (i + 1 < n && row[i + 1] == cur) {
                    out.push_back(static_cast<uint8_t>(lit - 2));
                    out.insert(out.end(), row.begin() + static_cast<long>(i - lit),
                               row.begin() + static_cast<long>(i - 1));
                    i -= 1;
                    break;
                }
                lit += 1;
                cur = row[i];
                i += 1;
            } else {
                run += 1;
                i += 1;
            }
        }
    }
    return out;
}

std::vector<uint8_t> Counting(size_t n, int start) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i)
        v[i] = static_cast<uint8_t>(start + static_cast<int>(i));
    return v;
}

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(PackBitsTest, WorkedExamples) {
    struct Case {
        const char* name;
        std::vector<uint8_t> row;
        std::vector<uint8_t> packed;
    };
    const Case cases[] = {
        {"distinct", {0x61, 0x62, 0x63}, {0x02, 0x61, 0x62, 0x63}},
        {"run then byte", {0x61, 0x61, 0x61, 0x62}, {0xFE, 0x61, 0x00, 0x62}},
        {"pair inside literal", {0x61, 0x62, 0x62, 0x63}, {0x03, 0x61, 0x62, 0x62, 0x63}},
        {"triple inside", {0x61, 0x62, 0x62, 0x62, 0x63}, {0x00, 0x61, 0xFE, 0x62, 0x00, 0x63}},
        {"pair run then triple", {0x61, 0x61, 0x62, 0x62, 0x62}, {0xFF, 0x61, 0xFE, 0x62}},
        {"pair at row end", {0x61, 0x62, 0x62}, {0x02, 0x61, 0x62, 0x62}},
        {"130 equal", std::vector<uint8_t>(130, 0x78), {0x81, 0x78, 0xFF, 0x78}},
        {"130 counting", Counting(130, 0),
         Concat(Concat({0x7F}, Counting(128, 0)), {0x01, 0x80, 0x81})},
        {"127 distinct then FF FF FF", Concat(Counting(127, 1), {0xFF, 0xFF, 0xFF}),
         Concat(Concat({0x7F}, Counting(127, 1)), {0xFF, 0xFF, 0xFF})},
        {"one byte", {0x42}, {0x00, 0x42}},
        {"empty", {}, {}},
        {"128 equal", std::vector<uint8_t>(128, 9), {0x81, 9}},
        {"129 equal", std::vector<uint8_t>(129, 9), {0x81, 9, 0x00, 9}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Pack(c.row), c.packed) << c.name;
        EXPECT_EQ(Unpack(c.packed), c.row) << c.name;
    }
}

TEST(PackBitsTest, AgreesWithStepByStepRulesAndUnpacks) {
    // Rows over small alphabets make every mix of runs, pairs and literals, across the 128 limits.
    for (uint32_t seed = 1; seed <= 400; ++seed) {
        size_t n = 1 + seed * 7 % 700;
        std::vector<uint8_t> row = NoiseBytes(n, seed);
        int alphabet = 1 + static_cast<int>(seed % 5);
        for (uint8_t& b : row)
            b = seed % 7 == 0 ? b : static_cast<uint8_t>(b % alphabet);
        std::vector<uint8_t> packed = Pack(row);
        ASSERT_EQ(packed, PackStepByStep(row)) << "seed " << seed;
        ASSERT_EQ(Unpack(packed), row) << "seed " << seed;
    }
}

TEST(PackBitsTest, WorstCaseStaysWithinBound) {
    // Alternating pairs and singles never make runs and cost one count byte per 128 bytes.
    for (size_t n : {1u, 127u, 128u, 129u, 255u, 256u, 257u, 16384u, 49152u}) {
        std::vector<uint8_t> row = Counting(n, 0);
        std::vector<uint8_t> packed = Pack(row);
        EXPECT_EQ(packed.size(), PackBitsBound(n)) << n;
        EXPECT_EQ(Unpack(packed), row) << n;
    }
}

} // namespace
