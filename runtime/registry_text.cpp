#include "runtime/registry_text.h"

#include <string.h>

// Copies as much of text as fits size bytes with the terminator, cut where
// a character ends: a double-byte character is never split.
static void CopyWholeCharacters(char* buffer, DWORD size, const char* text)
{
    const char* end = text;
    for (const char* next = end; *end && (next = CharNextA(end)) - text < LONG_PTR(size);)
        end = next;
    memcpy(buffer, text, end - text);
    buffer[end - text] = '\0';
}

// The value is read whole into a block of its own size, so that a value
// longer than the caller's buffer (or one stored without a terminator) is
// cut at a well-defined place instead of left undefined.
static void QueryText(HKEY key, const char* valueName, char* buffer, DWORD size)
{
    DWORD type = REG_SZ;
    DWORD length = 0;
    if (RegQueryValueExA(key, valueName, NULL, &type, NULL, &length) != ERROR_SUCCESS)
        return;
    char* value = static_cast<char*>(GlobalAlloc(GMEM_FIXED, length + 1));
    if (!value)
        return;
    if (RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE*>(value), &length) ==
        ERROR_SUCCESS) {
        value[length] = '\0';
        CopyWholeCharacters(buffer, size, value);
    }
    GlobalFree(value);
}

void QueryKeyText(HKEY key, const char* valueName, char* buffer, DWORD size)
{
    QueryText(key, valueName, buffer, size);
    RegCloseKey(key);
}
