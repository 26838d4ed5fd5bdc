// Which registry root the first field of an AddReg or DelReg line names.
#pragma once

enum RegRoot { REG_ROOT_NONE, REG_ROOT_CLASSES, REG_ROOT_USER, REG_ROOT_MACHINE, REG_ROOT_USERS };

// Only the third and fourth characters count, compared exactly, so HKCR,
// HKCU, HKLM and HKU select their roots; HKEY_LOCAL_MACHINE, hklm or a
// shorter text select none.
RegRoot regRootFromField(const char *field);
