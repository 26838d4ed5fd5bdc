// Stand-in for "Tamsel.exe" and "Hestro.exe" in the launcher's tests: records
// one line "file|command line|current directory|process id|creation time"
// in C:\starts.log and ends. Two copies may start at nearly the same time,
// so the log is opened exclusively and retried.
#include <windows.h>

#include <stdio.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char file[MAX_PATH], directory[MAX_PATH];
    GetModuleFileNameA(NULL, file, sizeof file);
    GetCurrentDirectoryA(sizeof directory, directory);
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    unsigned long long createdAt = ((unsigned long long)created.dwHighDateTime << 32) | created.dwLowDateTime;

    char record[3 * MAX_PATH + 64];
    int length = snprintf(record, sizeof record, "%s|%s|%s|%lu|%llu\r\n", file, GetCommandLineA(), directory,
                          GetCurrentProcessId(), createdAt);
    for (int tries = 0; tries < 200; ++tries) {
        HANDLE log = CreateFileA("C:\\starts.log", FILE_APPEND_DATA, 0, NULL, OPEN_ALWAYS, 0, NULL);
        if (log != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            WriteFile(log, record, (DWORD)length, &written, NULL);
            CloseHandle(log);
            break;
        }
        Sleep(10);
    }
    return 0;
}
