#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Shortcut files and the shell-folder registry values that place them, for
// tests on the Wine prefix.

// Where the test prefix points the per-user "Desktop" and "Start Menu".
extern const char kShellDesktop[];
extern const char kShellStartMenu[];

// What a .lnk file holds, read back through the shell's link object.
struct ShortcutFile {
    bool loaded = false;
    std::string target;
    std::string workingDir;
    std::string description;
};
ShortcutFile ReadShortcut(const std::string& path);

// Changes the per-user shell-folder values for one test and puts back both
// keys as they were when it goes out of scope. Wine's shell rewrites
// "Shell Folders" from "User Shell Folders" whenever the link object runs,
// so a change is made in both.
class ShellFoldersChange {
public:
    ShellFoldersChange();
    ~ShellFoldersChange();
    void Set(const char* valueName, const std::string& folder);
    void Remove(const char* valueName);
    // "Shell Folders" only: data of any type and size, terminator included
    // or not.
    void SetRaw(const char* valueName, DWORD type, const void* data, DWORD size);
    void RemoveShellFoldersKey();

private:
    struct Value {
        std::string name;
        DWORD type;
        std::vector<BYTE> data;
    };
    std::vector<Value> saved_[2];
};
