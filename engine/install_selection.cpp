#include "engine/install_selection.h"

#include <string.h>

#include "engine/folder_replication.h"
#include "engine/folder_security.h"
#include "engine/file_in_use.h"
#include "engine/install_record.h"
#include "engine/install_transaction.h"
#include "runtime/characters.h"
#include "setup/setup_state.h"

const char* const SelectedFolders[kSelectedFolderCount] = {
    "dibs", "exams", "exercise", "figures", "flags",
};

const char* const SelectedFiles[kSelectedFileCount] = {
    "VelQ.hlp",    "VelQ.exe",   "VelQ.dll",  "readme.txt", "BTNBTNVB.VBX", "FADERVB.VBX",
    "FRAMEVB.VBX", "KNOBVB.VBX", "LEDVB.VBX", "SPINVB.VBX", "SS3D.VBX",
};

static void LowerCase(char* text)
{
    for (; *text; ++text)
        *text = LowerCaseLetter(*text);
}

// lowered is already lower-case; the entry is lowered as it is compared.
static int IsListed(const char* lowered, const char* const* list, int count)
{
    for (int i = 0; i < count; ++i) {
        const char* entry = list[i];
        size_t at = 0;
        while (lowered[at] && lowered[at] == LowerCaseLetter(entry[at]))
            ++at;
        if (lowered[at] == '\0' && entry[at] == '\0')
            return 1;
    }
    return 0;
}

int IsSelectedFolder(const char* name)
{
    char lowered[kPathChars];
    if (!CopyPath(lowered, name))
        return 0;
    LowerCase(lowered);
    return IsListed(lowered, SelectedFolders, kSelectedFolderCount);
}

int IsSelectedFile(char* name)
{
    LowerCase(name);
    return IsListed(name, SelectedFiles, kSelectedFileCount);
}

// The full path of a folder, ending with "\". Where the folder exists, it
// is given in short (8.3) names, however it was typed: every Windows can make
// a path short, while making it long needs Windows 98 or 2000. A folder that
// does not exist keeps its full form: it can neither be nor hold the medium.
static BOOL FullFolderPath(char (&full)[kPathChars], const char* folder)
{
    char given[kPathChars];
    if (!ResolveFolder(given, folder))
        return FALSE;
    const DWORD shortLength = GetShortPathNameA(given, full, kPathChars);
    if ((shortLength == 0 || shortLength >= kPathChars) && !CopyPath(full, given))
        return FALSE;
    return AppendSeparator(full, kPathChars);
}

// TRUE when text begins with prefix, compared without case.
static BOOL StartsWithPath(const char* text, const char* prefix)
{
    char start[kPathChars];
    const size_t length = strlen(prefix);
    if (strlen(text) < length || length >= kPathChars)
        return FALSE;
    memcpy(start, text, length);
    start[length] = '\0';
    return lstrcmpiA(start, prefix) == 0;
}

BOOL SamePath(const char* first, const char* second)
{
    char a[kPathChars];
    char b[kPathChars];
    return FullFolderPath(a, first) && FullFolderPath(b, second) && lstrcmpiA(a, b) == 0;
}

BOOL TargetHoldsMedium(const char* targetDir)
{
    char target[kPathChars];
    char medium[kPathChars];
    // A folder that cannot be resolved cannot be installed into either: the
    // copy refuses it.
    if (!FullFolderPath(target, targetDir) || !FullFolderPath(medium, Setup.SourceDir) ||
        !StartsWithPath(medium, target))
        return FALSE;
    if (strlen(medium) == strlen(target))
        return TRUE;
    // The listed names are valid 8.3 names: short, they stay as they are.
    for (const char* folder : SelectedFolders) {
        char listed[kPathChars];
        if (JoinPath(listed, target, folder, "\\") && StartsWithPath(medium, listed))
            return TRUE;
    }
    return FALSE;
}

SelectionKind SelectedEntry(const WIN32_FIND_DATAA& entry, char (&name)[kPathChars])
{
    if (!CopyPath(name, entry.cFileName))
        return kNotSelected;
    if (!IsFolder(entry))
        return IsSelectedFile(name) ? kSelectedFile : kNotSelected;
    DropSeparator(name);
    return IsSelectedFolder(name) && AppendSeparator(name, kPathChars) ? kSelectedFolder
                                                                       : kNotSelected;
}

int InstallSelection(DWORD* failure)
{
    *failure = ERROR_INSTALL_FAILURE;
    // Refuses a drive root such as C:\ (and an empty folder field), and a
    // folder that holds the medium, which the dialog refuses too but the
    // default folder, used when the dialog cannot be shown, is not checked.
    if (strlen(Setup.TargetDir) < kShortestTargetDir || TargetHoldsMedium(Setup.TargetDir))
        return 0;
    if (!AppendSeparator(Setup.TargetDir, kPathChars))
        return 0;
    // Guarded before anything is written into it. Only a folder that holds
    // an earlier installation (which the check measured) passes the list on
    // to what it holds.
    BOOL created;
    if (!GuardInstallationFolder(Setup.TargetDir, Setup.Selection.Replaced.Space != 0, &created))
        return kFolderUnguarded;
    // Where the volume lacks that room, each listed entry is freed and
    // written one after the other, as the check measured.
    if (Setup.Selection.SideBySide && !BeginReplacement(created)) {
        // Once the journal is written, only a move fails so: Windows
        // refuses to move a folder with a file open in it.
        const DWORD error = GetLastError();
        if (Setup.Replacing.Journal && (RefusalMeansInUse(error) || error == ERROR_ACCESS_DENIED))
            *failure = ERROR_SHARING_VIOLATION;
        return 0;
    }
    // The record lists what this copy makes.
    StartInstallRecord(Setup.Selection.RecordBytes);

    int folderCount = 0;
    BOOL copied = TRUE;
    // The current directory is the medium: nothing changes it during the run.
    WalkSelection([&](SelectionKind kind, const char* name, const WIN32_FIND_DATAA& entry) {
        if (kind == kSelectedFile)
            return copied = CopyRootFile(name, entry);
        if ((copied = ReplicateFolder(name)))
            ++folderCount;
        return copied;
    });
    if (copied)
        *failure = 0;
    return folderCount;
}
