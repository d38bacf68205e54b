#include "res/resource.h"

#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

// A reinstall that fails or is stopped leaves the earlier installation as
// it was; a first installation, nothing.

namespace {

// The installation as a user finds it: the folder byte for byte, where the
// registration and a shortcut point.
std::string Installed()
{
    return TreeText(kTarget) + Registered("InstallLocation") + ReadShortcut(kLinks[0]).target;
}

class ReinstallTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        BuildMedium(medium);
    }

    // Installs from the dialog and ends the setup by force while the copy
    // of exams' thousands of files shows.
    void EndDuringTheCopy()
    {
        SetupRun run;
        ASSERT_NE(StartAndInstall(run), nullptr);
        for (DWORD start = GetTickCount(); GetTickCount() - start < Scaled(60000); Sleep(5)) {
            HWND progress = FindProcessWindow(run.Id(), "Velquor Setup", "#32770");
            if (progress && ControlText(progress, IDC_PROGRESS_FILE).substr(0, 4) == "bulk") {
                EndRun(run);
                return;
            }
        }
        FAIL() << "the copy of exams was not seen";
    }
};

}  // namespace

// A medium file of the last listed folder cannot be read, as from a
// scratched CD.
TEST_F(ReinstallTest, AnInstallationThatFailsLeavesTheFolderAsItWas)
{
    // A first installation leaves nothing, and is retried whole.
    Messages shown;
    HANDLE held = HoldOpen(medium + "\\flags\\flags2.dat");
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    CloseHandle(held);
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_EQ(Registered("DisplayName") + ReadShortcut(kLinks[0]).target, "<missing>");
    Install();
    ASSERT_EQ(ListNames(kTarget), InstalledNames());
    // A reinstall leaves the earlier installation.
    const std::string before = Installed();
    WriteText(medium + "\\velq.hlp", "a newer help");
    held = HoldOpen(medium + "\\flags\\flags2.dat");
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    CloseHandle(held);
    EXPECT_EQ(Installed(), before);
    EXPECT_EQ(shown, Messages(2, Confirmation("Velquor Installation Failed")[0]));
}

// Dot-named entries stay, as the walk has always left them, and nothing
// fails for them; what the user added otherwise goes with the folder. Also
// when a run ended by force while it deleted what it had moved aside.
TEST_F(ReinstallTest, AReinstallKeepsTheDotNamedEntriesOfTheListedFolders)
{
    Install();
    const std::string exams = TreeText(std::string(kTarget) + "\\exams");
    WriteText(std::string(kTarget) + "\\exams\\.keep", "mine");
    MakeDir(std::string(kTarget) + "\\Figures\\.git");
    WriteText(std::string(kTarget) + "\\exams\\added.dat", "added");
    Messages shown;
    EXPECT_EQ(RunSetup(medium, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(TreeText(std::string(kTarget) + "\\exams"), ".keep=mine\n" + exams);
    EXPECT_TRUE(IsDir(std::string(kTarget) + "\\Figures\\.git"));

    const std::string aside = std::string(kTarget) + "\\.velquor-aside\\exams";
    RemoveAll(std::string(kTarget) + "\\exams\\.keep");
    MakeDir(aside);
    WriteText(aside + "\\exams1.dat", "earlier");
    WriteText(aside + "\\.keep", "mine");
    // The folder's byte, then one for each name (exams is the second), and
    // the mark of a complete installation.
    WriteText(std::string(kTarget) + "\\.velquor-journal", "--M" + std::string(16, '-') + "C");
    SetupRun next;
    ASSERT_TRUE(Start(next, medium));
    ASSERT_NE(Dialog(next), nullptr);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(TreeText(std::string(kTarget) + "\\exams"), ".keep=mine\n" + exams);
}

// Each start finishes what the journal of a run ended by force says before
// anything else: setup under /S and before its dialog, and the uninstaller.
TEST_F(ReinstallTest, WhatARunEndedByForceLeftIsFinishedByTheNextStart)
{
    for (int i = 0; i < 3000; ++i)
        WriteText(medium + "\\exams\\bulk" + std::to_string(i) + ".dat", "bulk");
    EndDuringTheCopy();
    Install();
    ASSERT_EQ(ListNames(kTarget), InstalledNames());
    const std::string installed = Installed();
    // A newer version holds a file that the record does not list.
    WriteText(medium + "\\exams\\a-new.dat", "new");
    EndDuringTheCopy();
    SetupRun next;
    ASSERT_TRUE(Start(next, medium));
    ASSERT_NE(Dialog(next), nullptr);
    // Thousands of lines: only whether they are the same.
    EXPECT_TRUE(Installed() == installed) << "the earlier installation is not back";
    EndRun(next);
    EndDuringTheCopy();
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_TRUE(Vanishes(kTarget)) << testing::PrintToString(ListNames(kTarget));
}
