#pragma once

#include <windows.h>

// Who may change the folders that the program makes. Windows 95 knows no
// security; NT 4.0 knows it but cannot read the descriptors written here as
// text (that needs Windows 2000): on both, folders get what their parent
// passes on.

// TRUE when the program runs with administrator rights (or as SYSTEM).
BOOL RunsAsAdministrator();

// A descriptor whose access list takes nothing from the parent folder:
// SYSTEM and Administrators have full control, and of an installation
// folder, Users may read and run. Everything made inside inherits it. Null
// where the system cannot make it; free it with LocalFree.
PSECURITY_DESCRIPTOR MakeFolderSecurity(BOOL installationFolder);

// Gives the installation folder, and all it holds, the installation's
// descriptor when an administrator installs: a folder made in the root of
// drive C: would otherwise let every user replace the programs that
// administrators and SYSTEM run from it.
void ProtectInstallationFolder(const char* folder);

// Creates a folder that, where an administrator or SYSTEM runs the program,
// only SYSTEM and Administrators can open: the shared temporary folder of
// SYSTEM (C:\Windows\Temp) lets users add files. Anyone else's temporary
// folder is private to that user already. FALSE when it cannot be created,
// or exists.
BOOL CreatePrivateFolder(const char* folder);
