#include "res/resource.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

namespace {

class DialogTest : public SetupTest {
protected:
    // Starts the setup on a full medium and waits for its dialog.
    HWND Open(SetupRun& run)
    {
        BuildMedium(medium);
        return Start(run, medium) ? Dialog(run) : NULL;
    }

    // Waits until a field of the dialog holds the text (the chooser answers
    // asynchronously).
    bool WaitForFieldText(HWND dialog, int id, const std::string& text)
    {
        for (int i = 0; i < 200; ++i) {
            if (ControlText(dialog, id) == text)
                return true;
            Sleep(25);
        }
        return false;
    }

    // Types each folder and presses Install: it is refused with the text,
    // writes nothing, and the dialog stays open with the folder as typed.
    void ExpectRefused(const SetupRun& run, HWND dialog, const std::vector<std::string>& folders,
                       const char* text)
    {
        SetControlText(dialog, IDC_NAME, kFullName);
        for (const std::string& folder : folders) {
            SetControlText(dialog, IDC_FOLDER, folder);
            ClickButton(dialog, IDOK);
            ShownMessage refused;
            ASSERT_TRUE(AnswerMessageBox(run, &refused)) << folder;
            EXPECT_EQ(refused, (ShownMessage{"Velquor Setup", text})) << folder;
            EXPECT_EQ(ControlText(dialog, IDC_FOLDER), folder);
        }
        EXPECT_FALSE(Exists(kSettings));
    }

    // Presses Install with the given name and folder and runs to the end.
    DWORD Install(SetupRun& run, HWND dialog, const std::string& name, const std::string& folder,
                  std::vector<ShownMessage>* shown)
    {
        SetControlText(dialog, IDC_NAME, name);
        SetControlText(dialog, IDC_FOLDER, folder);
        ClickButton(dialog, IDOK);
        return WaitForExit(run, shown);
    }

    // Starts setup.exe again while a window of the test holds the foreground,
    // as another program would. The start must end within seconds with 0 and
    // show no window. Returns the foreground window once it is `expected`,
    // else what holds it two seconds later.
    HWND StartAgain(const std::string& from, HWND elsewhere, HWND expected)
    {
        SetForegroundWindow(elsewhere);
        EXPECT_EQ(GetForegroundWindow(), elsewhere) << "the test's window is not in front";
        SetupRun again;
        if (!Start(again, from))
            return NULL;
        bool showedWindow = false;
        EXPECT_EQ(WaitUnattended(again, &showedWindow, 5000), 0u);
        EXPECT_FALSE(showedWindow);
        HWND front = GetForegroundWindow();
        for (int i = 0; i < 100 && front != expected; ++i) {
            Sleep(20);
            front = GetForegroundWindow();
        }
        return front;
    }
};

}  // namespace

TEST_F(DialogTest, OpensWithTheDefaultFolderATickedBoxAndTheReadmeAsStored)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FOLDER), "C:\\Velq");
    EXPECT_EQ(ButtonState(dialog, IDC_START_MENU), BST_CHECKED);
    EXPECT_EQ(ControlText(dialog, IDC_README), ReadText(medium + "\\readme.txt"));
    EXPECT_EQ(ControlText(dialog, IDC_NAME), "");
}

TEST_F(DialogTest, CancelDiscardsTheTypedFolderAndInstallsNothing)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    SetControlText(dialog, IDC_NAME, kFullName);
    SetControlText(dialog, IDC_FOLDER, "C:\\velq-tests\\elsewhere");
    // The close box, as a click on it reaches the dialog.
    PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 1602u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Cancelled"));
    EXPECT_FALSE(Exists(kTarget));
    EXPECT_FALSE(Exists("C:\\velq-tests\\elsewhere"));
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_FALSE(ProgramStart().started);
}

TEST_F(DialogTest, RejectsNamesThatAreNotFullNamesUntilOneIs)
{
    SetRegisteredOwner("Registered Owner");
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    for (const char* rejected : {"Ab Cd", "Abcdefg", ""}) {
        SetControlText(dialog, IDC_NAME, rejected);
        ClickButton(dialog, IDOK);
        ShownMessage shown;
        ASSERT_TRUE(AnswerMessageBox(run, &shown)) << rejected;
        EXPECT_EQ(shown.caption, "Velquor Setup");
        EXPECT_EQ(shown.text, "Please enter your full name");
        EXPECT_FALSE(Exists(kSettings)) << rejected;
        EXPECT_NE(FindProcessWindow(run.Id(), "Velquor Install Dialog", "#32770"), nullptr);
    }
    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, "Ab Cde", kTarget, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(OwnerValue("USER NAME"), "Ab Cde");
    EXPECT_EQ(OwnerValue("DEFAULT NAME"), "Registered Owner");
    EXPECT_EQ(OwnerValue("Dir"), "C:\\Velq\\");
}

// The rule asks only for six characters and a space somewhere.
TEST_F(DialogTest, AcceptsSixSpacesAsAName)
{
    BuildMedium(medium);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown, "      "), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

TEST_F(DialogTest, RecordsAVeryLongNameAsItsFirst258Characters)
{
    const std::string name = std::string(150, 'A') + " " + std::string(149, 'B');
    BuildMedium(medium);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown, name), 0u);
    EXPECT_EQ(OwnerValue("USER NAME"), name.substr(0, 258));
}

TEST_F(DialogTest, InstallsIntoATypedFolderRecordedWithItsSeparator)
{
    const std::string folder = ScratchDir("typed") + "\\Typed";
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, folder, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(OwnerValue("Dir"), folder + "\\");
    EXPECT_EQ(ListNames(folder), InstalledNames());
    EXPECT_EQ(Lower(ProgramStart().folder), Lower(folder));
    EXPECT_FALSE(Exists(kTarget));
}

TEST_F(DialogTest, AnEmptyFolderOrABareDriveFails)
{
    for (const char* folder : {"", "C:"}) {
        SetupRun run;
        HWND dialog = Open(run);
        ASSERT_NE(dialog, nullptr);
        std::vector<ShownMessage> shown;
        EXPECT_EQ(Install(run, dialog, kFullName, folder, &shown), 1603u);
        EXPECT_EQ(shown, Confirmation("Velquor Installation Failed")) << folder;
        EXPECT_EQ(OwnerValue("Dir"), std::string(folder) + "\\");
        EXPECT_FALSE(Exists("C:\\dibs"));
    }
}

// A folder longer than the field read would be cut and then used: the dialog
// refuses it, writes nothing and stays open.
TEST_F(DialogTest, RefusesAFolderTooLongToUse)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    SetControlText(dialog, IDC_NAME, kFullName);
    SetControlText(dialog, IDC_FOLDER, "C:\\" + std::string(300, 'x'));
    ClickButton(dialog, IDOK);
    ShownMessage refused;
    ASSERT_TRUE(AnswerMessageBox(run, &refused));
    EXPECT_EQ(refused.caption, "Velquor Setup");
    EXPECT_EQ(refused.text, "Please choose a shorter installation folder");
    EXPECT_FALSE(Exists(kSettings));

    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, kTarget, &shown), 0u);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

// Replacing the listed folders of a folder that is, or holds, the medium
// would delete the medium before it is copied. However the folder is typed,
// the dialog refuses it, writes nothing and stays open.
TEST_F(DialogTest, RefusesAFolderThatIsOrHoldsTheMedium)
{
    const std::string outer = ScratchDir("holds-the-medium");
    const std::string cd = outer + "\\Dibs\\cd";
    BuildMedium(cd);
    char shortForm[MAX_PATH];
    ASSERT_NE(GetShortPathNameA(cd.c_str(), shortForm, sizeof shortForm), 0u);
    ASSERT_NE(Lower(shortForm), Lower(cd));
    SetupRun run;
    ASSERT_TRUE(Start(run, cd));
    HWND dialog = Dialog(run);
    ASSERT_NE(dialog, nullptr);
    ExpectRefused(run, dialog, {Lower(cd), ".\\", shortForm, outer},
                  "Installing into this folder would delete the install medium. Please choose "
                  "another folder");

    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, kTarget, &shown), 0u);
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
}

// A folder that an uninstall left because the user's own notes were in it
// is the user's now, as is any folder of listed names without Velquor.
TEST_F(DialogTest, RefusesAFolderOfTheUsersOwnThatHoldsListedNames)
{
    const std::string study = MakeStudyFolder();
    const std::string before = TreeText(study);
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    ExpectRefused(run, dialog, {study},
                  "C:\\Study\\ holds exams, which is not part of a Velquor installation. Please "
                  "choose another folder, or move exams out of this one");
    EXPECT_EQ(TreeText(study), before);
    EXPECT_NE(FindProcessWindow(run.Id(), "Velquor Install Dialog", "#32770"), nullptr);
}

// Text that is not a full path would install relative to the current
// directory, the medium, and record a folder that means nothing elsewhere.
TEST_F(DialogTest, RefusesAFolderThatIsNotAFullPath)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    ExpectRefused(run, dialog, {"Apps", "\\Apps", "C:Apps", "..\\Apps"},
                  "Please enter the installation folder as a full path, such as C:\\Velq");
    EXPECT_FALSE(Exists(medium + "\\Apps"));
    EXPECT_FALSE(Exists("C:\\Apps"));
}

// Replicating the listed folders into the root of a drive or share would
// delete and overwrite the user's own files there. However the root is
// spelt, the dialog refuses it, writes nothing and stays open.
TEST_F(DialogTest, RefusesTheRootOfADriveOrShareHoweverSpelt)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    ExpectRefused(run, dialog, {"\\\\server\\share\\", "C:/", "C:\\.", "C:\\\\", "C:\\Velq\\.."},
                  "Velquor cannot be installed into the root of a drive or share. Please choose a "
                  "folder, such as C:\\Velq");
    EXPECT_FALSE(Exists("C:\\dibs"));
}

// A folder that fits, but leaves no room for the names joined to it: those
// copies fail instead of using cut paths.
TEST_F(DialogTest, AFolderTooDeepForItsFilesFailsCleanly)
{
    std::string folder = ScratchDir("deep-target") + "\\";
    folder += std::string(250 - folder.size(), 't');
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, folder, &shown), 1603u);
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back().text, "Velquor Installation Failed");
    EXPECT_FALSE(ProgramStart().started);
}

TEST_F(DialogTest, ChooserCreatesTheMissingDefaultAndPicksAnotherFolder)
{
    const std::string chosen = ScratchDir("chosen");
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    ClickButton(dialog, IDC_BROWSE);
    HWND chooser = WaitForChooser(run);
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(IsDir(kTarget)) << "the chooser opens in the default folder, created for it";
    ChooseFolder(chooser, chosen);
    ASSERT_TRUE(WaitForFieldText(dialog, IDC_FOLDER, chosen));
    // The next press opens in the folder picked, whatever the field holds:
    // OK there gives that folder back.
    SetControlText(dialog, IDC_FOLDER, "");
    ClickButton(dialog, IDC_BROWSE);
    chooser = WaitForChooser(run);
    ASSERT_NE(chooser, nullptr);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitForFieldText(dialog, IDC_FOLDER, chosen)) << ControlText(dialog, IDC_FOLDER);

    SetControlText(dialog, IDC_NAME, kFullName);
    ClickButton(dialog, IDOK);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    // The current directory was left alone: the copy still found the medium.
    EXPECT_EQ(ListNames(chosen), InstalledNames());
    EXPECT_EQ(OwnerValue("Dir"), chosen + "\\");
    EXPECT_TRUE(IsDir(kTarget)) << "the last press created nothing, so the default stays";
    EXPECT_FALSE(Exists(chosen + "\\zarn.ini"));
}

TEST_F(DialogTest, CancellingTheChooserChangesNothingAndCancelRemovesTheCreatedDefault)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    SetControlText(dialog, IDC_FOLDER, "C:\\velq-tests\\typed-not-browsed");
    ClickButton(dialog, IDC_BROWSE);
    HWND chooser = WaitForChooser(run);
    ASSERT_NE(chooser, nullptr);
    EXPECT_TRUE(IsDir(kTarget)) << "browsing starts from the default, not from typed text";
    CancelChooser(chooser);
    for (int i = 0; i < 200 && IsWindow(chooser); ++i)
        Sleep(25);
    EXPECT_EQ(ControlText(dialog, IDC_FOLDER), "C:\\velq-tests\\typed-not-browsed");

    ClickButton(dialog, IDCANCEL);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(WaitForExit(run, &shown), 1602u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Cancelled"));
    EXPECT_FALSE(Exists(kTarget));
}

// An earlier installation that VelQ.ini names is where the folder field and
// the chooser start.
TEST_F(DialogTest, TheFieldAndTheChooserStartFromTheEarlierInstallation)
{
    const std::string earlier = ScratchDir("earlier-installation");
    WriteText(earlier + "\\uninstall.dat", "");
    WritePrivateProfileStringA("Owner", "Dir", (earlier + "\\").c_str(), "VelQ.ini");
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_FOLDER), earlier);
    SetControlText(dialog, IDC_FOLDER, "");
    ClickButton(dialog, IDC_BROWSE);
    HWND chooser = WaitForChooser(run);
    ASSERT_NE(chooser, nullptr);
    PostMessageA(chooser, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForFieldText(dialog, IDC_FOLDER, earlier)) << ControlText(dialog, IDC_FOLDER);
    EXPECT_FALSE(Exists(kTarget)) << "the chooser opened in the default folder";
}

TEST_F(DialogTest, AMissingReadmeIsCreatedEmptyAndInstalled)
{
    BuildMedium(medium);
    RemoveAll(medium + "\\readme.txt");
    SetupRun run;
    ASSERT_TRUE(Start(run, medium));
    HWND dialog = Dialog(run);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(ControlText(dialog, IDC_README), "");
    EXPECT_EQ(ReadText(medium + "\\readme.txt"), "");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, kTarget, &shown), 0u);
    EXPECT_TRUE(Exists(std::string(kTarget) + "\\readme.txt"));
    EXPECT_EQ(ReadText(std::string(kTarget) + "\\readme.txt"), "");
}

// While a setup runs, a start from another medium writes nothing and shows
// nothing: it brings the window of the running setup that the user can act
// on to the front (the dialog, or the message box that disables it) and
// ends. The running setup then installs as if it had been alone.
TEST_F(DialogTest, ASecondStartBringsTheRunningSetupForwardAndEnds)
{
    SetupRun run;
    HWND dialog = Open(run);
    ASSERT_NE(dialog, nullptr);
    // A setup that ran from it would create the missing readme.txt.
    const std::string other = ScratchDir("second-medium");
    BuildMedium(other);
    RemoveAll(other + "\\readme.txt");
    HWND elsewhere = CreateWindowExA(0, "STATIC", "Elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 100,
                                     100, NULL, NULL, NULL, NULL);
    ASSERT_NE(elsewhere, nullptr);

    EXPECT_EQ(StartAgain(other, elsewhere, dialog), dialog);
    ClickButton(dialog, IDOK);
    HWND namePrompt = WaitForProcessWindow(run.Id(), "Velquor Setup", "#32770");
    ASSERT_NE(namePrompt, nullptr);
    EXPECT_EQ(StartAgain(other, elsewhere, namePrompt), namePrompt);
    EXPECT_FALSE(Exists(other + "\\readme.txt"));
    EXPECT_FALSE(Exists(kSettings));
    EXPECT_FALSE(Exists(kTarget));
    DestroyWindow(elsewhere);

    ShownMessage prompt;
    ASSERT_TRUE(AnswerMessageBox(run, &prompt));
    EXPECT_EQ(prompt.text, "Please enter your full name");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(Install(run, dialog, kFullName, kTarget, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_EQ(ListNames(kTarget), InstalledNames());
    EXPECT_EQ(OwnerValue("USER NAME"), kFullName);
}
