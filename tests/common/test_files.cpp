#include "tests/common/test_files.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

std::string WinPathOf(const std::string& linuxPath)
{
    std::string path = "Z:" + linuxPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string BuildDir()
{
    const char* build = getenv("VELQUOR_BUILD");
    EXPECT_NE(build, nullptr) << "VELQUOR_BUILD is not set";
    return build ? WinPathOf(build) : std::string();
}

std::string ProductDir()
{
    const char* product = getenv("VELQUOR_PRODUCT");
    return product ? WinPathOf(product) : BuildDir();
}

std::string ScratchDir(const std::string& name)
{
    const std::string path = "C:\\velq-tests\\" + name;
    RemoveAll(path);
    std::error_code error;
    fs::create_directories(path, error);
    EXPECT_FALSE(error) << path << ": " << error.message();
    return path;
}

std::string EmptyDriveRoot()
{
    // Wine maps M: to this folder; removing the root removes the folder.
    const std::string folder = BuildDir() + "\\wine\\drive_m";
    RemoveAll(folder);
    MakeDir(folder);
    return "M:\\";
}

std::string SmallDrive()
{
    ULARGE_INTEGER available, total, free;
    if (!GetDiskFreeSpaceExA("S:\\", &available, &total, &free) || total.QuadPart > (8u << 20))
        return "";
    for (const std::string& name : ListNames("S:"))
        RemoveAll("S:\\" + name);
    return "S:";
}

void MakeDir(const std::string& path)
{
    std::error_code error;
    fs::create_directories(path, error);
    EXPECT_FALSE(error) << path << ": " << error.message();
}

void WriteText(const std::string& path, const std::string& text)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << text;
    EXPECT_TRUE(out.good()) << "cannot write " << path;
}

std::string ReadText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in.good()) << "cannot read " << path;
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool IsDir(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

static std::wstring Wide(const std::string& text)
{
    std::wstring wide;
    for (unsigned char c : text)
        wide += c;
    return wide;
}

// The host's path of a Windows path, from Wine's own kernel32.
static std::string HostPathOf(const std::wstring& path)
{
    using ToUnix = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<ToUnix>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    char* unixPath = toUnix ? toUnix(path.c_str()) : nullptr;
    EXPECT_NE(unixPath, nullptr) << "no host path";
    const std::string result = unixPath ? unixPath : "";
    HeapFree(GetProcessHeap(), 0, unixPath);
    return result;
}

// Runs a host program on a path. Wine may report it ended before its work
// is done, so the caller waits for the effect it expects.
static void RunOnHost(const std::string& program, const std::wstring& path)
{
    std::string commandLine = program + " \"" + HostPathOf(path) + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    ASSERT_TRUE(
        CreateProcessA(NULL, &commandLine[0], NULL, NULL, FALSE, 0, NULL, NULL, &startup, &process))
        << commandLine << ": error " << GetLastError();
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
}

bool MakeFolderLink(const std::string& link, const std::string& target)
{
    RunOnHost("Z:\\bin\\ln -s \"" + HostPathOf(Wide(target)) + "\"", Wide(link));
    for (int i = 0; i < 200; ++i) {
        const DWORD attributes = GetFileAttributesA(link.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
            return true;
        Sleep(25);
    }
    return false;
}

// Wide calls on "\\?\" paths, so trees deeper than the path limit (which
// some tests build on purpose) go too.
static bool RemoveTreeW(const std::wstring& path)
{
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &entry);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::wstring child = path + L"\\" + name;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                continue;  // never followed: left for the host
            SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTreeW(child);
            else
                DeleteFileW(child.c_str());
        } while (FindNextFileW(find, &entry));
        FindClose(find);
    }
    return RemoveDirectoryW(path.c_str()) || DeleteFileW(path.c_str());
}

void RemoveAll(const std::string& path)
{
    if (!Exists(path))
        return;
    std::wstring wide = L"\\\\?\\" + Wide(path);
    while (wide.back() == L'\\')
        wide.pop_back();
    // A folder link given itself would be removed through: Wine removes the
    // folder it points to and leaves the link.
    if (!(GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT) && RemoveTreeW(wide))
        return;
    // Folder links, which Wine cannot remove, and dangling ones, which it
    // does not even list, go on the host.
    RunOnHost("Z:\\bin\\rm -rf", wide);
    for (int i = 0; i < 200 && Exists(path); ++i)
        Sleep(25);
    EXPECT_FALSE(Exists(path)) << "cannot remove " << path;
}

std::vector<std::string> ListNames(const std::string& folder)
{
    std::vector<std::string> names;
    std::error_code error;
    fs::directory_iterator entry(folder, error), end;
    for (; !error && entry != end; entry.increment(error))
        names.push_back(entry->path().filename().string() + (entry->is_directory() ? "\\" : ""));
    std::sort(names.begin(), names.end());
    return names;
}

static void AddTree(const std::string& folder, const std::string& prefix, std::string* text)
{
    for (const std::string& name : ListNames(folder)) {
        const std::string path = folder + "\\" + name;
        if (name.back() == '\\') {
            *text += prefix + name + "\n";
            AddTree(path.substr(0, path.size() - 1), prefix + name, text);
        } else {
            *text += prefix + name + "=" + ReadText(path) + "\n";
        }
    }
}

std::string TreeText(const std::string& folder)
{
    std::string text;
    AddTree(folder, "", &text);
    return text;
}
