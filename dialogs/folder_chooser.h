#pragma once

#include <windows.h>

// Fills the chooser's parameter block once, when the install dialog opens.
void InitFolderChooser(HWND dialog);

// Shows the chooser over the owner. Nonzero when the user pressed OK and the
// chosen path fitted the file buffer.
BOOL RunFolderChooser(HWND owner, char* file, char* fileTitle);

// The "..." button: lets the user open a folder and makes it the target.
void BrowseTargetFolder(HWND dialog);
