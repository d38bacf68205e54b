#include "tests/common/shortcut_files.h"

#include <objbase.h>
#include <shlobj.h>

#include <gtest/gtest.h>

const char kShellDesktop[] = "C:\\velq-shell\\Desktop";
const char kShellStartMenu[] = "C:\\velq-shell\\Start Menu";

namespace {

const char* const kKeys[2] = {
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
};

void LoadShortcut(IShellLinkA* link, const std::string& path, ShortcutFile* shortcut)
{
    IPersistFile* file = NULL;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))))
        return;
    const std::wstring widePath(path.begin(), path.end());
    char text[1024];
    if (SUCCEEDED(file->Load(widePath.c_str(), STGM_READ))) {
        shortcut->loaded = true;
        if (SUCCEEDED(link->GetPath(text, sizeof text, NULL, SLGP_RAWPATH)))
            shortcut->target = text;
        if (SUCCEEDED(link->GetWorkingDirectory(text, sizeof text)))
            shortcut->workingDir = text;
        if (SUCCEEDED(link->GetDescription(text, sizeof text)))
            shortcut->description = text;
    }
    file->Release();
}

}  // namespace

ShortcutFile ReadShortcut(const std::string& path)
{
    ShortcutFile shortcut;
    const HRESULT initialised = CoInitialize(NULL);
    IShellLinkA* link = NULL;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, NULL, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                   reinterpret_cast<void**>(&link)))) {
        LoadShortcut(link, path, &shortcut);
        link->Release();
    }
    if (SUCCEEDED(initialised))
        CoUninitialize();
    return shortcut;
}

ShellFoldersChange::ShellFoldersChange()
{
    for (int k = 0; k < 2; ++k) {
        HKEY key;
        if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeys[k], 0, KEY_READ, &key) != ERROR_SUCCESS) {
            ADD_FAILURE() << "cannot read " << kKeys[k];
            continue;
        }
        char name[256];
        BYTE data[2048];
        for (DWORD i = 0;; ++i) {
            DWORD nameSize = sizeof name, dataSize = sizeof data, type = 0;
            if (RegEnumValueA(key, i, name, &nameSize, NULL, &type, data, &dataSize) !=
                ERROR_SUCCESS)
                break;
            saved_[k].push_back({name, type, std::vector<BYTE>(data, data + dataSize)});
        }
        RegCloseKey(key);
    }
}

ShellFoldersChange::~ShellFoldersChange()
{
    for (int k = 0; k < 2; ++k) {
        RegDeleteKeyA(HKEY_CURRENT_USER, kKeys[k]);
        HKEY key;
        EXPECT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, kKeys[k], 0, NULL, 0, KEY_WRITE, NULL, &key, NULL),
            ERROR_SUCCESS);
        for (const Value& value : saved_[k])
            RegSetValueExA(key, value.name.c_str(), 0, value.type, value.data.data(),
                           static_cast<DWORD>(value.data.size()));
        RegCloseKey(key);
    }
}

void ShellFoldersChange::Set(const char* valueName, const std::string& folder)
{
    for (const char* keyName : kKeys)
        EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, keyName, valueName, REG_SZ, folder.c_str(),
                                  static_cast<DWORD>(folder.size() + 1)),
                  ERROR_SUCCESS);
}

void ShellFoldersChange::Remove(const char* valueName)
{
    for (const char* keyName : kKeys)
        RegDeleteKeyValueA(HKEY_CURRENT_USER, keyName, valueName);
}

void ShellFoldersChange::SetRaw(const char* valueName, DWORD type, const void* data, DWORD size)
{
    EXPECT_EQ(RegSetKeyValueA(HKEY_CURRENT_USER, kKeys[0], valueName, type, data, size),
              ERROR_SUCCESS);
}

void ShellFoldersChange::RemoveShellFoldersKey()
{
    EXPECT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kKeys[0]), ERROR_SUCCESS);
}
