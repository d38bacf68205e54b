#include <gtest/gtest.h>

#include "res/resource.h"
#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"
#include "tests/e2e/setup_test.h"

namespace {

const std::string kDesktopLink = std::string(kShellDesktop) + "\\Velquor.lnk";
const std::string kProgramsLink = std::string(kShellStartMenu) + "\\Programs\\Velquor.lnk";
const std::string kStartMenuLink = std::string(kShellStartMenu) + "\\Velquor.lnk";

class ShortcutInstallTest : public SetupTest {
protected:
    void SetUp() override
    {
        SetupTest::SetUp();
        for (const std::string& link : {kDesktopLink, kProgramsLink, kStartMenuLink})
            RemoveAll(link);
        BuildMedium(medium);
    }

    // Installs from the medium as a user who clears the Start Menu box.
    DWORD InstallWithoutStartMenu(std::vector<ShownMessage>* shown)
    {
        SetupRun run;
        if (!Start(run, medium))
            return STILL_ACTIVE;
        if (HWND dialog = Dialog(run)) {
            SetControlText(dialog, IDC_NAME, kFullName);
            ClickButton(dialog, IDC_START_MENU);
            ClickButton(dialog, IDOK);
        }
        return WaitForExit(run, shown);
    }
};

void ExpectLinkToTheInstalledProgram(const std::string& path)
{
    const ShortcutFile link = ReadShortcut(path);
    EXPECT_TRUE(link.loaded) << path;
    EXPECT_EQ(link.target, std::string(kTarget) + "\\VelQ.exe") << path;
    EXPECT_EQ(link.workingDir, std::string(kTarget) + "\\") << path;
    EXPECT_EQ(link.description, "Velquor - for all your FCC Exams") << path;
}

}  // namespace

TEST_F(ShortcutInstallTest, AnInstallLinksTheProgramFromDesktopProgramsAndStartMenu)
{
    WriteText(kDesktopLink, "left by an earlier installation");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    ExpectLinkToTheInstalledProgram(kDesktopLink);
    ExpectLinkToTheInstalledProgram(kProgramsLink);
    ExpectLinkToTheInstalledProgram(kStartMenuLink);
}

TEST_F(ShortcutInstallTest, WithTheStartMenuBoxClearedOnlyDesktopAndPrograms)
{
    std::vector<ShownMessage> shown;
    EXPECT_EQ(InstallWithoutStartMenu(&shown), 0u);
    EXPECT_TRUE(shown.empty());
    ExpectLinkToTheInstalledProgram(kDesktopLink);
    ExpectLinkToTheInstalledProgram(kProgramsLink);
    EXPECT_FALSE(Exists(kStartMenuLink));
}

TEST_F(ShortcutInstallTest, AShortcutThatCannotBeSavedStopsNeitherTheOthersNorTheProgram)
{
    const std::string missing = ScratchDir("shortcut-install-missing") + "\\no-such-folder";
    ShellFoldersChange change;
    change.Set("Desktop", missing);
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 0u);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(Exists(missing));
    ExpectLinkToTheInstalledProgram(kProgramsLink);
    ExpectLinkToTheInstalledProgram(kStartMenuLink);
    EXPECT_TRUE(ProgramStart().started);
}

// Shortcuts to a program that is not there, and nothing started, would pass
// for success.
TEST_F(ShortcutInstallTest, AMediumWithoutTheProgramFailsAndLinksNothing)
{
    RemoveAll(medium + "\\VelQ.exe");
    std::vector<ShownMessage> shown;
    EXPECT_EQ(RunSetup(medium, &shown), 1603u);
    EXPECT_EQ(shown, Confirmation("Velquor Installation Failed"));
    for (const std::string& link : {kDesktopLink, kProgramsLink, kStartMenuLink})
        EXPECT_FALSE(Exists(link)) << link;
    EXPECT_FALSE(ProgramStart().started);
}
