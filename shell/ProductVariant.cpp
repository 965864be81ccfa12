// The identity flag, compiled once per program: KOVEL_PRODUCT_VARIANT is 1 for Palorin and 0
// for Mendrival (set by the build).
#include "shell/AppState.h"

#ifndef KOVEL_PRODUCT_VARIANT
#define KOVEL_PRODUCT_VARIANT 1
#endif

const int productVariant = KOVEL_PRODUCT_VARIANT;
