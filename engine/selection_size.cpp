#include "engine/selection_size.h"

#include <string.h>

#include "engine/file_in_use.h"
#include "engine/folder_replication.h"
#include "engine/install_record.h"
#include "engine/install_selection.h"
#include "engine/registration.h"
#include "setup/setup_state.h"

// Cluster sizes are powers of two; anything else counts as the next one,
// which only overstates the need.
static DWORD ClusterMask(DWORD clusterBytes)
{
    DWORD cluster = 512;
    while (cluster < clusterBytes && cluster < 0x40000000)
        cluster <<= 1;
    return cluster - 1;
}

// A file, or a folder's own cluster.
static void Add(const WIN32_FIND_DATAA& entry, DWORD mask, SpaceTally* tally)
{
    const ULONGLONG bytes = IsFolder(entry) ? 0 : FileBytes(entry);
    tally->Bytes += bytes;
    tally->Space += (bytes + mask + (bytes == 0)) & ~ULONGLONG(mask);
}

// What removing what name matches in folder (ending with "\") frees: the
// files it matches, and the folders with everything below them; and whether
// another process holds one of those files. Links are not followed: the
// copy removes a link, never what it points to.
static void AddRemoved(const char* folder, const char* name, DWORD mask, SelectionSize* size)
{
    char path[kPathChars];
    if (!JoinPath(path, folder, name))
        return;
    WalkFolder(path, [&](const WIN32_FIND_DATAA& entry) {
        if (IsLink(entry))
            return TRUE;
        Add(entry, mask, &size->Replaced);
        if (!IsFolder(entry))
            size->InUse =
                size->InUse || (JoinPath(path, folder, entry.cFileName) && FileInUse(path));
        else if (JoinPath(path, folder, entry.cFileName, "\\"))
            AddRemoved(path, "*.*", mask, size);
        return TRUE;
    });
}

// The most that the copy has taken beyond what it freed, after a step.
static void NotePeak(SelectionSize* size)
{
    if (size->Written.Space > size->Replaced.Space + size->Peak)
        size->Peak = size->Written.Space - size->Replaced.Space;
}

// The last step: uninstall.exe, a copy of the running program, and the
// record of recordBytes, each replacing its earlier namesake.
static void AddUninstaller(const char* targetDir, DWORD recordBytes, DWORD mask,
                           SelectionSize* size)
{
    const char* const names[] = {kUninstallerName, kInstallRecordName};
    char self[kPathChars];
    WIN32_FIND_DATAA written[2] = {};
    if (GetProgramPath(self))
        FindEntry(self, written);
    written[1].nFileSizeLow = recordBytes;
    for (int i = 0; i < 2; ++i) {
        AddRemoved(targetDir, names[i], mask, size);
        Add(written[i], mask, &size->Written);
    }
    NotePeak(size);
}

void MeasureSelection(const char* targetDir, DWORD clusterBytes, SelectionSize* size)
{
    const DWORD mask = ClusterMask(clusterBytes);
    char path[kPathChars];
    *size = SelectionSize();
    if (CopyPath(path, targetDir)) {
        DropSeparator(path);
        if (GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
            size->Written.Space += mask + 1;
    }
    DWORD& recordBytes = size->RecordBytes;
    recordBytes = RecordLineBytes(kUninstallerName) + RecordLineBytes(kInstallRecordName);
    // A listed file is overwritten; a listed folder is emptied and made anew.
    WalkSelection([&](SelectionKind kind, const char* name, const WIN32_FIND_DATAA& entry) {
        // The target's entry of the same name, whatever its case.
        AddRemoved(targetDir, entry.cFileName, mask, size);
        Add(entry, mask, &size->Written);
        recordBytes += RecordLineBytes(name);
        if (kind == kSelectedFolder && JoinPath(path, Setup.SourceDir, name))
            WalkFolderFiles(path, [&](const WIN32_FIND_DATAA& file) {
                Add(file, mask, &size->Written);
                recordBytes += static_cast<DWORD>(strlen(name)) + RecordLineBytes(file.cFileName);
                return TRUE;
            });
        NotePeak(size);
        return TRUE;
    });
    size->CopiedBytes = size->Written.Bytes;
    AddUninstaller(targetDir, recordBytes, mask, size);
}
