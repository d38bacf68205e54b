#include "tests/e2e/setup_test.h"

#include <algorithm>

#include "res/resource.h"
#include "tests/common/shortcut_files.h"
#include "tests/common/test_files.h"
#include "tests/e2e/medium.h"

const char kTarget[] = "C:\\Velq";
const char kSettings[] = "C:\\windows\\VelQ.ini";
const char kFullName[] = "Sample User";

const std::string kLinks[3] = {
    std::string(kShellDesktop) + "\\Velquor.lnk",
    std::string(kShellStartMenu) + "\\Programs\\Velquor.lnk",
    std::string(kShellStartMenu) + "\\Velquor.lnk",
};

static const char kStubLog[] = "C:\\velq-tests\\velq-started.txt";
static const char kCurrentVersion[] = "Software\\Microsoft\\Windows\\CurrentVersion";

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
    names.push_back("uninstall.dat");
    names.push_back("uninstall.exe");
    std::sort(names.begin(), names.end());
    return names;
}

std::string MakeStudyFolder()
{
    const std::string study = "C:\\Study";
    RemoveAll(study);
    MakeDir(study + "\\exams");
    MakeDir(study + "\\figures");
    WriteText(study + "\\exams\\notes.txt", "my notes");
    WriteText(study + "\\figures\\chart.dat", "my chart");
    WriteText(study + "\\readme.txt", "my readme");
    WriteText(study + "\\photo.jpg", "my photo");
    return study;
}

void MakeEarlierInstallation(const std::string& folder)
{
    MakeDir(folder);
    WriteText(folder + "\\velq.exe", "an older velq.exe");
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

DWORD WaitUnattended(SetupRun& run, bool* showedWindow, DWORD timeoutMs)
{
    *showedWindow = false;
    for (DWORD start = GetTickCount();
         WaitForSingleObject(run.process.hProcess, 10) == WAIT_TIMEOUT &&
         GetTickCount() - start < Scaled(timeoutMs);)
        *showedWindow = *showedWindow || FindProcessWindow(run.Id(), NULL, NULL);
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(run.process.hProcess, &code);
    return code;
}

std::string OwnerValue(const char* key)
{
    char value[1024];
    GetPrivateProfileStringA("Owner", key, "<missing>", value, sizeof value, "VelQ.ini");
    return value;
}

REGSAM ProductRegistryView()
{
    DWORD type = SCS_64BIT_BINARY;
    GetBinaryTypeA((ProductDir() + "\\setup.exe").c_str(), &type);
    return type == SCS_32BIT_BINARY ? KEY_WOW64_32KEY : KEY_WOW64_64KEY;
}

const char kVelquorKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Velquor";

std::string Registered(const char* name)
{
    HKEY key;
    char value[1024] = "<missing>";
    DWORD type = 0;
    DWORD size = sizeof value - 1;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kVelquorKey, 0, KEY_QUERY_VALUE | ProductRegistryView(),
                      &key) != ERROR_SUCCESS)
        return value;
    RegQueryValueExA(key, name, NULL, &type, reinterpret_cast<BYTE*>(value), &size);
    RegCloseKey(key);
    return type == REG_DWORD ? std::to_string(*reinterpret_cast<DWORD*>(value)) : value;
}

void RemoveRegistrations()
{
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, kVelquorKey, ProductRegistryView(), 0);
    RegDeleteKeyA(HKEY_CURRENT_USER, kVelquorKey);
}

bool Vanishes(const std::string& path)
{
    for (int i = 0; i < 200 && Exists(path); ++i)
        Sleep(50);
    return !Exists(path);
}

static bool ReadOwner(std::string* owner)
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0,
                      KEY_QUERY_VALUE | ProductRegistryView(), &key) != ERROR_SUCCESS)
        return false;
    char value[1024] = "";
    DWORD size = sizeof value - 1;
    const bool read = RegQueryValueExA(key, "RegisteredOwner", NULL, NULL,
                                       reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
    RegCloseKey(key);
    *owner = value;
    return read;
}

static void WriteOwner(const std::string* owner)
{
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, kCurrentVersion, 0,
                            KEY_SET_VALUE | ProductRegistryView(), &key),
              ERROR_SUCCESS);
    if (owner)
        EXPECT_EQ(RegSetValueExA(key, "RegisteredOwner", 0, REG_SZ,
                                 reinterpret_cast<const BYTE*>(owner->c_str()),
                                 static_cast<DWORD>(owner->size() + 1)),
                  ERROR_SUCCESS);
    else
        RegDeleteValueA(key, "RegisteredOwner");
    RegCloseKey(key);
}

void SetupTest::SetUp()
{
    // A removal ends with its uninstaller's temporary copy, which holds the
    // turn of setup and uninstaller a moment longer: like a deployment tool
    // told 1618, the next test waits for it.
    for (DWORD start = GetTickCount(); GetTickCount() - start < Scaled(15000); Sleep(50)) {
        HANDLE turn = OpenMutexA(SYNCHRONIZE, FALSE, "Velquor Setup");
        if (!turn)
            break;
        CloseHandle(turn);
    }
    RemoveAll(kTarget);
    RemoveAll(kStubLog);
    RemoveAll(kSettings);
    // Where an earlier test's registration named a folder, the run would
    // start from it; its shortcuts would count as this test's.
    RemoveRegistrations();
    for (const std::string& link : kLinks)
        RemoveAll(link);
    medium = ScratchDir(testing::UnitTest::GetInstance()->current_test_info()->name()) + "\\medium";
    MakeDir(medium);
}

void SetupTest::TearDown()
{
    CloseStub(ProgramStart());
    if (ownerSet_)
        WriteOwner(ownerExisted_ ? &savedOwner_ : NULL);
}

void SetupTest::SetRegisteredOwner(const std::string& owner)
{
    if (!ownerSet_)
        ownerExisted_ = ReadOwner(&savedOwner_);
    ownerSet_ = true;
    WriteOwner(&owner);
    std::string written;
    EXPECT_TRUE(ReadOwner(&written) && written == owner) << "the registered owner was not set";
}

StubStart SetupTest::ProgramStart() const
{
    return ReadStubStart(kStubLog);
}

bool SetupTest::Start(SetupRun& run, const std::string& from, const std::string& arguments)
{
    const std::string setupExe = ProductDir() + "\\setup.exe";
    const bool started = StartSetup(run, setupExe, from, kStubLog, arguments);
    EXPECT_TRUE(started) << setupExe << " in " << from << ": error " << GetLastError();
    return started;
}

void SetupTest::Install(const std::string& folder)
{
    SetupRun run;
    bool showedWindow;
    ASSERT_TRUE(Start(run, medium, "/S /D=" + folder));
    ASSERT_EQ(WaitUnattended(run, &showedWindow), 0u);
}

bool SetupTest::StartUninstaller(SetupRun& run, const std::string& arguments,
                                 const std::string& folder)
{
    return StartSetup(run, folder + "\\uninstall.exe", ScratchDir("uninstall-from"), "", arguments);
}

DWORD SetupTest::UninstallSilently(const std::string& folder, const std::string& arguments)
{
    SetupRun run;
    bool showedWindow = false;
    if (!StartUninstaller(run, arguments, folder))
        return STILL_ACTIVE;
    const DWORD code = WaitUnattended(run, &showedWindow);
    EXPECT_FALSE(showedWindow);
    return code;
}

HWND SetupTest::Dialog(const SetupRun& run)
{
    HWND dialog = WaitForInstallDialog(run);
    EXPECT_NE(dialog, nullptr) << "the install dialog did not show";
    return dialog;
}

HWND SetupTest::StartAndInstall(SetupRun& run, const std::string& folder)
{
    HWND dialog = Start(run, medium) ? Dialog(run) : NULL;
    if (dialog) {
        SetControlText(dialog, IDC_NAME, kFullName);
        if (!folder.empty())
            SetControlText(dialog, IDC_FOLDER, folder);
        ClickButton(dialog, IDOK);
    }
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
