#pragma once

#include <windows.h>

#include "engine/selection_size.h"
#include "setup/path_text.h"

enum TargetVerdict {
    kTargetAccepted,
    kTargetNotFullPath,
    kTargetHoldsMedium,
    kTargetInUse,
    kTargetTooSmall,
};

// What the check of a target folder found, with what its message needs.
struct TargetCheck {
    TargetVerdict Verdict;
    // What the copy into an accepted folder writes (progress counts it).
    SelectionSize Selection;
    // kTargetInUse: the listed program file that another process holds.
    const char* FileInUse;
    // kTargetTooSmall: the volume ("C:", "\\server\share"), the bytes that
    // must be free there and the bytes free there for this user.
    char Volume[kPathChars];
    ULONGLONG Needed;
    ULONGLONG Free;
};

// A drive letter, a colon and a separator, or \\server\share.
BOOL IsFullPath(const char* folder);

// The listed program file in targetDir (ending with "\") that another process
// holds open, as a running program's files are held on Windows; or null.
const char* ProgramFileInUse(const char* targetDir);

// Checks targetDir (ending with "\") before anything is written or removed,
// and measures what the copy into it writes: it must not hold the medium,
// must be a full path, must hold no program file in use, and its volume must
// have room. Beyond the medium, a text shorter than kShortestTargetDir is
// accepted unchecked: the copy refuses it. Where the free space cannot be
// read, the folder has room.
void CheckTarget(const char* targetDir, TargetCheck* check);
