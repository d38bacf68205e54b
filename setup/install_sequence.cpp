#include "setup/install_sequence.h"

#include <shellapi.h>

#include "dialogs/install_dialog.h"
#include "dialogs/message_box.h"
#include "dialogs/progress_window.h"
#include "dialogs/readme_text.h"
#include "engine/install_selection.h"
#include "engine/shortcut_maker.h"
#include "engine/target_check.h"
#include "setup/setup_state.h"

static const char kConfirmCaption[] = "Install Confirmation";

void RequestClose(HWND window)
{
    PostMessageA(window, WM_CLOSE, 0, 0);
}

void StartCloseTimer(HWND window)
{
    if (!SetTimer(window, kCloseTimerId, kCloseDelayMs, NULL))
        RequestClose(window);
}

static LRESULT EndWithMessage(HWND window, HWND owner, const char* text)
{
    ShowMessage(owner, text, kConfirmCaption, MB_OK);
    RequestClose(window);
    return 0;
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

static BOOL IsFile(const char* path)
{
    const DWORD attributes = GetFileAttributesA(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The check that Install makes of the folder field, made of the default
// folder (which has no separator yet): FALSE when it is refused, before
// anything is removed.
static BOOL AcceptDefaultTarget()
{
    char folder[kPathChars];
    TargetCheck check;
    if (!JoinPath(folder, Setup.TargetDir, "\\"))
        return FALSE;
    CheckTarget(folder, &check);
    return check.Verdict == kTargetAccepted;
}

LRESULT RunInstallSequence(HWND window)
{
    if (!ReadSourceDir())
        return EndWithMessage(window, NULL, "Velquor Installation Failed");
    CopyPath(Setup.TargetDir, "C:\\Velq");
    LoadReadme();

    // -1, a dialog that could not be created, goes on with the default folder,
    // which no dialog has checked.
    const INT_PTR chosen = RunInstallDialog(window);
    if (chosen == 0)
        return EndWithMessage(window, window, "Velquor Installation Cancelled");
    if (chosen == -1 && !AcceptDefaultTarget())
        return EndWithMessage(window, NULL, "Velquor Installation Failed");

    BOOL allFilesCopied;
    OpenProgressWindow(window);
    const int folderCount = InstallSelection(&allFilesCopied);
    CloseProgressWindow();
    // All folders but a listed file missing is no success either.
    if (folderCount == 0 || (folderCount >= kSelectedFolderCount && !allFilesCopied))
        return EndWithMessage(window, NULL, "Velquor Installation Failed");
    if (folderCount < kSelectedFolderCount) {
        // The window manager's formatter, as the program links no C runtime:
        // one number in a fixed text, which the buffer holds at any count.
        char text[100];
        wsprintfA(text, "Only %d directories successfully copied", folderCount);
        return EndWithMessage(window, NULL, text);
    }

    // Without the program there is nothing to link or start: a medium
    // without VelQ.exe must not pass for a successful installation.
    char program[kPathChars];
    if (!ComposeProgramPath(program) || !IsFile(program))
        return EndWithMessage(window, NULL, "Velquor Installation Failed");
    MakeShortcuts();
    ShellExecuteA(NULL, "open", program, "", Setup.TargetDir, SW_SHOW);
    StartCloseTimer(window);
    return 0;
}
