// A small PCX reader written from the file format alone, sharing no code with the writer, for
// the native tests and the fuzz target: it checks the structure of a file and returns its
// pixels as 0xRRGGBB, top row first.
#pragma once

#include "tests/oracles/TestImage.h"

#include <cstdint>
#include <string>
#include <vector>

struct PcxDecoded {
    bool ok = false;
    std::string error;
    int32_t width = 0;
    int32_t height = 0;
    int bitsPerPixel = 0;
    int planes = 0;
    uint32_t bytesPerLine = 0;
    std::vector<uint32_t> rgb;     // width x height colours, top row first
    std::vector<uint32_t> indices; // width x height palette indices (empty for 24-bit)
    size_t bodyEnd = 0;            // offset just past the run-length data
};

TEST_HELPER inline PcxDecoded DecodePcxReference(const std::vector<uint8_t>& file) {
    PcxDecoded d;
    auto u16 = [&](size_t at) { return static_cast<uint32_t>(file[at] | file[at + 1] << 8); };
    if (file.size() < 128) {
        d.error = "shorter than the header";
        return d;
    }
    if (file[0] != 0x0A || file[1] != 5 || file[2] != 1) {
        d.error = "manufacturer, version or encoding";
        return d;
    }
    for (size_t at : {4u, 6u, 12u, 14u})
        if (u16(at) != 0) {
            d.error = "origin or resolution not zero";
            return d;
        }
    if (file[64] != 0) {
        d.error = "reserved byte";
        return d;
    }
    for (size_t at = 74; at < 128; ++at)
        if (file[at] != 0) {
            d.error = "filler not zero";
            return d;
        }
    d.bitsPerPixel = file[3];
    d.planes = file[65];
    d.width = static_cast<int32_t>(u16(8)) + 1;
    d.height = static_cast<int32_t>(u16(10)) + 1;
    d.bytesPerLine = u16(66);
    const uint32_t paletteInfo = u16(68);
    if (u16(70) != static_cast<uint32_t>(d.width) || u16(72) != static_cast<uint32_t>(d.height)) {
        d.error = "screen size differs from the image size";
        return d;
    }
    const bool mono = d.bitsPerPixel == 1 && d.planes == 1;
    const bool sixteen = d.bitsPerPixel == 1 && d.planes == 4;
    const bool indexed8 = d.bitsPerPixel == 8 && d.planes == 1;
    const bool rgb24 = d.bitsPerPixel == 8 && d.planes == 3;
    if (!mono && !sixteen && !indexed8 && !rgb24) {
        d.error = "unknown depth";
        return d;
    }
    const uint32_t needed = d.bitsPerPixel == 1 ? (static_cast<uint32_t>(d.width) + 7) / 8
                                                : static_cast<uint32_t>(d.width);
    if (d.bytesPerLine != needed) {
        d.error = "BytesPerLine is not the width's";
        return d;
    }
    if (paletteInfo != (rgb24 ? 0u : 1u)) {
        d.error = "PaletteInfo";
        return d;
    }
    if (rgb24)
        for (size_t at = 16; at < 64; ++at)
            if (file[at] != 0) {
                d.error = "colour map of a 24-bit image not zero";
                return d;
            }

    // Run-length data: every plane line decodes to exactly bytesPerLine bytes; runs never
    // cross a line.
    const size_t lineCount = static_cast<size_t>(d.height) * static_cast<size_t>(d.planes);
    std::vector<uint8_t> lines(lineCount * d.bytesPerLine);
    size_t at = 128;
    for (size_t line = 0; line < lineCount; ++line) {
        uint8_t* out = lines.data() + line * d.bytesPerLine;
        uint32_t filled = 0;
        while (filled < d.bytesPerLine) {
            if (at >= file.size()) {
                d.error = "run-length data ends early";
                return d;
            }
            uint8_t b = file[at++];
            uint32_t count = 1;
            if (b >= 0xC0) {
                count = b - 0xC0u;
                if (count == 0) {
                    d.error = "empty run";
                    return d;
                }
                if (at >= file.size()) {
                    d.error = "run without its byte";
                    return d;
                }
                b = file[at++];
            }
            if (filled + count > d.bytesPerLine) {
                d.error = "run crosses a plane line";
                return d;
            }
            for (uint32_t i = 0; i < count; ++i)
                out[filled++] = b;
        }
    }
    d.bodyEnd = at;

    uint32_t palette[256] = {};
    if (indexed8) {
        if (file.size() != at + 769 || file[at] != 0x0C) {
            d.error = "256-colour trailer missing or file length wrong";
            return d;
        }
        for (int i = 0; i < 256; ++i) {
            const uint8_t* p = file.data() + at + 1 + 3 * i;
            palette[i] = static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        }
    } else {
        if (file.size() != at) {
            d.error = "bytes after the run-length data";
            return d;
        }
        for (int i = 0; i < 16; ++i) {
            const uint8_t* p = file.data() + 16 + 3 * i;
            palette[i] = static_cast<uint32_t>(p[0]) << 16 | p[1] << 8 | p[2];
        }
    }

    const size_t pixels = static_cast<size_t>(d.width) * static_cast<size_t>(d.height);
    d.rgb.resize(pixels);
    if (!rgb24)
        d.indices.resize(pixels);
    for (int32_t y = 0; y < d.height; ++y) {
        const uint8_t* row = lines.data() + static_cast<size_t>(y) * d.planes * d.bytesPerLine;
        for (int32_t x = 0; x < d.width; ++x) {
            const size_t i =
                static_cast<size_t>(y) * static_cast<size_t>(d.width) + static_cast<size_t>(x);
            if (rgb24) {
                d.rgb[i] = static_cast<uint32_t>(row[x]) << 16 | row[d.bytesPerLine + x] << 8 |
                           row[2 * d.bytesPerLine + x];
                continue;
            }
            uint32_t index = 0;
            if (indexed8) {
                index = row[x];
            } else {
                for (int p = d.planes - 1; p >= 0; --p)
                    index = index << 1 | (row[p * d.bytesPerLine + (x >> 3)] >> (7 - (x & 7)) & 1);
            }
            d.indices[i] = index;
            d.rgb[i] = palette[index];
        }
    }
    d.ok = true;
    return d;
}
