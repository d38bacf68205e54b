#include "engine/target_check.h"

#include <string.h>

#include "engine/folder_replication.h"
#include "engine/install_record.h"
#include "engine/install_selection.h"
#include "engine/registration.h"
#include "runtime/kernel_function.h"
#include "runtime/path_text.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

static BOOL IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

static BOOL IsDrivePath(const char* folder)
{
    const char letter = static_cast<char>(folder[0] | 0x20);
    return letter >= 'a' && letter <= 'z' && folder[1] == ':' && IsSeparator(folder[2]);
}

static size_t NameLength(const char* text)
{
    size_t length = 0;
    while (text[length] && !IsSeparator(text[length]))
        ++length;
    return length;
}

size_t RootLength(const char* folder)
{
    if (IsDrivePath(folder))
        return 3;
    if (!IsSeparator(folder[0]) || !IsSeparator(folder[1]))
        return 0;
    const size_t server = NameLength(folder + 2);
    // "\\.\" and "\\?\" name devices, not shares.
    if (server == 0 || !folder[2 + server] ||
        (server == 1 && (folder[2] == '.' || folder[2] == '?')))
        return 0;
    const size_t shareAt = 2 + server + 1;
    const size_t share = NameLength(folder + shareAt);
    return share == 0 || !folder[shareAt + share] ? 0 : shareAt + share + 1;
}

struct VolumeSpace {
    ULONGLONG Free;
    DWORD ClusterBytes;
};

// Cuts the last folder off path, which ends with a separator: FALSE when
// only the root of rootLength characters is left.
static BOOL CutToParent(char* path, size_t rootLength)
{
    size_t length = strlen(path);
    if (length <= rootLength)
        return FALSE;
    do
        --length;
    while (length > rootLength && !IsSeparator(path[length - 1]));
    path[length] = '\0';
    return TRUE;
}

// The free bytes available to this user on the volume of targetDir, and its
// cluster size. FALSE when the free space cannot be read.
static BOOL ReadVolumeSpace(const char* targetDir, size_t rootLength, VolumeSpace* space)
{
    char folder[kPathChars];
    CopyPath(folder, targetDir);
    // Windows 95 before OSR2 lacks the call that sees quotas and past 2 GB.
    // It is asked of the nearest folder that exists: a missing one has no
    // free space, and a folder may be another volume mounted there.
    auto freeSpace = KernelFunction<decltype(&GetDiskFreeSpaceExA)>("GetDiskFreeSpaceExA");
    ULARGE_INTEGER available;
    ULARGE_INTEGER total;
    ULARGE_INTEGER free;
    while (freeSpace && !freeSpace(folder, &available, &total, &free)) {
        if (!CutToParent(folder, rootLength))
            return FALSE;
    }
    // The root ends with its separator, as older systems want it here.
    folder[rootLength] = '\0';
    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD clusters = 0;
    const BOOL classic =
        GetDiskFreeSpaceA(folder, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
    space->ClusterBytes = classic ? sectorsPerCluster * bytesPerSector : 4096;
    space->Free = freeSpace ? available.QuadPart
                            : ULONGLONG(freeClusters) * sectorsPerCluster * bytesPerSector;
    return freeSpace || classic;
}

// Measures the copy into folder, resolved, and refuses it when it is a
// link, when another process holds a file that the copy would delete or
// overwrite, or when the volume lacks room at some step.
static void CheckCopy(const char* folder, size_t rootLength, TargetCheck* check)
{
    VolumeSpace space = {0, 4096};
    const BOOL known = ReadVolumeSpace(folder, rootLength, &space);
    MeasureSelection(folder, space.ClusterBytes, &Setup.Selection);
    const ULONGLONG needed = Setup.Selection.Peak;
    // Beside the new installation: the journal and the folder of what is
    // moved aside, a cluster each.
    Setup.Selection.SideBySide =
        !known || Setup.Selection.Written.Space + 2 * space.ClusterBytes <= space.Free;
    if (known)
        LogLine(kLogRoom, folder, LogFigure(needed >> 10), LogFigure(space.Free >> 10),
                needed > space.Free ? "too little" : "enough");
    if (Setup.Selection.InUse) {
        check->Verdict = kTargetInUse;
    } else if (known && needed > space.Free) {
        check->Verdict = kTargetTooSmall;
        check->Needed = needed;
        check->Free = space.Free;
    }
}

// Resolves targetDir into folder and returns the length of its root; 0 when
// the text is no full path, as typed or resolved. Text such as "C:Apps" or
// "..\Apps" resolves to a full path, but one that depends on the current
// directory: it is judged as typed.
static size_t ResolveTarget(const char* targetDir, char (&folder)[kPathChars])
{
    return RootLength(targetDir) && ResolveFolder(folder, targetDir) ? RootLength(folder) : 0;
}

// The attributes of name in folder; INVALID_FILE_ATTRIBUTES when it is not
// there.
static DWORD AttributesIn(const char* folder, const char* name)
{
    char path[kPathChars];
    return JoinPath(path, folder, name) ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
}

// The first name of count in list that folder holds, or null.
static const char* FirstHeld(const char* folder, const char* const* list, int count)
{
    for (int i = 0; i < count; ++i) {
        if (AttributesIn(folder, list[i]) != INVALID_FILE_ATTRIBUTES)
            return list[i];
    }
    return NULL;
}

// TRUE when folder (ending with "\") is a junction or folder link, through
// which everything would be written where it points. Nothing behind it is
// looked at.
static BOOL IsFolderLink(const char* folder)
{
    char path[kPathChars];
    CopyPath(path, folder);
    DropSeparator(path);
    return IsLinkAt(path);
}

// A name that the copy writes, when folder holds it but is no earlier
// installation: then it is somebody else's. Null when there is none.
static const char* ForeignName(const char* folder)
{
    if (AttributesIn(folder, kInstallRecordName) != INVALID_FILE_ATTRIBUTES ||
        !(AttributesIn(folder, "velq.exe") & FILE_ATTRIBUTE_DIRECTORY))
        return NULL;
    const char* found = FirstHeld(folder, SelectedFolders, kSelectedFolderCount);
    if (!found)
        found = FirstHeld(folder, SelectedFiles, kSelectedFileCount);
    if (!found && AttributesIn(folder, kUninstallerName) != INVALID_FILE_ATTRIBUTES)
        found = kUninstallerName;
    return found;
}

static void CheckFolder(const char* targetDir, TargetCheck* check)
{
    if (TargetHoldsMedium(targetDir)) {
        check->Verdict = kTargetHoldsMedium;
        return;
    }
    if (strlen(targetDir) < kShortestTargetDir)
        return;
    char folder[kPathChars];
    const size_t rootLength = ResolveTarget(targetDir, folder);
    if (rootLength == 0)
        check->Verdict = kTargetNotFullPath;
    else if (folder[rootLength] == '\0')
        check->Verdict = kTargetIsRoot;
    else if (IsFolderLink(folder))
        check->Verdict = kTargetIsLink;
    else if ((check->Found = ForeignName(folder)) != NULL)
        check->Verdict = kTargetForeign;
    else
        CheckCopy(folder, rootLength, check);
}

void CheckTarget(const char* targetDir, TargetCheck* check)
{
    *check = TargetCheck();
    CheckFolder(targetDir, check);
    LogLine(kLogFolderVerdict, targetDir, NthText(kLogVerdicts, check->Verdict));
}
