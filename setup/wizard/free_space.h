// Free space of a drive, 64-bit, for measureFreeSpace (wizard.h) and its
// tests.
#pragma once
#include <stdint.h>

// Free bytes of the drive whose root is root ("C:\"): the bytes available to
// the caller from GetDiskFreeSpaceExA when extended is set and kernel32 has
// it, else the product of GetDiskFreeSpaceA's figures, taken in 64 bits.
// 0 when the drive cannot be asked.
uint64_t freeSpaceOf(const char *root, bool extended);
