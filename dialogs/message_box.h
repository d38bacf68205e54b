#pragma once

#include <windows.h>

// Every message box of the program goes through here. A silent run (/S)
// has no person to answer: nothing is shown, and the answer is the box's
// first button (OK, Yes).
int ShowMessage(HWND owner, const char* text, const char* caption, UINT style);
