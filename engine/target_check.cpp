#include "engine/target_check.h"

#include <string.h>

#include "engine/install_selection.h"
#include "setup/kernel_function.h"

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

// The length of "C:\" or "\\server\share\" at the start of a full path, or
// 0 when it has no such root.
static size_t RootLength(const char* folder)
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
    if (share == 0)
        return 0;
    return folder[shareAt + share] ? shareAt + share + 1 : shareAt + share;
}

BOOL IsFullPath(const char* folder)
{
    return RootLength(folder) != 0;
}

const char* ProgramFileInUse(const char* targetDir)
{
    for (const char* name : SelectedFiles) {
        char path[kPathChars];
        if (!JoinPath(path, targetDir, name))
            continue;
        // Sharing nothing, the open fails with a sharing violation while any
        // other process has the file open. A read-only file gives "access
        // denied" instead: the copy replaces it all the same.
        HANDLE file =
            CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
        if (file != INVALID_HANDLE_VALUE) {
            CloseHandle(file);
            continue;
        }
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION)
            return name;
    }
    return NULL;
}

struct VolumeSpace {
    ULONGLONG Free;
    DWORD ClusterBytes;
};

// The target's nearest folder that exists: free space can only be asked of
// an existing one. Ends with a separator; at worst the root.
static void NearestFolder(const char* targetDir, size_t rootLength, char (&folder)[kPathChars])
{
    CopyPath(folder, targetDir);
    size_t length = strlen(folder);
    while (length > rootLength) {
        char path[kPathChars];
        CopyPath(path, folder);
        path[length - 1] = '\0';
        const DWORD attributes = GetFileAttributesA(path);
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            return;
        do
            --length;
        while (length > rootLength && !IsSeparator(folder[length - 1]));
        folder[length] = '\0';
    }
}

// The free bytes available to this user on the volume of targetDir, and its
// cluster size. FALSE when the free space cannot be read.
static BOOL ReadVolumeSpace(const char* targetDir, size_t rootLength, VolumeSpace* space)
{
    char root[kPathChars];
    char folder[kPathChars];
    CopyPath(root, targetDir);
    root[rootLength] = '\0';
    if (!AppendSeparator(root, kPathChars))
        return FALSE;
    NearestFolder(targetDir, rootLength, folder);

    DWORD sectorsPerCluster = 0;
    DWORD bytesPerSector = 0;
    DWORD freeClusters = 0;
    DWORD clusters = 0;
    // Older systems take only the root here.
    const BOOL classic =
        GetDiskFreeSpaceA(root, &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters);
    space->ClusterBytes = classic ? sectorsPerCluster * bytesPerSector : 4096;
    // Windows 95 before OSR2 lacks the call that sees quotas and past 2 GB.
    if (auto freeSpace = KernelFunction<decltype(&GetDiskFreeSpaceExA)>("GetDiskFreeSpaceExA")) {
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER free;
        if (!freeSpace(folder, &available, &total, &free))
            return FALSE;
        space->Free = available.QuadPart;
        return TRUE;
    }
    space->Free = ULONGLONG(freeClusters) * sectorsPerCluster * bytesPerSector;
    return classic;
}

// Set when the copy cannot fit: what must be free and what is.
static void CheckSpace(const char* targetDir, size_t rootLength, TargetCheck* check)
{
    VolumeSpace space = {0, 4096};
    const BOOL known = ReadVolumeSpace(targetDir, rootLength, &space);
    MeasureSelection(targetDir, space.ClusterBytes, &check->Selection);
    const ULONGLONG written = check->Selection.Written.Space;
    const ULONGLONG replaced = check->Selection.Replaced.Space;
    if (!known || written <= replaced || written - replaced <= space.Free)
        return;
    check->Verdict = kTargetTooSmall;
    check->Needed = written - replaced;
    check->Free = space.Free;
    CopyPath(check->Volume, targetDir);
    check->Volume[IsSeparator(targetDir[rootLength - 1]) ? rootLength - 1 : rootLength] = '\0';
}

void CheckTarget(const char* targetDir, TargetCheck* check)
{
    *check = TargetCheck();
    const size_t rootLength = RootLength(targetDir);
    if (TargetHoldsMedium(targetDir))
        check->Verdict = kTargetHoldsMedium;
    else if (strlen(targetDir) < kShortestTargetDir)
        return;
    else if (rootLength == 0)
        check->Verdict = kTargetNotFullPath;
    else if ((check->FileInUse = ProgramFileInUse(targetDir)) != NULL)
        check->Verdict = kTargetInUse;
    else
        CheckSpace(targetDir, rootLength, check);
}
