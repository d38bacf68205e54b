#pragma once

#include <string>
#include <vector>

// The five listed folders as the test media spell them: "Figures" keeps a
// capital to show that folders keep the medium's case.
extern const std::vector<std::string> kMediumFolders;

// The eleven listed files as a medium spells them.
extern const std::vector<std::string> kMediumFiles;

// Builds an install medium in dir: the given listed folders (each holding
// two files; "exams" also a nested folder), all listed files with the
// stand-in VelQ.exe, and a folder and files that are not listed (setup.exe
// among them).
void BuildMedium(const std::string& dir, const std::vector<std::string>& folders = kMediumFolders);

// The plain files that BuildMedium puts into a folder.
std::vector<std::string> MediumFolderFiles(const std::string& folder);
