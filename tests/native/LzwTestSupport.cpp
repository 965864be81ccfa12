#include "LzwTestSupport.h"

#include <algorithm>
#include <cstring>

#include "encoders/DibRules.h"

namespace {

// Reads codes and rebuilds the strings as a decoder of either format does. A TIFF decoder widens
// its codes one entry early (when its next free entry reaches 2^width - 1) and, being strict, goes
// on to 13 bits if its table ever reaches 4095; the trace shows whether that happened.
std::vector<uint8_t> Decode(const std::vector<uint8_t>& data, int rootBits, bool tiff,
                            LzwDecodeTrace* trace) {
    std::vector<uint8_t> out;
    *trace = LzwDecodeTrace();
    const int clear = 1 << rootBits;
    const int end = clear + 1;
    std::vector<std::vector<uint8_t>> table(4096);
    for (int i = 0; i < clear; ++i)
        table[static_cast<size_t>(i)] = {static_cast<uint8_t>(i)};
    const int maxWidth = tiff ? 13 : 12;
    int width = rootBits + 1;
    int next = clear + 2;
    int old = -1;
    bool started = false;
    int codesSinceClear = 0;
    size_t bitPos = 0;
    const size_t totalBits = data.size() * 8;
    for (;;) {
        if (bitPos + static_cast<size_t>(width) > totalBits)
            return out; // no end code
        int code = 0;
        for (int i = 0; i < width; ++i) {
            size_t bit = bitPos + static_cast<size_t>(i);
            if (tiff)
                code = (code << 1) | ((data[bit / 8] >> (7 - bit % 8)) & 1);
            else
                code |= ((data[bit / 8] >> (bit % 8)) & 1) << i;
        }
        bitPos += static_cast<size_t>(width);
        trace->maxWidth = std::max(trace->maxWidth, width);
        if (!started && code != clear)
            return out; // a stream starts with a clear code
        if (code == clear) {
            if (started) {
                trace->clears += 1;
                trace->clearWidths.push_back(width);
                trace->codesBeforeClear.push_back(codesSinceClear);
            }
            codesSinceClear = 0;
            started = true;
            width = rootBits + 1;
            next = clear + 2;
            old = -1;
            continue;
        }
        if (code == end) {
            trace->ok = true;
            trace->bytesUsed = (bitPos + 7) / 8;
            return out;
        }
        trace->maxCode = std::max(trace->maxCode, code);
        codesSinceClear += 1;
        std::vector<uint8_t> entry;
        if (code < clear || (code > end && code < next)) {
            entry = table[static_cast<size_t>(code)];
        } else if (code == next && old >= 0) {
            entry = table[static_cast<size_t>(old)];
            entry.push_back(entry[0]);
        } else {
            return out; // a code the decoder has not made
        }
        if (old >= 0 && next < 4096) {
            std::vector<uint8_t> made = table[static_cast<size_t>(old)];
            made.push_back(entry[0]);
            table[static_cast<size_t>(next)] = made;
            trace->maxEntry = std::max(trace->maxEntry, next);
            next += 1;
        }
        out.insert(out.end(), entry.begin(), entry.end());
        old = code;
        int limit = tiff ? (1 << width) - 1 : (1 << width);
        if (next >= limit && width < maxWidth)
            width += 1;
    }
}

} // namespace

std::vector<uint8_t> DecodeTiffLzw(const std::vector<uint8_t>& data, LzwDecodeTrace* trace) {
    return Decode(data, 8, true, trace);
}

std::vector<uint8_t> DecodeGifLzw(const std::vector<uint8_t>& data, int rootBits,
                                  LzwDecodeTrace* trace) {
    return Decode(data, rootBits, false, trace);
}

bool JoinSubBlocks(const std::vector<uint8_t>& file, size_t pos, std::vector<uint8_t>* data,
                   size_t* end, std::vector<int>* blocks) {
    data->clear();
    if (blocks != nullptr)
        blocks->clear();
    for (;;) {
        if (pos >= file.size())
            return false;
        size_t n = file[pos];
        pos += 1;
        if (n == 0)
            break;
        if (pos + n > file.size())
            return false;
        data->insert(data->end(), file.begin() + static_cast<long>(pos),
                     file.begin() + static_cast<long>(pos + n));
        if (blocks != nullptr)
            blocks->push_back(static_cast<int>(n));
        pos += n;
    }
    *end = pos;
    return true;
}

std::vector<uint8_t> NoiseBytes(size_t n, uint32_t seed) {
    std::vector<uint8_t> out(n);
    uint32_t x = seed * 2654435761u + 1;
    for (size_t i = 0; i < n; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        out[i] = static_cast<uint8_t>(x >> 24);
    }
    return out;
}

namespace {

bool FetchMemoryRows(void* context, int32_t firstLine, int32_t count, uint8_t* dest) {
    MemoryRows* rows = static_cast<MemoryRows*>(context);
    int number = rows->fetches;
    rows->fetches += 1;
    rows->firstLines.push_back(firstLine);
    rows->largestBand = std::max(rows->largestBand, count);
    if (number == rows->failAt)
        return false;
    if (firstLine < 0 || count < 1 || firstLine + count > rows->height)
        return false;
    std::memcpy(dest, rows->dib.data() + static_cast<uint64_t>(firstLine) * rows->stride,
                static_cast<size_t>(static_cast<uint64_t>(count) * rows->stride));
    return true;
}

} // namespace

RowSource MemoryRowSource(MemoryRows* rows) {
    return RowSource{rows, FetchMemoryRows};
}

MemoryRows MakeRows(int32_t width, int32_t height, int bitCount,
                    const std::vector<uint32_t>& topDownPixels) {
    MemoryRows rows;
    rows.stride = DibStride(width, bitCount);
    rows.height = height;
    rows.dib.assign(static_cast<size_t>(rows.stride * static_cast<uint64_t>(height)), 0);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* line = rows.dib.data() + static_cast<uint64_t>(height - 1 - y) * rows.stride;
        for (int32_t x = 0; x < width; ++x) {
            uint32_t v = topDownPixels[static_cast<size_t>(y) * static_cast<size_t>(width) +
                                       static_cast<size_t>(x)];
            size_t ux = static_cast<size_t>(x);
            switch (bitCount) {
            case 1: line[ux / 8] |= static_cast<uint8_t>((v & 1) << (7 - ux % 8)); break;
            case 4: line[ux / 2] |= static_cast<uint8_t>((v & 15) << (ux % 2 ? 0 : 4)); break;
            case 8: line[ux] = static_cast<uint8_t>(v); break;
            default:
                line[3 * ux] = static_cast<uint8_t>(v);
                line[3 * ux + 1] = static_cast<uint8_t>(v >> 8);
                line[3 * ux + 2] = static_cast<uint8_t>(v >> 16);
                break;
            }
        }
    }
    return rows;
}

uint16_t Le16(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint16_t>(b.at(at) | (b.at(at + 1) << 8));
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return static_cast<uint32_t>(Le16(b, at)) | (static_cast<uint32_t>(Le16(b, at + 2)) << 16);
}
