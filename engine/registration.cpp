#include "engine/registration.h"

#include <string.h>

#include "engine/install_record.h"
#include "engine/install_selection.h"
#include "engine/installation_removal.h"
#include "engine/program_version.h"
#include "runtime/kernel_function.h"
#include "runtime/path_text.h"
#include "runtime/registry_text.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

const char kUninstallerName[] = "uninstall.exe";

static const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquor";
static const char kInstallLocation[] = "InstallLocation";

// The values of the registration in the order written: five texts, then
// three numbers. One block, as the program pays for every address it holds.
static const char kValueNames[] = "DisplayName\0UninstallString\0QuietUninstallString\0"
                                  "InstallLocation\0DisplayIcon\0NoModify\0NoRepair\0"
                                  "EstimatedSize";

// The copy keeps the file's attributes: a setup.exe from a CD would arrive
// read-only, and then neither a reinstall nor the removal could replace it.
static BOOL WriteUninstaller(char (&uninstaller)[kPathChars])
{
    char self[kPathChars];
    if (!GetProgramPath(self) || !JoinPath(uninstaller, Setup.TargetDir, kUninstallerName))
        return FALSE;
    return CopyFileA(self, uninstaller, FALSE) &&
           SetFileAttributesA(uninstaller, FILE_ATTRIBUTE_NORMAL);
}

// DisplayVersion and Publisher from the installed program's version
// resource, so that deployment tools see which version is installed. A
// program without them leaves neither, also none of an earlier installation.
static void AddProgramVersion(HKEY key, const char* program)
{
    char version[kVersionChars];
    char publisher[kPathChars];
    ReadProgramVersion(program, version, publisher);
    const char* const texts[] = {version, publisher};
    auto remove = LoadedFunction<decltype(&RegDeleteValueA)>("advapi32.dll", "RegDeleteValueA");
    const char* name = "DisplayVersion\0Publisher";
    for (const char* text : texts) {
        if (text[0])
            RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                           static_cast<DWORD>(strlen(text) + 1));
        else if (remove)
            remove(key, name);
        name += strlen(name) + 1;
    }
    LogLine(kLogRegistered, version, publisher);
}

BOOL RegisterInstallation()
{
    char uninstaller[kPathChars];
    char command[kPathChars + 8];
    char quietCommand[kPathChars + 8];
    char icon[kPathChars];
    HKEY key;
    if (!WriteUninstaller(uninstaller) || !JoinPath(command, "\"", uninstaller, "\"") ||
        !JoinPath(quietCommand, command, " /S") || !JoinPath(icon, Setup.TargetDir, "velq.exe")) {
        LogError(kUninstallerName);
        return FALSE;
    }
    // An uninstaller without its record would find nothing to remove.
    if (!WriteInstallRecord()) {
        LogError(kInstallRecordName);
        DeleteFileA(uninstaller);
        return FALSE;
    }
    // NT refuses HKEY_LOCAL_MACHINE to a user who is no administrator. Write
    // access is asked for, as an existing key would otherwise open for
    // reading only.
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL) != ERROR_SUCCESS &&
        RegCreateKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, NULL, 0, KEY_SET_VALUE, NULL, &key,
                        NULL) != ERROR_SUCCESS)
        return FALSE;
    const DWORD kilobytes = static_cast<DWORD>((Setup.Selection.Written.Space + 1023) >> 10);
    const DWORD yes = 1;
    const void* const data[] = {"Velquor", command, quietCommand, Setup.TargetDir,
                                icon,      &yes,    &yes,         &kilobytes};
    const char* name = kValueNames;
    LONG result = ERROR_SUCCESS;
    for (int i = 0; i < 8 && result == ERROR_SUCCESS; ++i, name += strlen(name) + 1) {
        const char* text = static_cast<const char*>(data[i]);
        result = RegSetValueExA(key, name, 0, i < 5 ? REG_SZ : REG_DWORD,
                                static_cast<const BYTE*>(data[i]),
                                i < 5 ? static_cast<DWORD>(strlen(text) + 1) : sizeof yes);
    }
    AddProgramVersion(key, icon);
    RegCloseKey(key);
    return result == ERROR_SUCCESS;
}

// The key under root when its InstallLocation names folder. FALSE, with
// the key noted as left behind, when it stays: a user without rights over
// HKEY_LOCAL_MACHINE, or a key that something else added a key to.
static BOOL RemoveRegistrationUnder(HKEY root, const char* folder)
{
    HKEY key;
    char location[kPathChars];
    if (RegOpenKeyExA(root, kUninstallKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return TRUE;
    location[0] = '\0';
    QueryKeyText(key, kInstallLocation, location, sizeof location);
    if (!SamePath(location, folder))
        return TRUE;
    if (RegDeleteKeyA(root, kUninstallKey) != ERROR_SUCCESS)
        return LeaveBehind(kUninstallKey);
    LogLine(kLogRemoved, kUninstallKey);
    return TRUE;
}

BOOL RemoveRegistration(const char* folder)
{
    return RemoveRegistrationUnder(HKEY_LOCAL_MACHINE, folder) &
           RemoveRegistrationUnder(HKEY_CURRENT_USER, folder);
}

void ReadRegisteredFolder(char (&folder)[kPathChars], BOOL administrator)
{
    HKEY key;
    folder[0] = '\0';
    // The key opens for writing where RegisterInstallation would write it.
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0,
                      administrator ? KEY_QUERY_VALUE : KEY_QUERY_VALUE | KEY_SET_VALUE,
                      &key) == ERROR_SUCCESS ||
        (!administrator && RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_QUERY_VALUE,
                                         &key) == ERROR_SUCCESS))
        QueryKeyText(key, kInstallLocation, folder, kPathChars);
}
