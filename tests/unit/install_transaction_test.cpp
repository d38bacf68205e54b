#include "engine/install_transaction.h"

#include <gtest/gtest.h>

#include "engine/install_selection.h"
#include "setup/setup_state.h"
#include "tests/common/test_files.h"

namespace {

// Holds path open without sharing, as another program would.
HANDLE Hold(const std::string& path)
{
    HANDLE held = CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, NULL);
    EXPECT_NE(held, INVALID_HANDLE_VALUE) << path;
    return held;
}

}  // namespace

// A failure at each step, moving aside, copying, putting back and
// committing, leaves the earlier installation or the new one, never a
// mixture, once the next start has finished what the step left.
TEST(InstallTransaction, EveryStepThatFailsLeavesOneInstallationWhole)
{
    enum Step { kMovingAside, kCopyingAndPuttingBack, kCommitting };
    for (int step = kMovingAside; step <= kCommitting; ++step) {
        const std::string dir = ScratchDir("transaction-" + std::to_string(step));
        const std::string medium = dir + "\\medium", target = dir + "\\target";
        for (const std::string& root : {medium, target}) {
            const std::string version = root == medium ? "new" : "old";
            for (const char* name : {"\\dibs", "\\exams"}) {
                MakeDir(root + name);
                WriteText(root + name + "\\" + version + ".dat", version);
            }
            for (const char* name : {"\\velq.exe", "\\uninstall.exe", "\\uninstall.dat"})
                WriteText(root + name, version);
        }
        const std::string earlier = TreeText(target), newer = TreeText(medium);
        ::Setup = SetupState();
        ::Setup.Selection.SideBySide = TRUE;
        ASSERT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
        ASSERT_TRUE(CopyPath(::Setup.TargetDir, target.c_str()));
        // velq.exe moves after the folders; exams is copied after dibs.
        HANDLE held =
            step == kCommitting
                ? NULL
                : Hold(step == kMovingAside ? target + "\\velq.exe" : medium + "\\exams\\new.dat");
        const DWORD failures[] = {ERROR_SHARING_VIOLATION, ERROR_INSTALL_FAILURE, 0};
        DWORD failure = 0;
        SetCurrentDirectoryA(medium.c_str());
        InstallSelection(&failure);
        SetCurrentDirectoryA("C:\\");
        EXPECT_EQ(failure, failures[step]) << step;
        if (step == kCopyingAndPuttingBack) {
            CloseHandle(held);
            held = Hold(target + "\\dibs\\new.dat");
        } else if (step == kCommitting) {
            EXPECT_TRUE(SetAsideUninstaller());
            for (const char* name : {"\\uninstall.exe", "\\uninstall.dat"})
                WriteText(target + name, "new");
            EXPECT_TRUE(CommitReplacement());
            held = Hold(target + "\\.velquor-aside\\exams\\old.dat");
        }
        FinishReplacement();
        CloseHandle(held);
        EXPECT_EQ(Exists(target + "\\.velquor-journal"), step != kMovingAside) << step;
        EXPECT_TRUE(RecoverReplacement(target.c_str())) << step;
        EXPECT_EQ(TreeText(target), step == kCommitting ? newer : earlier) << step;
    }
}
