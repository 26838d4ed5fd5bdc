// The install log: one file handle, each line written whole and at once.
#include "setup/shell/install_log.h"

#include <windows.h>

namespace {

HANDLE logFile = INVALID_HANDLE_VALUE;

const size_t kLineSize = 2048;

// A line being built; what does not fit is dropped at a character
// boundary (the platform's lead bytes decide, as everywhere in the program).
struct Line {
    char text[kLineSize];
    size_t length = 0;

    void add(const char *part)
    {
        for (const char *p = part; *p != '\0';) {
            if (*p == '\r' || *p == '\n') {
                while (*p == '\r' || *p == '\n')
                    ++p;
                add(" / ");
                continue;
            }
            size_t step = IsDBCSLeadByte((BYTE)*p) && p[1] != '\0' ? 2 : 1;
            if (length + step > kLineSize - 3)
                return;
            for (size_t i = 0; i < step; ++i)
                text[length++] = p[i];
            p += step;
        }
    }
    void twoDigits(int value)
    {
        char digits[3] = {(char)('0' + value / 10 % 10), (char)('0' + value % 10), '\0'};
        add(digits);
    }
};

}  // namespace

bool openInstallLog(const char *path)
{
    closeInstallLog();
    // Shared for reading, so that a support reader can follow it while the
    // run goes on.
    logFile = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    return logFile != INVALID_HANDLE_VALUE;
}

void closeInstallLog()
{
    if (logFile != INVALID_HANDLE_VALUE)
        CloseHandle(logFile);
    logFile = INVALID_HANDLE_VALUE;
}

bool installLogOpen()
{
    return logFile != INVALID_HANDLE_VALUE;
}

void logParts(const char *const *parts, int count)
{
    if (logFile == INVALID_HANDLE_VALUE)
        return;
    Line line;
    SYSTEMTIME now;
    GetLocalTime(&now);
    line.twoDigits(now.wHour);
    line.add(":");
    line.twoDigits(now.wMinute);
    line.add(":");
    line.twoDigits(now.wSecond);
    line.add("  ");
    for (int i = 0; i < count; ++i)
        if (parts[i] != NULL)
            line.add(parts[i]);
    line.text[line.length++] = '\r';
    line.text[line.length++] = '\n';
    DWORD written = 0;
    WriteFile(logFile, line.text, (DWORD)line.length, &written, NULL);
}
