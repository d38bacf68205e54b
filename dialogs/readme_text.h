#pragma once

// Loads the medium's readme.txt into ReadmeText, kept until the host window
// is destroyed. Returns 0.
int LoadReadme();
