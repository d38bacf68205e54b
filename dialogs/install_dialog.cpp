#include "dialogs/install_dialog.h"

#include <string.h>

#include "dialogs/folder_chooser.h"
#include "dialogs/message_box.h"
#include "dialogs/owner_record.h"
#include "engine/target_check.h"
#include "res/resource.h"
#include "runtime/characters.h"
#include "setup/setup_state.h"

// The fields are read with this count, terminator included: at most 258
// characters, so the folder still fits the path limit with its "\".
static const int kFieldReadChars = kPathChars - 1;

static const char kSetupCaption[] = "Velquor Setup";

// Deliberately loose: six spaces pass, so does a name with one leading space.
BOOL IsFullName(const char* name)
{
    return strlen(name) >= 6 && FindCharacter(name, ' ') != NULL;
}

static void OnInitDialog(HWND dialog)
{
    SetDlgItemTextA(dialog, IDC_FOLDER, Setup.TargetDir);
    if (Setup.ReadmeText)
        SetDlgItemTextA(dialog, IDC_README, Setup.ReadmeText);
    CheckDlgButton(dialog, IDC_START_MENU, BST_CHECKED);
    SetFocus(GetDlgItem(dialog, IDC_NAME));
    InitFolderChooser(dialog);
}

// Tenths of a megabyte, at most what a DWORD holds.
static DWORD MegabyteTenths(ULONGLONG bytes, BOOL roundUp)
{
    const ULONGLONG tenths = (bytes * 10 + (roundUp ? 0xFFFFF : 0)) >> 20;
    return tenths > MAXDWORD ? MAXDWORD : static_cast<DWORD>(tenths);
}

// Why a folder is refused and what to do, by verdict. Only the text of
// kTargetTooSmall takes the figures that every one is given.
static const char* const kRefusals[] = {
    "",
    "Please enter the installation folder as a full path, such as C:\\Velq",
    "Installing into this folder would delete the install medium. Please choose another folder",
    "Velquor in this folder is in use. Please close Velquor and press Install again",
    "Velquor needs %lu.%lu MB for %s, but only %lu.%lu MB are free there. Please make room or "
    "choose another folder",
    "Velquor cannot be installed into the root of a drive or share. Please choose a folder, such "
    "as C:\\Velq",
    "%s holds %s, which is not part of a Velquor installation. Please choose another folder, or "
    "move %s out of this one",
    "This folder is a link to another folder. Please choose another folder",
};
static_assert(sizeof kRefusals / sizeof *kRefusals == kTargetIsLink + 1, "a text per verdict");

static void RefuseTarget(HWND dialog, const char* folder, const TargetCheck& check)
{
    // The need is rounded up and the free space down, so the two figures
    // never look as if the copy would fit. Bounded by construction: a folder
    // and a name twice, each at most a path, or a folder and four numbers
    // of at most ten digits.
    char text[3 * kPathChars + 200];
    const DWORD needed = MegabyteTenths(check.Needed, TRUE);
    const DWORD free = MegabyteTenths(check.Free, FALSE);
    if (check.Verdict == kTargetForeign)
        wsprintfA(text, kRefusals[kTargetForeign], folder, check.Found, check.Found);
    else
        wsprintfA(text, kRefusals[check.Verdict], needed / 10, needed % 10, folder, free / 10,
                  free % 10);
    ShowMessage(dialog, text, kSetupCaption, MB_OK);
}

static void OnInstall(HWND dialog)
{
    GetDlgItemTextA(dialog, IDC_NAME, Setup.UserName, kFieldReadChars);
    if (!IsFullName(Setup.UserName)) {
        ShowMessage(dialog, "Please enter your full name", kSetupCaption, MB_OK);
        return;
    }
    // Read with room to spare: a folder longer than the read count would be
    // cut and then used, so it is refused.
    char folder[kFieldChars];
    GetDlgItemTextA(dialog, IDC_FOLDER, folder, sizeof folder);
    if (strlen(folder) >= kFieldReadChars) {
        ShowMessage(dialog, "Please choose a shorter installation folder", kSetupCaption, MB_OK);
        return;
    }
    AppendSeparator(folder, kPathChars);
    TargetCheck check;
    CheckTarget(folder, &check);
    if (check.Verdict != kTargetAccepted) {
        RefuseTarget(dialog, folder, check);
        return;
    }
    // Not created here: the copy does that.
    CopyPath(Setup.TargetDir, folder);
    WriteOwnerRecord(Setup.UserName, Setup.TargetDir);
    Setup.AddToStartMenu = IsDlgButtonChecked(dialog, IDC_START_MENU);
    EndDialog(dialog, 1);
}

// Returns 0 for every message, WM_INITDIALOG included: the focus set there
// must stay on the name field.
INT_PTR CALLBACK InstallDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    if (message == WM_INITDIALOG) {
        OnInitDialog(dialog);
        return 0;
    }
    if (message != WM_COMMAND)
        return 0;
    // The whole wParam is compared, so only button clicks (notification 0)
    // act; Enter and Escape arrive as clicks of Install and Cancel.
    switch (wParam) {
    case IDOK:
        OnInstall(dialog);
        break;
    case IDCANCEL:
        EndDialog(dialog, 0);
        break;
    case IDC_BROWSE:
        BrowseTargetFolder(dialog);
        break;
    }
    return 0;
}

// "..." may have created the missing target folder. Unless the target is
// exactly "C:\VelQ" (capital Q, no separator), the default folder is removed
// again; RemoveDirectoryA removes it only while it is empty, and the copy
// creates the target anew. The default is spelt "C:\Velq", so it does not
// count as that literal: the comparison is kept byte for byte on purpose.
static void RemoveFolderCreatedForBrowse()
{
    static const char kKeptTarget[] = "C:\\VelQ";
    if (Setup.CreatedForBrowse && memcmp(Setup.TargetDir, kKeptTarget, sizeof kKeptTarget) != 0)
        RemoveDirectoryA(kKeptTarget);
}

INT_PTR RunInstallDialog(HWND owner)
{
    const INT_PTR result =
        DialogBoxParamA(Setup.Instance, MAKEINTRESOURCEA(IDD_INSTALL), owner, InstallDialogProc, 0);
    RemoveFolderCreatedForBrowse();
    return result;
}
