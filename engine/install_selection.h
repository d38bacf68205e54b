#pragma once

#include <windows.h>

constexpr int kSelectedFolderCount = 5;
constexpr int kSelectedFileCount = 11;

extern const char* const SelectedFolders[kSelectedFolderCount];
extern const char* const SelectedFiles[kSelectedFileCount];

// 1 when the name is one of the listed folders, compared without case.
// The caller's name is left as it is.
int IsSelectedFolder(const char* name);

// 1 when the name is one of the listed files, compared without case.
// Lower-cases the name in place: listed files are installed under
// lower-case names.
int IsSelectedFile(char* name);

// TRUE when the medium is the folder targetDir names, or lies inside one of
// its listed folders: replacing those would delete the medium before it is
// copied. Paths are compared whole, without case, in short names.
BOOL TargetHoldsMedium(const char* targetDir);

// Replicates every listed folder and copies every listed file found in the
// current directory into TargetDir, and returns the number of folders
// replicated. The scan ends at the first failure; allFilesCopied tells
// whether it ended on a listed file that could not be copied.
int InstallSelection(BOOL* allFilesCopied);
