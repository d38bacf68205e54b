#pragma once

#include <windows.h>

// The text value valueName of key, cut to size - 1 characters where a
// character ends, always terminated; the buffer is left as it is when the
// value cannot be read. Closes the key.
void QueryKeyText(HKEY key, const char* valueName, char* buffer, DWORD size);
