// Text rules of the component catalogue shared by the tree's Win32 edge and
// its tests: decimal numbers as the registry and the INFs write them.
#pragma once
#include <stdint.h>

// A decimal number as the C library's atoi reads it (blanks, a sign, the
// digits up to the first other character); 0 for none. Kept within 32 bits.
int32_t decimalNumber(const char *text);
