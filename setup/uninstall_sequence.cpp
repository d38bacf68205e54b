#include "setup/uninstall_sequence.h"

#include <string.h>

#include "dialogs/message_box.h"
#include "dialogs/owner_record.h"
#include "engine/folder_replication.h"
#include "engine/folder_security.h"
#include "engine/install_record.h"
#include "engine/install_selection.h"
#include "engine/install_transaction.h"
#include "engine/installation_removal.h"
#include "engine/registration.h"
#include "engine/shortcut_maker.h"
#include "engine/target_check.h"
#include "runtime/kernel_function.h"
#include "setup/install_sequence.h"
#include "setup/setup_state.h"
#include "setup/single_instance.h"

static const char kCaption[] = "Velquor Setup";

// Cuts path after its last "\", leaving its folder. Returns the length left.
static size_t CutToFolder(char* path)
{
    size_t length = strlen(path);
    while (length && path[length - 1] != '\\')
        --length;
    path[length] = '\0';
    return length;
}

// The running program's file, and in folder the folder it lies in, ending
// with "\". Returns the length of the folder, 0 when the path does not fit.
static size_t OwnPath(char (&path)[kPathChars], char (&folder)[kPathChars])
{
    return GetProgramPath(path) && CopyPath(folder, path) ? CutToFolder(folder) : 0;
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

static ULONGLONG FileTimeValue(const FILETIME& time)
{
    return (ULONGLONG(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

static DWORD EndWith(DWORD exitCode, const char* text)
{
    if (text)
        ShowMessage(NULL, text, kCaption, MB_OK);
    Setup.ExitCode = exitCode;
    return exitCode;
}

BOOL IsTemporaryCopy()
{
    char path[kPathChars];
    char folder[kPathChars];
    char temp[kPathChars];
    if (!IsUninstaller() || !OwnPath(path, folder) || !GetTempFolder(temp))
        return FALSE;
    DropSeparator(folder);
    CutToFolder(folder);
    return SamePath(folder, temp);
}

// The temporary copy. Windows keeps a running program's file until a moment
// after its process has ended, so the uninstaller's file is deleted only
// once it has, and tried for a few seconds, then its record; neither when
// the removal failed, which keeps the uninstaller to be run again. Then the
// installation folder goes when it is empty. The copy and its folder are
// left to the temporary folder's cleaning: a deletion at the next restart
// would tell deployment tools that a restart is pending. The copy holds
// the uninstaller's turn (HandOverUninstaller) until it ends.
static DWORD RemoveUninstaller()
{
    char uninstaller[kPathChars];
    char record[kPathChars];
    WIN32_FIND_DATAA now;
    FILETIME times[4];
    DWORD removal = ERROR_INSTALL_FAILURE;
    // Its uninstaller's folder is given as a full path.
    if (!RootLength(Setup.TargetDir) ||
        WaitForSingleObject(Setup.UninstallerProcess, INFINITE) != WAIT_OBJECT_0)
        return ERROR_INVALID_PARAMETER;
    // The handle must be of a process, inherited: the copy opens none of
    // its own. Anything else, a thread's handle or a file's, fails here.
    // Looked up, although every system has it: one more import would cost
    // the program 512 bytes.
    auto exitCode = KernelFunction<decltype(&GetExitCodeProcess)>("GetExitCodeProcess");
    if (!exitCode(Setup.UninstallerProcess, &removal) || removal != 0 ||
        !JoinPath(uninstaller, Setup.TargetDir, kUninstallerName) ||
        !JoinPath(record, Setup.TargetDir, kInstallRecordName))
        return 0;
    // A record written since the uninstaller started is a later
    // installation's, which one in another session, beyond the turn, could
    // have made: nothing of that goes. Windows 95, 98 and Me have neither
    // sessions nor these times.
    auto processTimes = KernelFunction<decltype(&GetProcessTimes)>("GetProcessTimes");
    const BOOL started = processTimes && processTimes(Setup.UninstallerProcess, &times[0],
                                                      &times[1], &times[2], &times[3]);
    // The record stays with an uninstaller that is still there, which can
    // then be run again.
    for (int tries = 0;; ++tries) {
        if (started && FindEntry(record, &now) &&
            FileTimeValue(now.ftLastWriteTime) > FileTimeValue(times[0]))
            return 0;
        if (DeleteFileA(uninstaller))
            break;
        if (tries == 50)
            return 0;
        Sleep(100);
    }
    DeleteFileA(record);
    RemoveDirectoryA(Setup.TargetDir);
    return 0;
}

// Names the first thing that could not be removed.
static DWORD EndLeftBehind()
{
    char text[2 * kPathChars];
    JoinPath(text, "Velquor could not remove ", Setup.LeftBehind);
    return EndWith(ERROR_INSTALL_FAILURE, text);
}

// Random where the system offers it (Windows XP on), else the time.
static DWORD UnguessableNumber()
{
    auto random = SecurityFunction<BOOLEAN(WINAPI*)(PVOID, ULONG)>("SystemFunction036");
    DWORD number = GetTickCount();
    if (random)
        random(&number, sizeof number);
    return number;
}

// Starts a copy of the program from a new folder of its own in the
// temporary folder, never from the shared temporary folder itself, where
// anyone could have put a DLL that it would load. The folder has a name
// nobody can guess and is open to this user, SYSTEM and Administrators
// only. The copy is given a handle of this process to wait on, which,
// unlike a process id, cannot come to name another process.
static BOOL HandOverUninstaller(const char* self, const char* folder)
{
    char temp[kPathChars];
    char own[kPathChars];
    char copy[kPathChars];
    char name[16];
    HANDLE process;
    HANDLE current = GetCurrentProcess();
    // Names taken already are passed over.
    if (!GetTempFolder(temp))
        return FALSE;
    for (DWORD tries = 0;; ++tries) {
        wsprintfA(name, "Velq%08lX\\", UnguessableNumber() + tries);
        if (tries == 100 || !JoinPath(own, temp, name))
            return FALSE;
        if (CreatePrivateFolder(own))
            break;
    }
    if (!JoinPath(copy, own, kUninstallerName) || !CopyFileA(self, copy, TRUE) ||
        !DuplicateHandle(current, current, current, &process,
                         SYNCHRONIZE | PROCESS_QUERY_INFORMATION, TRUE, 0))
        return FALSE;
    // Bounded by construction: two paths and a number.
    char commandLine[3 * kPathChars];
    wsprintfA(commandLine, "\"%s\" /wait=%lu /D=%s", copy,
              static_cast<DWORD>(reinterpret_cast<ULONG_PTR>(process)), folder);
    // The copy shows no window of its own.
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION started;
    // The copy inherits the turn: nothing can start before it has ended.
    HANDLE turn = InheritableSetupLock();
    const BOOL handedOver =
        CreateProcessA(copy, commandLine, NULL, NULL, TRUE, 0, NULL, own, &startup, &started);
    CloseHandle(turn);
    if (handedOver) {
        CloseHandle(started.hThread);
        CloseHandle(started.hProcess);
    }
    CloseHandle(process);
    return handedOver;
}

BOOL AppendRenameLine(const char* shortPath, const char* iniFile)
{
    // Every line of the section is a key: writing the key "NUL" would
    // replace another program's line. The section is read whole, the line
    // added after it, and the section written back. Windows 95 keeps
    // sections of up to 32 KB.
    constexpr DWORD kSectionChars = 0x8000;
    auto read = KernelFunction<decltype(&GetPrivateProfileSectionA)>("GetPrivateProfileSectionA");
    auto write =
        KernelFunction<decltype(&WritePrivateProfileSectionA)>("WritePrivateProfileSectionA");
    // Not on the stack: a frame this large needs stack probes, which the
    // program's own start-up code does without.
    static char section[kSectionChars + kPathChars + 8];
    const DWORD length =
        read && write ? read("rename", section, kSectionChars, iniFile) : kSectionChars - 2;
    // A section that filled the buffer may have been cut.
    BOOL appended =
        length < kSectionChars - 2 && JoinPath(section + length, kPathChars + 7, "NUL=", shortPath);
    if (appended) {
        section[length + 5 + strlen(shortPath)] = '\0';
        appended = write("rename", section, iniFile);
    }
    return appended;
}

// Where no copy can start: the uninstaller is deleted at the next restart,
// where Windows lets it ask for that: on NT for administrators, and on
// Windows 95, 98 and Me, which lack MoveFileExA, through WININIT.INI, which
// wants the short name.
static BOOL DeleteAtRestart(const char* self)
{
    char path[kPathChars];
    auto moveFile = KernelFunction<decltype(&MoveFileExA)>("MoveFileExA");
    BOOL scheduled;
    if (!IsWindows9x()) {
        scheduled = moveFile && moveFile(self, NULL, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        const DWORD length = GetShortPathNameA(self, path, kPathChars);
        scheduled = length && length < kPathChars && AppendRenameLine(path, "wininit.ini");
    }
    return scheduled;
}

// Removes the registration once the uninstaller is sure to go, and then,
// where no copy of the uninstaller will, its record: what is left can
// always be run again.
static void RemoveRegistrationAndRecord(const char* self, const char* folder)
{
    char record[kPathChars];
    const BOOL handedOver = HandOverUninstaller(self, folder);
    if ((handedOver || DeleteAtRestart(self) || LeaveBehind(self)) && RemoveRegistration(folder) &&
        !handedOver && JoinPath(record, folder, kInstallRecordName))
        DeleteFileA(record);
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
    // A complete installation only: what a setup that was ended by force
    // left is finished first.
    if (!RecoverReplacement(folder))
        return EndLeftBehind();
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
        return EndWith(ERROR_SHARING_VIOLATION, kInUseText);
    RemoveShortcuts(folder);
    RemoveOwnerRecord(folder);
    // What is left keeps the registration, the uninstaller and the record,
    // so that the removal can be run again.
    if (RemoveInstalledFiles(folder))
        RemoveRegistrationAndRecord(self, folder);
    return Setup.LeftBehind[0] ? EndLeftBehind() : EndWith(0, NULL);
}
