// Stand-in for the platform's group converter in the test prefix. Appends
// how it was started to the file named by KIT_GRPCONV_LOG (command line,
// start-up flags, show state, current directory), runs for KIT_GRPCONV_MS
// milliseconds, then appends the tick count at its end and exits with 0.
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>

static void appendLog(const char *log, const char *text)
{
    HANDLE file = CreateFileA(log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, text, (DWORD)strlen(text), &written, nullptr);
    CloseHandle(file);
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char log[MAX_PATH] = "", ms[32] = "", directory[MAX_PATH] = "";
    GetEnvironmentVariableA("KIT_GRPCONV_LOG", log, sizeof log);
    GetEnvironmentVariableA("KIT_GRPCONV_MS", ms, sizeof ms);
    GetCurrentDirectoryA(sizeof directory, directory);
    STARTUPINFOA startup;
    GetStartupInfoA(&startup);
    char line[2 * MAX_PATH + 64];
    snprintf(line, sizeof line, "%s|%lu|%u|%s\n", GetCommandLineA(), (unsigned long)startup.dwFlags,
             (unsigned)startup.wShowWindow, directory);
    if (log[0] != '\0')
        appendLog(log, line);
    Sleep((DWORD)atoi(ms));
    snprintf(line, sizeof line, "end %lu\n", (unsigned long)GetTickCount());
    if (log[0] != '\0')
        appendLog(log, line);
    return 0;
}
