#pragma once

#include <string>
#include <vector>

// Files and folders for tests, on the Wine file system. Paths are Windows
// paths; failures are reported through GoogleTest.

// The Windows path of a Linux path (Wine's drive Z: is the Linux root).
std::string WinPathOf(const std::string& linuxPath);

// The build folder, as a Windows path (from VELQUOR_BUILD).
std::string BuildDir();

// The build whose setup.exe and stand-in VelQ.exe the end-to-end tests run,
// as a Windows path: VELQUOR_PRODUCT when set (the shipped 32-bit build),
// else the test build itself.
std::string ProductDir();

// An empty scratch folder C:\velq-tests\<name>, created anew.
std::string ScratchDir(const std::string& name);

// Drive M: of the test prefix, emptied (and made anew when a test removed
// it): a drive root lists no "." and ".." entries. Returns "M:\\".
std::string EmptyDriveRoot();

// Drive S: of the test prefix: an 8 MB tmpfs, emptied. Empty when the
// environment could not mount it.
std::string SmallDrive();

// A folder link at link to the folder target, made as a host symbolic link
// (Wine's CreateSymbolicLink makes nothing). Wine reads it as a folder with
// the reparse-point attribute. False when no such link appeared.
bool MakeFolderLink(const std::string& link, const std::string& target);

void MakeDir(const std::string& path);
void WriteText(const std::string& path, const std::string& text);
std::string ReadText(const std::string& path);
bool Exists(const std::string& path);
bool IsDir(const std::string& path);
// Removes the folder tree; folder links in it are removed, not followed.
void RemoveAll(const std::string& path);

// Everything below folder, as one text: each name, relative and sorted
// (folders with a trailing "\", dot names included), with a file's content.
// Two trees are equal byte for byte when their texts are.
std::string TreeText(const std::string& folder);

// The names in a folder (not "." and ".."), sorted, folders marked with a
// trailing "\".
std::vector<std::string> ListNames(const std::string& folder);
