// The shell's state record, zero-initialised; CreateMainWindow fills in the start values.
#include "shell/AppState.h"

AppState app;
