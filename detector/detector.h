// The detector's run state and the procedures of its three steps: settings
// and hand-over (tamsel.cpp), registry scans (pnp_scan.cpp), serial probe
// (serial_probe.cpp). Win32 side.
#pragma once
#include "detector/board_lists.h"

#include <windows.h>

const int kSlotCount = 11;
const size_t kPortNameSize = 5;      // "COM3": at most 4 characters
const size_t kHardwareIdSize = 128;  // at most 127 characters

// The settings file in the Windows directory; the profile functions find it
// by its bare name.
extern const char kSettingsFile[];

struct CandidateSlot {
    char portName[kPortNameSize];
    char hardwareId[kHardwareIdSize];
};

// The one run state of the process. Written by: boardLists - readBoardLists;
// boardCode - the scans' classification and the serial probe; slots - the
// scans (all) and the serial probe (slot 1); driver - openBoardDriver.
struct DetectorState {
    BoardLists boardLists;
    char boardCode;
    CandidateSlot slots[kSlotCount + 1];   // 1 to 11; index 0 unused
    HANDLE driver;
};
extern DetectorState detector;

// Waits until more than ms milliseconds have passed on the tick count,
// giving the processor away between looks.
void waitMore(DWORD ms);

// Reads an integer setting; a negative value (which the tick arithmetic would
// take as a wait of about 49 days) counts as the default.
DWORD readSettingMs(const char *section, const char *key, DWORD defaultMs);

int readBoardLists(const char *section);
int scanPnpEnumerator(int *slotOut);
int scanRootPorts(int *slotOut);
int scanConfigManager(int *slotOut);
int probeSerialPorts();

// Opens a port for reading and writing, unshared, only if it exists.
HANDLE openPort(const char *name);
