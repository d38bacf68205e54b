#include "engine/shortcut_maker.h"

#include <objbase.h>
#include <shlobj.h>

#include "engine/install_selection.h"
#include "engine/installation_removal.h"
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

// Where the shortcuts go: the desktop, the Start Menu's Programs folder and,
// when chosen, the top of the Start Menu. Each is a per-user shell folder
// (valueName) with a fallback under the Windows folder.
struct ShortcutPlace {
    const char* ValueName;
    const char* FallbackName;
    const char* SubFolder;
};

static const ShortcutPlace kPlaces[] = {
    {"Desktop", "\\Desktop", ""},
    {"Start Menu", "\\Start Menu", "\\Programs"},
    {"Start Menu", "\\Start Menu", ""},
};

// Velquor.lnk in its place. FALSE when there is no such folder or the path
// would not fit.
static BOOL ComposeLinkPath(char (&linkPath)[kPathChars], const ShortcutPlace& place)
{
    FallbackFolder(linkPath, place.FallbackName);
    GetShellFolderPath(place.ValueName, linkPath);
    return linkPath[0] != '\0' && JoinPath(linkPath, linkPath, place.SubFolder, kLinkName);
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
    char linkPath[kPathChars];
    // No folder, or a link path that would not fit, means no shortcut, as a
    // failed save does.
    if (CopyPath(workingDir, Setup.TargetDir)) {
        for (int i = 0; i < (Setup.AddToStartMenu ? 3 : 2); ++i) {
            if (ComposeLinkPath(linkPath, kPlaces[i]))
                CreateShortcut(workingDir, kProgramName, linkPath, kDescription);
        }
    }
    CoUninitialize();
}

// TRUE when the link at linkPath starts program.
static BOOL LinksTo(const char* linkPath, const char* program)
{
    WCHAR wideLinkPath[kPathChars];
    char target[kPathChars];
    IShellLinkA* link = NULL;
    IPersistFile* file = NULL;
    BOOL linked = FALSE;
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, wideLinkPath,
                             static_cast<int>(ARRAYSIZE(wideLinkPath))) ||
        FAILED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return FALSE;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file)))) {
        linked = SUCCEEDED(file->Load(wideLinkPath, STGM_READ)) &&
                 link->GetPath(target, kPathChars, NULL, 0) == S_OK && SamePath(target, program);
        file->Release();
    }
    link->Release();
    return linked;
}

void RemoveShortcuts(const char* folder)
{
    char program[kPathChars];
    char linkPath[kPathChars];
    if (!JoinPath(program, folder, kProgramName) || FAILED(CoInitialize(NULL)))
        return;
    for (const ShortcutPlace& place : kPlaces) {
        if (ComposeLinkPath(linkPath, place) && LinksTo(linkPath, program) &&
            !DeleteFileA(linkPath))
            LeaveBehind(linkPath);
    }
    CoUninitialize();
}
