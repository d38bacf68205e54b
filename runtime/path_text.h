#pragma once

#include <windows.h>

#include <stddef.h>

// Every path lives in a buffer of the platform's path size: at most 259
// characters and the terminator.
constexpr size_t kPathChars = MAX_PATH;

// The name and folder fields are read into slightly larger buffers; what is
// read from them is still bounded by the path size.
constexpr size_t kFieldChars = 264;

// Writes first, second and third one after the other into out. When the
// whole would not fit out with its terminator, out is left empty, the last
// error is set to ERROR_FILENAME_EXCED_RANGE (what the platform reports for
// such a path) and the result is FALSE: a path is never cut short.
BOOL JoinPath(char* out, size_t outChars, const char* first, const char* second,
              const char* third = "");

template <size_t N>
inline BOOL JoinPath(char (&out)[N], const char* first, const char* second, const char* third = "")
{
    return JoinPath(out, N, first, second, third);
}

template <size_t N>
inline BOOL CopyPath(char (&out)[N], const char* text)
{
    return JoinPath(out, N, text, "");
}

BOOL EndsWithSeparator(const char* path);

// Drops one trailing "\", if there is one.
void DropSeparator(char* path);

// Appends "\" unless the path already ends with one, keeping the result
// within maxChars (terminator included). FALSE, with the path unchanged,
// when the separator would not fit.
BOOL AppendSeparator(char* path, size_t maxChars);

// The temporary folder, ending with "\". FALSE when its path would not fit.
BOOL GetTempFolder(char (&temp)[kPathChars]);

// The running program's own file. FALSE when its path would not fit.
BOOL GetProgramPath(char (&path)[kPathChars]);

// The full path of folder as the platform resolves it ("/" read as "\",
// "." and ".." and doubled separators taken out), ending with "\". FALSE
// when it cannot be resolved or would not fit.
BOOL ResolveFolder(char (&full)[kPathChars], const char* folder);
