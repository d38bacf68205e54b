#pragma once

#include <windows.h>

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
