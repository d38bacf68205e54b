#include "res/resource.h"

#include <algorithm>
#include <set>

#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

using InstallTest = SetupTest;

TEST_F(InstallTest, FullInstallCopiesTheSelectionStartsTheProgramAndClosesFourSecondsLater)
{
    BuildMedium(medium);
    // An earlier installation left files that are no longer on the medium.
    MakeEarlierInstallation();
    MakeDir(std::string(kTarget) + "\\exams\\old-folder");
    WriteText(std::string(kTarget) + "\\exams\\stale.dat", "stale");

    SetupRun run;
    ASSERT_NE(StartAndInstall(run), nullptr);
    std::vector<ShownMessage> shown;
    // The program starts while the setup waits for its close timer.
    DWORD programSeen = 0;
    for (DWORD start = GetTickCount(); !programSeen && GetTickCount() - start < 20000;) {
        if (ProgramStart().started)
            programSeen = GetTickCount();
        Sleep(20);
    }
    ASSERT_NE(programSeen, 0u) << "the installed program did not start";
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    const DWORD closedAfter = GetTickCount() - programSeen;
    EXPECT_TRUE(shown.empty()) << shown.front().caption << ": " << shown.front().text;
    EXPECT_GE(closedAfter, 3500u);
    EXPECT_LE(closedAfter, 15000u);

    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    for (const std::string& folder : kMediumFolders)
        EXPECT_EQ(ListNames(std::string(kTarget) + "\\" + folder), MediumFolderFiles(folder));

    const StubStart stub = ProgramStart();
    EXPECT_EQ(Lower(stub.folder), "c:\\velq");
    EXPECT_NE(Lower(stub.commandLine).find("velq.exe"), std::string::npos) << stub.commandLine;
    EXPECT_NE(WaitForProcessWindow(stub.processId, "Velquor", NULL, 5000), nullptr);
}

// A copy of thousands of files takes a while: a window of the setup shows
// what is being copied and how far the copy is, until the program starts.
TEST_F(InstallTest, TheCopyShowsItsProgressUntilTheProgramStarts)
{
    BuildMedium(medium);
    for (int i = 0; i < 1000; ++i)
        WriteText(medium + "\\exams\\bulk" + std::to_string(i) + ".dat", std::string(500, 'b'));
    SetupRun run;
    ASSERT_NE(StartAndInstall(run), nullptr);
    std::vector<int> percents;
    std::set<std::string> folders;
    std::set<std::string> files;
    for (DWORD start = GetTickCount(); GetTickCount() - start < Scaled(60000); Sleep(20)) {
        const bool programStarted = ProgramStart().started;
        HWND progress = FindProcessWindow(run.Id(), "Velquor Setup", "#32770");
        if (programStarted) {
            EXPECT_EQ(progress, nullptr) << "the progress window outlives the copy";
            break;
        }
        if (!progress)
            continue;
        // Read without waiting for the setup, which answers only between
        // files: waiting three times a sample, a fast copy could end before
        // the test had seen enough of it. Nothing is read from a window that
        // went in the meantime.
        const std::string bar = StaticText(progress, IDC_PROGRESS_BAR);
        const int percent = atoi(bar.c_str());
        if (!bar.empty() && (percents.empty() || percent != percents.back()))
            percents.push_back(percent);
        folders.insert(StaticText(progress, IDC_PROGRESS_FOLDER));
        files.insert(StaticText(progress, IDC_PROGRESS_FILE).substr(0, 4));
    }
    ASSERT_TRUE(ProgramStart().started);
    ASSERT_GE(percents.size(), 3u);
    EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
    EXPECT_LT(percents.front(), 50);
    EXPECT_TRUE(folders.count(std::string(kTarget) + "\\exams\\"));
    EXPECT_TRUE(files.count("bulk"));
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
}

TEST_F(InstallTest, ThreeFoldersOfFiveAreReportedWithTheirCount)
{
    BuildMedium(medium, {"dibs", "exams", "flags"});
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(shown, Confirmation("Only 3 directories successfully copied"));
    EXPECT_FALSE(ProgramStart().started);
}

TEST_F(InstallTest, AMediumWithoutFoldersFails)
{
    BuildMedium(medium, {});
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Failed"));
    EXPECT_FALSE(ProgramStart().started);
}

// A listed folder that cannot be made, since a file of that name stands in
// its way, shows the platform's text; the copy then fails, and the earlier
// installation stays as it was.
TEST_F(InstallTest, AFolderThatCannotBeCreatedShowsThePlatformsText)
{
    BuildMedium(medium);
    MakeEarlierInstallation();
    WriteText(std::string(kTarget) + "\\dibs", "a file");
    const std::string before = TreeText(kTarget);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(shown, (Messages{{"Error", SystemText(ERROR_ALREADY_EXISTS)},
                               {"Install Confirmation", "Velquor Installation Failed"}}));
    EXPECT_EQ(TreeText(kTarget), before);
    EXPECT_FALSE(ProgramStart().started);
}

// A drive root lists no "." entry: the first entry is a listed file and must
// be installed like the rest.
TEST_F(InstallTest, AMediumAtADriveRootInstallsEveryEntry)
{
    EmptyDriveRoot();
    BuildMedium("M:");
    RemoveAll("M:\\autorun.inf");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup("M:\\", &shown), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

TEST_F(InstallTest, AListedFileThatCannotBeCopiedFailsTheInstallation)
{
    BuildMedium(medium);
    // readme.txt comes after the five folders in the listing; a folder of
    // that name stands in its way.
    MakeEarlierInstallation();
    MakeDir(std::string(kTarget) + "\\readme.txt");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Failed"));
    EXPECT_EQ(ListNames(kTarget), (Names{"readme.txt\\", "velq.exe"}));
    EXPECT_FALSE(ProgramStart().started);
}

// Files copied from a CD arrive read-only: installing again from it must
// still replace them, and the new copies keep the medium's attributes.
TEST_F(InstallTest, ASecondInstallReplacesFilesThatCameReadOnlyFromTheMedium)
{
    BuildMedium(medium);
    const std::string name = "\\dibs\\" + MediumFolderFiles("dibs").front();
    MakeEarlierInstallation();
    MakeDir(std::string(kTarget) + "\\dibs");
    WriteText(kTarget + name, "from the first install");
    for (const std::string& file : {medium + name, kTarget + name})
        ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY)) << file;
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
    EXPECT_EQ(ReadText(kTarget + name), ReadText(medium + name));
    EXPECT_TRUE(GetFileAttributesA((kTarget + name).c_str()) & FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(ProgramStart().started);
}

// A listed folder of an earlier installation that is a link to a folder
// elsewhere: nothing behind it is deleted or written. Wine cannot remove the
// link (Windows can), so that folder fails like one that cannot be created.
TEST_F(InstallTest, AListedFolderThatIsALinkIsNeitherEmptiedNorFilled)
{
    BuildMedium(medium);
    const std::string outside = ScratchDir("outside-the-installation");
    WriteText(outside + "\\mine.txt", "mine");
    MakeDir(outside + "\\sub");
    MakeEarlierInstallation();
    ASSERT_TRUE(MakeFolderLink(std::string(kTarget) + "\\dibs", outside));
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(ListNames(outside), (Names{"mine.txt", "sub\\"}));
    EXPECT_EQ(ListNames(kTarget), (Names{"dibs\\", "velq.exe"}));
    EXPECT_EQ(shown, (Messages{{"Error", SystemText(ERROR_DIR_NOT_EMPTY)},
                               {"Install Confirmation", "Velquor Installation Failed"}}));
    EXPECT_FALSE(ProgramStart().started);
}

// Paths from a deep medium do not fit the platform's limit: each such copy
// fails instead of overrunning a buffer or using a cut path.
TEST_F(InstallTest, AMediumTooDeepForItsPathsFailsCleanly)
{
    std::string deep = medium + "\\";
    deep += std::string(250 - deep.size(), 'd');
    BuildMedium(deep);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(deep, &shown), 1603u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Failed"));
    EXPECT_EQ(ListNames(kTarget), Names{});
}

// A file that another process holds open cannot be replaced: a running
// program's file on Windows, an exam the program has open, a file a virus
// scanner reads. Anywhere in the earlier installation, the last listed
// folder included, it is refused before anything is removed, until it is
// closed. Wine does not lock a running program: a file held for writing
// without sharing stands in for it, and one held as the loader holds a
// program, reading with only reading shared.
TEST_F(InstallTest, AFileInUseAnywhereInTheEarlierInstallationIsRefusedBeforeAnythingIsRemoved)
{
    BuildMedium(medium);
    const std::string target = kTarget;
    MakeDir(target + "\\dibs");
    WriteText(target + "\\dibs\\earlier.dat", "earlier");
    MakeDir(target + "\\flags");
    WriteText(target + "\\flags\\exam.dat", "open");
    HANDLE held = HoldOpen(target + "\\velq.exe");
    SetupRun run;
    HWND dialog = StartAndInstall(run);
    ASSERT_NE(dialog, nullptr);
    const ShownMessage inUse{"Velquor Setup", "Velquor in this folder is in use. Please close "
                                              "Velquor and press Install again"};
    ShownMessage refused;
    EXPECT_TRUE(AnswerMessageBox(run, &refused));
    EXPECT_EQ(refused, inUse);
    CloseHandle(held);
    held = CreateFileA((target + "\\flags\\exam.dat").c_str(), GENERIC_READ, FILE_SHARE_READ, NULL,
                       OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    ClickButton(dialog, IDOK);
    EXPECT_TRUE(AnswerMessageBox(run, &refused));
    EXPECT_EQ(refused, inUse);
    EXPECT_TRUE(Exists(target + "\\dibs\\earlier.dat"));
    EXPECT_FALSE(Exists(kSettings));

    CloseHandle(held);
    ClickButton(dialog, IDOK);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

// Windows marks a window that has not answered for 5 s "Not Responding" and
// offers to end it. During the copy of one large file, the progress window
// answers within a second, and its bar moves.
TEST_F(InstallTest, TheProgressWindowAnswersDuringTheCopyOfALargeFile)
{
    // Into memory, the host's /dev/shm: a copy to disk may wait for the disk
    // longer than a second at a time, whoever copies.
    const std::string target = "Z:\\dev\\shm\\velq-tests-large-file";
    if (!IsDir("Z:\\dev\\shm"))
        GTEST_SKIP() << "SKIPPED: the host has no /dev/shm";
    RemoveAll(target);
    struct Removal {
        std::string path;
        ~Removal() { RemoveAll(path); }
    } removal{target};
    BuildMedium(medium);
    // 4 GB at once, as a sparse file: copying it takes seconds.
    HANDLE file = CreateFileA((medium + "\\dibs\\large.dat").c_str(), GENERIC_WRITE, 0, NULL,
                              CREATE_ALWAYS, 0, NULL);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = 4ll << 30;
    EXPECT_TRUE(SetFilePointerEx(file, size, NULL, FILE_BEGIN) && SetEndOfFile(file));
    CloseHandle(file);
    SetupRun run;
    ASSERT_NE(StartAndInstall(run, target), nullptr);
    int answers = 0;
    std::set<std::string> percents;
    for (DWORD start = GetTickCount();
         !ProgramStart().started && GetTickCount() - start < Scaled(60000); Sleep(50)) {
        HWND progress = FindProcessWindow(run.Id(), "Velquor Setup", "#32770");
        if (!progress)
            continue;
        DWORD_PTR result;
        if (!SendMessageTimeoutA(progress, WM_NULL, 0, 0, SMTO_NORMAL, 1000, &result)) {
            ASSERT_FALSE(IsWindow(progress)) << "the progress window did not answer within 1 s";
            continue;
        }
        if (ControlText(progress, IDC_PROGRESS_FILE) == "large.dat") {
            ++answers;
            percents.insert(ControlText(progress, IDC_PROGRESS_BAR));
        }
    }
    EXPECT_GE(answers, 3);
    EXPECT_GE(percents.size(), 2u);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
}

namespace {

// The free space that a refusal names, as it names it.
std::string FreeMegabytes(const std::string& drive)
{
    ULARGE_INTEGER available, total, free;
    EXPECT_TRUE(GetDiskFreeSpaceExA((drive + "\\").c_str(), &available, &total, &free));
    const ULONGLONG tenths = available.QuadPart * 10 >> 20;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10) + " MB";
}

}  // namespace

// A copy that cannot fit would leave neither the earlier installation nor
// the new one: refused before anything is removed. It frees and writes one
// listed entry after the other, in the medium's order: a reinstall that fits
// in total can still fill the drive halfway, when its large folder comes
// first and the earlier one's last.
TEST_F(InstallTest, AnInstallationThatWouldFillTheDriveAtAnyStepIsRefusedBeforeAnythingIsRemoved)
{
    const std::string drive = SmallDrive();
    if (drive.empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    BuildMedium(medium);
    WriteText(medium + "\\dibs\\large.dat", std::string(2 << 20, 'x'));
    const std::string target = drive + "\\Velq";
    MakeEarlierInstallation(target);
    MakeDir(target + "\\flags");
    WriteText(target + "\\flags\\earlier.dat", std::string(3 << 19, 'e'));
    // 1 MB is left: enough for the whole, not for the first folder.
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
    WriteText(drive + "\\filler.dat", std::string(available.QuadPart - (1 << 20), 'f'));
    const std::string freeText = FreeMegabytes(drive);
    SetupRun run;
    ASSERT_NE(StartAndInstall(run, target), nullptr);
    ShownMessage refused;
    EXPECT_TRUE(AnswerMessageBox(run, &refused));
    EXPECT_EQ(refused.caption, "Velquor Setup");
    // The copy needs the large file and a little more before it frees much.
    EXPECT_EQ(refused.text.substr(0, 16), "Velquor needs 2.") << refused.text;
    const size_t figures = refused.text.find(" MB for");
    ASSERT_NE(figures, std::string::npos) << refused.text;
    EXPECT_EQ(refused.text.substr(figures),
              " MB for S:\\Velq\\, but only " + freeText +
                  " are free there. Please make room or choose another folder");
    EXPECT_EQ(ListNames(target), (Names{"flags\\", "velq.exe"}));
    EXPECT_EQ(ReadText(target + "\\flags\\earlier.dat").size(), 3u << 19);
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_NE(FindProcessWindow(run.Id(), "Velquor Install Dialog", "#32770"), nullptr);
}

// The earlier installation's space is the new one's: installing the same
// medium again fits a drive that has hardly any room left.
TEST_F(InstallTest, AReinstallFitsWhereTheEarlierInstallationWas)
{
    const std::string drive = SmallDrive();
    if (drive.empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    BuildMedium(medium);
    WriteText(medium + "\\exams\\large.dat", std::string(2 << 20, 'x'));
    const std::string target = drive + "\\Velq";
    SetupRun first;
    ASSERT_NE(StartAndInstall(first, target), nullptr);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(first, &shown), 0u);
    ASSERT_EQ(shown, Messages{});
    CloseStub(ProgramStart());
    // All but 64 KB of the rest is taken.
    ULARGE_INTEGER available, total, free;
    ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
    WriteText(drive + "\\filler.dat", std::string(available.QuadPart - (64 << 10), 'f'));
    ASSERT_TRUE(GetDiskFreeSpaceExA("S:\\", &available, &total, &free));
    ASSERT_LE(available.QuadPart, 64u << 10);

    RemoveAll(kSettings);
    SetupRun second;
    ASSERT_NE(StartAndInstall(second, target), nullptr);
    EXPECT_EQ(WaitForExit(second, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
    EXPECT_EQ(ListNames(target), InstalledNames());
    EXPECT_EQ(ReadText(target + "\\exams\\large.dat").size(), 2u << 20);
    EXPECT_EQ(OwnerValue("Dir"), target + "\\");
}
