#pragma once

#include <windows.h>

// Shows the copy's progress over owner until CloseProgressWindow: the
// folder and the file being copied, and a bar of the bytes copied out of
// those the selection writes (Setup.Selection). It has no button: a copy
// cannot be stopped halfway. Where the window cannot be made, the copy goes
// on unwatched.
void OpenProgressWindow(HWND owner);

void CloseProgressWindow();
