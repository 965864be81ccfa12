#include "bitmap/BmpHeader.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
    Put16(b, at, v & 0xFFFF);
    Put16(b, at + 2, v >> 16);
}

// A well-formed 5 x 3 8-bit file: 54 bytes of headers, 1024 of table, 3 rows of 8 bytes.
std::vector<uint8_t> GoodFile() {
    std::vector<uint8_t> b(54 + 1024 + 24, 0);
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, 1078);
    Put32(b, 14, 40);
    Put32(b, 18, 5);
    Put32(b, 22, 3);
    Put16(b, 26, 1);
    Put16(b, 28, 8);
    Put32(b, 34, 24);
    return b;
}

struct Case {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> change;
    int64_t fileSizeDelta; // added to the buffer's length to give the file size
    size_t headLen;        // bytes handed over; 0 means the whole buffer
    BmpParseResult result;
    int tableEntries; // checked when the result is BmpOk
    uint32_t imageSize;
};

TEST(BmpHeader, AcceptsAndRefuses) {
    const Case cases[] = {
        {"good", [](auto&) {}, 0, 0, BmpOk, 256, 24},
        {"trailing bytes after rows", [](auto&) {}, 1000, 0, BmpOk, 256, 24},
        {"biSizeImage 0 is computed", [](auto& b) { Put32(b, 34, 0); }, 0, 0, BmpOk, 256, 24},
        {"biSizeImage not trusted", [](auto& b) { Put32(b, 34, 0xFFFFFFF0); }, 0, 0, BmpOk, 256,
         24},
        {"biClrUsed 16, table of 16 before rows",
         [](auto& b) {
             Put32(b, 46, 16);
             Put32(b, 10, 54 + 64);
         },
         -(1024 - 64), 0, BmpOk, 16, 24},
        {"biClrUsed 0 but short table", [](auto& b) { Put32(b, 10, 54 + 64); }, -(1024 - 64), 0,
         BmpBadOffset, 0, 0},
        {"biClrUsed 16, rows inside those 16",
         [](auto& b) {
             Put32(b, 46, 16);
             Put32(b, 10, 54 + 60);
         },
         0, 0, BmpBadOffset, 0, 0},
        {"gap between table and rows", [](auto& b) { Put32(b, 10, 1078 + 6); }, 6, 0, BmpOk, 256,
         24},
        {"24-bit, rows at 54",
         [](auto& b) {
             Put16(b, 28, 24);
             Put32(b, 10, 54);
         },
         0, 0, BmpOk, 0, 48},
        {"16-bit", [](auto& b) { Put16(b, 28, 16); }, 12, 0, BmpOk, 0, 36},
        {"32-bit", [](auto& b) { Put16(b, 28, 32); }, 36, 0, BmpOk, 0, 60},
        {"1-bit", [](auto& b) { Put16(b, 28, 1); }, 0, 0, BmpOk, 2, 12},
        {"4-bit", [](auto& b) { Put16(b, 28, 4); }, 0, 0, BmpOk, 16, 12},
        {"not BM", [](auto& b) { b[1] = 'A'; }, 0, 0, BmpNotBmp, 0, 0},
        {"lower-case bm",
         [](auto& b) {
             b[0] = 'b';
             b[1] = 'm';
         },
         0, 0, BmpNotBmp, 0, 0},
        {"53 bytes of head", [](auto&) {}, 0, 53, BmpTruncated, 0, 0},
        {"2 bytes of head", [](auto&) {}, 0, 2, BmpTruncated, 0, 0},
        {"1 byte of head", [](auto&) {}, 0, 1, BmpTruncated, 0, 0},
        {"file of 53 bytes", [](auto&) {}, 53 - (54 + 1024 + 24), 0, BmpTruncated, 0, 0},
        {"core header 12", [](auto& b) { Put32(b, 14, 12); }, 0, 0, BmpBadHeaderSize, 0, 0},
        {"v5 header 124", [](auto& b) { Put32(b, 14, 124); }, 0, 0, BmpBadHeaderSize, 0, 0},
        {"width 0", [](auto& b) { Put32(b, 18, 0); }, 0, 0, BmpBadDimensions, 0, 0},
        {"width negative", [](auto& b) { Put32(b, 18, 0xFFFFFFFB); }, 0, 0, BmpBadDimensions, 0, 0},
        {"height 0", [](auto& b) { Put32(b, 22, 0); }, 0, 0, BmpBadDimensions, 0, 0},
        {"top-down", [](auto& b) { Put32(b, 22, 0xFFFFFFFD); }, 0, 0, BmpBadDimensions, 0, 0},
        {"height INT_MIN", [](auto& b) { Put32(b, 22, 0x80000000); }, 0, 0, BmpBadDimensions, 0, 0},
        {"bit count 2", [](auto& b) { Put16(b, 28, 2); }, 0, 0, BmpBadBitCount, 0, 0},
        {"bit count 0", [](auto& b) { Put16(b, 28, 0); }, 0, 0, BmpBadBitCount, 0, 0},
        {"bit count 64", [](auto& b) { Put16(b, 28, 64); }, 0, 0, BmpBadBitCount, 0, 0},
        {"planes 2", [](auto& b) { Put16(b, 26, 2); }, 0, 0, BmpBadBitCount, 0, 0},
        {"planes 0", [](auto& b) { Put16(b, 26, 0); }, 0, 0, BmpBadBitCount, 0, 0},
        {"RLE8", [](auto& b) { Put32(b, 30, 1); }, 0, 0, BmpCompressed, 0, 0},
        {"bit fields",
         [](auto& b) {
             Put16(b, 28, 32);
             Put32(b, 30, 3);
         },
         0, 0, BmpCompressed, 0, 0},
        {"width 65536", [](auto& b) { Put32(b, 18, 65536); }, 0, 0, BmpTooLarge, 0, 0},
        {"height 65536", [](auto& b) { Put32(b, 22, 65536); }, 0, 0, BmpTooLarge, 0, 0},
        {"width INT_MAX at 32 bits",
         [](auto& b) {
             Put32(b, 18, 0x7FFFFFFF);
             Put16(b, 28, 32);
         },
         0, 0, BmpTooLarge, 0, 0},
        {"rows pass 4 GB",
         [](auto& b) {
             Put32(b, 18, 65535);
             Put32(b, 22, 65535);
             Put16(b, 28, 32);
         },
         0, 0, BmpTooLarge, 0, 0},
        {"rows inside the header", [](auto& b) { Put32(b, 10, 40); }, 0, 0, BmpBadOffset, 0, 0},
        {"rows at 0", [](auto& b) { Put32(b, 10, 0); }, 0, 0, BmpBadOffset, 0, 0},
        {"rows inside the table", [](auto& b) { Put32(b, 10, 1077); }, 0, 0, BmpBadOffset, 0, 0},
        {"24-bit rows at 53",
         [](auto& b) {
             Put16(b, 28, 24);
             Put32(b, 10, 53);
         },
         0, 0, BmpBadOffset, 0, 0},
        {"one byte of rows missing", [](auto&) {}, -1, 0, BmpRowsPastEnd, 0, 0},
        {"offset near 4 GB", [](auto& b) { Put32(b, 10, 0xFFFFFFF0); }, 0, 0, BmpRowsPastEnd, 0, 0},
        {"taller than the file", [](auto& b) { Put32(b, 22, 65535); }, 0, 0, BmpRowsPastEnd, 0, 0},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> file = GoodFile();
        c.change(file);
        const uint64_t fileSize =
            static_cast<uint64_t>(static_cast<int64_t>(file.size()) + c.fileSizeDelta);
        const size_t headLen = c.headLen ? c.headLen : file.size();
        BmpLayout layout{};
        layout.width = -7; // must stay untouched on a refusal
        const BmpParseResult result = ParseBmpHeader(file.data(), headLen, fileSize, &layout);
        EXPECT_EQ(result, c.result) << c.name << ": " << BmpParseResultText(result);
        if (c.result == BmpOk && result == BmpOk) {
            EXPECT_EQ(layout.tableEntries, c.tableEntries) << c.name;
            EXPECT_EQ(layout.imageSize, c.imageSize) << c.name;
            EXPECT_EQ(layout.imageSize, layout.stride * static_cast<uint32_t>(layout.height))
                << c.name;
            EXPECT_LE(static_cast<uint64_t>(layout.offBits) + layout.imageSize, fileSize) << c.name;
            EXPECT_LE(54u + 4u * layout.tableEntries, layout.offBits) << c.name;
        } else {
            EXPECT_EQ(layout.width, -7) << c.name;
        }
    }
}

TEST(BmpHeader, GoodFileLayout) {
    std::vector<uint8_t> file = GoodFile();
    BmpLayout layout{};
    ASSERT_EQ(ParseBmpHeader(file.data(), 54, file.size(), &layout), BmpOk);
    EXPECT_EQ(layout.width, 5);
    EXPECT_EQ(layout.height, 3);
    EXPECT_EQ(layout.bitCount, 8);
    EXPECT_EQ(layout.stride, 8u);
    EXPECT_EQ(layout.colorCount, 256);
    EXPECT_EQ(layout.tableEntries, 256);
    EXPECT_EQ(layout.offBits, 1078u);
    EXPECT_EQ(layout.imageSize, 24u);
    EXPECT_EQ(ParseBmpHeader(nullptr, 0, 0, &layout), BmpTruncated);
}

} // namespace
