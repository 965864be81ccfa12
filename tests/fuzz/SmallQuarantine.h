// Included by one source file of a fuzz target. Each run of the writer targets allocates a few
// hundred KB (images, output buffers, the decoders' state). With ASan's default 256 MB
// quarantine every run touches fresh pages; 16 MB still holds many runs' freed blocks, so a use
// after free inside a run is still caught, at about twice the speed.
#pragma once

extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=16";
}
