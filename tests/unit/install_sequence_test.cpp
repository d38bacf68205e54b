#include "setup/install_sequence.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/target_check.h"
#include "runtime/process_account.h"
#include "runtime/setup_log.h"
#include "setup/command_line.h"
#include "setup/setup_state.h"
#include "setup/single_instance.h"
#include "setup/uninstall_sequence.h"
#include "tests/common/test_files.h"
#include "tests/unit/platform_seam.h"

namespace {

BOOL CALLBACK FindVelquorWindow(HWND window, LPARAM parameter)
{
    auto* found = reinterpret_cast<std::pair<DWORD, HWND>*>(parameter);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char title[64] = "";
    GetWindowTextA(window, title, sizeof title);
    if (owner != found->first || strcmp(title, "Velquor") != 0)
        return TRUE;
    found->second = window;
    return FALSE;
}

// Reads the command line into a fresh state. Only silent lines may be
// refused here: any other shows the list of switches.
bool Read(const std::string& line)
{
    ::Setup = SetupState();
    return ReadCommandLine(line.c_str());
}

}  // namespace

// No timer can be set on another process's window. The close request must
// then be posted at once instead of never: here it closes the stand-in
// program's window, which ends that program.
TEST(StartCloseTimer, ClosesAtOnceWhenNoTimerCanBeSet)
{
    std::string command = "\"" + BuildDir() + "\\tests\\sample\\VelQ.exe\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process));
    std::pair<DWORD, HWND> found(process.dwProcessId, HWND(NULL));
    for (int i = 0; i < 200 && !found.second; ++i) {
        Sleep(25);
        EnumWindows(FindVelquorWindow, reinterpret_cast<LPARAM>(&found));
    }
    ASSERT_NE(found.second, nullptr);
    EXPECT_EQ(SetTimer(found.second, kCloseTimerId, kCloseDelayMs, NULL), 0u)
        << "this platform sets timers on other processes' windows";

    StartCloseTimer(found.second);
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 10000), WAIT_OBJECT_0);
    TerminateProcess(process.hProcess, 1);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

// The doubled separator is kept while it fits; a folder one character
// longer is started through the single one, which names the same file.
TEST(ComposeProgramPath, KeepsTheDoubledSeparatorOnlyWhileItFits)
{
    const std::string fits = "C:\\" + std::string(246, 'v') + "\\";
    const std::string full = "C:\\" + std::string(247, 'v') + "\\";
    const std::string tooLong = "C:\\" + std::string(248, 'v') + "\\";
    char program[kPathChars];
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, fits.c_str()));
    ASSERT_TRUE(ComposeProgramPath(program));
    EXPECT_EQ(program, fits + "\\VelQ.exe");
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, full.c_str()));
    ASSERT_TRUE(ComposeProgramPath(program));
    EXPECT_EQ(program, full + "VelQ.exe");
    ASSERT_TRUE(CopyPath(::Setup.TargetDir, tooLong.c_str()));
    EXPECT_FALSE(ComposeProgramPath(program));
}

TEST(ReadCommandLine, TakesTheFolderOfDWithoutTrailingBlanksOrOnePairOfQuotes)
{
    EXPECT_TRUE(Read("/S /D=\"C:\\Velq Apps\" \t "));
    EXPECT_STREQ(::Setup.TargetDir, "C:\\Velq Apps");
}

// Install appends a separator, which must still fit the path limit.
TEST(ReadCommandLine, TakesTheLongestFolderThatLeavesRoomForTheSeparator)
{
    const std::string longest = "C:\\" + std::string(kPathChars - 5, 'v');
    ASSERT_EQ(longest.size() + 2, kPathChars);
    EXPECT_TRUE(Read("/S /D=" + longest));
    EXPECT_EQ(::Setup.TargetDir, longest);
    EXPECT_FALSE(Read("/S /D=" + longest + "v"));
    EXPECT_EQ(::Setup.ExitCode, 87u);
}

// /wait= is the uninstaller's temporary copy's alone: anywhere else it
// would skip the lock that keeps two runs apart.
TEST(ReadCommandLine, ASilentListOrAWaitOutsideTheUninstallersCopyEndsWith87)
{
    for (const char* line : {"/S /?", "/S /wait=8 /D=C:\\Velq", "/S /wait=4294967295",
                             "/S /wait=4294967294", "/S /wait="}) {
        EXPECT_FALSE(Read(line)) << line;
        EXPECT_EQ(::Setup.ExitCode, 87u) << line;
        EXPECT_EQ(::Setup.UninstallerProcess, nullptr) << line;
    }
}

// A relative /LOG= path would put the log onto the medium (87); an
// over-long one, or a temporary folder that cannot be read, gives no log.
TEST(ReadCommandLine, ALogPathIsFullOrThereIsNoLog)
{
    for (const char* relative : {"/S /LOG=velq.log", "/S /LOG=\\velq.log", "/S /LOG=C:velq.log"})
        EXPECT_FALSE(Read(relative) || ::Setup.ExitCode != 87 || ::Setup.LogFile[0]) << relative;
    EXPECT_TRUE(Read("/S /LOG=C:\\" + std::string(kPathChars, 'v')) && !::Setup.LogFile[0]);
    FailCalls("GetTempPathA");
    EXPECT_TRUE(Read("/S /LOG=C:\\velq.log /LOG") && !::Setup.LogFile[0]);
}

// Another run appends to the log meanwhile: every line still goes to the
// end, on a line of its own.
TEST(SetupLog, EachLineGoesToTheEndWhateverAnotherRunWroteMeanwhile)
{
    const std::string log = ScratchDir("log-append") + "\\velq.log";
    WriteText(log, "earlier\r\n");
    ASSERT_TRUE(OpenSetupLog(log.c_str()));
    std::ofstream(log, std::ios::app | std::ios::binary) << "other run\r\n";
    LogLine("%s", "this\r\nrun");
    const std::string text = ReadText(log);
    EXPECT_EQ(text.substr(0, 20) + text.substr(40), "earlier\r\nother run\r\nthis  run\r\n");
}

TEST(RootLength, DevicePathsAreNoRootsAndOneCharacterNamesAreServersAndShares)
{
    EXPECT_EQ(RootLength("\\\\?\\C:\\Velq\\"), 0u);
    EXPECT_EQ(RootLength("\\\\.\\C:\\Velq\\"), 0u);
    EXPECT_EQ(RootLength("\\\\s\\v\\Velq\\"), 6u);
    EXPECT_EQ(RootLength("\\\\server\\v\\"), 11u);
}

// The room check against a drive filled to exactly what it measures.
TEST(CheckTarget, AcceptsExactlyTheRoomMeasuredAndNotOneClusterLess)
{
    const std::string drive = SmallDrive();
    if (drive.empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    const std::string medium = ScratchDir("room-check");
    MakeDir(medium + "\\exams");
    WriteText(medium + "\\exams\\large.dat", std::string(300000, 'x'));
    WriteText(medium + "\\VelQ.exe", "program");
    ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str()));
    ASSERT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
    TargetCheck check;
    CheckTarget("S:\\Velq\\", &check);
    ASSERT_EQ(check.Verdict, kTargetAccepted);
    const ULONGLONG needed = ::Setup.Selection.Peak;
    ULARGE_INTEGER available, total, free;
    for (ULONGLONG less : {0ull, 4096ull}) {
        ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
        WriteText("S:\\filler" + std::to_string(less),
                  std::string(available.QuadPart - needed + less, 'f'));
        ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
        ASSERT_EQ(available.QuadPart, needed - less);
        CheckTarget("S:\\Velq\\", &check);
        EXPECT_EQ(check.Verdict, less ? kTargetTooSmall : kTargetAccepted) << less;
        DeleteFileA(("S:\\filler" + std::to_string(less)).c_str());
    }
    SetCurrentDirectoryA("C:\\");
}

// The free space as the platform may give it: with exactly the room that
// the copy needs at its peak the folder fits, with a byte less it does
// not, and where the space cannot be read it has room.
TEST(CheckTarget, AnExactFitOrAnUnreadableFreeSpaceIsRoomEnough)
{
    const std::string medium = ScratchDir("room-figures");
    WriteText(medium + "\\VelQ.exe", "program");
    ASSERT_TRUE(SetCurrentDirectoryA(medium.c_str()));
    ASSERT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
    const std::string target = ScratchDir("room-target") + "\\Velq\\";
    TargetCheck check;
    CheckTarget(target.c_str(), &check);
    const ULONGLONG needed = ::Setup.Selection.Peak;
    for (ULONGLONG free : {needed, needed - 1, 0ull}) {
        ReportFreeBytes(free);
        FailCalls("GetDiskFreeSpaceExA", free == 0);
        CheckTarget(target.c_str(), &check);
        EXPECT_EQ(check.Verdict, free == needed - 1 ? kTargetTooSmall : kTargetAccepted) << free;
    }
    SetCurrentDirectoryA("C:\\");
}

// In the order of TargetVerdict.
TEST(CheckTarget, EachVerdictIsLoggedWithItsOwnText)
{
    const char* const texts[] = {
        "accepted", "not a full path",     "holds the medium", "in use", "too little room",
        "a root",   "not an installation", "a folder link",    ""};
    for (int verdict = kTargetAccepted; verdict <= kTargetIsLink + 1; ++verdict)
        EXPECT_STREQ(NthText(kLogVerdicts, verdict), texts[verdict]);
}

// Windows 95, 98 and Me delete a file for each of its "NUL=" lines: another
// program's stays.
TEST(AppendRenameLine, KeepsTheLinesOfOtherPrograms)
{
    const std::string ini = ScratchDir("wininit") + "\\wininit.ini";
    const std::string others = "[rename]\r\nNUL=C:\\OTHER.EXE\r\nC:\\NEW.DLL=C:\\OLD.DLL\r\n";
    WriteText(ini, others);
    ASSERT_TRUE(AppendRenameLine("C:\\VELQ\\UNINST~1.EXE", ini.c_str()));
    EXPECT_EQ(ReadText(ini), others + "NUL=C:\\VELQ\\UNINST~1.EXE\r\n");
}

// Any user may make the lock first: an administrator's run counts only the
// lock of Administrators, SYSTEM or its own account.
TEST(LockCounts, NoUserCanTurnAnAdministratorsRunAway)
{
    BYTE other[] = {1, 1, 0, 0, 0, 0, 0, 5, 21, 0, 0, 0};
    BYTE own[] = {1, 1, 0, 0, 0, 0, 0, 5, 22, 0, 0, 0};
    EXPECT_TRUE(LockCounts(FALSE, FALSE, NULL, own) && LockCounts(FALSE, TRUE, other, own));
    EXPECT_FALSE(LockCounts(TRUE, TRUE, other, own) || LockCounts(TRUE, FALSE, NULL, own));
    for (const void* owner :
         std::initializer_list<const void*>{kAdministratorsSid, kLocalSystemSid, own, nullptr})
        EXPECT_TRUE(LockCounts(TRUE, TRUE, const_cast<void*>(owner), own)) << owner;
}
