#include "tests/e2e/medium.h"

#include <windows.h>

#include <gtest/gtest.h>

#include "tests/common/test_files.h"

const std::vector<std::string> kMediumFolders = {"dibs", "exams", "exercise", "Figures", "flags"};

const std::vector<std::string> kMediumFiles = {
    "VelQ.hlp",    "VelQ.exe",   "VelQ.dll",  "readme.txt", "BTNBTNVB.VBX", "FADERVB.VBX",
    "FRAMEVB.VBX", "KNOBVB.VBX", "LEDVB.VBX", "SPINVB.VBX", "SS3D.VBX",
};

std::vector<std::string> MediumFolderFiles(const std::string& folder)
{
    return {folder + "1.dat", folder + "2.dat"};
}

void BuildMedium(const std::string& dir, const std::vector<std::string>& folders)
{
    for (const std::string& folder : folders) {
        MakeDir(dir + "\\" + folder);
        for (const std::string& file : MediumFolderFiles(folder))
            WriteText(dir + "\\" + folder + "\\" + file, folder + "\\" + file);
    }
    if (IsDir(dir + "\\exams")) {
        MakeDir(dir + "\\exams\\archive");
        WriteText(dir + "\\exams\\archive\\old.dat", "not installed");
    }
    for (const std::string& file : kMediumFiles) {
        if (file == "VelQ.exe")
            EXPECT_TRUE(CopyFileA((ProductDir() + "\\tests\\sample\\VelQ.exe").c_str(),
                                  (dir + "\\VelQ.exe").c_str(), FALSE));
        else
            WriteText(dir + "\\" + file, file);
    }
    MakeDir(dir + "\\setup");
    WriteText(dir + "\\setup\\notes.txt", "not installed");
    WriteText(dir + "\\autorun.inf", "[autorun]");
    WriteText(dir + "\\setup.exe", "the medium's own setup");
}
