#include "setup/uninstall_sequence.h"

#include <string.h>

#include "dialogs/message_box.h"
#include "dialogs/owner_record.h"
#include "engine/install_record.h"
#include "engine/installation_removal.h"
#include "engine/registration.h"
#include "engine/shortcut_maker.h"
#include "engine/target_check.h"
#include "runtime/kernel_function.h"
#include "setup/setup_state.h"

static const char kCaption[] = "Velquor Setup";

// The running program's file, and in folder the folder it lies in, ending
// with "\". Returns the length of the folder, 0 when the path does not fit.
static size_t OwnPath(char (&path)[kPathChars], char (&folder)[kPathChars])
{
    if (!GetProgramPath(path))
        return 0;
    size_t length = strlen(path);
    while (length && path[length - 1] != '\\')
        --length;
    memcpy(folder, path, length);
    folder[length] = '\0';
    return length;
}

BOOL IsUninstaller()
{
    char self[kPathChars];
    char folder[kPathChars];
    // Windows 95 may give the program's path in short names (UNINST~1.EXE):
    // the file's own long name decides.
    WIN32_FIND_DATAA entry;
    HANDLE find = OwnPath(self, folder) ? FindFirstFileA(self, &entry) : INVALID_HANDLE_VALUE;
    if (find == INVALID_HANDLE_VALUE)
        return FALSE;
    FindClose(find);
    return lstrcmpiA(entry.cFileName, kUninstallerName) == 0;
}

static DWORD EndWith(DWORD exitCode, const char* text)
{
    if (text)
        ShowMessage(NULL, text, kCaption, MB_OK);
    Setup.ExitCode = exitCode;
    return exitCode;
}

// The temporary copy. Windows keeps a running program's file until a moment
// after its process has ended, so the uninstaller's file is deleted only
// once it has, and tried for a few seconds, then its record. Then the
// installation folder goes when it is empty, and the copy with its folder at
// the next restart.
static DWORD RemoveUninstaller()
{
    char path[kPathChars];
    char folder[kPathChars];
    // Only for an uninstaller that handed itself over: a handle of its
    // process and its folder as a full path, never a relative name.
    if (WaitForSingleObject(Setup.UninstallerProcess, INFINITE) != WAIT_OBJECT_0 ||
        !RootLength(Setup.TargetDir))
        return ERROR_INVALID_PARAMETER;
    // The record stays with an uninstaller that is still there, which can
    // then be run again.
    BOOL deleted = FALSE;
    if (JoinPath(path, Setup.TargetDir, kUninstallerName)) {
        for (int tries = 0; !(deleted = DeleteFileA(path)) && tries < 50; ++tries)
            Sleep(100);
    }
    if (deleted && JoinPath(path, Setup.TargetDir, kInstallRecordName))
        DeleteFileA(path);
    RemoveDirectoryA(Setup.TargetDir);
    // Windows 95 lacks MoveFileExA or has it as a stub that fails, and NT
    // lets only administrators use it: then the temporary folder's cleaning
    // is left.
    auto moveFile = KernelFunction<decltype(&MoveFileExA)>("MoveFileExA");
    if (moveFile && OwnPath(path, folder)) {
        moveFile(path, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
        moveFile(folder, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    return 0;
}

// Starts a copy of the program from a new folder of its own in the
// temporary folder, never from the shared temporary folder itself, where
// anyone could have put a DLL that it would load. It is given a handle of
// this process to wait on, which, unlike a process id, cannot come to name
// another process.
static BOOL HandOverUninstaller(const char* self, const char* folder)
{
    char temp[kPathChars];
    char own[kPathChars];
    char copy[kPathChars];
    char name[16];
    HANDLE process;
    HANDLE current = GetCurrentProcess();
    // The temporary folder ends with "\". Names taken by earlier runs are
    // passed over.
    const DWORD length = GetTempPathA(kPathChars, temp);
    if (length == 0 || length >= kPathChars)
        return FALSE;
    for (DWORD tries = 0;; ++tries) {
        wsprintfA(name, "Velq%lX\\", GetTickCount() + tries);
        if (tries == 100 || !JoinPath(own, temp, name))
            return FALSE;
        if (CreateDirectoryA(own, NULL))
            break;
    }
    if (!JoinPath(copy, own, kUninstallerName) || !CopyFileA(self, copy, TRUE) ||
        !DuplicateHandle(current, current, current, &process, SYNCHRONIZE, TRUE, 0))
        return FALSE;
    // Bounded by construction: two paths and a number.
    char commandLine[3 * kPathChars];
    wsprintfA(commandLine, "\"%s\" /wait=%lu /D=%s", copy,
              static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(process)), folder);
    // The copy shows no window of its own.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    const BOOL handedOver =
        CreateProcessA(copy, commandLine, NULL, NULL, TRUE, 0, NULL, own, &startup, &started);
    if (handedOver) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    CloseHandle(process);
    return handedOver;
}

DWORD RunUninstallSequence()
{
    if (Setup.UninstallerProcess)
        return RemoveUninstaller();
    char self[kPathChars];
    char folder[kPathChars];
    char text[2 * kPathChars];
    // Only the folder it lies in: never one read from the registry or the
    // settings file, which anyone may have changed. Not a drive's or a
    // share's root, where everything else of the volume lies.
    const size_t length = OwnPath(self, folder);
    if (RootLength(folder) >= length)
        return EndWith(ERROR_BAD_PATHNAME,
                       "Velquor cannot be removed from the root folder of a drive or share.");
    // Only what an installation recorded is removed: a copy of the
    // uninstaller elsewhere, or an installation by an older setup, has no
    // record and so nothing to remove.
    const RecordState record = ReadInstallRecord(folder);
    if (record == kRecordUnreadable) {
        JoinPath(text, "Velquor could not read ", folder, kInstallRecordName);
        return EndWith(ERROR_INSTALL_FAILURE, text);
    }
    // Bounded by construction: one path in a fixed text.
    if (record == kRecordMissing) {
        DropSeparator(folder);
        wsprintfA(text, "No Velquor installation was found in %s.", folder);
        return EndWith(ERROR_UNKNOWN_PRODUCT, text);
    }
    wsprintfA(text, "Remove Velquor from %s?", folder);
    if (ShowMessage(NULL, text, kCaption, MB_YESNO | MB_ICONQUESTION) != IDYES)
        return EndWith(ERROR_INSTALL_USEREXIT, NULL);
    // Nothing is removed until everything can be.
    if (InstallationInUse(folder))
        return EndWith(ERROR_SHARING_VIOLATION,
                       "Velquor is in use. Please close it and try again.");
    RemoveShortcuts(folder);
    RemoveOwnerRecord(folder);
    // What is left keeps the registration and the uninstaller, so that the
    // removal can be run again.
    if (RemoveInstalledFiles(folder)) {
        RemoveRegistration(folder);
        if (!HandOverUninstaller(self, folder))
            LeaveBehind(self);
    }
    if (Setup.LeftBehind[0]) {
        JoinPath(text, "Velquor could not remove ", Setup.LeftBehind);
        return EndWith(ERROR_INSTALL_FAILURE, text);
    }
    return EndWith(0, NULL);
}
