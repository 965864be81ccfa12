// Fuzzes the chunk check that every PNG from the clipboard passes before it reaches a decoder.
// The first input byte chooses how the file is made:
//  - even: the rest of the input is the file;
//  - odd: a file is put together from chunk descriptions in the input, each with the right CRC
//    unless the description spoils it: IHDR (with allowed or disallowed values), IDAT, IEND,
//    PLTE, tEXt and chunks of any type, any of them with a length field that claims more bytes
//    than follow. What the check must answer follows from the PNG rules for the file as made:
//    the first broken chunk decides (cut short, then a CRC, then IHDR missing, repeated or
//    wrong); IEND ends the walk, before it an IDAT must have come; a file without IEND is
//    truncated. An accepted file gives back the IHDR values it was made with.
// The file always lies in a buffer of exactly its size, so ASan reports any read past it.
#include "bitmap/PngChunks.h"

#include <zlib.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "PNG chunk check failed: %s\n", what);
        std::abort();
    }
}

uint32_t Be32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void PutBe32(std::vector<uint8_t>& out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}

PngChunkResult Check(const std::vector<uint8_t>& file, PngHeaderInfo* header) {
    std::vector<uint8_t> exact(file); // exactly the file's size
    return CheckPngChunks(exact.empty() ? nullptr : exact.data(), exact.size(), header);
}

// The bytes of the input, then zeros.
struct ByteStream {
    const uint8_t* data;
    size_t size;
    size_t pos;
    bool Empty() const { return pos >= size; }
    uint8_t Next() { return pos < size ? data[pos++] : 0; }
    uint32_t Next32() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i)
            v = v << 8 | Next();
        return v;
    }
};

// Bit depths the PNG standard allows for each colour type.
bool AllowedDepth(int colorType, int depth) {
    switch (colorType) {
    case 0: return depth == 1 || depth == 2 || depth == 4 || depth == 8 || depth == 16;
    case 3: return depth == 1 || depth == 2 || depth == 4 || depth == 8;
    case 2:
    case 4:
    case 6: return depth == 8 || depth == 16;
    default: return false;
    }
}

void CheckRaw(const std::vector<uint8_t>& file) {
    PngHeaderInfo header = {};
    if (Check(file, &header) != PngChunksOk)
        return;
    // Signature, IHDR of 13 bytes, an IDAT and IEND at the least.
    static const uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    Require(file.size() >= 8 + 25 + 12 + 12, "accepted a file too short for its chunks");
    Require(std::memcmp(file.data(), signature, 8) == 0, "signature");
    Require(Be32(file.data() + 8) == 13 && std::memcmp(file.data() + 12, "IHDR", 4) == 0,
            "IHDR first");
    const uint8_t* ihdr = file.data() + 16;
    Require(header.width == Be32(ihdr) && header.height == Be32(ihdr + 4), "size from IHDR");
    Require(header.width >= 1 && header.width <= 0x7FFFFFFFu && header.height >= 1 &&
                header.height <= 0x7FFFFFFFu,
            "size allowed");
    Require(header.bitDepth == ihdr[8] && header.colorType == ihdr[9], "depth and colour type");
    Require(AllowedDepth(header.colorType, header.bitDepth), "depth allowed");
    Require(ihdr[10] == 0 && ihdr[11] == 0 && ihdr[12] <= 1, "methods");
    Require(header.interlaced == (ihdr[12] == 1), "interlace");
    const uint32_t crc = uint32_t(crc32(0L, file.data() + 12, 17));
    Require(crc == Be32(file.data() + 29), "IHDR CRC");
    // Bytes after the end are not looked at: appending some changes nothing.
    std::vector<uint8_t> longer(file);
    longer.insert(longer.end(), {0x00, 0x00, 0x00, 0x07, 'I', 'D', 'A', 'T'});
    PngHeaderInfo again = {};
    Require(Check(longer, &again) == PngChunksOk && again.width == header.width &&
                again.height == header.height,
            "bytes after IEND");
}

// One IHDR body from the input, and whether the PNG rules allow its values.
std::vector<uint8_t> MakeHeader(ByteStream& in, PngHeaderInfo* info, bool* allowed) {
    const uint8_t how = in.Next();
    static const uint32_t sizes[4] = {0, 1, 0x7FFFFFFFu, 0x80000000u};
    uint32_t width = how & 1 ? sizes[in.Next() & 3] : 1 + in.Next() % 200;
    uint32_t height = how & 2 ? in.Next32() : 1 + in.Next() % 200;
    static const uint8_t types[8] = {0, 2, 3, 4, 6, 0, 3, 1};
    static const uint8_t depths[8] = {1, 2, 4, 8, 16, 8, 8, 3};
    uint8_t colorType = types[in.Next() & 7];
    uint8_t depth = depths[in.Next() & 7];
    uint8_t compression = how & 4 ? in.Next() % 3 : 0;
    uint8_t filter = how & 8 ? in.Next() % 3 : 0;
    uint8_t interlace = how & 16 ? in.Next() % 3 : in.Next() & 1;
    std::vector<uint8_t> body;
    PutBe32(body, width);
    PutBe32(body, height);
    body.insert(body.end(), {depth, colorType, compression, filter, interlace});
    *allowed = width >= 1 && width <= 0x7FFFFFFFu && height >= 1 && height <= 0x7FFFFFFFu &&
               AllowedDepth(colorType, depth) && compression == 0 && filter == 0 && interlace <= 1;
    info->width = width;
    info->height = height;
    info->bitDepth = depth;
    info->colorType = colorType;
    info->interlaced = interlace == 1;
    return body;
}

void CheckBuilt(ByteStream in) {
    std::vector<uint8_t> file = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    const uint8_t flags = in.Next();
    bool decided = false;
    PngChunkResult expected = PngChunksTruncated;
    if ((flags & 15) == 15) {
        file[1 + in.Next() % 7] ^= uint8_t(1 + in.Next() % 255);
        expected = PngChunksNoSignature;
        decided = true;
    }
    bool first = true;
    bool imageData = false;
    PngHeaderInfo wanted = {};
    size_t endAt = 0; // the end of the IEND chunk that decides
    // Without the flag, the file starts with an allowed IHDR so that the fuzzer reaches the
    // chunks after it.
    bool leadingHeader = (flags & 16) == 0;
    int chunks = 0;
    while ((leadingHeader || !in.Empty()) && chunks < 64) {
        ++chunks;
        uint8_t kind = leadingHeader ? 0 : in.Next();
        const uint8_t spoil = leadingHeader ? 0 : in.Next();
        char type[4];
        std::vector<uint8_t> body;
        bool headerAllowed = true;
        PngHeaderInfo info = {};
        switch (kind % 6) {
        case 0: {
            std::memcpy(type, "IHDR", 4);
            if (leadingHeader) {
                body = {0, 0, 0, 5, 0, 0, 0, 3, 8, 2, 0, 0, 0};
                info = {5, 3, 8, 2, false};
            } else {
                body = MakeHeader(in, &info, &headerAllowed);
            }
            if (spoil & 4) // a header of the wrong length
                body.resize(spoil & 8 ? 12 : 14, 0);
            break;
        }
        case 1: std::memcpy(type, "IDAT", 4); break;
        case 2: std::memcpy(type, "IEND", 4); break;
        case 3: std::memcpy(type, "PLTE", 4); break;
        case 4: std::memcpy(type, "tEXt", 4); break;
        default:
            for (char& c : type)
                c = char(in.Next());
            break;
        }
        leadingHeader = false;
        if (body.empty() && std::memcmp(type, "IEND", 4) != 0) {
            const size_t length = in.Next() % 48;
            for (size_t i = 0; i < length; ++i)
                body.push_back(in.Next());
        }
        const bool isHeader = std::memcmp(type, "IHDR", 4) == 0;
        const bool isData = std::memcmp(type, "IDAT", 4) == 0;
        const bool isEnd = std::memcmp(type, "IEND", 4) == 0;
        if (isHeader && body.size() == 13) {
            // The values as written, also for a chunk of any type that happens to spell IHDR.
            const uint8_t* b = body.data();
            info = {Be32(b), Be32(b + 4), b[8], b[9], b[12] == 1};
            headerAllowed = info.width >= 1 && info.width <= 0x7FFFFFFFu && info.height >= 1 &&
                            info.height <= 0x7FFFFFFFu && AllowedDepth(b[9], b[8]) && b[10] == 0 &&
                            b[11] == 0 && b[12] <= 1;
        }
        uint32_t crc = uint32_t(crc32(0L, reinterpret_cast<const Bytef*>(type), 4));
        if (!body.empty()) // zlib restarts the CRC when given no buffer
            crc = uint32_t(crc32(crc, body.data(), uInt(body.size())));
        const bool badCrc = (spoil & 3) == 3;
        if (badCrc)
            crc ^= 1u << (spoil >> 3 & 31);
        // A length field that claims more than the file holds: the last chunk of the file.
        const bool cutShort = (spoil & 0xF0) == 0xF0;
        PutBe32(file, cutShort ? uint32_t(body.size()) + 1 + (spoil & 7) : uint32_t(body.size()));
        file.insert(file.end(), type, type + 4);
        file.insert(file.end(), body.begin(), body.end());
        PutBe32(file, crc);
        if (!decided) {
            if (cutShort) {
                expected = PngChunksTruncated;
                decided = true;
            } else if (badCrc) {
                expected = PngChunksBadCrc;
                decided = true;
            } else if (first != isHeader || (isHeader && (body.size() != 13 || !headerAllowed))) {
                expected = PngChunksBadHeader;
                decided = true;
            } else {
                if (isHeader)
                    wanted = info;
                imageData = imageData || isData;
                if (isEnd) {
                    expected = imageData ? PngChunksOk : PngChunksNoImageData;
                    endAt = file.size();
                    decided = true;
                }
            }
        }
        first = false;
        if (cutShort)
            break;
    }
    PngHeaderInfo header = {};
    const PngChunkResult result = Check(file, &header);
    if (result != expected) {
        std::fprintf(stderr, "result %d, expected %d\n", int(result), int(expected));
        Require(false, "result of a file made from chunks");
    }
    if (result == PngChunksOk) {
        Require(header.width == wanted.width && header.height == wanted.height &&
                    header.bitDepth == wanted.bitDepth && header.colorType == wanted.colorType &&
                    header.interlaced == wanted.interlaced,
                "header values");
    }
    // The file up to the end of IEND is accepted alike; one byte less is cut short.
    if (result == PngChunksOk) {
        std::vector<uint8_t> upToEnd(file.begin(), file.begin() + long(endAt));
        PngHeaderInfo again = {};
        Require(Check(upToEnd, &again) == PngChunksOk && again.width == wanted.width,
                "the file up to IEND");
        upToEnd.pop_back();
        Require(Check(upToEnd, &again) == PngChunksTruncated, "IEND one byte short");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    if (data[0] % 2 == 0)
        CheckRaw(std::vector<uint8_t>(data + 1, data + size));
    else
        CheckBuilt(ByteStream{data + 1, size - 1, 0});
    return 0;
}
