// Started by entry_test: writes what its WinMain was handed, and whether the
// constructor of a global ran before it, to C:\entry_probe.txt, and ends
// with 42 through the entry's ExitProcess.
#include <windows.h>

namespace {

// Set by a constructor that cannot be folded into constant data.
DWORD constructedFor = 0;
struct MarkConstruction {
    MarkConstruction() { constructedFor = GetCurrentProcessId(); }
} markConstruction;

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    char report[1200];
    int length = wsprintfA(report, "constructed=%d\r\ninstance=%d\r\nprevious=%d\r\nshow=%d\r\ntail=[%s]\r\n",
                           constructedFor == GetCurrentProcessId() ? 1 : 0,
                           instance == GetModuleHandleA(NULL) ? 1 : 0, previous == NULL ? 0 : 1, show,
                           lstrlenA(commandLine) < 1000 ? commandLine : "(too long)");
    HANDLE file = CreateFileA("C:\\entry_probe.txt", GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, report, (DWORD)length, &written, NULL);
    CloseHandle(file);
    return 42;
}
