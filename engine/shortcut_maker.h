#pragma once

#include <windows.h>

#include "runtime/path_text.h"

// Places Velquor.lnk on the desktop, in the Start Menu's Programs folder and,
// when chosen, at the top of the Start Menu: this user's, or every user's
// where Setup.ForEveryUser is set.
void MakeShortcuts();

// Removes each Velquor.lnk of the three places, this user's and every
// user's, that starts VelQ.exe in folder (ending with "\"); links to
// anything else stay.
void RemoveShortcuts(const char* folder);

// Overwrites folder with the shell folder of that name under root (the
// user's, or the machine's for every user) when it can be read; otherwise
// the caller's fallback stays in it.
void GetShellFolderPath(HKEY root, const char* valueName, char (&folder)[kPathChars]);

// Saves a link at linkPath to workingDir + programName, started in
// workingDir (which ends with "\"). The result is that of the save, or of
// the first step that failed; a path that would not fit is such a failure.
HRESULT CreateShortcut(const char* workingDir, const char* programName, const char* linkPath,
                       const char* description);
