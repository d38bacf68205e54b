#include "dialogs/owner_record.h"

#include <string.h>

#include "engine/install_selection.h"
#include "engine/installation_removal.h"
#include "runtime/setup_log.h"

// Copies as much of text as fits size bytes with the terminator, cut where
// a character ends: a double-byte character is never split.
static void CopyWholeCharacters(char* buffer, DWORD size, const char* text)
{
    const char* end = text;
    for (const char* next = end; *end && (next = CharNextA(end)) - text < LONG_PTR(size);)
        end = next;
    memcpy(buffer, text, end - text);
    buffer[end - text] = '\0';
}

// The owner name is read whole into a block of its own size, so that a
// value longer than the caller's buffer (or one stored without a
// terminator) is cut at a well-defined place instead of left undefined.
static void QueryText(HKEY key, const char* valueName, char* buffer, DWORD size)
{
    DWORD type = REG_SZ;
    DWORD length = 0;
    if (RegQueryValueExA(key, valueName, NULL, &type, NULL, &length) != ERROR_SUCCESS)
        return;
    char* value = static_cast<char*>(GlobalAlloc(GMEM_FIXED, length + 1));
    if (!value)
        return;
    if (RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE*>(value), &length) ==
        ERROR_SUCCESS) {
        value[length] = '\0';
        CopyWholeCharacters(buffer, size, value);
    }
    GlobalFree(value);
}

void QueryKeyText(HKEY key, const char* valueName, char* buffer, DWORD size)
{
    QueryText(key, valueName, buffer, size);
    RegCloseKey(key);
}

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

void RemoveOwnerRecord(const char* folder)
{
    char text[kPathChars];
    char names[4];
    ReadSetting("Owner", "Dir", text, sizeof text);
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
