#pragma once

#include <windows.h>

// In the order of their messages in the install dialog.
enum TargetVerdict {
    kTargetAccepted,
    kTargetNotFullPath,
    kTargetHoldsMedium,
    kTargetInUse,
    kTargetTooSmall,
    kTargetIsRoot,
    kTargetForeign,
    kTargetIsLink,
};

// What the check of a target folder found, with what its message needs.
struct TargetCheck {
    TargetVerdict Verdict;
    // kTargetTooSmall: the bytes that must be free on the folder's volume,
    // and the bytes free there for this user.
    ULONGLONG Needed;
    ULONGLONG Free;
    // kTargetForeign: the first name found that the copy would replace.
    const char* Found;
};

// The length of "C:\" or "\\server\share\" at the start of a folder that
// ends with a separator, or 0 when it has no such root.
size_t RootLength(const char* folder);

// Checks targetDir (ending with "\") before anything is written or removed,
// and measures what the copy into it writes into Setup.Selection: it must
// not hold the medium, must be a full path (a drive letter, a colon and a
// separator, or \\server\share\), and resolved as the platform resolves it,
// must not be the root of a drive or share, nor a junction or folder link
// (everything would be written where it points), must be empty, an earlier
// installation (it holds the install record, or velq.exe from a setup that
// wrote none) or hold nothing of the names the copy writes, so that only
// what Velquor made is ever replaced, must hold no file that the copy
// would delete or overwrite and that another process holds open, and its
// volume must have room at every step of the copy. Beyond the medium, a text
// shorter than kShortestTargetDir is accepted unchecked: the copy refuses
// it. Where the free space cannot be read, the folder has room.
void CheckTarget(const char* targetDir, TargetCheck* check);
