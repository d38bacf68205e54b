#pragma once

#include <windows.h>

// TRUE when the platform finds an entry for the path, which it reads into
// entry. A folder must be given without a trailing "\" to be found.
BOOL FindEntry(const char* path, WIN32_FIND_DATAA* entry);

// TRUE when path (without a trailing "\") is a junction or folder link
// (IsLink).
BOOL IsLinkAt(const char* path);
BOOL PathExists(const char* path);
// TRUE when path names a file, not a folder.
BOOL IsFile(const char* path);

// Removes the folder and everything in it; the path may end with "\".
// Links (junctions, symbolic links) are removed themselves, never followed.
// Dot-named entries are passed over, as the clearing of an earlier folder
// has always left them, unless everyName. The result is that of removing
// the folder, FALSE when it cannot be listed.
BOOL RemoveFolderTree(const char* path, BOOL everyName = FALSE);

// Deletes the file at path, read-only or not.
BOOL DeleteInstalledFile(const char* path);

// Removes the entry at path: a file (read-only or not), a folder with
// everything in it (RemoveFolderTree), or a folder link itself, never what
// it points to.
BOOL RemoveEntry(const char* path, const WIN32_FIND_DATAA& entry, BOOL everyName = FALSE);

// Copies the plain files of sourceFolder into targetFolder, overwriting;
// sub-folders are left alone. Both folders end with "\". FALSE after the
// first copy that fails.
BOOL CopyFolderFiles(const char* sourceFolder, const char* targetFolder);

// Tells whoever watches the copy (Setup.CopyingFile) of the bytes it is
// about to write into targetFolder under name: a whole file, or a piece of
// a large one. A null name tells of a step that writes nothing, such as
// removing a file of an earlier installation.
void NoteFileCopy(const char* targetFolder, const char* name, ULONGLONG bytes);

// Clears, re-creates and fills TargetDir + name from SourceDir + name.
// The name ends with "\".
BOOL ReplicateFolder(const char* name);

// Copies the file of entry, in the medium's root, into TargetDir under
// name, overwriting.
BOOL CopyRootFile(const char* name, const WIN32_FIND_DATAA& entry);
