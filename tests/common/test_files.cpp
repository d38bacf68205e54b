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
    std::wstring wide = L"\\\\?\\";
    for (char c : path)
        wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    while (wide.back() == L'\\')
        wide.pop_back();
    EXPECT_TRUE(RemoveTreeW(wide)) << "cannot remove " << path;
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
