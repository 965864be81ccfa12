// Live heap bytes, their peak and the number of allocations, counted for the whole benchmark
// program by replacing malloc and its siblings. A measurement resets peakBytes (and
// allocations) to the live bytes before the work it measures. Include in one file per program.
#pragma once

#include <algorithm>
#include <cstddef>

#include <malloc.h>

extern "C" void* __libc_malloc(size_t);
extern "C" void* __libc_calloc(size_t, size_t);
extern "C" void* __libc_realloc(void*, size_t);
extern "C" void __libc_free(void*);

namespace {
size_t liveBytes = 0;
size_t peakBytes = 0;
size_t allocations = 0;

void Count(void* p) {
    if (p == nullptr)
        return;
    liveBytes += malloc_usable_size(p);
    allocations += 1;
    peakBytes = std::max(peakBytes, liveBytes);
}
} // namespace

extern "C" void* malloc(size_t n) {
    void* p = __libc_malloc(n);
    Count(p);
    return p;
}

extern "C" void* calloc(size_t n, size_t size) {
    void* p = __libc_calloc(n, size);
    Count(p);
    return p;
}

extern "C" void free(void* p) {
    if (p != nullptr)
        liveBytes -= malloc_usable_size(p);
    __libc_free(p);
}

extern "C" void* realloc(void* p, size_t n) {
    if (p != nullptr)
        liveBytes -= malloc_usable_size(p);
    void* q = __libc_realloc(p, n);
    if (q != nullptr)
        Count(q);
    else if (p != nullptr)
        liveBytes += malloc_usable_size(p);
    return q;
}
