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
};

// Creates the temporary file beside `target`. Returns false when it cannot be created (the
// folder does not exist or cannot be written); nothing is left behind then.
bool SafeFileSinkOpen(SafeFileSink* sink, const char* target);

// The ByteSink writing into the temporary file.
ByteSink SafeFileSinkByteSink(SafeFileSink* sink);

// Flushes and closes the temporary file and moves it over the target. Returns false, and
// removes the temporary file, when anything failed; the target is then untouched.
bool SafeFileSinkCommit(SafeFileSink* sink);

// Closes and removes the temporary file; the target is untouched.
void SafeFileSinkAbandon(SafeFileSink* sink);
