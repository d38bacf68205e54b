#include "engine/shortcut_maker.h"

#include <objbase.h>
#include <shlobj.h>

#include "engine/install_selection.h"
#include "engine/installation_removal.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"

static const char kShellFoldersKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
static const char kLinkName[] = "\\Velquor.lnk";
static const char kProgramName[] = "VelQ.exe";
static const char kDescription[] = "Velquor - for all your FCC Exams";

// What the registry query is offered: less than the buffer, so a value that
// fills it can still be terminated.
constexpr DWORD kShellFolderBytes = 256;

void GetShellFolderPath(HKEY root, const char* valueName, char (&folder)[kPathChars])
{
    HKEY key;
    if (RegOpenKeyExA(root, kShellFoldersKey, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
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

// The shell's link object and its file interface, for the link file at
// linkPath, which widePath receives in wide characters. On failure nothing
// is held.
static HRESULT OpenLinkObject(const char* linkPath, WCHAR (&widePath)[kPathChars],
                              IShellLinkA** link, IPersistFile** file)
{
    if (!MultiByteToWideChar(CP_ACP, 0, linkPath, -1, widePath, kPathChars))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT result = CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                      reinterpret_cast<void**>(link));
    if (SUCCEEDED(result)) {
        result = (*link)->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file));
        if (FAILED(result))
            (*link)->Release();
    }
    return result;
}

HRESULT CreateShortcut(const char* workingDir, const char* programName, const char* linkPath,
                       const char* description)
{
    char target[kPathChars];
    WCHAR wideLinkPath[kPathChars];
    IShellLinkA* link;
    IPersistFile* file;
    if (!JoinPath(target, workingDir, programName))
        return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
    HRESULT result = OpenLinkObject(linkPath, wideLinkPath, &link, &file);
    if (FAILED(result))
        return result;
    link->SetWorkingDirectory(workingDir);
    link->SetPath(target);
    link->SetDescription(description);
    result = file->Save(wideLinkPath, TRUE);
    file->Release();
    link->Release();
    return result;
}

// Where the shortcuts go: the desktop, the Start Menu's Programs folder and,
// when chosen, the top of the Start Menu. Each is a per-user shell folder,
// or the folder of that name in the Windows folder where none is set; for
// every user, the machine's shell folder of the same place.
struct ShortcutPlace {
    const char* ShellFolder;
    const char* SubFolder;
    const char* CommonFolder;
};

static const ShortcutPlace kPlaces[] = {
    {"Desktop", "", "Common Desktop"},
    {"Start Menu", "\\Programs", "Common Programs"},
    {"Start Menu", "", "Common Start Menu"},
};

// Velquor.lnk in its place, for every user or for this one. Windows 95 has
// no folders for every user: there this user's serve. FALSE when there is
// no such folder or the path would not fit.
static BOOL ComposeLinkPath(char (&linkPath)[kPathChars], const ShortcutPlace& place,
                            BOOL forEveryUser)
{
    linkPath[0] = '\0';
    if (forEveryUser)
        GetShellFolderPath(HKEY_LOCAL_MACHINE, place.CommonFolder, linkPath);
    if (linkPath[0])
        return JoinPath(linkPath, linkPath, kLinkName);
    const UINT length = GetWindowsDirectoryA(linkPath, kPathChars);
    if (length == 0 || length >= kPathChars ||
        !JoinPath(linkPath, linkPath, "\\", place.ShellFolder))
        linkPath[0] = '\0';
    GetShellFolderPath(HKEY_CURRENT_USER, place.ShellFolder, linkPath);
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
            if (ComposeLinkPath(linkPath, kPlaces[i], Setup.ForEveryUser))
                LogLine(kLogShortcut, linkPath,
                        CreateShortcut(workingDir, kProgramName, linkPath, kDescription));
        }
    }
    CoUninitialize();
}

// TRUE when the link at linkPath starts program.
static BOOL LinksTo(const char* linkPath, const char* program)
{
    WCHAR wideLinkPath[kPathChars];
    char target[kPathChars];
    IShellLinkA* link;
    IPersistFile* file;
    if (FAILED(OpenLinkObject(linkPath, wideLinkPath, &link, &file)))
        return FALSE;
    const BOOL linked = SUCCEEDED(file->Load(wideLinkPath, STGM_READ)) &&
                        link->GetPath(target, kPathChars, NULL, 0) == S_OK &&
                        SamePath(target, program);
    file->Release();
    link->Release();
    return linked;
}

void RemoveShortcuts(const char* folder)
{
    char program[kPathChars];
    char linkPath[kPathChars];
    if (!JoinPath(program, folder, kProgramName) || FAILED(CoInitialize(NULL)))
        return;
    // Wherever an installation made them: an uninstaller started by a person
    // removes what one started as LocalSystem made, and the other way round.
    for (int i = 0; i < 6; ++i) {
        if (!ComposeLinkPath(linkPath, kPlaces[i % 3], i >= 3) || !LinksTo(linkPath, program))
            continue;
        if (DeleteFileA(linkPath))
            LogLine(kLogRemoved, linkPath);
        else
            LeaveBehind(linkPath);
    }
    CoUninitialize();
}
