#pragma once

#include <windows.h>

// TRUE when the running program is the uninstaller: its file is named
// uninstall.exe. A setup.exe never removes anything.
BOOL IsUninstaller();

// TRUE for the temporary copy that the uninstaller starts: uninstall.exe in
// a folder of its own in the temporary folder. Only there is /wait= read:
// anywhere else it could skip the lock that keeps two runs apart, or be
// made to delete another folder's file.
BOOL IsTemporaryCopy();

// Removes the installation in the folder the uninstaller lies in, after the
// user's Yes, and hands the uninstaller's own file to a temporary copy of
// the program. In that copy (Setup.UninstallerProcess set), waits for the
// uninstaller to end and removes its file and the then empty folder.
// Returns the outcome, Setup.ExitCode.
DWORD RunUninstallSequence();

// Asks Windows 95, 98 and Me to delete the file of shortPath at the next
// restart: a "NUL=" line appended to the [rename] section of iniFile
// (WININIT.INI), beside the lines other programs may have there.
BOOL AppendRenameLine(const char* shortPath, const char* iniFile);
