#include "dialogs/readme_text.h"

#include <gtest/gtest.h>

#include "setup/setup_state.h"
#include "tests/common/test_files.h"

namespace {

// Loads the readme of a medium folder, as the setup does at its start.
class ReadmeTest : public testing::Test {
protected:
    void SetUp() override
    {
        medium = ScratchDir("readme");
        ASSERT_TRUE(JoinPath(::Setup.SourceDir, medium.c_str(), "\\"));
    }

    void TearDown() override
    {
        if (::Setup.ReadmeMemory) {
            GlobalUnlock(::Setup.ReadmeMemory);
            GlobalFree(::Setup.ReadmeMemory);
        }
        ::Setup.ReadmeMemory = NULL;
        ::Setup.ReadmeText = NULL;
    }

    std::string medium;
};

}  // namespace

TEST_F(ReadmeTest, LoadsTheFileAsStoredFollowedByOneNul)
{
    WriteText(medium + "\\readme.txt", "Line\none\r\n");
    EXPECT_EQ(LoadReadme(), 0);
    ASSERT_NE(::Setup.ReadmeText, nullptr);
    EXPECT_EQ(GlobalSize(::Setup.ReadmeMemory), 11u);
    EXPECT_EQ(std::string(::Setup.ReadmeText, 11), std::string("Line\none\r\n", 11));
}

TEST_F(ReadmeTest, AMissingReadmeIsCreatedEmptyAndLoadsNothing)
{
    EXPECT_EQ(LoadReadme(), 0);
    EXPECT_EQ(::Setup.ReadmeMemory, nullptr);
    EXPECT_EQ(::Setup.ReadmeText, nullptr);
    const DWORD attributes = GetFileAttributesA((medium + "\\readme.txt").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(attributes & FILE_ATTRIBUTE_ARCHIVE);
    EXPECT_EQ(ReadText(medium + "\\readme.txt"), "");
}

TEST_F(ReadmeTest, AnEmptyReadmeLoadsNothing)
{
    WriteText(medium + "\\readme.txt", "");
    EXPECT_EQ(LoadReadme(), 0);
    EXPECT_EQ(::Setup.ReadmeMemory, nullptr);
    EXPECT_EQ(::Setup.ReadmeText, nullptr);
}

TEST_F(ReadmeTest, AReadmeOpenForWritingElsewhereLoadsNothing)
{
    WriteText(medium + "\\readme.txt", "busy");
    HANDLE writer = CreateFileA((medium + "\\readme.txt").c_str(), GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    LoadReadme();
    CloseHandle(writer);
    EXPECT_EQ(::Setup.ReadmeText, nullptr);
}

TEST_F(ReadmeTest, AMediumPathWithNoRoomForTheNameLoadsAndCreatesNothing)
{
    std::string deep = medium + "\\";
    deep += std::string(kPathChars - 6 - deep.size(), 'd');
    MakeDir(deep);
    ASSERT_TRUE(JoinPath(::Setup.SourceDir, deep.c_str(), "\\"));
    LoadReadme();
    EXPECT_EQ(::Setup.ReadmeText, nullptr);
    EXPECT_EQ(ListNames(deep), std::vector<std::string>{});
}
