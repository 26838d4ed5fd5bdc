/* The kit's versioned modules (a DLL, a driver and a program): small Win32
   files whose version resource is all that matters to the installer.
   MODULE_PROGRAM makes the program, else a DLL. */
#include <windows.h>

#ifdef MODULE_PROGRAM
int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show)
{
    (void)instance;
    (void)previous;
    (void)commandLine;
    (void)show;
    return 0;
}
#else
BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
#endif
