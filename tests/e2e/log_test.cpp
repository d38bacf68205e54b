#include <stdio.h>

#include <algorithm>
#include <sstream>

#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

// The log that /LOG and /LOG=file ask for, for the deployment tool's people.

namespace {

const char kLogFolder[] = "C:\\logs";
const std::string kLog = std::string(kLogFolder) + "\\velq.log";

std::vector<std::string> LogLines(const std::string& path)
{
    std::vector<std::string> lines;
    std::istringstream text(ReadText(path));
    for (std::string line; std::getline(text, line);) {
        EXPECT_EQ(line.back(), '\r') << line;
        // Every line begins with the local time, "2026-12-09 17:20:42 ".
        EXPECT_TRUE(line.size() > 20 && line[4] == '-' && line[13] == ':' && line[19] == ' ')
            << line;
        lines.push_back(line.substr(20, line.size() - 21));
    }
    return lines;
}

bool Logged(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

class LogTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        RemoveAll(kLogFolder);
        MakeDir(kLogFolder);
        BuildMedium(medium);
    }

    DWORD Run(const std::string& program, const std::string& arguments)
    {
        SetupRun run;
        bool showedWindow = false;
        if (!StartSetup(run, program, medium, "", arguments))
            return STILL_ACTIVE;
        return WaitUnattended(run, &showedWindow);
    }

    DWORD RunSetup(const std::string& arguments)
    {
        return Run(ProductDir() + "\\setup.exe", arguments);
    }
};

}  // namespace

TEST_F(LogTest, ASilentInstallLogsEveryStepAndEndsWithItsExitCode)
{
    ASSERT_EQ(RunSetup("/S /LOG=" + kLog), 0u);
    const std::vector<std::string> lines = LogLines(kLog);
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines.back(), "Exit code 0");
    EXPECT_EQ(lines.front().find("Command line: "), 0u) << lines.front();
    EXPECT_TRUE(Logged(lines, "Folder C:\\Velq\\: accepted"));
    EXPECT_TRUE(Logged(lines, "Installing from " + medium + "\\ into C:\\Velq\\"));
    for (const std::string& folder : kMediumFolders) {
        const std::string path = "C:\\Velq\\" + folder + "\\";
        EXPECT_TRUE(Logged(lines, "Cleared and created " + path)) << path;
        EXPECT_TRUE(Logged(lines, "Copied " + path + folder + "1.dat, " +
                                      std::to_string(folder.size() * 2 + 6) + " bytes"))
            << path;
    }
    EXPECT_TRUE(Logged(lines, "Copied C:\\Velq\\velq.hlp, 8 bytes"));
}

// Quoted, a log's path may hold blanks; /D= still takes the rest.
TEST_F(LogTest, ARefusedInstallLogsWhyAboveItsExitCodeAndLaterRunsAppend)
{
    const std::string log = std::string(kLogFolder) + "\\my log.txt";
    EXPECT_EQ(RunSetup("/S /LOG=\"" + log + "\" /D=Apps"), 161u);
    EXPECT_EQ(RunSetup("/S /LOG=\"" + log + "\" /D=Apps\\Velq"), 161u);
    const std::vector<std::string> lines = LogLines(log);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], "Folder Apps\\Velq\\: not a full path");
    EXPECT_EQ(lines.back(), "Exit code 161");
    EXPECT_TRUE(Logged(lines, "Folder Apps\\: not a full path"));
    // An unclosed quote would take the switches after it.
    EXPECT_EQ(RunSetup("/LOG=\"" + log + " /S"), 87u);
    EXPECT_EQ(LogLines(log).size(), lines.size());
    EXPECT_FALSE(Exists(kTarget));
}

// What a script is told of a command line it does not understand is logged
// too.
TEST_F(LogTest, AnUnknownSwitchIsLoggedWithItsMessage)
{
    EXPECT_EQ(RunSetup("/S /LOG=" + kLog + " /X"), 87u);
    const std::vector<std::string> lines = LogLines(kLog);
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2].substr(0, 36), "Message: Velquor Setup switches: /S\t");
    EXPECT_EQ(lines.back(), "Exit code 87");
}

TEST_F(LogTest, TooLittleRoomIsLoggedWithItsFigures)
{
    if (SmallDrive().empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    WriteText(medium + "\\exams\\large.dat", std::string(10 << 20, 'x'));
    EXPECT_EQ(RunSetup("/S /LOG=" + kLog + " /D=S:\\Velq"), 112u);
    const std::vector<std::string> lines = LogLines(kLog);
    ASSERT_GE(lines.size(), 3u);
    const std::string room = lines[lines.size() - 3];
    unsigned long needs = 0, has = 0;
    EXPECT_EQ(sscanf(room.c_str(), "Room on S:\\Velq\\ needs %lu KB, has %lu KB", &needs, &has), 2)
        << room;
    EXPECT_GT(needs, 10240u);  // the large file alone
    EXPECT_LE(has, 8192u);     // the whole drive
    EXPECT_EQ(room.substr(room.size() - 14), "KB: too little") << room;
    EXPECT_EQ(lines[lines.size() - 2], "Folder S:\\Velq\\: too little room");
    EXPECT_EQ(lines.back(), "Exit code 112");
}

TEST_F(LogTest, LogAloneAppendsToTheTemporaryFoldersLog)
{
    char temp[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    const std::string log = std::string(temp) + "Velquor Setup.log";
    RemoveAll(log);
    EXPECT_EQ(RunSetup("/LOG /S /D=Apps"), 161u);
    EXPECT_EQ(RunSetup("/S /D=Apps"), 161u);
    EXPECT_EQ(RunSetup("/S /LOG /D=Apps"), 161u);
    const std::vector<std::string> lines = LogLines(log);
    EXPECT_EQ(std::count(lines.begin(), lines.end(), "Exit code 161"), 2);
    RemoveAll(log);
}

// Held without sharing, the log cannot be opened.
TEST_F(LogTest, ALogThatCannotBeWrittenStopsNothing)
{
    HANDLE held = HoldOpen(kLog);
    EXPECT_EQ(RunSetup("/S /LOG=" + kLog), 0u);
    CloseHandle(held);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(ReadText(kLog), "");
}

TEST_F(LogTest, TheUninstallerLogsWhatItRemoved)
{
    ASSERT_EQ(RunSetup("/S"), 0u);
    EXPECT_EQ(Run(std::string(kTarget) + "\\uninstall.exe", "/S /LOG=" + kLog), 0u);
    const std::vector<std::string> lines = LogLines(kLog);
    ASSERT_FALSE(lines.empty());
    EXPECT_TRUE(Logged(lines, "Removed C:\\Velq\\velq.exe"));
    EXPECT_TRUE(Logged(lines, "Removed C:\\Velq\\exams"));
    EXPECT_EQ(lines.back(), "Exit code 0");
}
