#include "platform/SafeFileSink.h"

#include <cstring>

namespace {

uint64_t sinkLimit = 0; // a test's stand-in for the room left on the disk; 0 without one

bool SinkWrite(void* context, const uint8_t* data, size_t count) {
    auto* sink = static_cast<SafeFileSink*>(context);
    bool full = false;
    if (sinkLimit != 0 && sink->written + count > sinkLimit) {
        count = sink->written < sinkLimit ? size_t(sinkLimit - sink->written) : 0;
        full = true;
    }
    while (count > 0 && !sink->failed) {
        DWORD chunk = count > 0x40000000 ? 0x40000000 : DWORD(count);
        DWORD written = 0;
        if (!WriteFile(sink->file, data, chunk, &written, nullptr) || written != chunk)
            sink->failed = true;
        sink->written += written;
        data += chunk;
        count -= chunk;
    }
    if (full)
        sink->failed = true;
    return !sink->failed;
}

bool SinkSeek(void* context, uint64_t position) {
    auto* sink = static_cast<SafeFileSink*>(context);
    LARGE_INTEGER to;
    to.QuadPart = LONGLONG(position);
    if (sink->failed || !SetFilePointerEx(sink->file, to, nullptr, FILE_BEGIN))
        sink->failed = true;
    return !sink->failed;
}

} // namespace

bool SafeFileSinkOpen(SafeFileSink* sink, const char* target) {
    std::memset(sink, 0, sizeof *sink);
    sink->file = INVALID_HANDLE_VALUE;
    if (std::strlen(target) >= sizeof sink->target)
        return false;
    std::strcpy(sink->target, target);
    // A read-only file, or a folder, of the target's name is never replaced. (Replacing it by
    // a move would otherwise succeed where writing the file in place is refused.)
    DWORD attributes = GetFileAttributesA(target);
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)) != 0)
        return false;

    // The temporary file lives in the target's folder, so that the final move stays on one
    // volume and never copies.
    char folder[MAX_PATH];
    std::strcpy(folder, target);
    char* cut = std::strrchr(folder, '\\');
    char* slash = std::strrchr(folder, '/');
    if (slash != nullptr && (cut == nullptr || slash > cut))
        cut = slash;
    if (cut != nullptr)
        cut[1] = '\0';
    else
        std::strcpy(folder, ".");
    if (GetTempFileNameA(folder, "kvl", 0, sink->tempPath) == 0)
        return false;
    sink->file = CreateFileA(sink->tempPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    if (sink->file == INVALID_HANDLE_VALUE) {
        DeleteFileA(sink->tempPath);
        return false;
    }
    return true;
}

ByteSink SafeFileSinkByteSink(SafeFileSink* sink) {
    return ByteSink{sink, SinkWrite, SinkSeek};
}

bool SafeFileSinkCommit(SafeFileSink* sink) {
    bool ok = !sink->failed && FlushFileBuffers(sink->file);
    CloseHandle(sink->file);
    sink->file = INVALID_HANDLE_VALUE;
    if (ok)
        ok = MoveFileExA(sink->tempPath, sink->target,
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
    if (!ok)
        DeleteFileA(sink->tempPath);
    return ok;
}

void SetSafeFileSinkLimit(uint64_t bytes) {
    sinkLimit = bytes;
}

void SafeFileSinkAbandon(SafeFileSink* sink) {
    if (sink->file != INVALID_HANDLE_VALUE)
        CloseHandle(sink->file);
    sink->file = INVALID_HANDLE_VALUE;
    DeleteFileA(sink->tempPath);
}
