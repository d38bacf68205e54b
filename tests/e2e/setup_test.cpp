#include "tests/e2e/setup_test.h"

#include <algorithm>

#include "res/resource.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"

const char kTarget[] = "C:\\Velq";
const char kSettings[] = "C:\\windows\\VelQ.ini";
const char kFullName[] = "Sample User";

static const char kStubLog[] = "C:\\velq-tests\\velq-started.txt";

std::string Lower(std::string text)
{
    for (char& c : text)
        c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

Names InstalledNames()
{
    Names names;
    for (const std::string& folder : kMediumFolders)
        names.push_back(folder + "\\");
    for (const std::string& file : kMediumFiles)
        names.push_back(Lower(file));
    std::sort(names.begin(), names.end());
    return names;
}

std::string SystemText(DWORD error)
{
    char* text = NULL;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                       FORMAT_MESSAGE_IGNORE_INSERTS,
                   NULL, error, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT),
                   reinterpret_cast<char*>(&text), 0, NULL);
    std::string result = text ? text : "";
    LocalFree(text);
    return result;
}

HANDLE HoldOpen(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    EXPECT_NE(file, INVALID_HANDLE_VALUE) << path;
    return file;
}

std::string OwnerValue(const char* key)
{
    char value[1024];
    GetPrivateProfileStringA("Owner", key, "<missing>", value, sizeof value, "VelQ.ini");
    return value;
}

void SetupTest::SetUp()
{
    RemoveAll(kTarget);
    RemoveAll(kStubLog);
    RemoveAll(kSettings);
    medium = ScratchDir(testing::UnitTest::GetInstance()->current_test_info()->name()) + "\\medium";
    MakeDir(medium);
}

void SetupTest::TearDown()
{
    CloseStub(ProgramStart());
}

StubStart SetupTest::ProgramStart() const
{
    return ReadStubStart(kStubLog);
}

bool SetupTest::Start(SetupRun& run, const std::string& from)
{
    const std::string setupExe = BuildDir() + "\\setup.exe";
    const bool started = StartSetup(run, setupExe, from, kStubLog);
    EXPECT_TRUE(started) << setupExe << " in " << from << ": error " << GetLastError();
    return started;
}

HWND SetupTest::Dialog(const SetupRun& run)
{
    HWND dialog = WaitForInstallDialog(run);
    EXPECT_NE(dialog, nullptr) << "the install dialog did not show";
    return dialog;
}

DWORD SetupTest::RunSetup(const std::string& from, std::vector<ShownMessage>* shown,
                          const std::string& name)
{
    SetupRun run;
    if (!Start(run, from))
        return STILL_ACTIVE;
    if (HWND dialog = Dialog(run)) {
        SetControlText(dialog, IDC_NAME, name);
        ClickButton(dialog, IDOK);
    }
    return WaitForExit(run, shown);
}
