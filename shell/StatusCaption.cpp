// The status caption. The template's digit fields are replaced by the numbers of the rectangle;
// a number of four digits or more keeps all of them, as today's screens are wider than 999
// pixels.
#include "shell/StatusCaption.h"

#include "shell/AppState.h"
#include "shell/ProductIdentity.h"

#include <cstdio>
#include <cstring>

namespace {

// Where the six three-digit fields start in the template, in the order of the values.
const size_t fieldStarts[6] = {6, 18, 26, 31, 39, 44};
const size_t fieldWidth = 3;

} // namespace

void FormatStatusCaption(const char* captionTemplate, const int64_t values[6], char* caption,
                         size_t size) {
    if (size == 0)
        return;
    size_t length = std::strlen(captionTemplate);
    size_t out = 0;
    size_t in = 0;
    auto append = [&](const char* text, size_t count) {
        for (size_t i = 0; i < count && out + 1 < size; ++i)
            caption[out++] = text[i];
    };
    for (int field = 0; field < 6 && fieldStarts[field] + fieldWidth <= length; ++field) {
        append(captionTemplate + in, fieldStarts[field] - in);
        int64_t value = values[field];
        uint64_t magnitude = value < 0 ? 0 - uint64_t(value) : uint64_t(value);
        char digits[32];
        int count = std::snprintf(digits, sizeof digits, "%s%03llu", value < 0 ? "-" : "",
                                  static_cast<unsigned long long>(magnitude));
        append(digits, size_t(count));
        in = fieldStarts[field] + fieldWidth;
    }
    append(captionTemplate + in, length - in);
    caption[out] = '\0';
}

void UpdateStatusCaption() {
    const RECT& r = app.rectImage;
    int32_t x1 = r.left < r.right ? r.left : r.right;
    int32_t x2 = r.left < r.right ? r.right : r.left;
    // Differences of typed corners may not fit 32 bits.
    int64_t values[6] = {int64_t(x2) - x1, int64_t(r.bottom) - r.top, x1, r.top, x2, r.bottom};
    FormatStatusCaption(CurrentIdentity().captionTemplate, values, app.statusCaption,
                        sizeof app.statusCaption);
}
