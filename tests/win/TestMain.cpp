// The Windows test program. Started with a helper argument it acts as "another application"
// instead of running tests.
#include <gtest/gtest.h>

#include "tests/win/TestBed.h"

int main(int argc, char** argv) {
    int helperResult = RunHelperMode(argc, argv);
    if (helperResult >= 0) {
        return helperResult;
    }
    testing::InitGoogleTest(&argc, argv);
    printf("Display: %d bits per pixel\n", DisplayBits());
    return RUN_ALL_TESTS();
}
