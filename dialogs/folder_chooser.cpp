#include "dialogs/folder_chooser.h"

#include "engine/folder_replication.h"
#include "engine/folder_security.h"
#include "res/resource.h"
#include "setup/setup_state.h"

#include <stddef.h>

#ifndef _WIN64
// OPENFILENAME_SIZE_VERSION_400A: every member up to lpTemplateName.
static_assert(offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR) == 76,
              "the 32-bit chooser block is 76 bytes");
#endif

// The chooser is the platform's old-style Save dialog on a template of ours
// that hides everything about files. Its hidden file-name field holds this
// name, so OK returns the name's path in the folder the user opened. The
// file itself is never created, read or written.
static const char kDummyName[] = "zarn.ini";

void InitFolderChooser(HWND dialog)
{
    OPENFILENAMEA& params = Setup.ChooserParams;
    HRSRC found = FindResourceA(Setup.Instance, MAKEINTRESOURCEA(IDD_FOLDER_CHOOSER), RT_DIALOG);
    params = OPENFILENAMEA();
    // The block the platform has known since its old-style dialogs.
    params.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    params.hwndOwner = dialog;
    params.hInstance = reinterpret_cast<HINSTANCE>(LoadResource(Setup.Instance, found));
    params.lpstrFilter = "\0";
    params.nMaxFile = kPathChars;
    params.nMaxFileTitle = kPathChars;
    params.lpstrDefExt = "txt";
}

BOOL RunFolderChooser(HWND owner, char* file, char* fileTitle)
{
    OPENFILENAMEA& params = Setup.ChooserParams;
    params.lpstrInitialDir = Setup.TargetDir;
    params.hwndOwner = owner;
    params.lpstrFile = file;
    params.lpstrFileTitle = fileTitle;
    // The copy enumerates the current directory afterwards: the chooser must
    // leave it where it is.
    params.Flags = OFN_ENABLETEMPLATEHANDLE | OFN_NOCHANGEDIR;
    return GetSaveFileNameA(&params);
}

// Cuts the dummy name off the chooser's result, leaving the folder without a
// trailing separator ("C:" for a drive's root). FALSE when the result holds
// no separator in front of the name.
static BOOL CutToFolder(char* file, WORD nameOffset)
{
    if (nameOffset == 0 || nameOffset >= kPathChars || file[nameOffset - 1] != '\\')
        return FALSE;
    file[nameOffset - 1] = '\0';
    return TRUE;
}

void BrowseTargetFolder(HWND dialog)
{
    // TargetDir is the default or the last chooser result here, never text
    // typed into the folder field. The chooser needs the folder to exist;
    // made here, it has its access list at once.
    Setup.CreatedForBrowse = !PathExists(Setup.TargetDir);
    BOOL created;
    if (Setup.CreatedForBrowse)
        GuardInstallationFolder(Setup.TargetDir, FALSE, &created);

    CopyPath(Setup.ChooserFile, kDummyName);
    CopyPath(Setup.ChooserFileTitle, kDummyName);
    if (!RunFolderChooser(dialog, Setup.ChooserFile, Setup.ChooserFileTitle))
        return;
    if (!CutToFolder(Setup.ChooserFile, Setup.ChooserParams.nFileOffset))
        return;
    SetDlgItemTextA(dialog, IDC_FOLDER, Setup.ChooserFile);
    CopyPath(Setup.TargetDir, Setup.ChooserFile);
}
