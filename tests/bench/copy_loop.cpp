// The bare copy that setup.exe is measured against: CopyFileA over a given
// list of files, with no enumeration, followed by the same start of the
// installed program that setup.exe makes, so both intervals end alike.
//   copy_loop MEDIUM TARGET LIST [remove]
// MEDIUM and TARGET end with "\". LIST holds one "source<TAB>target" line
// per file, both relative. With "remove" the listed files in folders and
// their folders are deleted first, as a reinstall does. The exit code is the
// number of failed steps.
#include <windows.h>
#include <shellapi.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "tests/bench/bench_signals.h"

namespace {

struct CopyJob {
    std::string source;
    std::string target;
    bool inFolder;
};

// Everything the timed part needs, composed before the clock starts.
struct Plan {
    std::string target;
    std::vector<std::string> folders;
    std::vector<CopyJob> files;
};

void AddFolder(Plan* plan, const std::string& folder)
{
    if (std::find(plan->folders.begin(), plan->folders.end(), folder) == plan->folders.end())
        plan->folders.push_back(folder);
}

bool LoadPlan(const std::string& medium, const char* listPath, Plan* plan)
{
    std::ifstream list(listPath, std::ios::binary);
    std::string line;
    while (std::getline(list, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            return false;
        const std::string target = line.substr(tab + 1);
        const size_t separator = target.find('\\');
        if (separator != std::string::npos)
            AddFolder(plan, plan->target + target.substr(0, separator));
        plan->files.push_back(
            {medium + line.substr(0, tab), plan->target + target, separator != std::string::npos});
    }
    return !plan->files.empty();
}

DWORD RemoveFolders(const Plan& plan)
{
    DWORD failures = 0;
    for (const CopyJob& job : plan.files)
        if (job.inFolder && !DeleteFileA(job.target.c_str()))
            ++failures;
    for (const std::string& folder : plan.folders)
        if (!RemoveDirectoryA(folder.c_str()))
            ++failures;
    return failures;
}

DWORD CopyFiles(const Plan& plan)
{
    DWORD failures = 0;
    CreateDirectoryA(plan.target.c_str(), NULL);
    for (const std::string& folder : plan.folders)
        if (!CreateDirectoryA(folder.c_str(), NULL))
            ++failures;
    for (const CopyJob& job : plan.files)
        if (!CopyFileA(job.source.c_str(), job.target.c_str(), FALSE))
            ++failures;
    return failures;
}

// The call setup.exe makes, doubled separator included.
void StartInstalledProgram(const Plan& plan)
{
    const std::string program = plan.target + "\\VelQ.exe";
    ShellExecuteA(NULL, "open", program.c_str(), "", plan.target.c_str(), SW_SHOW);
}

// Signals that the plan is loaded and waits for the driver's go.
bool AwaitGo()
{
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, kLoopReadyEvent);
    HANDLE go = OpenEventA(SYNCHRONIZE, FALSE, kLoopGoEvent);
    const bool started =
        ready && go && SetEvent(ready) && WaitForSingleObject(go, 60000) == WAIT_OBJECT_0;
    if (ready)
        CloseHandle(ready);
    if (go)
        CloseHandle(go);
    return started;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 4 || argc > 5 || (argc == 5 && strcmp(argv[4], "remove") != 0)) {
        fprintf(stderr, "usage: copy_loop MEDIUM TARGET LIST [remove]\n");
        return 2;
    }
    Plan plan;
    plan.target = argv[2];
    if (!LoadPlan(argv[1], argv[3], &plan)) {
        fprintf(stderr, "copy_loop: cannot read the list %s\n", argv[3]);
        return 2;
    }
    if (!AwaitGo()) {
        fprintf(stderr, "copy_loop: no go from the driver\n");
        return 2;
    }
    const DWORD failures = (argc == 5 ? RemoveFolders(plan) : 0) + CopyFiles(plan);
    StartInstalledProgram(plan);
    if (failures)
        fprintf(stderr, "copy_loop: %lu steps failed\n", failures);
    return static_cast<int>(failures);
}
