#include "engine/installation_removal.h"

#include "engine/directory_walk.h"
#include "engine/file_in_use.h"
#include "engine/folder_replication.h"
#include "engine/install_selection.h"
#include "setup/setup_state.h"

BOOL LeaveBehind(const char* path)
{
    if (!Setup.LeftBehind[0])
        CopyPath(Setup.LeftBehind, path);
    return FALSE;
}

// Probes every file below folder (ending with "\"), or at the top, where
// listed is set, the listed folders and files only, which it may also
// remove. Folder links are neither followed nor probed. TRUE when a file is
// in use; the probe stops there.
static BOOL VisitFolder(const char* folder, BOOL listed, BOOL remove)
{
    char pattern[kPathChars];
    BOOL inUse = FALSE;
    if (JoinPath(pattern, folder, "*.*"))
        WalkFolder(pattern, [&](const WIN32_FIND_DATAA& entry) -> BOOL {
            char name[kPathChars];
            char path[kPathChars];
            if (listed && SelectedEntry(entry, name) == kNotSelected)
                return TRUE;
            // A path that would not fit stays, and so does its folder.
            if (!JoinPath(path, folder, entry.cFileName, IsFolder(entry) ? "\\" : ""))
                return TRUE;
            if (remove) {
                // A folder link is removed by its own name, not through it.
                DropSeparator(path);
                if (!RemoveEntry(path, entry))
                    LeaveBehind(path);
                return TRUE;
            }
            if (!IsFolder(entry))
                inUse = FileInUse(path);
            else if (!IsLink(entry))
                inUse = VisitFolder(path, FALSE, FALSE);
            return !inUse;
        });
    return inUse;
}

BOOL InstallationInUse(const char* folder)
{
    return VisitFolder(folder, TRUE, FALSE);
}

BOOL RemoveInstalledFiles(const char* folder)
{
    // Everything that can go goes; the first that cannot is named.
    VisitFolder(folder, TRUE, TRUE);
    return !Setup.LeftBehind[0];
}
