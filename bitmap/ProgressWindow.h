// The small "Processing..." window shown while a file is read or written.
#pragma once

#include <windows.h>

// Creates and shows the window without activating it and stores it in app.progressWindow.
void ShowProgressWindow();

// Destroys the window if it exists and clears app.progressWindow.
void HideProgressWindow();
