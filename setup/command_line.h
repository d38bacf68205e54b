#pragma once

// The switches, read once at start into SetupState; nothing else looks at
// the command line. Case does not matter.
//   /S          silent: nothing is shown, ever (Setup.Silent)
//   /LOG        a log in the temporary folder's "Velquor Setup.log"
//   /LOG=file   a log in that file, a full path: one word, or a path in
//               quotes; before /D=. Both append (Setup.LogFile).
//   /D=folder   the installation folder (Setup.TargetDir): last, it takes
//               the rest of the line, spaces included, in one pair of
//               quotes or none
//   /?          the list of switches and exit codes
//   /wait=N     the uninstaller's temporary copy only, which the uninstaller
//               starts: the handle of its process (Setup.UninstallerProcess);
//               left out of the list, and not understood anywhere else
// /S with /? ends the run with ERROR_INVALID_PARAMETER: nothing was listed.
// FALSE when the run is to end with Setup.ExitCode once ShowSwitches has
// said why: after /?, or for a command line it does not understand
// (ERROR_INVALID_PARAMETER).
bool ReadCommandLine(const char* arguments);

// The list of switches and exit codes, for /? or a command line that is not
// understood. Shown once the whole line is read, as /S may come after what
// it silences, and the log is open, which keeps what it said.
void ShowSwitches();
