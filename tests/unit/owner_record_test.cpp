#include "dialogs/owner_record.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/common/test_files.h"

namespace {

const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";
const char kFallbackVersion[] = "Software\\Microsoft\\WindowsNT\\CurrentVersion";
const char kUserInfo[] = "Software\\Microsoft\\MS Setup (ACME)\\User Info";
const char kSettings[] = "C:\\windows\\VelQ.ini";

// A registry value changed by a test, and what it held before.
struct SavedValue {
    HKEY root;
    std::string key;
    std::string name;
    bool existed;
    std::string text;
};

// Each test sets the registry as it needs; the values are put back after.
class OwnerRecordTest : public testing::Test {
protected:
    void SetUp() override { RemoveAll(kSettings); }

    void TearDown() override
    {
        for (auto saved = changed.rbegin(); saved != changed.rend(); ++saved) {
            if (saved->existed)
                Set(saved->root, saved->key.c_str(), saved->name.c_str(), saved->text);
            else
                Remove(saved->root, saved->key.c_str(), saved->name.c_str());
        }
        RemoveAll(kSettings);
    }

    void SetValue(HKEY root, const char* key, const char* name, const std::string& text)
    {
        Save(root, key, name);
        Set(root, key, name, text);
    }

    void RemoveValue(HKEY root, const char* key, const char* name)
    {
        Save(root, key, name);
        Remove(root, key, name);
    }

    std::string DefaultName()
    {
        char buffer[60];
        GetRegisteredOwner(buffer, sizeof buffer);
        if (buffer[0] == '\0')
            GetSetupDefaultName(buffer, sizeof buffer);
        return buffer;
    }

private:
    void Save(HKEY root, const char* key, const char* name)
    {
        char text[1024] = "";
        DWORD size = sizeof text;
        const bool existed =
            RegGetValueA(root, key, name, RRF_RT_REG_SZ, NULL, text, &size) == ERROR_SUCCESS;
        changed.push_back({root, key, name, existed, text});
    }

    static void Set(HKEY root, const char* key, const char* name, const std::string& text)
    {
        HKEY opened;
        ASSERT_EQ(RegCreateKeyExA(root, key, 0, NULL, 0, KEY_SET_VALUE, NULL, &opened, NULL),
                  ERROR_SUCCESS);
        RegSetValueExA(opened, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(opened);
    }

    static void Remove(HKEY root, const char* key, const char* name)
    {
        HKEY opened;
        if (RegOpenKeyExA(root, key, 0, KEY_SET_VALUE, &opened) != ERROR_SUCCESS)
            return;
        RegDeleteValueA(opened, name);
        RegCloseKey(opened);
    }

    std::vector<SavedValue> changed;
};

}  // namespace

TEST_F(OwnerRecordTest, TakesTheRegisteredOwnerFromTheFirstKey)
{
    SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner", "Machine Owner");
    SetValue(HKEY_CURRENT_USER, kUserInfo, "DefName", "Old Setup Name");
    EXPECT_EQ(DefaultName(), "Machine Owner");
}

// The fallback key is for a first key that cannot be opened, not for one
// that lacks the value: then the older setup program's name is taken.
TEST_F(OwnerRecordTest, TakesTheOlderSetupsNameWhenTheFirstKeyLacksTheOwner)
{
    RemoveValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner");
    SetValue(HKEY_LOCAL_MACHINE, kFallbackVersion, "RegisteredOwner", "Fallback Owner");
    SetValue(HKEY_CURRENT_USER, kUserInfo, "DefName", "Old Setup Name");
    EXPECT_EQ(DefaultName(), "Old Setup Name");
    RemoveValue(HKEY_CURRENT_USER, kUserInfo, "DefName");
    EXPECT_EQ(DefaultName(), "");
}

TEST_F(OwnerRecordTest, CutsALongOwnerNameTo59Characters)
{
    const std::string owner = std::string(40, 'O') + " " + std::string(59, 'W');
    SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner", owner);
    EXPECT_EQ(DefaultName(), owner.substr(0, 59));
    SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner", std::string(60, 'x'));
    EXPECT_EQ(DefaultName(), std::string(59, 'x'));
}

TEST_F(OwnerRecordTest, AFreshFileListsTheThreeKeysInOrderWithAnEmptyDefaultName)
{
    RemoveValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner");
    RemoveValue(HKEY_CURRENT_USER, kUserInfo, "DefName");
    WriteOwnerRecord("Sample User", "D:\\Apps\\");
    EXPECT_EQ(ReadText(kSettings),
              "[Owner]\r\nUSER NAME=Sample User\r\nDEFAULT NAME=\r\nDir=D:\\Apps\\\r\n");
}

TEST_F(OwnerRecordTest, ASecondInstallReplacesTheValuesAndKeepsEverythingElse)
{
    SetValue(HKEY_LOCAL_MACHINE, kCurrentVersion, "RegisteredOwner", "Machine Owner");
    WriteText(kSettings, "[Options]\r\nSound=1\r\n[Owner]\r\nUSER NAME=First User\r\n"
                         "Exam=Element 3\r\nDir=C:\\Velq\\\r\n");
    WriteOwnerRecord("Second User", "D:\\Apps\\");
    EXPECT_EQ(ReadText(kSettings),
              "[Options]\r\nSound=1\r\n[Owner]\r\nUSER NAME=Second User\r\nExam=Element 3\r\n"
              "Dir=D:\\Apps\\\r\nDEFAULT NAME=Machine Owner\r\n");
}
