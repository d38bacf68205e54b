#pragma once

#include <windows.h>

#include "runtime/path_text.h"

// Calls visit(entry) for every entry that matches the pattern, in the order
// the file system delivers them, until visit returns FALSE. Names that begin
// with "." are skipped: the self and parent entries, and dot names that are
// no part of an installation; with everyName, only the self and parent
// entries. The first entry is examined like any other, since FAT and CD
// roots (where install media live) deliver no "." entry. Returns FALSE when
// the enumeration cannot start.
template <typename Visit>
BOOL WalkFolder(const char* pattern, Visit visit, BOOL everyName = FALSE)
{
    WIN32_FIND_DATAA entry;
    // Wine never fills in the reparse tag (see IsLink).
    entry.dwReserved0 = 0;
    HANDLE find = FindFirstFileA(pattern, &entry);
    if (find == INVALID_HANDLE_VALUE)
        return FALSE;
    do {
        const char* name = entry.cFileName;
        const BOOL selfOrParent = name[name[1] == '.' ? 2 : 1] == '\0';
        if ((name[0] != '.' || (everyName && !selfOrParent)) && !visit(entry))
            break;
    } while (FindNextFileA(find, &entry));
    FindClose(find);
    return TRUE;
}

inline BOOL IsFolder(const WIN32_FIND_DATAA& entry)
{
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

// A junction or a symbolic link, which points to a folder elsewhere: never
// followed, and removed by its own name. Other reparse points, such as
// cloud-file placeholders, hold their content where they are and are
// walked as folders. A reparse point whose tag the system leaves at 0
// (Wine does) counts as a link: that is the safe side.
inline BOOL IsLink(const WIN32_FIND_DATAA& entry)
{
    const DWORD tag = entry.dwReserved0;
    return (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
           (tag == 0 || tag == IO_REPARSE_TAG_MOUNT_POINT || tag == IO_REPARSE_TAG_SYMLINK);
}

inline ULONGLONG FileBytes(const WIN32_FIND_DATAA& entry)
{
    return (ULONGLONG(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
}

// Calls visit(entry) for every plain file of folder (which ends with "\"),
// the files that the copy of a listed folder takes, until visit returns
// FALSE. A folder that cannot be listed has none. FALSE only when the
// pattern would not fit.
template <typename Visit>
BOOL WalkFolderFiles(const char* folder, Visit visit)
{
    char pattern[kPathChars];
    if (!JoinPath(pattern, folder, "*.*"))
        return FALSE;
    WalkFolder(pattern,
               [&](const WIN32_FIND_DATAA& entry) { return IsFolder(entry) || visit(entry); });
    return TRUE;
}
