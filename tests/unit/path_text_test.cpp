#include "runtime/path_text.h"

#include <gtest/gtest.h>

#include <string>

TEST(JoinPath, JoinsUpToTheLastCharacterThatFits)
{
    char out[kPathChars];
    const std::string folder(250, 'a');
    ASSERT_TRUE(JoinPath(out, folder.c_str(), "\\", "name.txt"));  // 259 characters
    EXPECT_EQ(std::string(out), folder + "\\name.txt");
}

TEST(JoinPath, RefusesAPathThatWouldNotFitAndLeavesNothingToUse)
{
    char out[kPathChars] = "previous";
    const std::string folder(251, 'a');
    SetLastError(0);
    EXPECT_FALSE(JoinPath(out, folder.c_str(), "\\", "name.txt"));  // 260 characters
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE));
    EXPECT_STREQ(out, "");
}

TEST(JoinPath, JoinsOntoItself)
{
    char out[kPathChars] = "C:\\Velq";
    ASSERT_TRUE(JoinPath(out, out, "\\", "dibs"));
    EXPECT_STREQ(out, "C:\\Velq\\dibs");
}

TEST(AppendSeparator, AddsOneSeparatorOnlyWhenMissingAndWhenItFits)
{
    char path[kFieldChars] = "D:\\Apps";
    ASSERT_TRUE(AppendSeparator(path, kPathChars));
    EXPECT_STREQ(path, "D:\\Apps\\");
    ASSERT_TRUE(AppendSeparator(path, kPathChars));
    EXPECT_STREQ(path, "D:\\Apps\\");

    char empty[kFieldChars] = "";
    ASSERT_TRUE(AppendSeparator(empty, kPathChars));
    EXPECT_STREQ(empty, "\\");

    std::string full(259, 'a');
    char longPath[kFieldChars];
    full.copy(longPath, full.size());
    longPath[full.size()] = '\0';
    EXPECT_FALSE(AppendSeparator(longPath, kPathChars));
    EXPECT_EQ(std::string(longPath), full);
}
