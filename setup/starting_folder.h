#pragma once

// Decides where a run starts when /D= named no folder, into Setup.TargetDir:
// the earlier installation that the registration names, else the one that
// VelQ.ini's "Dir" names, each only while its folder still holds its install
// record, else C:\Velq. An upgrade thus replaces the earlier installation
// instead of leaving it orphaned beside a second one. Without a trailing
// separator, as C:\Velq and the chooser's folders have none. The log tells
// which folder was found and why, or that none was.
void FindStartingFolder();
