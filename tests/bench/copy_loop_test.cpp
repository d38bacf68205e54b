// The copy loop is the baseline that setup.exe is measured against: it must
// copy exactly what its list names, only after the go, and report failures.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/bench/bench_signals.h"
#include "tests/common/test_files.h"
#include "tests/driver/setup_driver.h"

namespace {

using Names = std::vector<std::string>;

class CopyLoopTest : public testing::Test {
protected:
    void SetUp() override
    {
        const std::string scratch = ScratchDir("copy-loop");
        medium = scratch + "\\medium\\";
        target = scratch + "\\target\\";
        list = scratch + "\\files.list";
        stubLog = scratch + "\\stub.log";
        MakeDir(medium + "dibs");
        WriteText(medium + "dibs\\a.dat", "a");
        WriteText(medium + "dibs\\b.dat", "bb");
        WriteText(medium + "dibs\\unlisted.dat", "not copied");
        ASSERT_TRUE(CopyFileA((BuildDir() + "\\tests\\sample\\VelQ.exe").c_str(),
                              (medium + "VelQ.exe").c_str(), FALSE));
        WriteText(list, "dibs\\a.dat\tdibs\\a.dat\ndibs\\b.dat\tdibs\\b.dat\nVelQ.exe\tvelq.exe\n");
    }

    // No started program may outlive the test: it would keep the test's
    // output open.
    void TearDown() override { CloseStub(AwaitStub()); }

    // The program starts after the loop has ended; its log tells when.
    StubStart AwaitStub()
    {
        StubStart stub = ReadStubStart(stubLog);
        for (int i = 0; i < 100 && !stub.started; ++i) {
            Sleep(50);
            stub = ReadStubStart(stubLog);
        }
        return stub;
    }

    // Starts the loop; once it is ready, runs beforeGo, gives the go and
    // returns the loop's exit code.
    template <typename BeforeGo>
    DWORD RunLoop(const char* mode, BeforeGo beforeGo)
    {
        HANDLE ready = CreateEventA(NULL, TRUE, FALSE, kLoopReadyEvent);
        HANDLE go = CreateEventA(NULL, TRUE, FALSE, kLoopGoEvent);
        SetEnvironmentVariableA("VELQ_STUB_LOG", stubLog.c_str());
        DeleteFileA(stubLog.c_str());
        std::string command = "\"" + BuildDir() + "\\tests\\bench\\copy_loop.exe\" \"" + medium +
                              "\\\" \"" + target + "\\\" \"" + list + "\" " + mode;
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        SetupRun run;
        DWORD code = STILL_ACTIVE;
        if (CreateProcessA(NULL, &command[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup,
                           &run.process) &&
            WaitForSingleObject(ready, 15000) == WAIT_OBJECT_0) {
            beforeGo();
            SetEvent(go);
            WaitForSingleObject(run.process.hProcess, 15000);
            GetExitCodeProcess(run.process.hProcess, &code);
        }
        CloseHandle(ready);
        CloseHandle(go);
        return code;
    }

    DWORD RunLoop(const char* mode = "")
    {
        return RunLoop(mode, [] {});
    }

    std::string medium, target, list, stubLog;
};

TEST_F(CopyLoopTest, CopiesTheListedFilesUnderTheirTargetNamesAndStartsTheProgram)
{
    EXPECT_EQ(RunLoop(), 0u);
    EXPECT_EQ(ListNames(target), (Names{"dibs\\", "velq.exe"}));
    EXPECT_EQ(ListNames(target + "dibs"), (Names{"a.dat", "b.dat"}));
    EXPECT_EQ(ReadText(target + "dibs\\b.dat"), "bb");
    EXPECT_TRUE(AwaitStub().started);
}

TEST_F(CopyLoopTest, CopiesNothingBeforeTheGo)
{
    bool copiedEarly = true;
    EXPECT_EQ(RunLoop("",
                      [&] {
                          Sleep(300);
                          copiedEarly = Exists(target);
                      }),
              0u);
    EXPECT_FALSE(copiedEarly);
    EXPECT_TRUE(Exists(target + "dibs\\a.dat"));
}

TEST_F(CopyLoopTest, RemoveRenewsTheFoldersOfAnInstallation)
{
    ASSERT_EQ(RunLoop(), 0u);
    WriteText(target + "dibs\\a.dat", "changed");
    CloseStub(AwaitStub());
    EXPECT_EQ(RunLoop("remove"), 0u);
    EXPECT_EQ(ReadText(target + "dibs\\a.dat"), "a");
    EXPECT_EQ(ListNames(target + "dibs"), (Names{"a.dat", "b.dat"}));
}

TEST_F(CopyLoopTest, AFolderThatCannotBeRemovedCountsAsAFailedStep)
{
    ASSERT_EQ(RunLoop(), 0u);
    WriteText(target + "dibs\\stale.dat", "not listed");
    CloseStub(AwaitStub());
    // The folder stays, so neither removing nor creating it succeeds.
    EXPECT_EQ(RunLoop("remove"), 2u);
}

TEST_F(CopyLoopTest, AMissingSourceCountsAsAFailedStep)
{
    WriteText(list,
              "dibs\\a.dat\tdibs\\a.dat\ndibs\\gone.dat\tdibs\\gone.dat\nVelQ.exe\tvelq.exe\n");
    EXPECT_EQ(RunLoop(), 1u);
    EXPECT_TRUE(Exists(target + "dibs\\a.dat"));
}

}  // namespace
