// Stands for another program that holds a file open without sharing it.
// holder.exe PATH EVENT: opens PATH, signals EVENT.ready, and keeps the file
// until EVENT.done is signalled (or a minute has passed).
#include <windows.h>

#include <string>

int main(int argc, char **argv)
{
    if (argc < 3)
        return 2;
    HANDLE file = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    HANDLE ready = OpenEventA(EVENT_MODIFY_STATE, FALSE, (std::string(argv[2]) + ".ready").c_str());
    HANDLE done = OpenEventA(SYNCHRONIZE, FALSE, (std::string(argv[2]) + ".done").c_str());
    if (ready == nullptr || done == nullptr)
        return 3;
    SetEvent(ready);
    WaitForSingleObject(done, 60000);
    CloseHandle(file);
    return 0;
}
