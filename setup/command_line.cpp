#include "setup/command_line.h"

#include <string.h>

#include "dialogs/message_box.h"
#include "engine/target_check.h"
#include "runtime/characters.h"
#include "runtime/setup_log.h"
#include "setup/setup_state.h"
#include "setup/uninstall_sequence.h"

static const char kSwitches[] =
    "Velquor Setup switches:\n"
    "/S\tinstall without showing anything\n"
    "/LOG[=file]\twrite a log\n"
    "/D=folder\tinstall there; last\n"
    "/?\tthis list\n\n"
    "Exit codes: 0 installed, 1602 cancelled, 1603 failed, 87 unknown switch; "
    "with /S also 1618 another setup runs, 161 folder refused, 32 in use, 112 too little room, "
    "183 not an installation";

static bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

// TRUE when the switch at text is name (lower case), however it is spelt,
// ending where the switch ends: at a blank, the end, or for "/d=" anywhere.
static bool IsSwitch(const char* text, const char* name)
{
    const size_t length = strlen(name);
    for (size_t i = 0; i < length; ++i) {
        if (LowerCaseLetter(text[i]) != name[i])
            return false;
    }
    return name[length - 1] == '=' || text[length] == '\0' || IsBlank(text[length]);
}

// The folder of /D=: the rest of the line less trailing blanks, which no
// folder name can end with, and less one pair of quotes around it, which
// many administrators write. FALSE when it is empty or would not fit.
static bool ReadFolder(const char* text)
{
    size_t length = strlen(text);
    while (length > 0 && IsBlank(text[length - 1]))
        --length;
    if (length >= 2 && text[0] == '"' && text[length - 1] == '"') {
        ++text;
        length -= 2;
    }
    // Room for the separator that Install appends.
    if (length == 0 || length + 1 >= kPathChars)
        return false;
    memcpy(Setup.TargetDir, text, length);
    Setup.TargetDir[length] = '\0';
    return true;
}

// The log of /LOG=: one word, or a quoted path, which may hold blanks.
// Returns where the switch ends. An unclosed quote is not understood: it
// would take the switches after it; nor is a path that is not full, which
// would put the log into the current folder, the medium. A path that is
// empty or too long is no log, as one that cannot be opened: the log never
// stops a run.
static const char* ReadLogFile(const char* text, bool* understood)
{
    const bool quoted = *text == '"';
    if (quoted)
        ++text;
    const char* end = quoted ? FindCharacter(text, '"') : text;
    if (!end) {
        *understood = false;
        return text;
    }
    while (!quoted && *end && !IsBlank(*end))
        ++end;
    const size_t length = static_cast<size_t>(end - text);
    Setup.LogFile[0] = '\0';
    if (length < kPathChars) {
        memcpy(Setup.LogFile, text, length);
        Setup.LogFile[length] = '\0';
        if (length && !RootLength(Setup.LogFile)) {
            Setup.LogFile[0] = '\0';
            *understood = false;
        }
    }
    return *end ? end + 1 : end;
}

// /LOG alone: the temporary folder's log, which later runs append to.
static void ReadDefaultLogFile()
{
    if (!GetTempFolder(Setup.LogFile) || !JoinPath(Setup.LogFile, Setup.LogFile, kLogDefaultName))
        Setup.LogFile[0] = '\0';
}

// The temporary copy of the uninstaller, which the uninstaller itself starts,
// is given its process: "/wait=" and a handle in decimal, which the list of
// switches leaves out. Handles are 32-bit values, sign-extended on 64-bit
// Windows; those of the current process and thread, which no process can
// hand over, are negative. Null when there is no such number.
static HANDLE ReadHandle(const char* text)
{
    DWORD handle = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        handle = handle * 10 + static_cast<DWORD>(*text - '0');
    return static_cast<LONG>(handle) > 0 ? LongToHandle(static_cast<LONG>(handle)) : NULL;
}

bool ReadCommandLine(const char* arguments)
{
    bool understood = true;
    bool help = false;
    for (const char* at = arguments; *at;) {
        if (IsBlank(*at)) {
            ++at;
            continue;
        }
        if (IsSwitch(at, "/d=")) {
            understood = ReadFolder(at + 3) && understood;
            break;
        }
        if (IsSwitch(at, "/log=")) {
            at = ReadLogFile(at + 5, &understood);
            continue;
        }
        if (IsSwitch(at, "/s"))
            Setup.Silent = TRUE;
        else if (IsSwitch(at, "/log"))
            ReadDefaultLogFile();
        else if (IsSwitch(at, "/?"))
            help = true;
        else if (IsSwitch(at, "/wait=") && IsTemporaryCopy())
            understood = (Setup.UninstallerProcess = ReadHandle(at + 6)) && understood;
        else
            understood = false;
        while (*at && !IsBlank(*at))
            ++at;
    }
    if (understood && !help)
        return true;
    // A script that asks for the list is told it is not shown.
    if (!understood || Setup.Silent)
        Setup.ExitCode = ERROR_INVALID_PARAMETER;
    return false;
}

void ShowSwitches()
{
    ShowMessage(NULL, kSwitches, "Velquor Setup", Setup.ExitCode ? MB_OK | MB_ICONERROR : MB_OK);
}
