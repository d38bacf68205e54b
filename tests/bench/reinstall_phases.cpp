// Times the steps of a reinstall for scripts/benchmark.sh, through the
// engine's own functions as setup.exe calls them, and prints them in
// milliseconds on one line: the measure of the room check, the in-use probe
// within it, moving the earlier installation aside, the copy, the
// uninstaller with the record and the registration, and the commit, which
// deletes what was moved aside.
//   reinstall_phases MEDIUM TARGET
// Both end with "\"; TARGET holds an earlier installation.
#include <windows.h>

#include <stdio.h>

#include <string>

#include "engine/directory_walk.h"
#include "engine/file_in_use.h"
#include "engine/install_selection.h"
#include "engine/install_transaction.h"
#include "engine/registration.h"
#include "engine/target_check.h"
#include "setup/setup_state.h"

namespace {

double NowMs()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(count.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// The probe as the room check makes it, of every file below folder.
void ProbeTree(const std::string& folder)
{
    WalkFolder((folder + "*.*").c_str(), [&](const WIN32_FIND_DATAA& entry) {
        const std::string path = folder + entry.cFileName;
        if (IsFolder(entry))
            ProbeTree(path + "\\");
        else
            FileInUse(path.c_str());
        return TRUE;
    });
}

int Fail(const char* what)
{
    fprintf(stderr, "reinstall_phases: %s\n", what);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3 || !SetCurrentDirectoryA(argv[1]) || !CopyPath(Setup.SourceDir, argv[1]) ||
        !CopyPath(Setup.TargetDir, argv[2]))
        return Fail("usage: reinstall_phases MEDIUM TARGET");
    double at[7];
    at[0] = NowMs();
    ProbeTree(argv[2]);
    at[1] = NowMs();
    TargetCheck check;
    CheckTarget(Setup.TargetDir, &check);
    at[2] = NowMs();
    if (check.Verdict != kTargetAccepted || !Setup.Selection.SideBySide)
        return Fail("the folder was refused, or has no room for both installations");
    // Begun here, to be timed apart from the copy.
    Setup.Selection.SideBySide = FALSE;
    if (!BeginReplacement(FALSE))
        return Fail("the earlier installation could not be moved aside");
    at[3] = NowMs();
    DWORD failure = 0;
    if (InstallSelection(&failure) != kSelectedFolderCount || failure)
        return Fail("the copy failed");
    at[4] = NowMs();
    if (!SetAsideUninstaller() || !RegisterInstallation())
        return Fail("the uninstaller, the record or the registration was not written");
    at[5] = NowMs();
    if (!CommitReplacement())
        return Fail("the commit failed");
    FinishReplacement();
    at[6] = NowMs();
    // The probe runs within the measure.
    printf("%.1f %.1f %.1f %.1f %.1f %.1f\n", (at[2] - at[1]) - (at[1] - at[0]), at[1] - at[0],
           at[3] - at[2], at[4] - at[3], at[5] - at[4], at[6] - at[5]);
    return 0;
}
