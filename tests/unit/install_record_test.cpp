#include "engine/install_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/installation_removal.h"
#include "engine/program_version.h"
#include "engine/registration.h"
#include "setup/setup_state.h"
#include "tests/common/test_files.h"
#include "tests/unit/platform_seam.h"

// What the copy notes is written as CRLF lines relative to the folder, and
// read back as the same entries, empty lines kept as empty entries.
TEST(InstallRecord, IsReadBackAsWritten)
{
    const std::string dir = ScratchDir("record") + "\\";
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, dir.c_str()));
    StartInstallRecord(62);
    RecordMade(dir.c_str(), "exams\\");
    RecordMade((dir + "exams\\").c_str(), "q1.txt");
    RecordMade(dir.c_str(), "velq.exe");
    ASSERT_TRUE(WriteInstallRecord());
    EXPECT_EQ(ReadText(dir + "uninstall.dat"),
              "exams\\\r\nexams\\q1.txt\r\nvelq.exe\r\nuninstall.exe\r\nuninstall.dat\r\n");
    // A record that would outgrow its measure is not written.
    StartInstallRecord(61);
    RecordMade(dir.c_str(), "exams\\");
    RecordMade((dir + "exams\\").c_str(), "q1.txt");
    RecordMade(dir.c_str(), "velq.exe");
    EXPECT_FALSE(WriteInstallRecord());

    WriteText(dir + "uninstall.dat", "a\r\n\r\nb\nc\r\nuninstall.exe\r\nuninstall.dat\r\n");
    ::Setup.Record = InstallRecord();
    ASSERT_EQ(ReadInstallRecord(dir.c_str()), kRecordRead);
    EXPECT_EQ(std::string(::Setup.Record.Text, ::Setup.Record.Length),
              std::string("a\0\0\0\0b\0c\0\0uninstall.exe\0\0uninstall.dat\0\0", 40));
    EXPECT_EQ(ReadInstallRecord((dir + "missing\\").c_str()), kRecordMissing);
}

// Cut short, as a power cut right after an installation may leave it, a
// record would have the removal report success having removed too little.
TEST(InstallRecord, ARecordCutAfterAnyLineIsUnreadable)
{
    const std::string dir = ScratchDir("record-cut") + "\\";
    const std::string whole = "exams\\\r\nexams\\q1.txt\r\nuninstall.exe\r\nuninstall.dat\r\n";
    std::vector<std::string> cut = {"exams\\uninstall.exe\r\nuninstall.dat\r\n"};
    for (size_t end = 0; end < whole.size(); end = whole.find('\n', end) + 1)
        cut.push_back(whole.substr(0, end));
    for (const std::string& text : cut) {
        WriteText(dir + "uninstall.dat", text);
        EXPECT_EQ(ReadInstallRecord(dir.c_str()), kRecordUnreadable) << text;
    }
}

// Written over an earlier record that is hidden, which Windows refuses to
// replace as a normal file, and only once it is on the disk.
TEST(InstallRecord, ReplacesAHiddenRecordAndIsWrittenOnlyWhenFlushed)
{
    const std::string record = ScratchDir("record-hidden") + "\\uninstall.dat";
    ASSERT_TRUE(JoinPath(::Setup.TargetDir, record.substr(0, record.size() - 13).c_str(), ""));
    WriteText(record, "earlier");
    ASSERT_TRUE(SetFileAttributesA(record.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    StartInstallRecord(30);
    ASSERT_TRUE(WriteInstallRecord());
    EXPECT_EQ(GetFileAttributesA(record.c_str()) & FILE_ATTRIBUTE_HIDDEN, 0u);
    StartInstallRecord(30);
    FailCalls("FlushFileBuffers");
    EXPECT_FALSE(WriteInstallRecord() || Exists(record));
}

// The uninstaller and the record go last, after the uninstaller's own
// process: entries that name them by a short alias or a wildcard, or hold
// a wildcard at all, are passed over.
TEST(InstallRecord, TheRemovalPassesOverWildcardsAndAliasesOfItsOwnFiles)
{
    const std::string dir = ScratchDir("record-aliases") + "\\";
    std::string entries = "velq.exe\r\nv*.exe\r\nuninstall.?at\r\n";
    for (const char* name : {"velq.exe", "uninstall.exe", "uninstall.dat"}) {
        char alias[MAX_PATH];
        WriteText(dir + name, name);
        ASSERT_NE(GetShortPathNameA((dir + name).c_str(), alias, MAX_PATH), 0u);
        entries += strrchr(alias, '\\') + 1 + std::string("\r\n");
    }
    WriteText(dir + "uninstall.dat", entries + "uninstall.exe\r\nuninstall.dat\r\n");
    ASSERT_EQ(ReadInstallRecord(dir.c_str()), kRecordRead);
    EXPECT_TRUE(RemoveInstalledFiles(dir.c_str()));
    EXPECT_EQ(ListNames(dir), (std::vector<std::string>{"uninstall.dat", "uninstall.exe"}));
}

TEST(InstallRecord, AnEntryIsActedOnOnlyInsideTheFolder)
{
    const char folder[] = "C:\\Velq\\";
    char path[kPathChars];
    ASSERT_TRUE(RecordedPath(folder, "exams\\q1.txt", path));
    EXPECT_STREQ(path, "C:\\Velq\\exams\\q1.txt");
    EXPECT_TRUE(RecordedPath(folder, "exams\\", path));
    const std::string tooLong(300, 'y');
    for (const char* entry :
         {"", "..\\x", "C:\\x", "C:x", "\\x", "exams\\..\\..\\x", "exams\\..\\x", ".\\x",
          "..\\Velq-next\\x", "exams/x", "exams\\\\x", "velq.exe:s", tooLong.c_str()})
        EXPECT_FALSE(RecordedPath(folder, entry, path)) << '"' << entry << '"';
}

static const char kUninstallKey[] =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquor";

static std::string RegisteredLocation(HKEY root)
{
    char location[MAX_PATH] = "";
    DWORD size = sizeof location;
    RegGetValueA(root, kUninstallKey, "InstallLocation", RRF_RT_REG_SZ, NULL, location, &size);
    return location;
}

// What Wine never refuses: a user whom HKEY_LOCAL_MACHINE refuses registers
// in HKEY_CURRENT_USER, and a program whose own path does not fit leaves
// neither uninstaller, record nor key.
TEST(RegisterInstallation, FallsBackToTheUsersKeyAndWithoutItsOwnPathWritesNothing)
{
    const std::string dir = ScratchDir("registration") + "\\";
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, dir.c_str()));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    StartInstallRecord(30);
    FailCalls("RegCreateKeyExA");
    ASSERT_TRUE(RegisterInstallation());
    EXPECT_EQ(RegisteredLocation(HKEY_CURRENT_USER) + "|" + RegisteredLocation(HKEY_LOCAL_MACHINE),
              dir + "|");
    RegDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);
    RemoveAll(dir);
    MakeDir(dir);
    StartInstallRecord(30);
    FailCalls("GetModuleFileNameA");
    EXPECT_FALSE(RegisterInstallation());
    EXPECT_EQ(ListNames(dir).size() + RegisteredLocation(HKEY_LOCAL_MACHINE).size(), 0u);
}

// The unit test program's own version resource (unit_tests.rc).
TEST(ReadProgramVersion, ACompanyNameOfOneCharacterIsThePublisher)
{
    char self[kPathChars];
    char version[kVersionChars];
    char publisher[kPathChars];
    ASSERT_TRUE(GetProgramPath(self));
    ReadProgramVersion(self, version, publisher);
    EXPECT_EQ(std::string(version) + " " + publisher, "1.2.3.4 V");
}
