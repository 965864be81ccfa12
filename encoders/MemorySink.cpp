#include "encoders/MemorySink.h"

#include <cstdlib>
#include <cstring>

namespace {

bool MemoryWrite(void* context, const uint8_t* data, size_t count) {
    MemorySink* sink = static_cast<MemorySink*>(context);
    if (count == 0)
        return true;
    uint64_t end = sink->position + count;
    if (end < sink->position || end > sink->limit)
        return false;
    if (end > sink->capacity) {
        uint64_t capacity = sink->capacity < 4096 ? 4096 : sink->capacity;
        while (capacity < end)
            capacity *= 2;
        if (capacity > SIZE_MAX)
            return false;
        void* grown = std::realloc(sink->data, static_cast<size_t>(capacity));
        if (grown == nullptr)
            return false;
        sink->data = static_cast<uint8_t*>(grown);
        sink->capacity = capacity;
    }
    std::memcpy(sink->data + sink->position, data, count);
    sink->position = end;
    if (end > sink->size)
        sink->size = end;
    sink->writeCalls += 1;
    return true;
}

bool MemorySeek(void* context, uint64_t position) {
    MemorySink* sink = static_cast<MemorySink*>(context);
    if (position > sink->size)
        return false;
    sink->position = position;
    return true;
}

} // namespace

void MemorySinkInit(MemorySink* sink) {
    sink->data = nullptr;
    sink->size = 0;
    sink->capacity = 0;
    sink->position = 0;
    sink->limit = UINT64_MAX;
    sink->writeCalls = 0;
}

bool MemorySinkReserve(MemorySink* sink, uint64_t bytes) {
    if (bytes <= sink->capacity)
        return true;
    if (bytes > SIZE_MAX)
        return false;
    void* grown = std::realloc(sink->data, static_cast<size_t>(bytes));
    if (grown == nullptr)
        return false;
    sink->data = static_cast<uint8_t*>(grown);
    sink->capacity = bytes;
    return true;
}

void MemorySinkFree(MemorySink* sink) {
    std::free(sink->data);
    MemorySinkInit(sink);
}

ByteSink MemorySinkByteSink(MemorySink* sink) {
    ByteSink byteSink;
    byteSink.context = sink;
    byteSink.write = MemoryWrite;
    byteSink.seek = MemorySeek;
    return byteSink;
}
