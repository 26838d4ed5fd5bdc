// The setup wizard: the eight-page property sheet, and the size and
// free-space services its pages and the main window share.
#pragma once
#include <windows.h>
#include <stdint.h>

// Shows the wizard modally over owner; the sheet's result, -1 when it could
// not be created.
INT_PTR runWizard(HWND owner, HINSTANCE instance);

// Free bytes of the drive of the Windows directory (64-bit: the 32-bit
// product wraps on today's disks). GetDiskFreeSpaceExA where kernel32 has
// it, else GetDiskFreeSpaceA.
uint64_t measureFreeSpace();

// Writes bytes into control id of window as "%d.%1d MB", rounded up to the
// next tenth; for control 1025 posts the wizard buttons to window's parent:
// back and next while bytes is below freeDiskBytes, else back only.
void showSize(HWND window, uint64_t bytes, int id);

// Paints bitmap bitmapId into control controlId of page (every page's side panel).
void paintSidePanel(HWND page, int bitmapId, int controlId);
