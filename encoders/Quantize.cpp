#include "encoders/Quantize.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "encoders/DibRules.h"

namespace {

// Distinct colours are counted exactly in an open-addressing table until the 257th appears;
// from then on the image goes into the histogram.
constexpr int ExactSlots = 1024;
constexpr uint32_t SlotUsed = 1u << 24;

// The histogram keeps 6 bits of each channel (262144 bins); each bin holds its pixel count and
// the sums of the 2 low bits of red, green and blue, so that the mean colour of a bin is exact.
constexpr int HistBits = 6;
constexpr size_t HistBins = size_t(1) << (3 * HistBits);

// Colours already mapped: a direct-mapped cache from 0xRRGGBB to palette index.
constexpr int CacheBits = 16;
constexpr size_t CacheSlots = size_t(1) << CacheBits;

// k-means passes over the histogram after the initial cuts (measured: beyond 10 the palette
// hardly moves).
constexpr int KMeansPasses = 10;

// Error diffusion passes on this share of a pixel's error where the picture is flat, and less
// where it changes (edges, texture, noise): there the error is hidden anyway, and spreading it
// only adds noise and breaks up runs that LZW compresses. The share falls as
// DitherCarry * DitherFlat / (DitherFlat + contrast), contrast being the sum of the pixel's
// channel differences to its left, right and upper neighbours. Both values were chosen on the
// colour-reduction benchmark (bench/QuantizeBench.cpp).
constexpr float DitherCarry = 0.75f;
constexpr float DitherFlat = 20.0f;

// Distances are measured on sRGB values with the grey axis (lightness) weighted 1.3 times the
// two colour axes across it: measured on photographs and screens, a little more weight on
// lightness keeps more of the picture's structure.
constexpr double LightnessWeight = 1.3;

// A colour in the space where distances are measured; `l` is the coordinate along the grey axis,
// by which the palette is sorted for the nearest-colour search.
struct SpaceColour {
    float l, a, b;
};

// sRGB values rotated so that `l` runs along the grey axis, (r + g + b) / sqrt(3) times the
// lightness weight, and `a` and `b` across it.
SpaceColour RotatedOf(double r, double g, double b) {
    return {static_cast<float>((r + g + b) * 0.57735026918962576 * LightnessWeight),
            static_cast<float>((r - g) * 0.70710678118654752),
            static_cast<float>((r + g - 2 * b) * 0.40824829046386302)};
}

uint8_t Round8(double v) {
    return v <= 0 ? 0 : v >= 255 ? 255 : static_cast<uint8_t>(v + 0.5);
}

uint32_t RgbOfRotated(const SpaceColour& c) {
    const double s = c.l / LightnessWeight * 0.57735026918962576;
    const double r = s + c.a * 0.70710678118654752 + c.b * 0.40824829046386302;
    const double g = s - c.a * 0.70710678118654752 + c.b * 0.40824829046386302;
    const double b = s - c.b * 0.81649658092772603;
    return uint32_t(Round8(r)) << 16 | uint32_t(Round8(g)) << 8 | Round8(b);
}

SpaceColour SpaceOf8Bit(uint32_t rgb) {
    return RotatedOf(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

float Distance(const SpaceColour& p, const SpaceColour& q) {
    float dl = p.l - q.l, da = p.a - q.a, db = p.b - q.b;
    return dl * dl + da * da + db * db;
}

// A palette in the distance space, sorted along the grey axis for the nearest-colour search.
struct SearchPalette {
    int count;
    SpaceColour sorted[QuantizeMaxColours];
    uint8_t index[QuantizeMaxColours]; // palette index of each sorted entry
};

void SortPalette(const SpaceColour* colours, int count, SearchPalette* out) {
    int order[QuantizeMaxColours];
    for (int i = 0; i < count; ++i)
        order[i] = i;
    std::sort(order, order + count, [colours](int x, int y) {
        return colours[x].l < colours[y].l || (colours[x].l == colours[y].l && x < y);
    });
    out->count = count;
    for (int i = 0; i < count; ++i) {
        out->sorted[i] = colours[order[i]];
        out->index[i] = static_cast<uint8_t>(order[i]);
    }
}

// The palette entry nearest to q; of equally near entries the lowest index, so that the answer
// does not depend on the order of the search. `hint` (a palette index, or -1) starts the search
// with a good bound. Entries are visited outward from q's lightness and a side stops once the
// lightness difference alone reaches the best distance.
int Nearest(const SearchPalette& p, const SpaceColour& q, const SpaceColour* colours, int hint) {
    float best = 1e30f;
    int bestIndex = QuantizeMaxColours;
    if (hint >= 0) {
        best = Distance(colours[hint], q);
        bestIndex = hint;
    }
    int hi = 0;
    {
        int lo = 0, top = p.count;
        while (lo < top) {
            int mid = (lo + top) / 2;
            if (p.sorted[mid].l < q.l)
                lo = mid + 1;
            else
                top = mid;
        }
        hi = lo;
    }
    int lo = hi - 1;
    while (hi < p.count || lo >= 0) {
        if (hi < p.count) {
            float dl = p.sorted[hi].l - q.l;
            if (dl * dl > best) {
                hi = p.count;
            } else {
                float d = Distance(p.sorted[hi], q);
                if (d < best || (d == best && p.index[hi] < bestIndex)) {
                    best = d;
                    bestIndex = p.index[hi];
                }
                ++hi;
            }
        }
        if (lo >= 0) {
            float dl = q.l - p.sorted[lo].l;
            if (dl * dl > best) {
                lo = -1;
            } else {
                float d = Distance(p.sorted[lo], q);
                if (d < best || (d == best && p.index[lo] < bestIndex)) {
                    best = d;
                    bestIndex = p.index[lo];
                }
                --lo;
            }
        }
    }
    return bestIndex;
}

// One non-empty histogram bin: its mean colour in the distance space and its pixel count.
struct Point {
    SpaceColour c;
    float weight;
};
static_assert(sizeof(Point) == 4 * sizeof(uint32_t), "points are built over the histogram");

float Coordinate(const Point& p, int axis) {
    return axis == 0 ? p.c.l : axis == 1 ? p.c.a : p.c.b;
}

// A run of points with its moments: weight, weighted sums and sums of squares per axis.
struct Box {
    size_t begin, end;
    double w, s[3], q[3];
    double sse; // weighted squared distance of the points from their mean
};

void Measure(const Point* points, Box* box) {
    box->w = 0;
    for (int k = 0; k < 3; ++k)
        box->s[k] = box->q[k] = 0;
    for (size_t i = box->begin; i < box->end; ++i) {
        const Point& p = points[i];
        double w = p.weight;
        box->w += w;
        for (int k = 0; k < 3; ++k) {
            double v = Coordinate(p, k);
            box->s[k] += w * v;
            box->q[k] += w * v * v;
        }
    }
    box->sse = 0;
    for (int k = 0; k < 3; ++k)
        box->sse += box->q[k] - box->s[k] * box->s[k] / box->w;
    if (box->end - box->begin < 2)
        box->sse = 0;
}

// Splits the box of most error in two, along the axis of its largest spread, where the cut
// leaves the least error in the two halves together; until there are `target` boxes or nothing
// left to split. Returns the number of boxes.
int CutBoxes(Point* points, size_t count, Box* boxes, int target) {
    boxes[0].begin = 0;
    boxes[0].end = count;
    Measure(points, &boxes[0]);
    int used = 1;
    while (used < target) {
        int worst = -1;
        for (int i = 0; i < used; ++i)
            if (boxes[i].sse > 0 && (worst < 0 || boxes[i].sse > boxes[worst].sse))
                worst = i;
        if (worst < 0)
            break;
        Box& box = boxes[worst];
        int axis = 0;
        double spread = -1;
        for (int k = 0; k < 3; ++k) {
            double v = box.q[k] - box.s[k] * box.s[k] / box.w;
            if (v > spread) {
                spread = v;
                axis = k;
            }
        }
        std::sort(points + box.begin, points + box.end, [axis](const Point& x, const Point& y) {
            float a = Coordinate(x, axis), b = Coordinate(y, axis);
            if (a != b)
                return a < b;
            if (x.c.l != y.c.l)
                return x.c.l < y.c.l;
            if (x.c.a != y.c.a)
                return x.c.a < y.c.a;
            return x.c.b < y.c.b;
        });
        // Minimising the halves' error means maximising |sL|^2 / wL + |sR|^2 / wR.
        double lw = 0, ls[3] = {0, 0, 0};
        double bestGain = -1;
        size_t cut = box.begin + 1;
        for (size_t i = box.begin; i + 1 < box.end; ++i) {
            const Point& p = points[i];
            lw += p.weight;
            ls[0] += double(p.weight) * p.c.l;
            ls[1] += double(p.weight) * p.c.a;
            ls[2] += double(p.weight) * p.c.b;
            double rw = box.w - lw;
            if (rw <= 0)
                break;
            double gain = 0;
            for (int k = 0; k < 3; ++k) {
                double r = box.s[k] - ls[k];
                gain += ls[k] * ls[k] / lw + r * r / rw;
            }
            if (gain > bestGain) {
                bestGain = gain;
                cut = i + 1;
            }
        }
        Box& other = boxes[used++];
        other.begin = cut;
        other.end = box.end;
        box.end = cut;
        Measure(points, &box);
        Measure(points, &other);
    }
    return used;
}

} // namespace

struct ColourMap {
    int32_t width;
    bool exact;
    bool dither;
    int count;
    uint8_t rgb[3 * QuantizeMaxColours];
    // Exact palette: the colour table's slots (colour | SlotUsed) and their palette indices.
    uint32_t slotKey[ExactSlots];
    uint8_t slotIndex[ExactSlots];
    // Reduced palette: its entries in the distance space, the sorted search copy and the cache.
    SpaceColour space[QuantizeMaxColours];
    SearchPalette search;
    uint32_t* cacheKey;
    uint8_t* cacheIndex;
    // Error diffusion: the errors carried into this row and the next (red, green, blue per pixel,
    // one pixel of margin either side), and the row count so far (the path turns every row).
    float* errThis;
    float* errNext;
    uint8_t* above; // the source row mapped before this one (blue, green, red)
    int32_t rowNumber;
};

namespace {

uint32_t SlotOf(uint32_t colour) {
    return (colour * 0x9E3779B1u) >> (32 - 10);
}

// Finds or adds `colour` in the exact table; false when the table already holds 256 others.
bool CountExact(ColourMap* map, uint32_t* counts, int* used, uint32_t colour, uint32_t n) {
    uint32_t slot = SlotOf(colour);
    const uint32_t key = colour | SlotUsed;
    while (map->slotKey[slot] != 0) {
        if (map->slotKey[slot] == key) {
            counts[slot] += n;
            return true;
        }
        slot = (slot + 1) & (ExactSlots - 1);
    }
    if (*used == QuantizeMaxColours)
        return false;
    map->slotKey[slot] = key;
    counts[slot] = n;
    *used += 1;
    return true;
}

void AddToHistogram(uint32_t* hist, uint32_t colour, uint32_t n) {
    const uint32_t r = colour >> 16, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    uint32_t* bin = hist + 4 * ((r >> 2) << 12 | (g >> 2) << 6 | (b >> 2));
    bin[0] += n;
    bin[1] += n * (r & 3);
    bin[2] += n * (g & 3);
    bin[3] += n * (b & 3);
}

int CacheSlotOf(uint32_t colour) {
    return static_cast<int>((colour * 0x9E3779B1u) >> (32 - CacheBits));
}

// Builds the reduced palette from the histogram, which it turns into the list of points.
void ReducePalette(ColourMap* map, uint32_t* hist) {
    Point* points = reinterpret_cast<Point*>(hist);
    size_t count = 0;
    for (size_t i = 0; i < HistBins; ++i) {
        const uint32_t* bin = hist + 4 * i;
        if (bin[0] == 0)
            continue;
        const double n = bin[0];
        const double r = double((i >> 12) << 2) + bin[1] / n;
        const double g = double(((i >> 6) & 63) << 2) + bin[2] / n;
        const double b = double((i & 63) << 2) + bin[3] / n;
        Point p;
        p.c = RotatedOf(r, g, b);
        p.weight = static_cast<float>(n);
        std::memcpy(points + count, &p, sizeof p); // never past bin i: count <= i
        ++count;
    }

    Box boxes[QuantizeMaxColours];
    const int used = CutBoxes(points, count, boxes, QuantizeMaxColours);
    SpaceColour centre[QuantizeMaxColours];
    for (int i = 0; i < used; ++i) {
        const Box& box = boxes[i];
        centre[i] = {static_cast<float>(box.s[0] / box.w), static_cast<float>(box.s[1] / box.w),
                     static_cast<float>(box.s[2] / box.w)};
    }

    // k-means: each point goes to its nearest centre, each centre moves to the mean of its
    // points. Points stay in box order, so the first assignment is the box's own centre.
    uint8_t* owner = static_cast<uint8_t*>(std::malloc(count));
    if (owner != nullptr) {
        for (int i = 0; i < used; ++i)
            for (size_t j = boxes[i].begin; j < boxes[i].end; ++j)
                owner[j] = static_cast<uint8_t>(i);
        for (int pass = 0; pass < KMeansPasses; ++pass) {
            SearchPalette search;
            SortPalette(centre, used, &search);
            double w[QuantizeMaxColours], s[QuantizeMaxColours][3];
            std::memset(w, 0, sizeof w);
            std::memset(s, 0, sizeof s);
            for (size_t j = 0; j < count; ++j) {
                const Point& p = points[j];
                int k = Nearest(search, p.c, centre, owner[j]);
                owner[j] = static_cast<uint8_t>(k);
                w[k] += p.weight;
                s[k][0] += double(p.weight) * p.c.l;
                s[k][1] += double(p.weight) * p.c.a;
                s[k][2] += double(p.weight) * p.c.b;
            }
            for (int k = 0; k < used; ++k)
                if (w[k] > 0)
                    centre[k] = {static_cast<float>(s[k][0] / w[k]),
                                 static_cast<float>(s[k][1] / w[k]),
                                 static_cast<float>(s[k][2] / w[k])};
        }
        std::free(owner);
    }

    map->count = used;
    for (int i = 0; i < used; ++i) {
        uint32_t rgb = RgbOfRotated(centre[i]);
        map->rgb[3 * i] = static_cast<uint8_t>(rgb >> 16);
        map->rgb[3 * i + 1] = static_cast<uint8_t>(rgb >> 8);
        map->rgb[3 * i + 2] = static_cast<uint8_t>(rgb);
        map->space[i] = SpaceOf8Bit(rgb);
    }
    SortPalette(map->space, used, &map->search);
}

uint8_t MapReduced(ColourMap* map, uint32_t colour) {
    const int slot = CacheSlotOf(colour);
    if (map->cacheKey[slot] == (colour | SlotUsed))
        return map->cacheIndex[slot];
    const int index = Nearest(map->search, SpaceOf8Bit(colour), map->space, -1);
    map->cacheKey[slot] = colour | SlotUsed;
    map->cacheIndex[slot] = static_cast<uint8_t>(index);
    return static_cast<uint8_t>(index);
}

uint8_t MapExact(const ColourMap* map, uint32_t colour) {
    uint32_t slot = SlotOf(colour);
    const uint32_t key = colour | SlotUsed;
    while (map->slotKey[slot] != key && map->slotKey[slot] != 0)
        slot = (slot + 1) & (ExactSlots - 1);
    return map->slotIndex[slot];
}

uint32_t ColourAt(const uint8_t* bgr, size_t x) {
    return uint32_t(bgr[3 * x + 2]) << 16 | uint32_t(bgr[3 * x + 1]) << 8 | bgr[3 * x];
}

uint8_t Clamp8(float v) {
    if (!(v > 0.0f))
        return 0;
    if (v >= 255.0f)
        return 255;
    return static_cast<uint8_t>(v + 0.5f);
}

void DitherRow(ColourMap* map, const uint8_t* bgr, uint8_t* indices) {
    const int32_t width = map->width;
    const bool leftward = (map->rowNumber & 1) != 0;
    float* here = map->errThis;
    float* next = map->errNext;
    std::memset(next, 0, sizeof(float) * 3 * static_cast<size_t>(width + 2));
    const int step = leftward ? -1 : 1;
    for (int32_t i = 0; i < width; ++i) {
        const int32_t x = leftward ? width - 1 - i : i;
        float* e = here + 3 * (x + 1);
        const uint8_t r = Clamp8(bgr[3 * x + 2] + e[0]);
        const uint8_t g = Clamp8(bgr[3 * x + 1] + e[1]);
        const uint8_t b = Clamp8(bgr[3 * x] + e[2]);
        const uint8_t k = MapReduced(map, uint32_t(r) << 16 | uint32_t(g) << 8 | b);
        indices[x] = k;
        const uint8_t* up = map->rowNumber > 0 ? map->above + 3 * x : bgr + 3 * x;
        const uint8_t* left = bgr + 3 * (x > 0 ? x - 1 : x);
        const uint8_t* right = bgr + 3 * (x + 1 < width ? x + 1 : x);
        int contrast = 0;
        for (int c = 0; c < 3; ++c)
            contrast += std::abs(bgr[3 * x + c] - up[c]) + std::abs(bgr[3 * x + c] - left[c]) +
                        std::abs(bgr[3 * x + c] - right[c]);
        const float carry = DitherCarry * DitherFlat / (DitherFlat + float(contrast));
        const float err[3] = {(bgr[3 * x + 2] + e[0] - map->rgb[3 * k]) * carry,
                              (bgr[3 * x + 1] + e[1] - map->rgb[3 * k + 1]) * carry,
                              (bgr[3 * x] + e[2] - map->rgb[3 * k + 2]) * carry};
        float* ahead = here + 3 * (x + 1 + step);
        float* below = next + 3 * (x + 1);
        for (int c = 0; c < 3; ++c) {
            // Errors beyond what a neighbour can take are not carried.
            const float v = std::max(-255.0f, std::min(255.0f, err[c]));
            ahead[c] += v * (7.0f / 16);
            below[3 * -step + c] += v * (3.0f / 16);
            below[c] += v * (5.0f / 16);
            below[3 * step + c] += v * (1.0f / 16);
        }
    }
    map->errThis = next;
    map->errNext = here;
    std::memcpy(map->above, bgr, 3 * static_cast<size_t>(width));
}

} // namespace

ColourMap* ColourMapBuild(const ImageDesc& desc, const RowSource& rows, bool dither,
                          EncodeResult* result, int32_t rowsPerBand) {
    if (desc.width < 1 || desc.height < 1) {
        *result = EncodeNothing;
        return nullptr;
    }
    if (desc.bitCount != 24) {
        *result = EncodeBadDepth;
        return nullptr;
    }
    const uint64_t stride = DibStride(desc.width, 24);
    const uint64_t bandRows = rowsPerBand > 0
                                  ? std::min<uint64_t>(uint64_t(rowsPerBand), uint64_t(desc.height))
                                  : BandRows(stride, desc.height);
    ColourMap* map = static_cast<ColourMap*>(std::calloc(1, sizeof(ColourMap)));
    uint8_t* band = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bandRows * stride)));
    uint32_t* counts = static_cast<uint32_t*>(std::calloc(ExactSlots, sizeof(uint32_t)));
    uint32_t* hist = nullptr;
    *result = EncodeNoMemory;
    if (map == nullptr || band == nullptr || counts == nullptr) {
        std::free(counts);
        std::free(band);
        std::free(map);
        return nullptr;
    }
    map->width = desc.width;
    map->dither = dither;

    // Counting: distinct colours exactly while there are at most 256, then the histogram.
    int used = 0;
    bool ok = true;
    for (int32_t low = 0; ok && low < desc.height; low += static_cast<int32_t>(bandRows)) {
        const int32_t n = std::min<int32_t>(static_cast<int32_t>(bandRows), desc.height - low);
        if (!rows.fetch(rows.context, low, n, band)) {
            *result = EncodeFetchFailed;
            ok = false;
            break;
        }
        for (int32_t y = 0; y < n; ++y) {
            const uint8_t* line = band + static_cast<uint64_t>(y) * stride;
            size_t x = 0;
            const size_t width = static_cast<size_t>(desc.width);
            while (x < width) {
                // A run of one colour counts at once.
                const uint32_t colour = ColourAt(line, x);
                size_t end = x + 1;
                while (end < width && ColourAt(line, end) == colour)
                    ++end;
                const uint32_t run = static_cast<uint32_t>(end - x);
                x = end;
                if (hist != nullptr) {
                    AddToHistogram(hist, colour, run);
                    continue;
                }
                if (CountExact(map, counts, &used, colour, run))
                    continue;
                // The 257th colour: what was counted so far moves into the histogram.
                hist = static_cast<uint32_t*>(std::calloc(4 * HistBins, sizeof(uint32_t)));
                if (hist == nullptr) {
                    ok = false;
                    break;
                }
                for (int s = 0; s < ExactSlots; ++s)
                    if (map->slotKey[s] != 0)
                        AddToHistogram(hist, map->slotKey[s] & 0xFFFFFF, counts[s]);
                AddToHistogram(hist, colour, run);
            }
            if (!ok)
                break;
        }
    }
    std::free(band);
    std::free(counts);

    if (ok && hist == nullptr) {
        // Exact: the colours in ascending order, each slot told its index.
        map->exact = true;
        uint32_t colours[QuantizeMaxColours];
        int n = 0;
        for (int s = 0; s < ExactSlots; ++s)
            if (map->slotKey[s] != 0)
                colours[n++] = map->slotKey[s] & 0xFFFFFF;
        std::sort(colours, colours + n);
        for (int i = 0; i < n; ++i) {
            map->rgb[3 * i] = static_cast<uint8_t>(colours[i] >> 16);
            map->rgb[3 * i + 1] = static_cast<uint8_t>(colours[i] >> 8);
            map->rgb[3 * i + 2] = static_cast<uint8_t>(colours[i]);
            uint32_t slot = SlotOf(colours[i]);
            while (map->slotKey[slot] != (colours[i] | SlotUsed))
                slot = (slot + 1) & (ExactSlots - 1);
            map->slotIndex[slot] = static_cast<uint8_t>(i);
        }
        map->count = n;
        *result = EncodeOk;
        return map;
    }
    if (ok) {
        map->cacheKey = static_cast<uint32_t*>(std::calloc(CacheSlots, sizeof(uint32_t)));
        map->cacheIndex = static_cast<uint8_t*>(std::malloc(CacheSlots));
        const size_t errFloats = 3 * (static_cast<size_t>(desc.width) + 2);
        if (dither) {
            map->errThis = static_cast<float*>(std::calloc(errFloats, sizeof(float)));
            map->errNext = static_cast<float*>(std::calloc(errFloats, sizeof(float)));
            map->above = static_cast<uint8_t*>(std::malloc(3 * static_cast<size_t>(desc.width)));
        }
        ok = map->cacheKey != nullptr && map->cacheIndex != nullptr &&
             (!dither ||
              (map->errThis != nullptr && map->errNext != nullptr && map->above != nullptr));
        if (ok)
            ReducePalette(map, hist);
    }
    std::free(hist);
    if (!ok) {
        ColourMapFree(map);
        return nullptr;
    }
    *result = EncodeOk;
    return map;
}

int ColourMapSize(const ColourMap* map) {
    return map->count;
}

const uint8_t* ColourMapColours(const ColourMap* map) {
    return map->rgb;
}

bool ColourMapIsExact(const ColourMap* map) {
    return map->exact;
}

void ColourMapRow(ColourMap* map, const uint8_t* bgr, uint8_t* indices) {
    const size_t width = static_cast<size_t>(map->width);
    if (map->exact) {
        uint32_t last = 0xFFFFFFFF;
        uint8_t index = 0;
        for (size_t x = 0; x < width; ++x) {
            const uint32_t colour = ColourAt(bgr, x);
            if (colour != last) {
                last = colour;
                index = MapExact(map, colour);
            }
            indices[x] = index;
        }
    } else if (map->dither) {
        DitherRow(map, bgr, indices);
    } else {
        for (size_t x = 0; x < width; ++x)
            indices[x] = MapReduced(map, ColourAt(bgr, x));
    }
    map->rowNumber += 1;
}

void ColourMapFree(ColourMap* map) {
    if (map == nullptr)
        return;
    std::free(map->cacheKey);
    std::free(map->cacheIndex);
    std::free(map->errThis);
    std::free(map->errNext);
    std::free(map->above);
    std::free(map);
}
