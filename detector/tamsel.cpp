// Tamsel's entry and main flow: settings reset, board lists, registry scans,
// serial probe, [LINE] written, driver opened, telephone application told.
#include "detector/detector.h"

const char kSettingsFile[] = "QXtel.ini";
DetectorState detector;

namespace {

const char kDriverDevice[] = "\\\\.\\Rasket.VXD";
const char kTelephoneClass[] = "QXTelephoneWClass";
const UINT kSettingsReadyMessage = WM_USER + 400;   // 1424
const DWORD kDriverPortHoldMs = 50;

void writeLineSettings(int found, int slot)
{
    char comNo[2] = "0";
    char faxBoard[2] = "0";
    if (found && detector.boardCode != '0') {
        comNo[0] = detector.slots[slot].portName[3];
        faxBoard[0] = detector.boardCode;
    }
    WritePrivateProfileStringA("LINE", "COMNO", comNo, kSettingsFile);
    WritePrivateProfileStringA("LINE", "FAXBOARD", faxBoard, kSettingsFile);
}

// Opening the device loads the driver; it unloads when the handle closes,
// which happens only at process exit. The board's port is held open around
// the load so that nothing else takes it while the driver starts.
void openBoardDriver(int found, int slot)
{
    HANDLE port = INVALID_HANDLE_VALUE;
    if (found)
        port = openPort(detector.slots[slot].portName);
    detector.driver = CreateFileA(kDriverDevice, 0, 0, NULL, 0, FILE_FLAG_DELETE_ON_CLOSE, NULL);
    if (found) {
        waitMore(kDriverPortHoldMs);
        if (port != INVALID_HANDLE_VALUE)
            CloseHandle(port);
    }
}

void runDetector()
{
    WritePrivateProfileStringA("LINE", "TOSKA", "0", kSettingsFile);
    detector.boardCode = '0';

    int found = 0;
    int slot = 0;
    if (readBoardLists("MODEM_REG") == 0)
        found = scanPnpEnumerator(&slot) || scanRootPorts(&slot) || scanConfigManager(&slot);
    if (!found) {
        found = probeSerialPorts();
        slot = 1;
    }
    writeLineSettings(found, slot);
    openBoardDriver(found, slot);

    HWND telephone = FindWindowA(kTelephoneClass, NULL);
    if (telephone)
        PostMessageA(telephone, kSettingsReadyMessage, 0, 0);
}

}  // namespace

// The tick count alone decides when the wait is over, as it always did; the
// processor is given away meanwhile: most of the wait in one sleep, the last
// few milliseconds in single ones, so a late wake-up never stretches it.
void waitMore(DWORD ms)
{
    DWORD start = GetTickCount();
    for (;;) {
        DWORD spent = GetTickCount() - start;
        if (spent > ms)
            return;
        DWORD left = ms - spent;
        Sleep(left > 20 ? left - 10 : 1);
    }
}

DWORD readSettingMs(const char *section, const char *key, DWORD defaultMs)
{
    int value = (int)GetPrivateProfileIntA(section, key, (int)defaultMs, kSettingsFile);
    return value < 0 ? defaultMs : (DWORD)value;
}

HANDLE openPort(const char *name)
{
    return CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
}

int readBoardLists(const char *section)
{
    clearBoardLists(detector.boardLists);
    UINT size = GetPrivateProfileIntA("DATA", "SIZE_REG", 0, kSettingsFile) & 0xFFFF;
    if (size == 0)
        size = 1028;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return 51;
    char *buffer = (char *)GlobalLock(block);
    if (!buffer) {
        GlobalFree(block);
        return 55;
    }
    DWORD length = GetPrivateProfileSectionA(section, buffer, size, kSettingsFile);
    int result = 50;
    if (length > 0) {
        readBoardSection(detector.boardLists, buffer, size);
        result = 0;
    }
    GlobalUnlock(block);
    GlobalFree(block);
    return result;
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    runDetector();
    return 0;
}
