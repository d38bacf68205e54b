#pragma once

#include <windows.h>

// Shows the install dialog over the owner. 1 after Install, 0 after Cancel,
// -1 when the dialog cannot be created. Removes the default folder again
// when the last press of "..." had to create it (see the cleanup).
INT_PTR RunInstallDialog(HWND owner);

INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// A full name has at least six characters, one of them a space anywhere.
BOOL IsFullName(const char* name);
