#include "engine/install_transaction.h"

#include "engine/directory_walk.h"
#include "engine/folder_replication.h"
#include "engine/install_record.h"
#include "engine/install_selection.h"
#include "engine/installation_removal.h"
#include "engine/registration.h"
#include "engine/target_check.h"
#include "runtime/kernel_function.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

static const char kAsideFolder[] = ".velquor-aside\\";
static const char kJournalName[] = ".velquor-journal";

constexpr int kListedNames = kSelectedFolderCount + kSelectedFileCount;

static const char* PlannedName(int index)
{
    if (index < kSelectedFolderCount)
        return SelectedFolders[index];
    if (index < kListedNames)
        return SelectedFiles[index - kSelectedFolderCount];
    return index == kListedNames ? kUninstallerName : kInstallRecordName;
}

// Virus scanners and indexers hold files for moments: a refused move or
// deletion is tried again for about three seconds.
template <typename Act>
static BOOL Retried(Act act)
{
    for (int tries = 0; !act(); ++tries) {
        if (tries == 30)
            return FALSE;
        Sleep(100);
    }
    return TRUE;
}

static BOOL MoveEntry(const char* from, const char* to)
{
    // Looked up, although every system has it: an import would cost the
    // program more.
    auto move = KernelFunction<decltype(&MoveFileA)>("MoveFileA");
    return Retried([&] { return move(from, to); });
}

// Removes what is at path, dot names included; TRUE when nothing is left
// but a folder link: no run makes one, so it is somebody else's, and stays.
static BOOL RemoveAt(const char* path)
{
    WIN32_FIND_DATAA entry;
    return !FindEntry(path, &entry) || IsLink(entry) ||
           Retried([&] { return RemoveEntry(path, entry, TRUE); });
}

// Moves the planned name's entry in TargetDir aside, under its own
// spelling, which the move back restores.
static BOOL MoveAside(int index)
{
    char from[kPathChars];
    char to[kPathChars];
    WIN32_FIND_DATAA entry;
    if (!JoinPath(from, Setup.TargetDir, PlannedName(index)) || !FindEntry(from, &entry))
        return TRUE;
    return JoinPath(to, Setup.TargetDir, kAsideFolder, entry.cFileName) && MoveEntry(from, to);
}

// Moves aside what the plan says of the names from first up to end.
static BOOL MoveAsideFrom(int first, int end)
{
    for (int index = first; index < end; ++index) {
        if (Setup.Replacing.Plan[1 + index] == 'M' && !MoveAside(index))
            return FALSE;
    }
    return TRUE;
}

// Deletes the listed folder that was moved aside to path once the new one
// is complete, all but its dot-named entries: the user's, since the copy
// never writes such names. They go into the new folder of that name in
// folder.
static BOOL DiscardFolder(const char* path, const char* folder, const char* name)
{
    char pattern[kPathChars];
    BOOL discarded = TRUE;
    if (!JoinPath(pattern, path, "\\*.*"))
        return FALSE;
    WalkFolder(
        pattern,
        [&](const WIN32_FIND_DATAA& entry) {
            char from[kPathChars];
            char to[kPathChars];
            NoteFileCopy(NULL, NULL, 0);
            discarded = JoinPath(from, path, "\\", entry.cFileName) &&
                        (entry.cFileName[0] == '.'
                             ? JoinPath(to, folder, name, "\\") &&
                                   JoinPath(to, to, entry.cFileName) && MoveEntry(from, to)
                             : Retried([&] { return RemoveEntry(from, entry, TRUE); }));
            return discarded;
        },
        TRUE);
    return discarded && RemoveAt(path);
}

// Carries out the plan in folder (ending with "\"): the deletion of what
// was moved aside when it is marked complete, else the rollback. Then the
// aside folder and the journal go, and after a rollback of a run that made
// the folder, the folder. The journal stays when anything is left.
static BOOL Settle(const char* folder, const char* plan, HANDLE journal)
{
    const BOOL complete = plan[kPlanBytes] == 'C';
    BOOL settled = TRUE;
    for (int index = 0; index < kPlannedNames; ++index) {
        char path[kPathChars];
        char aside[kPathChars];
        WIN32_FIND_DATAA saved;
        const char* name = PlannedName(index);
        const char state = plan[1 + index];
        const BOOL moved =
            state == 'M' && JoinPath(aside, folder, kAsideFolder, name) && FindEntry(aside, &saved);
        BOOL done;
        if (complete)
            done = !moved || (index < kSelectedFolderCount && !IsLink(saved)
                                  ? DiscardFolder(aside, folder, name)
                                  : RemoveAt(aside));
        else
            // What the run made goes, and what it moved aside comes back,
            // unless that never moved or is back already.
            done =
                (state != 'N' && !moved) || !JoinPath(path, folder, name) ||
                (RemoveAt(path) &&
                 (!moved || (JoinPath(path, folder, saved.cFileName) && MoveEntry(aside, path))));
        if (!done)
            settled = LeaveBehind(moved ? aside : path);
    }
    CloseHandle(journal);
    char aside[kPathChars];
    char path[kPathChars];
    JoinPath(aside, folder, kAsideFolder);
    DropSeparator(aside);
    settled = settled && (RemoveAt(aside) || LeaveBehind(aside)) &&
              JoinPath(path, folder, kJournalName) && DeleteFileA(path);
    LogLine(kLogSettled, folder, NthText(kLogSettledStates, settled ? complete : 2));
    if (settled && !complete && plan[0] == 'F')
        RemoveDirectoryA(folder);
    return settled;
}

// Writes to the run's journal, through to the disk.
static BOOL WriteJournal(const char* bytes, DWORD count)
{
    DWORD written;
    auto flush = KernelFunction<decltype(&FlushFileBuffers)>("FlushFileBuffers");
    return WriteFile(Setup.Replacing.Journal, bytes, count, &written, NULL) && written == count &&
           flush(Setup.Replacing.Journal);
}

BOOL BeginReplacement(BOOL created)
{
    Replacement& replacing = Setup.Replacing;
    char* plan = replacing.Plan;
    char path[kPathChars];
    WIN32_FIND_DATAA entry;
    plan[0] = created ? 'F' : '-';
    for (int index = 0; index < kPlannedNames; ++index) {
        const char* name = PlannedName(index);
        const BOOL folder = index < kSelectedFolderCount;
        char state = '-';
        // What the copy writes: the listed names that the medium holds, as
        // the folder or file they are listed as, and the uninstaller and
        // record. What it replaces: an entry of the same kind. A folder link
        // it removes itself (Wine would move what the link points to).
        // Anything else fails the copy, and stays.
        if (index >= kListedNames || (JoinPath(path, Setup.SourceDir, name) &&
                                      FindEntry(path, &entry) && IsFolder(entry) == folder)) {
            state = 'N';
            if (JoinPath(path, Setup.TargetDir, name) && FindEntry(path, &entry))
                state = IsFolder(entry) != folder ? '-' : IsLink(entry) ? 'N' : 'M';
        }
        plan[1 + index] = state;
    }
    plan[kPlanBytes] = '\0';
    // The journal is on the disk before anything moves.
    if (!JoinPath(path, Setup.TargetDir, kJournalName))
        return FALSE;
    HANDLE journal =
        CreateFileA(path, GENERIC_WRITE, 0, NULL, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, NULL);
    if (journal == INVALID_HANDLE_VALUE)
        return FALSE;
    replacing.Journal = journal;
    return WriteJournal(plan, kPlanBytes) && JoinPath(path, Setup.TargetDir, kAsideFolder) &&
           CreateDirectoryA(path, NULL) && MoveAsideFrom(0, kListedNames);
}

BOOL SetAsideUninstaller()
{
    return !Setup.Replacing.Journal || MoveAsideFrom(kListedNames, kPlannedNames);
}

BOOL CommitReplacement()
{
    // From this mark on, the new installation is the one kept.
    if (!Setup.Replacing.Journal)
        return TRUE;
    if (!WriteJournal("C", 1))
        return FALSE;
    Setup.Replacing.Plan[kPlanBytes] = 'C';
    return TRUE;
}

void FinishReplacement()
{
    Replacement& replacing = Setup.Replacing;
    if (!replacing.Journal)
        return;
    Settle(Setup.TargetDir, replacing.Plan, replacing.Journal);
    replacing.Journal = NULL;
}

BOOL RecoverReplacement(const char* folder)
{
    char dir[kPathChars];
    char path[kPathChars];
    char plan[kPlanBytes + 1] = {};
    DWORD read = 0;
    // Through a link, the deletion would act on another folder.
    if (!CopyPath(dir, folder) || !AppendSeparator(dir, kPathChars) || !RootLength(dir) ||
        !JoinPath(path, dir, kAsideFolder))
        return TRUE;
    DropSeparator(path);
    if (IsLinkAt(path) || !JoinPath(path, dir, kJournalName))
        return TRUE;
    HANDLE journal =
        CreateFileA(path, GENERIC_READ, 0, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (journal == INVALID_HANDLE_VALUE)
        return TRUE;
    // Bytes that were never written leave their names alone: nothing moves
    // before the journal is whole.
    ReadFile(journal, plan, sizeof plan, &read, NULL);
    return Settle(dir, plan, journal);
}
