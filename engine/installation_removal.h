#pragma once

#include <windows.h>

// Notes path as the first thing the removal could not remove
// (Setup.LeftBehind), unless one is noted already. Returns FALSE.
BOOL LeaveBehind(const char* path);

// The removal of the installation in folder (ending with "\") acts on what
// its record, read into Setup.Record, lists, and nothing else. An entry
// that names nothing inside the folder, or that lies behind a folder link,
// is passed over; uninstall.exe and the record go last, after the
// uninstaller's own process.

// TRUE when another process holds a recorded file.
BOOL InstallationInUse(const char* folder);

// Removes the recorded files, then the recorded folders that are then
// empty, deepest first: what the user added stays, with the folders that
// hold it. A recorded folder that has become a link goes itself, never
// what it points to. FALSE when a recorded file is left (noted by
// LeaveBehind).
BOOL RemoveInstalledFiles(const char* folder);
