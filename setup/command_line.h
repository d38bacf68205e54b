#pragma once

// The switches, read once at start into SetupState; nothing else looks at
// the command line. Case does not matter.
//   /S          silent: nothing is shown, ever (Setup.Silent)
//   /LOG        a log in the temporary folder's "Velquor Setup.log"
//   /LOG=file   a log in that file: one word, or a path in quotes; before
//               /D=. Both append (Setup.LogFile).
//   /D=folder   the installation folder (Setup.TargetDir): last, it takes
//               the rest of the line, spaces included, in one pair of
//               quotes or none
//   /?          the list of switches and exit codes
//   /wait=N     the uninstaller's temporary copy only, which the uninstaller
//               starts: the handle of its process (Setup.UninstallerProcess);
//               left out of the list
// /S with /? ends the run with ERROR_INVALID_PARAMETER: nothing was listed.
// FALSE when the run is to end at once with Setup.ExitCode: after /?, or
// for a command line it does not understand, which it says (ERROR_INVALID_PARAMETER).
bool ReadCommandLine(const char* arguments);
