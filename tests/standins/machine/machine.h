// Puts a built machine (out/kits/machine) in place: its windows/ folder into
// the Windows directory, its boot/ folder into the root of the boot drive,
// and the string values of its machine.reg into the registry.
#pragma once
#include <string>

// Copies a folder with everything in it; "" when all of it was copied, else
// what was not.
std::string copyTree(const std::string &from, const std::string &to);

// "" when everything was put in place, else what failed.
std::string applyMachine(const std::string &machineDir);
