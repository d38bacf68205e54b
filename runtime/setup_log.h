#pragma once

#include <windows.h>

// The log that /LOG asks for: plain text, one event a line, each line
// beginning with the local time. Every line is written to the file at once,
// with nothing kept back in the program, so a run ended by force leaves
// everything it logged until then. Without /LOG nothing is opened, and each
// call below is a test of a null handle.

// Opens path for appending, sharing it with readers and with other runs,
// which may append at the same time. A log that cannot be opened is no log:
// the run goes on without one. TRUE when the log is open.
BOOL OpenSetupLog(const char* path);

// Writes one line at the end of the log, the window manager's formatting of
// format and what follows, cut at 1,024 characters (wvsprintfA's limit),
// with its line breaks made blanks.
void LogLine(const char* format, ...);

// The platform's text for error, as its message boxes show it; empty where
// it has none.
constexpr DWORD kErrorTextChars = 1024;
void GetErrorText(DWORD error, char (&text)[kErrorTextChars]);

// Writes "what: error N: text" for the last error, with the platform's
// text for it, and keeps the last error as it was.
void LogError(const char* what);

// A figure for the log: the value, or 4294967295 for any beyond.
DWORD LogFigure(ULONGLONG value);

// The texts of the log, in one place.
extern const char kLogDefaultName[];
extern const char kLogCommandLine[];
extern const char kLogSystem[];
extern const char kLogEarlier[];
extern const char kLogNoEarlier[];
extern const char kLogInstalling[];
extern const char kLogFolderVerdict[];
extern const char kLogRoom[];
extern const char kLogInUse[];
extern const char kLogCreated[];
extern const char kLogCopied[];
extern const char kLogMessage[];
extern const char kLogShortcut[];
extern const char kLogOwner[];
extern const char kLogRegistered[];
extern const char kLogRemoved[];
extern const char kLogNoList[];
extern const char kLogExit[];

// A replacement settled (engine/install_transaction.h), or left for the
// next start: its folder and one of its states, rolled back, committed or
// unfinished.
extern const char kLogSettled[];
extern const char kLogSettledStates[];

// The verdicts of the folder check, as kLogFolderVerdict names them, in
// the order of TargetVerdict (engine/target_check.h).
extern const char kLogVerdicts[];

// The text at position index of a block of texts each ended by a NUL, the
// block ended by an empty text; that empty text for an index past the end.
const char* NthText(const char* block, int index);
