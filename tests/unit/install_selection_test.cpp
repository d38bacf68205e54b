#include "engine/install_selection.h"

#include "engine/install_record.h"
#include "engine/selection_size.h"

#include <gtest/gtest.h>

#include "dialogs/progress_window.h"
#include "res/resource.h"
#include "setup/setup_state.h"
#include "tests/common/test_files.h"
#include "tests/unit/platform_seam.h"

namespace {

using Names = std::vector<std::string>;

// Runs the scan with the medium as current directory, as the setup does.
int InstallFrom(const std::string& medium, const std::string& target, DWORD* failure)
{
    char previous[kPathChars];
    GetCurrentDirectoryA(sizeof previous, previous);
    EXPECT_TRUE(SetCurrentDirectoryA(medium.c_str()));
    EXPECT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
    EXPECT_TRUE(CopyPath(::Setup.TargetDir, target.c_str()));
    const int count = InstallSelection(failure);
    SetCurrentDirectoryA(previous);
    return count;
}

void MakeMedium(const std::string& medium)
{
    for (const char* folder : {"dibs", "EXAMS", "exercise", "Figures", "flags", "setup"}) {
        MakeDir(medium + "\\" + folder);
        WriteText(medium + "\\" + folder + "\\data.dat", folder);
    }
    for (const char* file : {"VelQ.exe", "README.TXT", "SS3D.VBX", "autorun.inf"})
        WriteText(medium + "\\" + file, file);
}

}  // namespace

TEST(IsSelectedFolder, MatchesWholeNamesWithoutCaseAndKeepsTheCallersName)
{
    char name[] = "FiGuReS";
    EXPECT_EQ(IsSelectedFolder(name), 1);
    EXPECT_STREQ(name, "FiGuReS");
    EXPECT_EQ(IsSelectedFolder("flags"), 1);
    EXPECT_EQ(IsSelectedFolder("flag"), 0);
    EXPECT_EQ(IsSelectedFolder("flags2"), 0);
    EXPECT_EQ(IsSelectedFolder("setup"), 0);
    EXPECT_EQ(IsSelectedFolder(""), 0);
}

TEST(IsSelectedFile, MatchesWholeNamesWithoutCaseAndLowerCasesTheName)
{
    char listed[] = "Ss3d.Vbx";
    EXPECT_EQ(IsSelectedFile(listed), 1);
    EXPECT_STREQ(listed, "ss3d.vbx");
    char partial[] = "VelQ.ex";
    EXPECT_EQ(IsSelectedFile(partial), 0);
    char other[] = "AUTORUN.INF";
    EXPECT_EQ(IsSelectedFile(other), 0);
    EXPECT_STREQ(other, "autorun.inf");
}

TEST(InstallSelection, InstallsListedEntriesOnly)
{
    const std::string dir = ScratchDir("selection");
    MakeMedium(dir + "\\medium");
    MakeDir(dir + "\\medium\\dibs\\nested");
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\target", &failure), 5);
    EXPECT_EQ(failure, 0u);
    EXPECT_STREQ(::Setup.TargetDir, (dir + "\\target\\").c_str());
    // Files arrive lower-cased, folders keep the medium's case.
    EXPECT_EQ(ListNames(dir + "\\target"),
              (Names{"EXAMS\\", "Figures\\", "dibs\\", "exercise\\", "flags\\", "readme.txt",
                     "ss3d.vbx", "velq.exe"}));
    EXPECT_EQ(ListNames(dir + "\\target\\dibs"), Names{"data.dat"});
}

// The bytes of every file below folder, and the 4 KB clusters that every
// file (at least one) and folder takes.
static void CountTree(const std::string& folder, ULONGLONG* bytes, ULONGLONG* clusters)
{
    for (const std::string& name : ListNames(folder)) {
        const std::string path = folder + "\\" + name;
        if (name.back() == '\\') {
            ++*clusters;
            CountTree(path.substr(0, path.size() - 1), bytes, clusters);
        } else {
            const ULONGLONG size = ReadText(path).size();
            *bytes += size;
            *clusters += size ? (size + 4095) / 4096 : 1;
        }
    }
}

// The measure walks the selection as the copy does: its bytes are those the
// copy writes. A reinstall replaces exactly the space it takes.
TEST(InstallSelection, IsMeasuredAsTheCopyWritesIt)
{
    const std::string dir = ScratchDir("selection-size");
    MakeMedium(dir + "\\medium");
    WriteText(dir + "\\medium\\exams\\large.dat", std::string(5000, 'x'));
    MakeDir(dir + "\\medium\\dibs\\nested");
    WriteText(dir + "\\medium\\dibs\\nested\\skipped.dat", "not copied");
    const std::string target = dir + "\\target";
    SetCurrentDirectoryA((dir + "\\medium").c_str());
    // The copy's record is sized by the measure that Install makes.
    MeasureSelection((target + "\\").c_str(), 4096, &::Setup.Selection);
    const SelectionSize fresh = ::Setup.Selection;

    DWORD failure = 0;
    ASSERT_EQ(InstallFrom(dir + "\\medium", target, &failure), 5);
    // Beside what it copied, setup leaves the uninstaller, a copy of itself,
    // and the record.
    char self[kPathChars];
    ASSERT_TRUE(GetProgramPath(self));
    ASSERT_TRUE(CopyFileA(self, (target + "\\uninstall.exe").c_str(), FALSE));
    ASSERT_TRUE(WriteInstallRecord());
    ULONGLONG bytes = 0;
    ULONGLONG clusters = 0;
    CountTree(target, &bytes, &clusters);
    EXPECT_EQ(fresh.Written.Bytes, bytes);
    // The missing target takes one cluster more.
    EXPECT_EQ(fresh.Written.Space, (clusters + 1) * 4096u);
    EXPECT_EQ(fresh.Replaced.Space, 0u);
    EXPECT_EQ(fresh.Peak, fresh.Written.Space);

    // A folder link, listed before the files: it is removed, not followed,
    // and what comes after it is freed all the same.
    ASSERT_TRUE(MakeFolderLink(target + "\\dibs\\a-link", dir + "\\medium\\exams"));
    SetCurrentDirectoryA((dir + "\\medium").c_str());
    SelectionSize again;
    MeasureSelection((target + "\\").c_str(), 4096, &again);
    EXPECT_EQ(again.Written.Bytes, bytes);
    EXPECT_EQ(again.Replaced.Space, again.Written.Space);
    EXPECT_EQ(again.Peak, 0u);
    EXPECT_FALSE(again.InUse);
    RemoveAll(target + "\\dibs\\a-link");
    SetCurrentDirectoryA("C:\\");
}

// The bar counts what the copy reports, and shows the last file's bytes too.
TEST(InstallSelection, TheProgressBarIsFullWhenTheCopyEnds)
{
    const std::string dir = ScratchDir("selection-progress");
    MakeMedium(dir + "\\medium");
    WriteText(dir + "\\medium\\exams\\large.dat", std::string(5000, 'x'));
    SetCurrentDirectoryA((dir + "\\medium").c_str());
    MeasureSelection((dir + "\\target\\").c_str(), 4096, &::Setup.Selection);
    OpenProgressWindow(NULL);
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\target", &failure), 5);
    char bar[8] = "";
    GetDlgItemTextA(::Setup.ProgressWindow, IDC_PROGRESS_BAR, bar, sizeof bar);
    CloseProgressWindow();
    EXPECT_STREQ(bar, "100%");
    SetCurrentDirectoryA("C:\\");
}

// A folder that existed gets its owner and list before anything is written
// into it: where they cannot be set, nothing is. Only an earlier
// installation's content gets the list too (SetNamedSecurityInfoA passes it
// on), never what else the folder holds.
TEST(InstallSelection, WritesNothingIntoAFolderWhoseListCannotBeSet)
{
    const std::string dir = ScratchDir("selection-unguarded");
    MakeMedium(dir + "\\medium");
    MakeDir(dir + "\\target");
    FailCalls("SetFileSecurityA");
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\target", &failure), kFolderUnguarded);
    EXPECT_EQ(ListNames(dir + "\\target"), Names{});
    FailCalls("SetNamedSecurityInfoA");
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\target", &failure), 5);
    FailCalls("SetNamedSecurityInfoA", 0);
}

TEST(InstallSelection, RefusesATargetShorterThanFourCharactersOrTheMediumItself)
{
    const std::string dir = ScratchDir("selection-root");
    MakeMedium(dir + "\\medium");
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom(dir + "\\medium", "C:\\", &failure), 0);
    EXPECT_FALSE(Exists("C:\\dibs"));
    EXPECT_FALSE(Exists("C:\\velq.exe"));
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\medium", &failure), 0);
    EXPECT_EQ(ListNames(dir + "\\medium\\dibs"), Names{"data.dat"});
}

TEST(InstallSelection, StopsAtAFileThatCannotBeCopied)
{
    const std::string dir = ScratchDir("selection-held");
    MakeMedium(dir + "\\medium");
    MakeDir(dir + "\\target");
    // Listings come sorted: the five folders come before velq.exe.
    HANDLE held = CreateFileA((dir + "\\target\\velq.exe").c_str(), GENERIC_WRITE, 0, NULL,
                              CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom(dir + "\\medium", dir + "\\target", &failure), 5);
    CloseHandle(held);
    EXPECT_EQ(failure, static_cast<DWORD>(ERROR_INSTALL_FAILURE));
}

TEST(InstallSelection, FindsListedEntriesAtADriveRoot)
{
    // A drive root delivers no "." entry before the first listed file.
    EmptyDriveRoot();
    MakeMedium("M:");
    RemoveAll("M:\\autorun.inf");
    WriteText("M:\\BTNBTNVB.VBX", "first");
    WIN32_FIND_DATAA first;
    HANDLE find = FindFirstFileA("M:\\*.*", &first);
    ASSERT_NE(find, INVALID_HANDLE_VALUE);
    FindClose(find);
    ASSERT_STREQ(first.cFileName, "BTNBTNVB.VBX");
    const std::string target = ScratchDir("selection-drive-root") + "\\target";
    DWORD failure = 0;
    EXPECT_EQ(InstallFrom("M:\\", target, &failure), 5);
    EXPECT_STREQ(::Setup.SourceDir, "M:\\\\");
    EXPECT_EQ(ReadText(target + "\\btnbtnvb.vbx"), "first");
}
