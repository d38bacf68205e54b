#pragma once

#include <windows.h>

// Who may change the folders that the program makes. Windows 95 knows no
// security; NT 4.0 knows it but cannot read the descriptors written here as
// text (that needs Windows 2000): on both, folders get what their parent
// passes on.

// TRUE when the program runs with administrator rights (or as SYSTEM): its
// token holds the Administrators group, enabled.
BOOL RunsAsAdministrator();

// A descriptor owned by Administrators whose access list takes nothing from
// the parent folder: SYSTEM and Administrators have full control, and of an
// installation folder, Users may read and run. Everything made inside
// inherits it. Null where the system cannot make it; free it with
// LocalFree.
PSECURITY_DESCRIPTOR MakeFolderSecurity(BOOL installationFolder);

// What the installation folder gets.
enum FolderGuard {
    // Nothing of ours: a user without administrator rights keeps the folder
    // as his own, and where the system cannot make the list, folders keep
    // what their parent passes on.
    kGuardNone,
    // Nothing either, and the log says so: on a network drive the list would
    // name the server's accounts, under which the client's administrator or
    // computer usually counts as a user, and a removable drive is read
    // elsewhere.
    kGuardNotLocal,
    // The descriptor of MakeFolderSecurity, whoever made the folder: any
    // user may make C:\Velq first, and would keep control of what an
    // administrator, or SYSTEM at the next silent removal, runs from it.
    kGuardList,
};

// The guard of a folder on a drive of driveType (GetDriveTypeA), for a run
// with administrator rights or without, where the system can make the list
// (listsKnown) or not.
FolderGuard ChooseFolderGuard(BOOL administrator, BOOL listsKnown, UINT driveType);

// Creates the installation folder, or takes over the one that exists, with
// the guard it is chosen: a folder made here gets the list in the same
// call that makes it (created); one that existed gets Administrators as
// its owner first, who may always set its list, then the list, passed on
// to what it holds where that is an earlier installation (passOn), never
// into other content. FALSE, logged, when that list cannot be set: nothing
// may be written into the folder then. A folder that can be neither made
// nor found is left to the copy, which reports it.
BOOL GuardInstallationFolder(const char* folder, BOOL passOn, BOOL* created);

// Creates a folder that, where an administrator or SYSTEM runs the program,
// only SYSTEM and Administrators can open: the shared temporary folder of
// SYSTEM (C:\Windows\Temp) lets users add files. Anyone else's temporary
// folder is private to that user already. FALSE when it cannot be created,
// or exists.
BOOL CreatePrivateFolder(const char* folder);
