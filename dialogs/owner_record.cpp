#include "dialogs/owner_record.h"

#include <string.h>

#include "engine/install_selection.h"
#include "engine/installation_removal.h"
#include "runtime/registry_text.h"
#include "runtime/setup_log.h"

void GetRegisteredOwner(char* buffer, DWORD size)
{
    buffer[0] = '\0';
    HKEY key;
    // The second key is tried only when the first cannot be opened, not when
    // it lacks the value. Its name has no space in "WindowsNT".
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\Windows\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS ||
        RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Microsoft\\WindowsNT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
        QueryKeyText(key, "RegisteredOwner", buffer, size);
}

void GetSetupDefaultName(char* buffer, DWORD size)
{
    buffer[0] = '\0';
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Microsoft\\MS Setup (ACME)\\User Info", 0,
                      KEY_QUERY_VALUE, &key) == ERROR_SUCCESS)
        QueryKeyText(key, "DefName", buffer, size);
}

// A bare file name: the platform keeps it in the Windows folder.
static const char kSettingsFile[] = "VelQ.ini";

void WriteOwnerValue(const char* key, const char* value)
{
    WritePrivateProfileStringA("Owner", key, value, kSettingsFile);
}

void GetDefaultOwnerName(char* buffer, DWORD size)
{
    GetRegisteredOwner(buffer, size);
    if (buffer[0] == '\0')
        GetSetupDefaultName(buffer, size);
}

void WriteOwnerRecord(const char* userName, const char* targetDir)
{
    char defaultName[kOwnerNameChars];
    WriteOwnerValue("USER NAME", userName);
    GetDefaultOwnerName(defaultName, sizeof defaultName);
    WriteOwnerValue("DEFAULT NAME", defaultName);
    WriteOwnerValue("Dir", targetDir);
    LogLine(kLogOwner, userName, targetDir);
}

// A key of the settings file, or with a null key the names of a section's
// keys, or with a null section too the sections: "" when there is none.
static DWORD ReadSetting(const char* section, const char* key, char* text, DWORD size)
{
    return GetPrivateProfileStringA(section, key, NULL, text, size, kSettingsFile);
}

void ReadOwnerDir(char (&folder)[kPathChars])
{
    ReadSetting("Owner", "Dir", folder, kPathChars);
}

void RemoveOwnerRecord(const char* folder)
{
    char text[kPathChars];
    char names[4];
    ReadOwnerDir(text);
    if (!SamePath(text, folder))
        return;
    for (const char* key = "USER NAME\0DEFAULT NAME\0Dir\0"; *key; key += strlen(key) + 1)
        WriteOwnerValue(key, NULL);
    // The section goes when nothing else is in it, the file when no section
    // is left.
    if (!ReadSetting("Owner", NULL, names, sizeof names))
        WriteOwnerValue(NULL, NULL);
    const UINT length = GetWindowsDirectoryA(text, kPathChars);
    if (length && length < kPathChars && JoinPath(text, text, "\\", kSettingsFile) &&
        !ReadSetting(NULL, NULL, names, sizeof names) && !DeleteFileA(text))
        LeaveBehind(text);
}
