#pragma once

// Character tests the program makes itself, since it links no C runtime.

// Lower-cases A to Z only, as tolower does in the "C" locale: other letters
// of the code page keep their bytes.
inline char LowerCaseLetter(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// The first c in text, or null: strchr without the terminator as a match.
inline const char* FindCharacter(const char* text, char c)
{
    for (; *text; ++text) {
        if (*text == c)
            return text;
    }
    return nullptr;
}
