#pragma once

#include <windows.h>

// A reinstall keeps the earlier installation whole until the new one is
// complete. What of it the copy would replace is first moved aside, a
// rename on the same volume that costs neither room nor time, into the
// folder .velquor-aside\ of the installation folder, once the journal
// .velquor-journal beside it says what moves. Dot names: the copy's walk
// passes over them, and no listed name clashes with them. A run that does
// not complete removes what it made and moves everything back; a complete
// one deletes what was moved aside. What a run ended by force leaves, the
// next start finishes from the journal.

// The names an installation makes, each with its byte in the journal: the
// five listed folders, the eleven listed files, the uninstaller and the
// record.
constexpr int kPlannedNames = 18;

// The journal's first byte is 'F' when the run made the installation
// folder. Then, for each planned name: 'M' its earlier entry is moved
// aside, 'N' it is new (nothing was there, or a folder link that the copy
// removes itself), anything else leaves it alone. A last byte 'C' marks the
// new installation complete.
constexpr int kPlanBytes = 1 + kPlannedNames;

struct Replacement {
    // The journal, open without sharing while the run lives; null while no
    // replacement is under way.
    HANDLE Journal;
    char Plan[kPlanBytes + 1];
};

// Before the copy into Setup.TargetDir, which the run made when created:
// writes the journal, then moves aside every listed folder and file of an
// earlier installation that the copy replaces. FALSE, with the last error
// of what failed, when that cannot be done; FinishReplacement then puts
// back what was moved. A move that is refused is tried for a few seconds:
// a virus scanner may hold a file for a moment.
BOOL BeginReplacement(BOOL created);

// Moves the earlier uninstaller and record aside, just before the new ones
// are written: until then the earlier installation's uninstaller stays in
// place to finish a run ended by force.
BOOL SetAsideUninstaller();

// The new installation is complete, its uninstaller, record and
// registration included: marks the journal so. FALSE when the mark cannot
// be written.
BOOL CommitReplacement();

// Finishes the replacement: once committed, deletes what was moved aside,
// all but the dot-named entries of a listed folder, which the copy never
// writes and which go into the new folder, then the journal. Otherwise the
// run did not complete: removes what it made, moves back what it moved
// aside, and removes the installation folder when the run made it. Nothing
// when no replacement is under way.
void FinishReplacement();

// Finishes what a journal in folder (a full path, with or without a
// trailing "\") says, left by a run that was ended by force: the deletion
// when the new installation was complete, else the rollback. Nothing while
// the run that writes it lives. TRUE when nothing is left to finish;
// otherwise the first thing left is noted (LeaveBehind), and the journal
// stays for the next start.
BOOL RecoverReplacement(const char* folder);
