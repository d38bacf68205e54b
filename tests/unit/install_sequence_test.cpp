#include "setup/install_sequence.h"

#include <gtest/gtest.h>

#include "setup/setup_state.h"
#include "tests/common/test_files.h"

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
