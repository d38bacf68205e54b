#pragma once

#include <windows.h>

// Notes path as the first thing the removal could not remove
// (Setup.LeftBehind), unless one is noted already. Returns FALSE.
BOOL LeaveBehind(const char* path);

// TRUE when another process holds a file that the removal of the
// installation in folder (ending with "\") would delete: a listed file, or
// any file below a listed folder. Folder links are not followed.
BOOL InstallationInUse(const char* folder);

// Removes the listed folders, whole, and the listed files from folder, as
// the copy clears them: a folder link goes, never what it points to.
// Everything else in folder stays. FALSE when something listed is left
// (noted by LeaveBehind).
BOOL RemoveInstalledFiles(const char* folder);
