#include "runtime/path_text.h"

#include <string.h>

BOOL JoinPath(char* out, size_t outChars, const char* first, const char* second, const char* third)
{
    const size_t firstLength = strlen(first);
    const size_t secondLength = strlen(second);
    const size_t thirdLength = strlen(third);
    if (outChars == 0 || firstLength + secondLength + thirdLength >= outChars) {
        if (outChars != 0)
            out[0] = '\0';
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    // memmove: callers may join a buffer onto itself ("path" + "\").
    memmove(out, first, firstLength);
    memcpy(out + firstLength, second, secondLength);
    memcpy(out + firstLength + secondLength, third, thirdLength);
    out[firstLength + secondLength + thirdLength] = '\0';
    return TRUE;
}

BOOL EndsWithSeparator(const char* path)
{
    const size_t length = strlen(path);
    return length != 0 && path[length - 1] == '\\';
}

void DropSeparator(char* path)
{
    if (EndsWithSeparator(path))
        path[strlen(path) - 1] = '\0';
}

BOOL AppendSeparator(char* path, size_t maxChars)
{
    if (EndsWithSeparator(path))
        return TRUE;
    const size_t length = strlen(path);
    if (length + 1 >= maxChars) {
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return FALSE;
    }
    path[length] = '\\';
    path[length + 1] = '\0';
    return TRUE;
}

BOOL GetTempFolder(char (&temp)[kPathChars])
{
    const DWORD length = GetTempPathA(kPathChars, temp);
    return length && length < kPathChars;
}

BOOL GetProgramPath(char (&path)[kPathChars])
{
    // A path that fills the buffer comes back cut and, before Vista,
    // without its terminator.
    const DWORD length = GetModuleFileNameA(NULL, path, kPathChars);
    return length != 0 && length < kPathChars;
}

BOOL ResolveFolder(char (&full)[kPathChars], const char* folder)
{
    const DWORD length = GetFullPathNameA(folder, kPathChars, full, NULL);
    return length != 0 && length < kPathChars && AppendSeparator(full, kPathChars);
}
