#pragma once

#include <windows.h>

#include "runtime/path_text.h"

// The uninstaller's name in the installation folder.
extern const char kUninstallerName[];

// Writes uninstall.exe, a copy of the running program, and the install
// record into TargetDir, and registers the installation for "Add or remove
// programs": under HKEY_LOCAL_MACHINE, or HKEY_CURRENT_USER where that
// cannot be written. A later installation, wherever it goes, takes the
// registration over. FALSE when any of the three could not be written:
// nothing is registered without an uninstaller, and no uninstaller is left
// without its record.
BOOL RegisterInstallation();

// Removes the registration wherever it names folder (ending with "\"), and
// only there: a later installation elsewhere keeps its own. FALSE when a
// key that names folder stays (noted by LeaveBehind).
BOOL RemoveRegistration(const char* folder);

// The folder that the registration this run would replace names (its
// InstallLocation as stored), or an empty text. An administrator's run reads
// only HKEY_LOCAL_MACHINE: a key that a user can write must never steer
// where an administrator installs. Anyone else's reads it there where the
// key can be written, as RegisterInstallation would then write it there,
// and otherwise under HKEY_CURRENT_USER.
void ReadRegisteredFolder(char (&folder)[kPathChars], BOOL administrator);
