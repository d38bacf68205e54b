#include "engine/shortcut_maker.h"

#include <objbase.h>

#include <gtest/gtest.h>

#include "setup/setup_state.h"
#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"

namespace {

using Names = std::vector<std::string>;

const std::string kDesktop = kShellDesktop;
const std::string kStartMenu = kShellStartMenu;
const std::string kPrograms = kStartMenu + "\\Programs";

std::string WindowsFolder(const char* name)
{
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, sizeof windows);
    return windows + std::string(name);
}

// CreateShortcut works in the caller's COM apartment.
struct ComApartment {
    ComApartment() { CoInitialize(NULL); }
    ~ComApartment() { CoUninitialize(); }
};

class ShortcutTest : public testing::Test {
protected:
    void SetUp() override
    {
        MakeDir(target);
        ASSERT_TRUE(CopyPath(::Setup.TargetDir, target.c_str()));
        ::Setup.AddToStartMenu = 1;
        RemoveLinks();
        // The fallbacks under the Windows folder exist only when a test makes them.
        RemoveAll(winDesktop);
        RemoveAll(winStartMenu);
    }

    void TearDown() override
    {
        RemoveAll(winDesktop);
        RemoveAll(winStartMenu);
    }

    void RemoveLinks()
    {
        for (const std::string& folder : {kDesktop, kPrograms, kStartMenu})
            RemoveAll(folder + "\\Velquor.lnk");
    }

    void ExpectShortcut(const std::string& folder)
    {
        const ShortcutFile link = ReadShortcut(folder + "\\Velquor.lnk");
        EXPECT_TRUE(link.loaded) << folder;
        EXPECT_EQ(link.target, target + "VelQ.exe") << folder;
        EXPECT_EQ(link.workingDir, target) << folder;
        EXPECT_EQ(link.description, "Velquor - for all your FCC Exams") << folder;
    }

    const std::string target = ScratchDir("shortcuts") + "\\Velq\\";
    const std::string winDesktop = WindowsFolder("\\Desktop");
    const std::string winStartMenu = WindowsFolder("\\Start Menu");
};

}  // namespace

TEST_F(ShortcutTest, MakesTwoShortcutsWithTheStartMenuBoxClearedAndThreeWithItTicked)
{
    ::Setup.AddToStartMenu = 0;
    MakeShortcuts();
    EXPECT_EQ(ListNames(kDesktop), Names{"Velquor.lnk"});
    EXPECT_EQ(ListNames(kPrograms), Names{"Velquor.lnk"});
    EXPECT_EQ(ListNames(kStartMenu), Names{"Programs\\"});

    RemoveLinks();
    ::Setup.AddToStartMenu = 1;
    MakeShortcuts();
    ExpectShortcut(kDesktop);
    ExpectShortcut(kPrograms);
    ExpectShortcut(kStartMenu);
}

TEST_F(ShortcutTest, OverwritesExistingShortcuts)
{
    WriteText(kDesktop + "\\Velquor.lnk", "not a link");
    {
        ComApartment com;
        ASSERT_EQ(CreateShortcut("C:\\Other\\", "Other.exe", (kPrograms + "\\Velquor.lnk").c_str(),
                                 "other"),
                  S_OK);
    }
    MakeShortcuts();
    ExpectShortcut(kDesktop);
    ExpectShortcut(kPrograms);
}

TEST_F(ShortcutTest, WithoutTheShellFoldersKeyUsesTheWindowsFolders)
{
    ShellFoldersChange change;
    change.RemoveShellFoldersKey();
    MakeDir(winDesktop);
    MakeDir(winStartMenu + "\\Programs");
    MakeShortcuts();
    ExpectShortcut(winDesktop);
    ExpectShortcut(winStartMenu + "\\Programs");
    ExpectShortcut(winStartMenu);
    EXPECT_FALSE(Exists(kDesktop + "\\Velquor.lnk"));
}

// A value too long for the registry query counts as missing. Fallback
// folders that do not exist are skipped, and nothing creates them.
TEST_F(ShortcutTest, MissingOrOverLongValuesFallBackWhereTheWindowsFolderExists)
{
    ShellFoldersChange change;
    change.Set("Desktop", kDesktop + "\\" + std::string(260, 'd'));
    change.Remove("Start Menu");
    MakeDir(winDesktop);
    MakeShortcuts();
    ExpectShortcut(winDesktop);
    EXPECT_FALSE(Exists(winStartMenu));
    EXPECT_FALSE(Exists(kPrograms + "\\Velquor.lnk"));
    EXPECT_FALSE(Exists(kStartMenu + "\\Velquor.lnk"));
}

// "\Programs\Velquor.lnk" does not fit after this Start Menu; "\Velquor.lnk"
// does.
TEST_F(ShortcutTest, AnOverLongLinkPathFailsOnlyThatShortcut)
{
    std::string startMenu = ScratchDir("shortcuts-long") + "\\";
    startMenu += std::string(kPathChars - 1 - 15 - startMenu.size(), 's');
    MakeDir(startMenu + "\\Programs");
    ShellFoldersChange change;
    change.Set("Start Menu", startMenu);
    MakeShortcuts();
    ExpectShortcut(kDesktop);
    ExpectShortcut(startMenu);
    EXPECT_EQ(ListNames(startMenu + "\\Programs"), Names{});
}

TEST(CreateShortcut, FailsWhenTheSaveFailsOrAPathWouldNotFit)
{
    const std::string dir = ScratchDir("create-shortcut");
    const std::string tooLong(kPathChars, 'n');
    ComApartment com;
    EXPECT_EQ(CreateShortcut("C:\\Velq\\", "VelQ.exe", (dir + "\\a.lnk").c_str(), "d"), S_OK);
    EXPECT_TRUE(
        FAILED(CreateShortcut("C:\\Velq\\", "VelQ.exe", (dir + "\\missing\\b.lnk").c_str(), "d")));
    EXPECT_TRUE(
        FAILED(CreateShortcut("C:\\Velq\\", tooLong.c_str(), (dir + "\\c.lnk").c_str(), "d")));
    EXPECT_TRUE(FAILED(
        CreateShortcut("C:\\Velq\\", "VelQ.exe", (dir + "\\" + tooLong + ".lnk").c_str(), "d")));
    EXPECT_EQ(ListNames(dir), Names{"a.lnk"});
}

TEST(GetShellFolderPath, ReadsValuesOfUpTo256BytesAndOtherwiseKeepsTheFallback)
{
    const std::string fits(255, 'f'), tooLong(256, 'l');
    const DWORD number = 1;
    ShellFoldersChange change;
    change.SetRaw("velq-fits", REG_SZ, fits.c_str(), 256);
    change.SetRaw("velq-unterminated", REG_SZ, fits.c_str(), 255);
    change.SetRaw("velq-too-long", REG_SZ, tooLong.c_str(), 257);
    change.SetRaw("velq-number", REG_DWORD, &number, sizeof number);
    change.SetRaw("velq-empty", REG_SZ, "", 1);
    const std::pair<const char*, std::string> cases[] = {
        {"velq-fits", fits},
        {"velq-unterminated", fits},
        {"velq-too-long", "C:\\fallback"},
        {"velq-number", "C:\\fallback"},
        {"velq-missing", "C:\\fallback"},
        {"velq-empty", "C:\\fallback"},
    };
    for (const auto& [value, expected] : cases) {
        // Whatever follows the fallback is no terminator.
        char folder[kPathChars];
        memset(folder, 'x', sizeof folder);
        ASSERT_TRUE(CopyPath(folder, "C:\\fallback"));
        GetShellFolderPath(HKEY_CURRENT_USER, value, folder);
        EXPECT_EQ(std::string(folder, strnlen(folder, sizeof folder)), expected) << value;
    }
}

// The machine's folder of that name, where shortcuts for every user go.
std::string CommonFolder(const char* name)
{
    char folder[MAX_PATH] = "";
    DWORD size = sizeof folder;
    RegGetValueA(HKEY_LOCAL_MACHINE,
                 "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name,
                 RRF_RT_REG_SZ, NULL, folder, &size);
    return folder;
}

// A run as LocalSystem has no user of its own; every other run is somebody's.
TEST_F(ShortcutTest, ForEveryUserTheShortcutsGoIntoTheMachinesFoldersAndAreRemovedThere)
{
    const std::string common[] = {CommonFolder("Common Desktop") + "\\Velquor.lnk",
                                  CommonFolder("Common Programs") + "\\Velquor.lnk",
                                  CommonFolder("Common Start Menu") + "\\Velquor.lnk"};
    for (const std::string& link : common)
        RemoveAll(link);
    ::Setup.ForEveryUser = TRUE;
    MakeShortcuts();
    ::Setup.ForEveryUser = FALSE;
    EXPECT_EQ(ListNames(kDesktop), Names{});
    for (const std::string& link : common)
        EXPECT_EQ(ReadShortcut(link).target, target + "VelQ.exe") << link;
    MakeShortcuts();
    ExpectShortcut(kDesktop);
    RemoveShortcuts(target.c_str());
    for (const std::string& link : common)
        EXPECT_FALSE(Exists(link)) << link;
    EXPECT_FALSE(Exists(kDesktop + "\\Velquor.lnk"));
}
