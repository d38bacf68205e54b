#include "engine/target_check.h"

#include <string.h>

#include "engine/install_selection.h"
#include "runtime/kernel_function.h"
#include "runtime/path_text.h"
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
    if (Setup.Selection.IsLink) {
        check->Verdict = kTargetIsLink;
    } else if (Setup.Selection.InUse) {
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

void CheckTarget(const char* targetDir, TargetCheck* check)
{
    *check = TargetCheck();
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
    else
        CheckCopy(folder, rootLength, check);
}
