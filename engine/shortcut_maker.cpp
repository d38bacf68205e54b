#include "engine/shortcut_maker.h"

#include <objbase.h>
#include <shlobj.h>

#include "setup/setup_state.h"

static const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kLinkName[] = "\\Velquor.lnk";
static const char kProgramName[] = "VelQ.exe";
static const char kDescription[] = "Velquor - for all your FCC Exams";

// What the registry query is offered: less than the buffer, so a value that
// fills it can still be terminated.
constexpr DWORD kShellFolderBytes = 256;

void GetShellFolderPath(const char* valueName, char (&folder)[kPathChars])
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFoldersKey, 0, KEY_QUERY_VALUE, &key) !=
        ERROR_SUCCESS)
        return;
    // A failed query, such as a value too long for the offer, may leave
    // anything in the buffer.
    char fallback[kPathChars];
    CopyPath(fallback, folder);
    DWORD type = REG_SZ;
    DWORD size = kShellFolderBytes;
    const LONG result =
        RegQueryValueExA(key, valueName, NULL, &type, reinterpret_cast<BYTE*>(folder), &size);
    RegCloseKey(key);
    // Only text names a folder, and empty text none: "\Velquor.lnk" would
    // land at the root of the current drive, the medium's.
    const BOOL isText = result == ERROR_SUCCESS && (type == REG_SZ || type == REG_EXPAND_SZ);
    if (isText)
        folder[size] = '\0';  // a value stored without its terminator gets one
    if (!isText || folder[0] == '\0')
        CopyPath(folder, fallback);
}

static HRESULT SaveLink(IShellLinkA* link, const WCHAR* linkPath)
{
    IPersistFile* file = NULL;
    HRESULT result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    if (SUCCEEDED(result)) {
        result = file->Save(linkPath, TRUE);
        file->Release();
    }
    return result;
}

HRESULT CreateShortcut(const char* workingDir, const char* programName, const char* linkPath,
                       const char* description)
{
    char target[kPathChars];
    WCHAR wideLinkPath[kPathChars];
    if (!JoinPath(target, workingDir, programName) ||
        !MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideLinkPath,
                             static_cast<int>(ARRAYSIZE(wideLinkPath))))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);

    IShellLinkA* link = NULL;
    const HRESULT created = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER,
                                             IID_IShellLinkA, reinterpret_cast<void**>(&link));
    if (FAILED(created))
        return created;
    link->SetWorkingDirectory(workingDir);
    link->SetPath(target);
    link->SetDescription(description);
    const HRESULT saved = SaveLink(link, wideLinkPath);
    link->Release();
    return saved;
}

// The Windows folder followed by name, or nothing when that cannot be had.
static void FallbackFolder(char (&folder)[kPathChars], const char* name)
{
    const UINT length = GetWindowsDirectoryA(folder, kPathChars);
    if (length == 0 || length >= kPathChars || !JoinPath(folder, folder, name))
        folder[0] = '\0';
}

// Velquor.lnk in subFolder of the shell folder valueName. No folder, or a
// link path that would not fit, means no shortcut, as a failed save does.
static void PlaceShortcut(const char* workingDir, const char* valueName, const char* fallbackName,
                          const char* subFolder)
{
    char linkPath[kPathChars];
    FallbackFolder(linkPath, fallbackName);
    GetShellFolderPath(valueName, linkPath);
    if (linkPath[0] != '\0' && JoinPath(linkPath, linkPath, subFolder, kLinkName))
        CreateShortcut(workingDir, kProgramName, linkPath, kDescription);
}

void MakeShortcuts()
{
    // Uninitialising after a failed start as well is harmless here: nothing
    // else in the process uses COM.
    if (FAILED(CoInitialize(NULL))) {
        CoUninitialize();
        return;
    }
    char workingDir[kPathChars];
    if (CopyPath(workingDir, Setup.TargetDir)) {
        PlaceShortcut(workingDir, "Desktop", "\\Desktop", "");
        PlaceShortcut(workingDir, "Start Menu", "\\Start Menu", "\\Programs");
        if (Setup.AddToStartMenu)
            PlaceShortcut(workingDir, "Start Menu", "\\Start Menu", "");
    }
    CoUninitialize();
}
