#include "engine/install_transaction.h"

#include <gtest/gtest.h>

#include <functional>

#include "engine/install_selection.h"
#include "setup/setup_state.h"
#include "tests/common/test_files.h"

namespace {

// An earlier installation in target, and the medium of a newer one.
struct Reinstall {
    std::string medium;
    std::string target;
    std::string earlier;
    std::string newer;

    explicit Reinstall(const std::string& name)
    {
        const std::string dir = ScratchDir(name);
        medium = dir + "\\medium";
        target = dir + "\\target";
        for (const std::string& root : {medium, target}) {
            const std::string version = root == medium ? "new" : "old";
            for (const char* folder : {"\\dibs", "\\exams"}) {
                MakeDir(root + folder);
                WriteText(root + folder + "\\" + version + ".dat", version);
            }
            for (const char* file : {"\\velq.exe", "\\uninstall.exe", "\\uninstall.dat"})
                WriteText(root + file, version);
        }
        earlier = TreeText(target);
        newer = TreeText(medium);
    }

    // The copy, with the medium as current directory, as setup runs it.
    DWORD Copy()
    {
        ::Setup = SetupState();
        ::Setup.Selection.SideBySide = TRUE;
        EXPECT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
        EXPECT_TRUE(CopyPath(::Setup.TargetDir, target.c_str()));
        DWORD failure = 0;
        SetCurrentDirectoryA(medium.c_str());
        InstallSelection(&failure);
        SetCurrentDirectoryA("C:\\");
        return failure;
    }
};

// Holds path open without sharing, as another program would, until the
// holder goes.
struct Held {
    HANDLE handle;
    explicit Held(const std::string& path)
        : handle(CreateFileA(path.c_str(), GENERIC_READ, 0, NULL, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS, NULL))
    {
        EXPECT_NE(handle, INVALID_HANDLE_VALUE) << path;
    }
    ~Held() { CloseHandle(handle); }
};

}  // namespace

// A failure at each step leaves the earlier installation or the new one,
// never a mixture, once a start has finished what a step left.
TEST(InstallTransaction, EveryStepThatFailsLeavesOneInstallationWhole)
{
    const std::vector<std::function<std::string(Reinstall&)>> steps = {
        // Moving aside: velq.exe, after the folders.
        [](Reinstall& run) {
            Held held(run.target + "\\velq.exe");
            EXPECT_EQ(run.Copy(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
            return run.earlier;
        },
        // Copying, and then restoring: the new copy of dibs is held too.
        [](Reinstall& run) {
            Held held(run.medium + "\\exams\\new.dat");
            EXPECT_EQ(run.Copy(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
            Held copied(run.target + "\\dibs\\new.dat");
            FinishReplacement();
            return run.earlier;
        },
        // Committing: the earlier exams is held aside.
        [](Reinstall& run) {
            EXPECT_EQ(run.Copy(), 0u);
            EXPECT_TRUE(SetAsideUninstaller());
            for (const char* file : {"\\uninstall.exe", "\\uninstall.dat"})
                WriteText(run.target + file, "new");
            Held aside(run.target + "\\.velquor-aside\\exams\\old.dat");
            EXPECT_TRUE(CommitReplacement());
            FinishReplacement();
            return run.newer;
        },
    };
    for (size_t step = 0; step < steps.size(); ++step) {
        Reinstall run("transaction-" + std::to_string(step));
        const std::string whole = steps[step](run);
        FinishReplacement();
        EXPECT_TRUE(RecoverReplacement(run.target.c_str())) << step;
        EXPECT_EQ(TreeText(run.target), whole) << step;
    }
}
