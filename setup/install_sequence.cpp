#include "setup/install_sequence.h"

#include <shellapi.h>
#include <string.h>

#include "dialogs/install_dialog.h"
#include "dialogs/message_box.h"
#include "dialogs/owner_record.h"
#include "dialogs/progress_window.h"
#include "dialogs/readme_text.h"
#include "engine/folder_replication.h"
#include "engine/install_selection.h"
#include "engine/install_transaction.h"
#include "engine/registration.h"
#include "engine/shortcut_maker.h"
#include "engine/target_check.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"
#include "setup/starting_folder.h"

static const char kConfirmCaption[] = "Install Confirmation";

const char kInUseText[] = "Velquor is in use. Please close it and try again.";

void RequestClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void StartCloseTimer(HWND window)
{
    if (!SetTimer(window, kCloseTimerId, kCloseDelayMs, NULL))
        RequestClose(window);
}

// Ends the run with its exit code once the message loop runs again.
static LRESULT EndWith(HWND window, DWORD exitCode)
{
    Setup.ExitCode = exitCode;
    RequestClose(window);
    return 0;
}

// A run that ends so, after the copy began, first leaves the earlier
// installation as it was.
static LRESULT EndWithMessage(HWND window, HWND owner, const char* text, DWORD exitCode)
{
    FinishReplacement();
    CloseProgressWindow();
    ShowMessage(owner, text, kConfirmCaption, MB_OK);
    return EndWith(window, exitCode);
}

static LRESULT EndFailed(HWND window)
{
    return EndWithMessage(window, NULL, "Velquor Installation Failed", ERROR_INSTALL_FAILURE);
}

// The platform's text for a listed folder that the copy cannot make, under
// "Error"; the copy goes on.
static void ShowFolderError(DWORD error)
{
    char text[kErrorTextChars];
    GetErrorText(error, text);
    if (text[0])
        ShowMessage(NULL, text, "Error", MB_ICONINFORMATION);
}

// The medium is the current directory; "\" is appended unconditionally, so a
// drive root gives a doubled separator, which the platform accepts.
static BOOL ReadSourceDir()
{
    char current[kPathChars];
    const DWORD length = GetCurrentDirectoryA(sizeof current, current);
    if (length == 0 || length >= sizeof current)
        return FALSE;
    return JoinPath(Setup.SourceDir, current, "\\");
}

BOOL ComposeProgramPath(char (&program)[kPathChars])
{
    return JoinPath(program, Setup.TargetDir, "\\VelQ.exe") ||
           JoinPath(program, Setup.TargetDir, "VelQ.exe");
}

// What a script learns of a refused folder.
static DWORD RefusalCode(TargetVerdict verdict)
{
    switch (verdict) {
    case kTargetInUse:
        return ERROR_SHARING_VIOLATION;
    case kTargetTooSmall:
        return ERROR_DISK_FULL;
    case kTargetForeign:
        return ERROR_ALREADY_EXISTS;
    default:
        return ERROR_BAD_PATHNAME;
    }
}

// The check that Install makes of the folder field, made where no dialog
// ran, of the default folder or the one /D= gave: FALSE, with the exit code
// of the refusal, when it is refused before anything is removed.
static BOOL AcceptTarget()
{
    char folder[kPathChars];
    TargetCheck check;
    // A drive root such as C:\ or C: too, which the copy would refuse only
    // after the owner record is written.
    if (!CopyPath(folder, Setup.TargetDir) || !AppendSeparator(folder, kPathChars) ||
        strlen(folder) < kShortestTargetDir) {
        Setup.ExitCode = ERROR_BAD_PATHNAME;
        return FALSE;
    }
    CheckTarget(folder, &check);
    if (check.Verdict != kTargetAccepted) {
        Setup.ExitCode = RefusalCode(check.Verdict);
        return FALSE;
    }
    return CopyPath(Setup.TargetDir, folder);
}

// What the dialog's Install does, for a run without a person: nobody types
// a name, so the registered one is the user's too, and every shortcut is
// made. The readme is not loaded, so none is written onto the medium.
static BOOL AcceptSilently()
{
    if (!AcceptTarget())
        return FALSE;
    char owner[kOwnerNameChars];
    GetDefaultOwnerName(owner, sizeof owner);
    WriteOwnerRecord(owner, Setup.TargetDir);
    Setup.AddToStartMenu = 1;
    return TRUE;
}

LRESULT RunInstallSequence(HWND window)
{
    if (!ReadSourceDir())
        return EndFailed(window);
    // A run ended by force is finished before anything else: in the folder
    // that the last Install recorded before its copy, and in the folder this
    // run is about to use. The starting folder is looked for after the
    // first: until then an unfinished reinstall may have its record moved
    // aside.
    char recorded[kPathChars];
    ReadOwnerFolder(recorded, sizeof recorded);
    RecoverReplacement(recorded);
    // /D= may have named the folder.
    if (Setup.TargetDir[0] == '\0')
        FindStartingFolder();
    RecoverReplacement(Setup.TargetDir);

    if (Setup.Silent) {
        if (!AcceptSilently())
            return EndWith(window, Setup.ExitCode);
    } else {
        LoadReadme();
        // -1, a dialog that could not be created, goes on with the starting
        // folder, which no dialog has checked.
        const INT_PTR chosen = RunInstallDialog(window);
        if (chosen == 0)
            return EndWithMessage(window, window, "Velquor Installation Cancelled",
                                  ERROR_INSTALL_USEREXIT);
        if (chosen == -1 && !AcceptTarget())
            return EndFailed(window);
        OpenProgressWindow(window);
    }

    LogLine(kLogInstalling, Setup.SourceDir, Setup.TargetDir);
    Setup.FolderNotMade = ShowFolderError;
    DWORD failure;
    const int folderCount = InstallSelection(&failure);
    if (folderCount == kFolderUnguarded)
        return EndWithMessage(window, NULL,
                              "Velquor Installation Failed: its folder could not be protected",
                              ERROR_INSTALL_FAILURE);
    if (failure == ERROR_SHARING_VIOLATION)
        return EndWithMessage(window, NULL, kInUseText, failure);
    if (folderCount == 0 || failure)
        return EndFailed(window);
    if (folderCount < kSelectedFolderCount) {
        // The window manager's formatter, as the program links no C runtime:
        // one number in a fixed text, which the buffer holds at any count.
        char text[100];
        wsprintfA(text, "Only %d directories successfully copied", folderCount);
        return EndWithMessage(window, NULL, text, ERROR_INSTALL_FAILURE);
    }

    // Without the program there is nothing to link or start: a medium
    // without VelQ.exe must not pass for a successful installation. The
    // shortcuts come once the installation is kept.
    char program[kPathChars];
    if (!ComposeProgramPath(program) || !IsFile(program) || !SetAsideUninstaller() ||
        !RegisterInstallation() || !CommitReplacement())
        return EndFailed(window);
    MakeShortcuts();
    CloseProgressWindow();
    // A script waits for the installation, not for the program, and the
    // program need not wait for the earlier installation to be deleted.
    if (!Setup.Silent) {
        ShellExecuteA(NULL, "open", program, "", Setup.TargetDir, SW_SHOW);
        StartCloseTimer(window);
    }
    FinishReplacement();
    return Setup.Silent ? EndWith(window, 0) : 0;
}
