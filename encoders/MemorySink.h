// A growable memory buffer behind the ByteSink interface: tests, fuzz targets, benchmarks and
// the corpus generator collect an encoder's file in memory with it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "encoders/EncodeTypes.h"

// The bytes written so far (size), the write position (a seek moves it back over bytes already
// written; writes then overwrite, and a write past the end grows the buffer), and an optional
// limit: a write that would make the buffer larger than `limit` bytes fails, which lets tests
// see how an encoder treats a full disk. Seeking past `size` fails.
struct MemorySink {
    uint8_t* data;
    uint64_t size;
    uint64_t capacity;
    uint64_t position;
    uint64_t limit;
    uint64_t writeCalls; // number of write calls that stored bytes
};

// An empty sink without a limit.
void MemorySinkInit(MemorySink* sink);
// Makes room for `bytes` bytes in advance (growth is by doubling otherwise). False when memory
// runs out.
bool MemorySinkReserve(MemorySink* sink, uint64_t bytes);
// Releases the buffer; the sink is empty afterwards and can be used again.
void MemorySinkFree(MemorySink* sink);
// The ByteSink that writes into `sink`; valid as long as `sink` is.
ByteSink MemorySinkByteSink(MemorySink* sink);
