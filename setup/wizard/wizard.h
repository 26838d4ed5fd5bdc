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

// Gives control controlId of page (a static of style SS_BITMAP: every
// page's side panel) its picture: bitmap bitmapId at the top of the
// control's area, centred, on the panel's colour. The control then draws it
// itself on every paint; a call when it holds the picture changes nothing.
void paintSidePanel(HWND page, int bitmapId, int controlId);
