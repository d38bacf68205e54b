#include "setup/starting_folder.h"

#include "dialogs/owner_record.h"
#include "engine/folder_replication.h"
#include "engine/folder_security.h"
#include "engine/install_record.h"
#include "engine/registration.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

// Starts from folder, which source names, when it still holds an
// installation. A name cut short as it was read, or one too long for the
// record beside it, never does: its record path does not fit.
static BOOL StartFromInstallation(char (&folder)[kPathChars], const char* source)
{
    char record[kPathChars];
    if (!folder[0])
        return FALSE;
    DropSeparator(folder);
    const BOOL held = JoinPath(record, folder, "\\", kInstallRecordName) && IsFile(record);
    LogLine(kLogEarlier, source, folder, held ? "an installation" : "no installation, passed over");
    return held && CopyPath(Setup.TargetDir, folder);
}

void FindStartingFolder()
{
    char folder[kPathChars];
    ReadRegisteredFolder(folder, RunsAsAdministrator());
    if (StartFromInstallation(folder, "The registration"))
        return;
    ReadOwnerFolder(folder, sizeof folder);
    if (StartFromInstallation(folder, "VelQ.ini"))
        return;
    CopyPath(Setup.TargetDir, "C:\\Velq");
    LogLine(kLogNoEarlier, Setup.TargetDir);
}
