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
    for (size_t end = 0; end < whole.size(); end = whole.find('\n', end) + 1) {
        WriteText(dir + "uninstall.dat", whole.substr(0, end));
        EXPECT_EQ(ReadInstallRecord(dir.c_str()), kRecordUnreadable) << end;
    }
    for (const std::string& other : {whole.substr(0, whole.size() - 2),
                                     std::string("exams\\uninstall.exe\r\nuninstall.dat\r\n")}) {
        WriteText(dir + "uninstall.dat", other);
        EXPECT_EQ(ReadInstallRecord(dir.c_str()), kRecordUnreadable) << other;
    }
}

// Written again over an earlier record that is hidden, which Windows refuses
// to replace as a normal file, and reported written only once it is on the
// disk, before the registration points at it.
TEST(InstallRecord, ReplacesAHiddenRecordAndIsWrittenOnlyWhenFlushed)
{
    const std::string dir = ScratchDir("record-hidden") + "\\";
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, dir.c_str()));
    WriteText(dir + "uninstall.dat", "earlier");
    ASSERT_TRUE(SetFileAttributesA((dir + "uninstall.dat").c_str(),
                                   FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
    StartInstallRecord(30);
    ASSERT_TRUE(WriteInstallRecord());
    EXPECT_EQ(GetFileAttributesA((dir + "uninstall.dat").c_str()) &
                  (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM),
              0u);
    StartInstallRecord(30);
    FailCalls("FlushFileBuffers");
    EXPECT_FALSE(WriteInstallRecord());
    EXPECT_FALSE(Exists(dir + "uninstall.dat"));
}

// The uninstaller and the record go last, after the uninstaller's own
// process: an entry that names them by a short alias, or with wildcards,
// is passed over.
TEST(InstallRecord, TheRemovalPassesOverWildcardsAndAliasesOfItsOwnFiles)
{
    const std::string dir = ScratchDir("record-aliases") + "\\";
    std::string aliases;
    for (const char* name : {"uninstall.exe", "uninstall.dat"}) {
        WriteText(dir + name, name);
        char alias[MAX_PATH];
        ASSERT_NE(GetShortPathNameA((dir + name).c_str(), alias, MAX_PATH), 0u);
        aliases += strrchr(alias, '\\') + 1 + std::string("\r\n");
    }
    WriteText(dir + "velq.exe", "program");
    WriteText(dir + "uninstall.dat", "velq.exe\r\nv*.exe\r\nuninstall.?at\r\n" + aliases +
                                         "uninstall.exe\r\nuninstall.dat\r\n");
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

namespace {

const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquor";

std::string RegisteredLocation(HKEY root)
{
    char location[MAX_PATH] = "";
    DWORD size = sizeof location;
    RegGetValueA(root, kUninstallKey, "InstallLocation", RRF_RT_REG_SZ, NULL, location, &size);
    return location;
}

}  // namespace

// What Wine never refuses: a user whom HKEY_LOCAL_MACHINE refuses registers
// in HKEY_CURRENT_USER, and a program whose own path does not fit leaves
// neither uninstaller, record nor key.
TEST(RegisterInstallation, FallsBackToTheUsersKeyAndWithoutItsOwnPathWritesNothing)
{
    const std::string dir = ScratchDir("registration") + "\\";
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, dir.c_str()));
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kUninstallKey);
    const DWORD recordBytes =
        RecordLineBytes(kUninstallerName) + RecordLineBytes(kInstallRecordName);
    StartInstallRecord(recordBytes);
    FailCalls("RegCreateKeyExA");
    ASSERT_TRUE(RegisterInstallation());
    EXPECT_EQ(RegisteredLocation(HKEY_CURRENT_USER), dir);
    EXPECT_EQ(RegisteredLocation(HKEY_LOCAL_MACHINE), "");
    RegDeleteKeyA(HKEY_CURRENT_USER, kUninstallKey);

    RemoveAll(dir);
    MakeDir(dir);
    StartInstallRecord(recordBytes);
    FailCalls("GetModuleFileNameA");
    EXPECT_FALSE(RegisterInstallation());
    EXPECT_EQ(ListNames(dir), std::vector<std::string>{});
    EXPECT_EQ(RegisteredLocation(HKEY_LOCAL_MACHINE) + RegisteredLocation(HKEY_CURRENT_USER), "");
}

// The unit test program's own version resource (unit_tests.rc).
TEST(ReadProgramVersion, ACompanyNameOfOneCharacterIsThePublisher)
{
    char self[kPathChars];
    char version[kVersionChars];
    char publisher[kPathChars];
    ASSERT_TRUE(GetProgramPath(self));
    ReadProgramVersion(self, version, publisher);
    EXPECT_STREQ(version, "1.2.3.4");
    EXPECT_STREQ(publisher, "V");
}
