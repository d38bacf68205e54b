#include "engine/installation_removal.h"

#include <string.h>

#include "engine/file_in_use.h"
#include "engine/folder_replication.h"
#include "engine/install_record.h"
#include "engine/registration.h"
#include "runtime/characters.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

BOOL LeaveBehind(const char* path)
{
    LogError(path);
    if (!Setup.LeftBehind[0])
        CopyPath(Setup.LeftBehind, path);
    return FALSE;
}

// TRUE when a folder of path, below the installation folder of
// folderLength characters, is a link: what lies behind it is not the
// installation's.
static BOOL BehindLink(char* path, size_t folderLength)
{
    for (char* at = path + folderLength; *at; ++at) {
        if (*at != '\\' || !at[1])
            continue;
        *at = '\0';
        const BOOL link = IsLinkAt(path);
        *at = '\\';
        if (link)
            return TRUE;
    }
    return FALSE;
}

// TRUE when entry, whose path is path, names the uninstaller or the record,
// which go last: by their names, or, in the folder itself, by another name
// of the same file, such as a short alias (UNINST~1.DAT).
static BOOL NamesOwnFile(const char* entry, const char* path)
{
    WIN32_FIND_DATAA found;
    const char* name =
        FindCharacter(entry, '\\') || !FindEntry(path, &found) ? entry : found.cFileName;
    return !lstrcmpiA(name, kUninstallerName) || !lstrcmpiA(name, kInstallRecordName);
}

// Calls visit(path, isFolder) for every entry of the record that the
// removal may act on, from the last to the first, so that a folder comes
// after everything in it, until visit returns TRUE. Returns TRUE then.
static BOOL VisitRecorded(const char* folder, BOOL (*visit)(char* path, BOOL isFolder))
{
    const char* text = Setup.Record.Text;
    for (const char* end = text + Setup.Record.Length;;) {
        const char* entry = end;
        while (entry > text && entry[-1] != '\0')
            --entry;
        char path[kPathChars];
        if (entry < end && RecordedPath(folder, entry, path) && !NamesOwnFile(entry, path) &&
            !BehindLink(path, strlen(folder)) && visit(path, EndsWithSeparator(path)))
            return TRUE;
        if (entry == text)
            return FALSE;
        end = entry - 1;
    }
}

BOOL InstallationInUse(const char* folder)
{
    return VisitRecorded(
        folder, [](char* path, BOOL isFolder) -> BOOL { return !isFolder && FileInUse(path); });
}

BOOL RemoveInstalledFiles(const char* folder)
{
    VisitRecorded(folder, [](char* path, BOOL isFolder) -> BOOL {
        if (isFolder)
            return FALSE;
        if (DeleteInstalledFile(path))
            LogLine(kLogRemoved, path);
        else if (GetLastError() != ERROR_FILE_NOT_FOUND && GetLastError() != ERROR_PATH_NOT_FOUND)
            LeaveBehind(path);
        return FALSE;
    });
    // A folder that still holds something is the user's now, and stays.
    VisitRecorded(folder, [](char* path, BOOL isFolder) -> BOOL {
        if (isFolder) {
            DropSeparator(path);
            if (RemoveDirectoryA(path))
                LogLine(kLogRemoved, path);
        }
        return FALSE;
    });
    return !Setup.LeftBehind[0];
}
