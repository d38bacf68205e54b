#pragma once

#include <windows.h>

#include "runtime/path_text.h"

// "65535.65535.65535.65535" and its terminator.
constexpr size_t kVersionChars = 24;

// From the version resource of the program file: its fixed file version as
// "a.b.c.d", and the CompanyName of the string table that its first
// translation names. Each text stays empty where the file has no such
// value (no version resource at all, for one). The reader, version.dll,
// comes from the system folder only.
void ReadProgramVersion(const char* program, char (&version)[kVersionChars],
                        char (&publisher)[kPathChars]);
