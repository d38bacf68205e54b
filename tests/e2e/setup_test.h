#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/driver/setup_driver.h"

// Shared ground for the tests that run the real setup.exe: every test starts
// without an installation, a settings file or a started program, and gets a
// medium folder of its own.

using Names = std::vector<std::string>;

extern const char kTarget[];    // the default installation folder
extern const char kSettings[];  // VelQ.ini in the Windows folder
extern const char kFullName[];  // a name the dialog accepts

using Messages = std::vector<ShownMessage>;

inline bool operator==(const ShownMessage& a, const ShownMessage& b)
{
    return a.caption == b.caption && a.text == b.text;
}

inline void PrintTo(const ShownMessage& message, std::ostream* out)
{
    *out << '"' << message.caption << "\": \"" << message.text << '"';
}

// The run's only message: the confirmation that it ends with.
inline Messages Confirmation(const char* text)
{
    return {{"Install Confirmation", text}};
}

std::string Lower(std::string text);

// What a complete installation of BuildMedium's medium holds.
Names InstalledNames();

// C:\Study, a folder of the user's own that holds names the copy writes:
// exams\notes.txt, figures\chart.dat, readme.txt and photo.jpg.
std::string MakeStudyFolder();

// An installation by an older setup, which wrote no record: folder with
// nothing but its velq.exe.
void MakeEarlierInstallation(const std::string& folder = kTarget);

// The platform's text for an error code.
std::string SystemText(DWORD error);

// Opens a file for writing without sharing, so nobody else can use it.
HANDLE HoldOpen(const std::string& path);

// Waits for the run to end without answering anything, as a script would.
// Returns the exit code (STILL_ACTIVE on time-out); showedWindow tells
// whether any window of the run was seen meanwhile.
DWORD WaitUnattended(SetupRun& run, bool* showedWindow, DWORD timeoutMs = 30000);

// The view of HKLM\Software that the program under test sees.
REGSAM ProductRegistryView();

// The registration's key, relative to HKEY_LOCAL_MACHINE or HKEY_CURRENT_USER.
extern const char kVelquorKey[];

// A value of the registration under HKLM, in the product's view, as text;
// "<missing>" when absent.
std::string Registered(const char* name);

// Removes the registration from both hives, in the product's view.
void RemoveRegistrations();

// A value of the "Owner" section of VelQ.ini; "<missing>" when absent.
std::string OwnerValue(const char* key);

// The three shortcuts that an installation makes.
extern const std::string kLinks[3];

// True once path is gone; the uninstaller's file and folder go a moment
// after its process ended.
bool Vanishes(const std::string& path);

class SetupTest : public testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // What the installed program (the stand-in) recorded at its start.
    StubStart ProgramStart() const;

    bool Start(SetupRun& run, const std::string& from, const std::string& arguments = "");

    // Installs the medium with /S into folder, as a script would.
    void Install(const std::string& folder = kTarget);

    // Starts the uninstaller in folder, from another folder, as "Add or
    // remove programs" does.
    bool StartUninstaller(SetupRun& run, const std::string& arguments = "",
                          const std::string& folder = kTarget);

    // Runs the uninstaller with the arguments to its end as a script would;
    // it must show nothing.
    DWORD UninstallSilently(const std::string& folder = kTarget,
                            const std::string& arguments = "/S");

    // The install dialog of the run, failing the test when it does not show.
    HWND Dialog(const SetupRun& run);

    // Starts the setup from the medium and, as a user, types the name (and
    // the folder, unless empty) and presses Install. Returns the install
    // dialog, or null when it did not show.
    HWND StartAndInstall(SetupRun& run, const std::string& folder = "");

    // Runs the setup from the medium to its end as a user who types the name
    // and presses Install, answering every message box on the way.
    DWORD RunSetup(const std::string& from, std::vector<ShownMessage>* shown,
                   const std::string& name = kFullName);

    // Sets the registered owner that the setup offers as the default name,
    // in the registry view of the program under test: a 32-bit program reads
    // the 32-bit view of HKLM\Software. TearDown puts back the old value.
    void SetRegisteredOwner(const std::string& owner);

    std::string medium;

private:
    bool ownerSet_ = false;
    bool ownerExisted_ = false;
    std::string savedOwner_;
};
