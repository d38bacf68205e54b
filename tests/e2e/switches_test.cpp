#include "res/resource.h"
#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

// Setup started by a script or a deployment tool: /S, /D=folder, and the
// exit code that tells how it went.

namespace {

// Where an earlier installation went: a folder with a blank, as /D= takes.
const std::string kEarlier = "C:\\Velq Elsewhere";
const std::string kLog = "C:\\velq-tests\\setup.log";

bool Contains(const std::string& file, const std::string& line)
{
    return ReadText(file).find(line + "\r\n") != std::string::npos;
}

class SwitchesTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        RemoveAll(kEarlier);
        RemoveAll(kLog);
        BuildMedium(medium);
    }

    // Runs the setup with /S and the arguments to its end. No window of it
    // may ever show.
    DWORD RunSilently(const std::string& arguments = "")
    {
        SetupRun run;
        if (!Start(run, medium, "/S " + arguments))
            return STILL_ACTIVE;
        bool showedWindow = false;
        const DWORD code = WaitUnattended(run, &showedWindow);
        EXPECT_FALSE(showedWindow) << "/S " << arguments;
        return code;
    }
};

}  // namespace

TEST_F(SwitchesTest, SilentInstallsEverythingUnderTheRegisteredOwnerAndStartsNothing)
{
    for (const std::string& link : kLinks)
        RemoveAll(link);
    SetRegisteredOwner("Registered Owner");
    EXPECT_EQ(RunSilently(), 0u);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    for (const std::string& link : kLinks)
        EXPECT_EQ(ReadShortcut(link).target, std::string(kTarget) + "\\VelQ.exe") << link;
    EXPECT_EQ(OwnerValue("USER NAME"), "Registered Owner");
    EXPECT_EQ(OwnerValue("DEFAULT NAME"), "Registered Owner");
    EXPECT_EQ(OwnerValue("Dir"), "C:\\Velq\\");
    Sleep(1000);
    EXPECT_FALSE(ProgramStart().started);
}

// Only what a Velquor installation made is ever replaced: a folder of the
// user's own that holds listed names is refused before anything is written.
TEST_F(SwitchesTest, SilentRefusesAFolderOfTheUsersOwnThatHoldsListedNames)
{
    for (const std::string& link : kLinks)
        RemoveAll(link);
    const std::string study = MakeStudyFolder();
    const std::string before = TreeText(study);
    EXPECT_EQ(RunSilently("/D=" + study), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
    EXPECT_EQ(TreeText(study), before);
    EXPECT_FALSE(Exists(kSettings));
    for (const std::string& link : kLinks)
        EXPECT_FALSE(Exists(link)) << link;
}

// The rest of the line is the folder, spaces and all; nothing is written
// onto the medium, not even the empty readme a dialog run leaves there.
TEST_F(SwitchesTest, SilentInstallsIntoTheFolderOfD)
{
    const std::string folder = "C:\\Program Files\\Velquor Test";
    RemoveAll(folder);
    RemoveAll(medium + "\\readme.txt");
    EXPECT_EQ(RunSilently("/d=" + folder), 0u);
    EXPECT_TRUE(Exists(folder + "\\velq.exe"));
    EXPECT_EQ(OwnerValue("Dir"), folder + "\\");
    EXPECT_FALSE(Exists(medium + "\\readme.txt"));
    EXPECT_FALSE(Exists(kTarget));
    RemoveAll(folder);
}

// As many administrators write a folder with spaces.
TEST_F(SwitchesTest, SilentInstallsIntoAQuotedFolderOfD)
{
    const std::string folder = "C:\\Program Files\\Velquor Quoted";
    RemoveAll(folder);
    EXPECT_EQ(RunSilently("/D=\"" + folder + "\""), 0u);
    EXPECT_TRUE(Exists(folder + "\\velq.exe"));
    EXPECT_EQ(OwnerValue("Dir"), folder + "\\");
    RemoveAll(folder);
}

// A script that asks for the list is told that nothing was shown.
TEST_F(SwitchesTest, SilentListAndDriveRootsEndWithTheirCodesWritingNothing)
{
    EXPECT_EQ(RunSilently("/?"), 87u);
    EXPECT_EQ(RunSilently("/D=C:\\"), 161u);
    EXPECT_EQ(RunSilently("/D=C:"), 161u);
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_FALSE(Exists("C:\\dibs"));
}

// Everything would be written where the link points.
TEST_F(SwitchesTest, ASilentInstallIntoAFolderLinkIsRefusedWritingNothing)
{
    const std::string outside = ScratchDir("link-as-target");
    ASSERT_TRUE(MakeFolderLink(kTarget, outside));
    EXPECT_EQ(RunSilently(), 161u);
    EXPECT_EQ(ListNames(outside), Names{});
    EXPECT_FALSE(Exists(kSettings));
    RemoveAll(kTarget);
}

TEST_F(SwitchesTest, EachSilentRefusalReturnsItsCodeAndWritesNothing)
{
    EXPECT_EQ(RunSilently("/D=Apps"), 161u);
    EXPECT_FALSE(Exists(medium + "\\Apps"));

    MakeDir(kTarget);
    HANDLE held = HoldOpen(std::string(kTarget) + "\\velq.exe");
    EXPECT_EQ(RunSilently(), 32u);
    CloseHandle(held);
    EXPECT_EQ(ListNames(kTarget), Names{"velq.exe"});
    EXPECT_FALSE(Exists(kSettings));
}

TEST_F(SwitchesTest, ASilentInstallTooLargeForTheDriveReturnsItsCode)
{
    const std::string drive = SmallDrive();
    if (drive.empty())
        GTEST_SKIP() << "SKIPPED: the test environment has no small drive S: (it needs root)";
    WriteText(medium + "\\exams\\large.dat", std::string(10 << 20, 'x'));
    EXPECT_EQ(RunSilently("/D=S:\\Velq"), 112u);
    EXPECT_EQ(ListNames(drive), Names{});
    EXPECT_FALSE(Exists(kSettings));
}

// The platform's "Error" box for a folder that cannot be made is not shown
// either: the run fails.
TEST_F(SwitchesTest, ASilentInstallWhoseFoldersCannotBeMadeFails)
{
    EXPECT_EQ(RunSilently("/D=" + ScratchDir("no-parent") + "\\missing\\Velq"), 1603u);
    EXPECT_FALSE(ProgramStart().started);
}

TEST_F(SwitchesTest, ASilentStartWhileADialogIsOpenIsToldToRetryAndTheFirstStillInstalls)
{
    SetupRun first;
    ASSERT_TRUE(Start(first, medium));
    HWND dialog = Dialog(first);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(RunSilently(), 1618u);
    EXPECT_FALSE(Exists(kTarget));

    SetControlText(dialog, IDC_NAME, kFullName);
    ClickButton(dialog, IDOK);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(first, &shown), 0u);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

TEST_F(SwitchesTest, AnUnknownSwitchIsNamedAndEndsTheRunWritingNothing)
{
    SetupRun run;
    ASSERT_TRUE(Start(run, medium, "/X"));
    ShownMessage box;
    ASSERT_TRUE(AnswerMessageBox(run, &box));
    EXPECT_EQ(box.caption, "Velquor Setup");
    EXPECT_NE(box.text.find("/D=folder"), std::string::npos) << box.text;
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 87u);
    EXPECT_EQ(RunSilently("/X"), 87u);
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_FALSE(Exists(kSettings));
}

TEST_F(SwitchesTest, WithoutSilentTheFolderOfDIsOfferedInTheDialog)
{
    SetupRun run;
    ASSERT_TRUE(Start(run, medium, "/D=C:\\Other Place"));
    HWND dialog = Dialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FOLDER), "C:\\Other Place");
}

// An upgrade, as deployment tools run it, replaces the installation that
// the registration names, ahead of one that VelQ.ini names, instead of
// orphaning it beside a second one in C:\Velq.
TEST_F(SwitchesTest, ASilentUpgradeReplacesTheRegisteredInstallationWhereItIs)
{
    ASSERT_EQ(RunSilently("/D=" + kEarlier), 0u);
    const std::string other = ScratchDir("other-installation") + "\\";
    WriteText(other + "uninstall.dat", "");
    WritePrivateProfileStringA("Owner", "Dir", other.c_str(), "VelQ.ini");
    WriteText(medium + "\\exams\\new.dat", "new");
    EXPECT_EQ(RunSilently("/LOG=" + kLog), 0u);
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_EQ(ListNames(other), Names{"uninstall.dat"});
    EXPECT_EQ(Registered("InstallLocation"), kEarlier + "\\");
    EXPECT_TRUE(Contains(kEarlier + "\\uninstall.dat", "exams\\new.dat"));
    EXPECT_TRUE(Contains(kLog, "The registration names " + kEarlier + ": an installation"));
}

// A folder that holds no installation any more is passed over, whoever
// names it.
TEST_F(SwitchesTest, ASilentRunPassesOverFoldersThatHoldNoInstallationForTheDefault)
{
    ASSERT_EQ(RunSilently("/D=" + kEarlier), 0u);
    RemoveAll(kEarlier + "\\uninstall.dat");
    EXPECT_EQ(RunSilently("/LOG=" + kLog), 0u);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(Registered("InstallLocation"), "C:\\Velq\\");
    for (const char* source : {"The registration", "VelQ.ini"})
        EXPECT_TRUE(
            Contains(kLog, source + (" names " + kEarlier) + ": no installation, passed over"));
    EXPECT_TRUE(Contains(kLog, "No earlier installation found: starting from C:\\Velq"));
}

// The tests run as an administrator. A per-user key is the user's to write:
// it never steers an administrator's run, which goes on to VelQ.ini's folder.
TEST_F(SwitchesTest, AnAdministratorsRunIgnoresAPerUserRegistration)
{
    ASSERT_EQ(RunSilently("/D=" + kEarlier), 0u);
    RemoveRegistrations();
    const std::string planted = ScratchDir("planted") + "\\";
    WriteText(planted + "uninstall.dat", "");
    ASSERT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kVelquorKey, "InstallLocation", REG_SZ,
                              planted.c_str(), static_cast<DWORD>(planted.size() + 1)),
              ERROR_SUCCESS);
    EXPECT_EQ(RunSilently(), 0u);
    EXPECT_EQ(ListNames(planted), Names{"uninstall.dat"});
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_EQ(Registered("InstallLocation"), kEarlier + "\\");
}
