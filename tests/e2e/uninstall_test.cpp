#include <algorithm>

#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

// uninstall.exe, which a complete installation leaves in its folder, started
// as "Add or remove programs" starts it: from another folder.

namespace {

const char kOtherTarget[] = "C:\\Velq2";

// The installation, its registration, owner keys and shortcuts, as they
// were installed, also a while after the uninstaller ended.
void ExpectStillInstalled()
{
    Sleep(1000);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(Registered("InstallLocation"), "C:\\Velq\\");
    EXPECT_EQ(OwnerValue("Dir"), "C:\\Velq\\");
    EXPECT_TRUE(Exists(kLinks[0]));
}

class UninstallTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        RemoveAll(kOtherTarget);
        BuildMedium(medium);
    }

    // Holds the uninstaller's file as Windows holds a running program's
    // until a moment after it ended; Wine does not.
    HANDLE HoldUninstaller()
    {
        HANDLE held = CreateFileA((std::string(kTarget) + "\\uninstall.exe").c_str(), GENERIC_READ,
                                  FILE_SHARE_READ, NULL, OPEN_EXISTING, 0, NULL);
        EXPECT_NE(held, INVALID_HANDLE_VALUE);
        return held;
    }

    // Starts the uninstaller as a user would, answers its question with
    // button and runs it to its end, keeping what it said after.
    DWORD UninstallAnswering(int button, Messages* shown)
    {
        SetupRun run;
        ShownMessage question;
        if (!StartUninstaller(run) || !AnswerMessageBox(run, &question, 15000, button))
            return STILL_ACTIVE;
        return WaitForExit(run, shown);
    }
};

}  // namespace

TEST_F(UninstallTest, AnInstallationIsRegisteredAndRemovedWhole)
{
    const Names desktop = ListNames(kShellDesktop), startMenu = ListNames(kShellStartMenu);
    Install();
    EXPECT_EQ(Registered("DisplayName"), "Velquor");
    EXPECT_EQ(Registered("UninstallString"), "\"C:\\Velq\\uninstall.exe\"");
    EXPECT_EQ(Registered("QuietUninstallString"), "\"C:\\Velq\\uninstall.exe\" /S");
    EXPECT_EQ(Registered("InstallLocation"), "C:\\Velq\\");
    EXPECT_EQ(Registered("DisplayIcon"), "C:\\Velq\\velq.exe");
    EXPECT_EQ(Registered("NoModify") + Registered("NoRepair"), "11");
    EXPECT_GT(atoi(Registered("EstimatedSize").c_str()), 0);
    // The setup's own bytes: a signed setup leaves a signed uninstaller.
    EXPECT_EQ(ReadText(std::string(kTarget) + "\\uninstall.exe"),
              ReadText(ProductDir() + "\\setup.exe"));

    SetupRun run;
    ASSERT_TRUE(StartUninstaller(run));
    ShownMessage question;
    EXPECT_TRUE(AnswerMessageBox(run, &question, 15000, IDYES));
    EXPECT_EQ(question, (ShownMessage{"Velquor Setup", "Remove Velquor from C:\\Velq\\?"}));
    Messages shown;
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    EXPECT_EQ(shown, Messages{});
    EXPECT_EQ(Registered("DisplayName"), "<missing>");
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_EQ(ListNames(kShellDesktop), desktop);
    EXPECT_EQ(ListNames(kShellStartMenu), startMenu);
    EXPECT_TRUE(Vanishes(kTarget)) << "left: " << testing::PrintToString(ListNames(kTarget));
}

// From the installed program's version resource, which the stand-in has; a
// program without one leaves neither value, also none of an earlier install.
TEST_F(UninstallTest, TheVersionAndPublisherAreTheInstalledProgramsOwn)
{
    Install();
    EXPECT_EQ(Registered("DisplayVersion"), "2.5.0.31");
    EXPECT_EQ(Registered("Publisher"), "Velquor Software");
    WriteText(medium + "\\VelQ.exe", "no version resource");
    Install();
    EXPECT_EQ(Registered("DisplayVersion") + Registered("Publisher"), "<missing><missing>");
    EXPECT_EQ(Registered("DisplayName"), "Velquor");
}

TEST_F(UninstallTest, TheUsersOwnFilesAndSettingsStay)
{
    Install();
    WriteText(std::string(kTarget) + "\\notes.txt", "mine");
    WritePrivateProfileStringA("Exams", "Last", "3", "VelQ.ini");
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_TRUE(Vanishes(std::string(kTarget) + "\\uninstall.exe"));
    EXPECT_EQ(ListNames(kTarget), Names{"notes.txt"});
    EXPECT_EQ(OwnerValue("Dir") + OwnerValue("USER NAME"), "<missing><missing>");
    char last[8] = "";
    GetPrivateProfileStringA("Exams", "Last", "", last, sizeof last, "VelQ.ini");
    EXPECT_STREQ(last, "3");
}

TEST_F(UninstallTest, NoRemovesNothing)
{
    Install();
    Messages shown;
    EXPECT_EQ(UninstallAnswering(IDNO, &shown), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));
    ExpectStillInstalled();
}

// A recorded file held open: nothing goes before everything can.
TEST_F(UninstallTest, AFileInUseRefusesTheRemovalBeforeAnythingGoes)
{
    Install();
    HANDLE held = HoldOpen(std::string(kTarget) + "\\exams\\" + MediumFolderFiles("exams").back());
    EXPECT_EQ(UninstallSilently(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    CloseHandle(held);
    ExpectStillInstalled();
}

// A link the user put into a listed folder is the user's: it stays, with
// its folder, and nothing behind it is touched.
TEST_F(UninstallTest, ALinkInAListedFolderIsNotFollowed)
{
    Install();
    const std::string outside = ScratchDir("outside-the-uninstalled");
    WriteText(outside + "\\mine.txt", "mine");
    ASSERT_TRUE(MakeFolderLink(std::string(kTarget) + "\\dibs\\link", outside));
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_EQ(ListNames(outside), Names{"mine.txt"});
    EXPECT_EQ(ListNames(std::string(kTarget) + "\\dibs"), Names{"link\\"});
    EXPECT_FALSE(Exists(std::string(kTarget) + "\\velq.exe"));
}

// The record lists what the installation made, in the order it was made:
// each folder before what is in it, the uninstaller and the record last.
TEST_F(UninstallTest, TheRecordListsTheInstalledTree)
{
    Install();
    const std::string text = ReadText(std::string(kTarget) + "\\uninstall.dat");
    Names lines;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2)
        lines.push_back(text.substr(at, end - at));
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(Names(lines.end() - 2, lines.end()), (Names{"uninstall.exe", "uninstall.dat"}));
    Names tree;
    for (const std::string& name : ListNames(kTarget)) {
        tree.push_back(name);
        if (name.back() == '\\')
            for (const std::string& file : ListNames(std::string(kTarget) + "\\" + name))
                tree.push_back(name + file);
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const size_t folderEnd = lines[i].find('\\');
        if (folderEnd != std::string::npos && folderEnd + 1 < lines[i].size()) {
            EXPECT_NE(
                std::find(lines.begin(), lines.begin() + i, lines[i].substr(0, folderEnd + 1)),
                lines.begin() + i)
                << lines[i] << " comes before its folder";
        }
    }
    std::sort(lines.begin(), lines.end());
    EXPECT_EQ(lines, tree);
}

// What the user added stays, also inside the listed folders and also
// dot-named, with the folders that hold it; everything recorded goes.
TEST_F(UninstallTest, WhatTheUserAddedStaysWithItsFolders)
{
    Install();
    const std::string target = kTarget;
    MakeDir(target + "\\exams\\mine");
    WriteText(target + "\\exams\\mine\\notes.txt", "mine");
    WriteText(target + "\\Figures\\.keep", "");
    WriteText(target + "\\dibs\\.DS_Store", "finder");
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_TRUE(Vanishes(target + "\\uninstall.exe"));
    EXPECT_EQ(TreeText(target), "Figures\\\nFigures\\.keep=\ndibs\\\ndibs\\.DS_Store=finder\n"
                                "exams\\\nexams\\mine\\\nexams\\mine\\notes.txt=mine\n");
    EXPECT_EQ(Registered("DisplayName"), "<missing>");
}

// A copy of the uninstaller in a folder of the user's own finds no record
// there, and removes nothing, there or in the installation.
TEST_F(UninstallTest, ACopyOfTheUninstallerElsewhereFindsNoInstallation)
{
    Install();
    const std::string study = MakeStudyFolder();
    ASSERT_TRUE(CopyFileA((std::string(kTarget) + "\\uninstall.exe").c_str(),
                          (study + "\\uninstall.exe").c_str(), FALSE));
    const std::string before = TreeText(study);
    EXPECT_EQ(UninstallSilently(study), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
    SetupRun run;
    ASSERT_TRUE(StartUninstaller(run, "", study));
    Messages shown;
    EXPECT_EQ(WaitForExit(run, &shown), static_cast<DWORD>(ERROR_UNKNOWN_PRODUCT));
    EXPECT_EQ(shown,
              (Messages{{"Velquor Setup", "No Velquor installation was found in C:\\Study."}}));
    EXPECT_EQ(TreeText(study), before);
    ExpectStillInstalled();
}

// An edited record names things outside the folder in every way it can:
// those entries are passed over and the rest is removed.
TEST_F(UninstallTest, AnEditedRecordActsOnlyInsideTheFolder)
{
    Install();
    WriteText("C:\\x", "outside");
    MakeDir("C:\\Velq-next");
    WriteText("C:\\Velq-next\\x", "beside");
    const std::string record = std::string(kTarget) + "\\uninstall.dat";
    WriteText(record, "..\\x\r\nC:\\x\r\n\\x\r\nexams\\..\\..\\x\r\n..\\Velq-next\\x\r\n\r\n" +
                          std::string(300, 'y') + "\r\nC:x\r\n" + ReadText(record));
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_EQ(ReadText("C:\\x"), "outside");
    EXPECT_EQ(ReadText("C:\\Velq-next\\x"), "beside");
    EXPECT_TRUE(Vanishes(kTarget));
    RemoveAll("C:\\x");
    RemoveAll("C:\\Velq-next");
}

// Cut short, as a power cut right after an installation may leave it, the
// record no longer tells what was installed: everything stays, and the
// removal says so.
TEST_F(UninstallTest, AnEmptyOrCutRecordRemovesNothingAndFails)
{
    Install();
    const std::string record = std::string(kTarget) + "\\uninstall.dat";
    const std::string whole = ReadText(record);
    WriteText(record, "");
    EXPECT_EQ(UninstallSilently(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    ExpectStillInstalled();
    WriteText(record, whole.substr(0, whole.find("uninstall.exe")));
    SetupRun run;
    ASSERT_TRUE(StartUninstaller(run));
    Messages shown;
    EXPECT_EQ(WaitForExit(run, &shown), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(shown,
              (Messages{{"Velquor Setup", "Velquor could not read C:\\Velq\\uninstall.dat"}}));
    ExpectStillInstalled();
}

TEST_F(UninstallTest, AnotherInstallationKeepsItsRegistrationShortcutsAndOwner)
{
    Install();
    Install(kOtherTarget);
    EXPECT_EQ(UninstallSilently(), 0u);
    EXPECT_TRUE(Vanishes(kTarget));
    EXPECT_EQ(Registered("InstallLocation"), "C:\\Velq2\\");
    EXPECT_EQ(OwnerValue("Dir"), "C:\\Velq2\\");
    for (const std::string& link : kLinks)
        EXPECT_EQ(ReadShortcut(link).target, "C:\\Velq2\\VelQ.exe") << link;
    EXPECT_EQ(ListNames(kOtherTarget), InstalledNames());
}

// Windows holds a running program's file, and lets it go a moment after the
// process ended.
TEST_F(UninstallTest, TheLockedUninstallerStillGoesWithItsFolder)
{
    Install();
    const std::string uninstaller = std::string(kTarget) + "\\uninstall.exe";
    HANDLE held = HoldUninstaller();
    EXPECT_EQ(UninstallSilently(), 0u);
    Sleep(1000);
    EXPECT_TRUE(Exists(uninstaller)) << "the file was not held";
    CloseHandle(held);
    EXPECT_TRUE(Vanishes(kTarget));
}

// Everything else of the volume lies in a root folder.
TEST_F(UninstallTest, AnUninstallerInADriveRootRefusesToRemoveAnything)
{
    const std::string root = EmptyDriveRoot();
    ASSERT_TRUE(
        CopyFileA((ProductDir() + "\\setup.exe").c_str(), (root + "uninstall.exe").c_str(), FALSE));
    WriteText(root + "velq.exe", "not an installation");
    EXPECT_EQ(UninstallSilently("M:"), static_cast<DWORD>(ERROR_BAD_PATHNAME));
    EXPECT_EQ(ListNames(root), (Names{"uninstall.exe", "velq.exe"}));
}

// Two removals, or a removal and an installation, would race each other.
TEST_F(UninstallTest, AnotherUninstallerOrSetupRunningIsToldToRetryAndNothingGoes)
{
    Install();
    SetupRun first;
    ASSERT_TRUE(StartUninstaller(first));
    ASSERT_NE(WaitForProcessWindow(first.Id(), "Velquor Setup", NULL), nullptr);
    EXPECT_EQ(UninstallSilently(), static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING));
    SetupRun second;
    ASSERT_TRUE(StartUninstaller(second));
    Messages shown;
    EXPECT_EQ(WaitForExit(second, &shown), static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING));
    EXPECT_EQ(shown, Messages{});
    ShownMessage question;
    EXPECT_TRUE(AnswerMessageBox(first, &question, 15000, IDNO));
    EXPECT_EQ(WaitForExit(first, &shown), static_cast<DWORD>(ERROR_INSTALL_USEREXIT));

    SetupRun setup;
    ASSERT_TRUE(Start(setup, medium));
    ASSERT_NE(Dialog(setup), nullptr);
    EXPECT_EQ(UninstallSilently(), static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING));
    EndRun(setup);
    ExpectStillInstalled();
}

// The temporary copy deletes the uninstaller a moment after the removal
// ended, held as Windows holds a program's file. A setup started
// meanwhile is told to try again, and the copy leaves what a later
// installation wrote, which its turn does not cover from another session.
TEST_F(UninstallTest, ASetupStartedWhileTheRemovalEndsIsToldToRetry)
{
    Install();
    HANDLE held = HoldUninstaller();
    SetupRun removal, setup;
    bool showedWindow;
    ASSERT_TRUE(StartUninstaller(removal, "/S"));
    EXPECT_EQ(WaitUnattended(removal, &showedWindow), 0u);
    ASSERT_TRUE(Start(setup, medium, "/S"));
    EXPECT_EQ(WaitUnattended(setup, &showedWindow),
              static_cast<DWORD>(ERROR_INSTALL_ALREADY_RUNNING));
    WriteText(std::string(kTarget) + "\\uninstall.dat", "uninstall.exe\r\nuninstall.dat\r\n");
    const std::vector<RunProcess> copy = StartedProcesses(removal);
    ASSERT_EQ(copy.size(), 1u);
    HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, copy[0].id);
    CloseHandle(held);
    EXPECT_EQ(WaitForSingleObject(process, Scaled(15000)), WAIT_OBJECT_0);
    CloseHandle(process);
    EXPECT_EQ(ListNames(kTarget), (Names{"uninstall.dat", "uninstall.exe"}));
}

// No copy can start from a temporary folder that is missing: the
// uninstaller is left to the next restart (which Wine grants an
// administrator), and only then does the registration go, and after it the
// record: a registration that stays keeps the record, so that the removal
// can be run again.
TEST_F(UninstallTest, WithoutATemporaryFolderTheUninstallerGoesAtTheNextRestart)
{
    Install();
    char tmp[MAX_PATH] = "", temp[MAX_PATH] = "";
    GetEnvironmentVariableA("TMP", tmp, MAX_PATH);
    GetEnvironmentVariableA("TEMP", temp, MAX_PATH);
    SetEnvironmentVariableA("TMP", "C:\\velq-tests\\missing-temp");
    SetEnvironmentVariableA("TEMP", "C:\\velq-tests\\missing-temp");
    const std::string added = std::string(kVelquorKey) + "\\Added";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, added.c_str(), 0, NULL, 0,
                              KEY_ALL_ACCESS | ProductRegistryView(), NULL, &key, NULL),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(UninstallSilently(), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(ListNames(kTarget), (Names{"uninstall.dat", "uninstall.exe"}));
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, added.c_str(), ProductRegistryView(), 0);
    const DWORD code = UninstallSilently();
    SetEnvironmentVariableA("TMP", tmp);
    SetEnvironmentVariableA("TEMP", temp);
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(Registered("DisplayName"), "<missing>");
    Sleep(1000);
    EXPECT_EQ(ListNames(kTarget), Names{"uninstall.exe"});
    // Asked for, and taken back: the prefix outlives the test.
    char pending[4096] = "";
    DWORD size = sizeof pending;
    RegOpenKeyExA(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Control\\Session Manager", 0,
                  KEY_ALL_ACCESS, &key);
    RegQueryValueExA(key, "PendingFileRenameOperations", NULL, NULL,
                     reinterpret_cast<BYTE*>(pending), &size);
    EXPECT_NE(std::string(pending, size).find("uninstall.exe"), std::string::npos);
    RegDeleteValueA(key, "PendingFileRenameOperations");
    RegCloseKey(key);
}

// A key that something else added a key to cannot be deleted: it is named,
// and the uninstaller stays with it and its record, so that the removal
// can be run again.
TEST_F(UninstallTest, ARegistrationThatCannotBeDeletedIsNamedAndKeepsTheUninstaller)
{
    Install();
    HKEY added;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVelquorKey) + "\\Added").c_str(), 0,
                              NULL, 0, KEY_ALL_ACCESS | ProductRegistryView(), NULL, &added, NULL),
              ERROR_SUCCESS);
    RegCloseKey(added);
    Messages shown;
    EXPECT_EQ(UninstallAnswering(IDYES, &shown), static_cast<DWORD>(ERROR_INSTALL_FAILURE));
    EXPECT_EQ(shown, (Messages{{"Velquor Setup",
                                std::string("Velquor could not remove ") + kVelquorKey}}));
    Sleep(1000);
    EXPECT_EQ(ListNames(kTarget), (Names{"uninstall.dat", "uninstall.exe"}));
    EXPECT_EQ(Registered("InstallLocation"), "C:\\Velq\\");
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, (std::string(kVelquorKey) + "\\Added").c_str(),
                    ProductRegistryView(), 0);
}

// Only the temporary copy that an uninstaller started waits, on a handle it
// was handed: never on itself, nor as an uninstaller in its folder.
TEST_F(UninstallTest, WaitActsOnlyInTheTemporaryCopyAndNeverOnItself)
{
    Install();
    EXPECT_EQ(UninstallSilently(kTarget, "/S /wait=4294967295"),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(UninstallSilently(kTarget, "/S /wait=4 /D=C:\\Velq"),
              static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ExpectStillInstalled();
}
