// machine.exe FOLDER: puts the built machine in FOLDER in place in the
// running Wine prefix (or on a test PC). Exit code 0 when all of it went in.
#include "tests/standins/machine/machine.h"

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fputs("usage: machine FOLDER\n", stderr);
        return 2;
    }
    std::string failed = applyMachine(argv[1]);
    std::fputs(failed.c_str(), stderr);
    return failed.empty() ? 0 : 1;
}
