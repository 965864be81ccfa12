// Menu commands, accelerators and the commands the program posts to itself.
#pragma once

// Handles WM_COMMAND with the identifier in the low 16 bits of wParam.
void DispatchCommand(unsigned command);
