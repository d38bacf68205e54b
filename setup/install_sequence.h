#pragma once

#include <windows.h>

#include "runtime/path_text.h"

constexpr UINT_PTR kCloseTimerId = 6;
constexpr UINT kCloseDelayMs = 4000;

// The installed program as it is started: TargetDir (which ends with "\")
// followed by "\VelQ.exe", the doubled separator kept as the shell has
// always been given it; where that would not fit, the single separator,
// which names the same file. FALSE when neither fits.
BOOL ComposeProgramPath(char (&program)[kPathChars]);

// What a run that finds Velquor in use says: setup's copy, whose earlier
// installation cannot be moved aside, and the uninstaller.
extern const char kInUseText[];

// Runs the whole installation while the host window is being created, and
// leaves a close request (at once, or by the close timer) for the message
// loop. Returns 0, so window creation always succeeds.
LRESULT RunInstallSequence(HWND window);

// Closes the host window once the message loop runs again.
void RequestClose(HWND window);

// Starts the timer that closes the host window after the installed program
// has had time to show itself; closes at once when no timer can be had, so
// the process never waits forever.
void StartCloseTimer(HWND window);
