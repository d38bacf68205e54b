#pragma once

#include <windows.h>

#include "engine/directory_walk.h"
#include "runtime/path_text.h"

constexpr int kSelectedFolderCount = 5;
constexpr int kSelectedFileCount = 11;

// A shorter target, such as a drive root (C:\), is refused.
constexpr size_t kShortestTargetDir = 4;

extern const char* const SelectedFolders[kSelectedFolderCount];
extern const char* const SelectedFiles[kSelectedFileCount];

// 1 when the name is one of the listed folders, compared without case.
// The caller's name is left as it is.
int IsSelectedFolder(const char* name);

// 1 when the name is one of the listed files, compared without case.
// Lower-cases the name in place: listed files are installed under
// lower-case names.
int IsSelectedFile(char* name);

// TRUE when both paths name the same file or folder, however each is
// spelt (case, short or long names, a trailing "\").
BOOL SamePath(const char* first, const char* second);

// TRUE when the medium is the folder targetDir names, or lies inside one of
// its listed folders: replacing those would delete the medium before it is
// copied. Paths are compared whole, without case, in short names.
BOOL TargetHoldsMedium(const char* targetDir);

enum SelectionKind { kNotSelected, kSelectedFolder, kSelectedFile };

// What an entry of the medium's root is to the installation. name gets the
// name it is installed under: a listed folder's ending with "\", a listed
// file's lower-cased.
SelectionKind SelectedEntry(const WIN32_FIND_DATAA& entry, char (&name)[kPathChars]);

// Calls visit(kind, name, entry) for every listed folder and file in the
// current directory, the medium, in the order it lists them, until visit
// returns FALSE. The copy and everything that counts what it will copy walk
// the selection through here, so they can never disagree. FALSE when the
// medium cannot be listed.
template <typename Visit>
BOOL WalkSelection(Visit visit)
{
    return WalkFolder("*.*", [&](const WIN32_FIND_DATAA& entry) {
        char name[kPathChars];
        const SelectionKind kind = SelectedEntry(entry, name);
        return kind == kNotSelected || visit(kind, name, entry);
    });
}

// What InstallSelection returns when the installation folder could not be
// given the access list it must have (GuardInstallationFolder): nothing is
// written then.
constexpr int kFolderUnguarded = -1;

// Replicates every listed folder and copies every listed file found in the
// current directory into TargetDir, and returns the number of folders
// replicated. Where the check found room beside it, an earlier
// installation is replaced (engine/install_transaction.h), which the
// install sequence then commits or rolls back. The scan ends at the first
// failure. failure is 0 when nothing failed, ERROR_SHARING_VIOLATION when
// what the copy replaces could not be moved aside (another process holds
// it), else ERROR_INSTALL_FAILURE.
int InstallSelection(DWORD* failure);
