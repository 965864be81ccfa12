// A ByteSink over a file that replaces its target only when complete: the bytes go to a
// temporary file in the target's folder, and the target is replaced by it at commit. A save
// that fails at any point leaves an existing file of the target's name exactly as it was.
#pragma once

#include <windows.h>

#include "encoders/EncodeTypes.h"

struct SafeFileSink {
    HANDLE file;             // the temporary file while open
    char tempPath[MAX_PATH]; // its name
    char target[MAX_PATH];   // the file it replaces at commit
    bool failed;             // a write or seek failed
    uint64_t written;        // bytes handed to the file so far
};

// Creates the temporary file beside `target`. Returns false when the target is a read-only file
// or a folder, or the temporary file cannot be created (the folder does not exist or cannot be
// written); nothing is left behind then.
bool SafeFileSinkOpen(SafeFileSink* sink, const char* target);

// The ByteSink writing into the temporary file.
ByteSink SafeFileSinkByteSink(SafeFileSink* sink);

// Flushes and closes the temporary file and moves it over the target. Returns false, and
// removes the temporary file, when anything failed; the target is then untouched.
bool SafeFileSinkCommit(SafeFileSink* sink);

// Closes and removes the temporary file; the target is untouched.
void SafeFileSinkAbandon(SafeFileSink* sink);

// For tests: from now on every sink takes at most `bytes` bytes and then fails its writes, as a
// full disk would, after writing up to the limit; 0 removes the limit.
void SetSafeFileSinkLimit(uint64_t bytes);
