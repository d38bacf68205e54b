#pragma once

#include <windows.h>

// Shows the install dialog over the owner. 1 after Install, 0 after Cancel,
// -1 when the dialog cannot be created.
INT_PTR RunInstallDialog(HWND owner);
