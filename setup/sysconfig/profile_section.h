// Reading a whole profile section, however long.
#pragma once
#include <windows.h>

// The section's lines as the platform's section read gives them, in a
// zero-filled heap block with room to spare; length receives the bytes up to
// the list's closing NUL (0 for an empty or absent section). Null when memory
// cannot be had. Free the block with releaseProfileSection.
char *readProfileSection(const char *section, const char *file, DWORD &length);
void releaseProfileSection(char *block);
