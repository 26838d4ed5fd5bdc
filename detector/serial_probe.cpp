// The serial probe: AT identification commands on the ports in a fixed
// order, until a modem answers with one of the [MODEM_ATI] prefixes.
#include "detector/detector.h"
#include "detector/modem_reply.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

const char *const kProbeOrder[] = {"COM3", "COM2", "COM4", "COM1", "COM5", "COM6", "COM7", "COM8", "COM9"};
const char kFirstCommand[] = "ATE1Q0V1I3";
const char kSecondCommand[] = "ATE1Q0V1I0";
const size_t kCommandSize = 80;
// A reply is read until the port's COM-WAIT budget is spent, and never for
// less than this: a modem's answer is a few lines, sent in well under this
// at 19200 bit/s, so a port with a short budget still gets its answer read,
// while a device that never stops talking holds the probe no longer.
const DWORD kReplyReadMs = 1000;

struct ProbeState {
    bool found;
    bool portFailed;
    DWORD portStart;   // tick count when the current port began
    DWORD comWait;     // COM-WAIT, the budget of each port
};
ProbeState probe;

// The port being read and when the reading of its reply began.
struct ReplyReading {
    HANDLE port;
    DWORD start;
};

void applyProbeLineSettings(DCB &dcb)
{
    dcb.BaudRate = 19200;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = TRUE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_HANDSHAKE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fTXContinueOnXoff = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fErrorChar = FALSE;
    dcb.fNull = FALSE;
    dcb.fRtsControl = RTS_CONTROL_HANDSHAKE;
    dcb.fAbortOnError = FALSE;
    dcb.XonLim = 4096;
    dcb.XoffLim = 6144;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    dcb.ErrorChar = 0x00;
    dcb.EofChar = 0x1A;
}

// One byte per read: with the probe time-outs a read gives up after 64 ms.
// Once the reply's time is up every read is silence, which ends the reply.
int readPortByte(void *context, unsigned char *byte)
{
    ReplyReading &reading = *(ReplyReading *)context;
    DWORD now = GetTickCount();
    if (now - probe.portStart > probe.comWait && now - reading.start >= kReplyReadMs)
        return 0;
    DWORD got = 0;
    if (!ReadFile(reading.port, byte, 1, &got, NULL))
        return -1;
    return got == 1 ? 1 : 0;
}

bool sendAtCommand(HANDLE port, const char *text)
{
    char buffer[kCommandSize + 3];
    memset(buffer, 0, sizeof buffer);
    size_t length = byteLength(text);
    if (length > kCommandSize)
        length = kCommandSize;
    memcpy(buffer, text, length);
    buffer[length] = '\r';
    buffer[length + 1] = '\n';
    DWORD written = 0;
    return WriteFile(port, buffer, (DWORD)(length + 2), &written, NULL) && written == length + 2;
}

// Reads the whole reply, ORing the verdicts of its lines.
int readReply(HANDLE port, const ProbeChecks &checks, bool second)
{
    int flags = 0;
    ReplyLine line;
    ReplyReading reading = {port, GetTickCount()};
    while (readModemLine(readPortByte, &reading, line) == kModemLine) {
        char text[kReplyLineSize];
        replyText(line, text);
        flags |= second ? judgeSecondReply(text, checks) : judgeFirstReply(text, checks);
    }
    return flags;
}

void readChecks(ProbeChecks &checks)
{
    static const char *const keys[5] = {"CHECK1", "CHECK2", "CHECK3", "CHECK4", "CHECK5"};
    static const char *const defaults[5] = {"V1.400-V34_DP_JS", "QEL  TX-5520K-M08", "9041-0004", "Ver1.00", "248"};
    for (int i = 0; i < 5; ++i)
        GetPrivateProfileStringA("MODEM_ATI", keys[i], defaults[i], checks.check[i], kCheckSize, kSettingsFile);
}

int probePort(const char *portName)
{
    HANDLE port = openPort(portName);
    if (port == INVALID_HANDLE_VALUE) {
        probe.portFailed = true;
        return 0;
    }

    COMMTIMEOUTS savedTimeouts;
    GetCommTimeouts(port, &savedTimeouts);
    COMMTIMEOUTS timeouts = {0, 54, 10, 500, 1};
    SetCommTimeouts(port, &timeouts);
    DWORD savedMask = 0;
    GetCommMask(port, &savedMask);
    SetCommMask(port, savedMask | EV_RXCHAR);
    DCB savedDcb;
    memset(&savedDcb, 0, sizeof savedDcb);
    savedDcb.DCBlength = sizeof savedDcb;
    GetCommState(port, &savedDcb);
    DCB dcb = savedDcb;
    applyProbeLineSettings(dcb);
    SetCommState(port, &dcb);

    ProbeChecks checks;
    readChecks(checks);
    DWORD timer = readSettingMs("MODEM_ATI", "TIMER", 500);
    DWORD writeWait = readSettingMs("MODEM_ATI", "WRITE-WAIT", 2000);

    waitMore(writeWait);
    PurgeComm(port, PURGE_TXCLEAR | PURGE_RXCLEAR);
    int flags = 0;
    if (sendAtCommand(port, kFirstCommand)) {
        waitMore(timer);
        flags = readReply(port, checks, false);
        if (flags & kReplyWantsSecond) {
            sendAtCommand(port, kSecondCommand);
            waitMore(timer);
            flags |= readReply(port, checks, true);
        }
    }

    SetCommTimeouts(port, &savedTimeouts);
    SetCommMask(port, savedMask);
    SetCommState(port, &savedDcb);
    CloseHandle(port);

    if (!(flags & kReplyRecognises))
        return 0;
    probe.found = true;
    return 1;
}

}  // namespace

int probeSerialPorts()
{
    CandidateSlot &result = detector.slots[1];
    memcpy(result.portName, "COM0", sizeof result.portName);
    detector.boardCode = '0';
    probe.found = false;
    DWORD comWait = probe.comWait = readSettingMs("MODEM_ATI", "COM-WAIT", 12000);

    for (const char *portName : kProbeOrder) {
        if (probe.found)
            break;
        probe.portFailed = false;
        DWORD portStart = probe.portStart = GetTickCount();
        // The budget is looked at only before an attempt: every port gets one.
        while (!probe.found && !probe.portFailed && GetTickCount() - portStart <= comWait) {
            if (probePort(portName)) {
                result.portName[3] = portName[3];
                detector.boardCode = '1';
                return 1;
            }
            waitMore(readSettingMs("MODEM_ATI", "WAIT", 1000));
        }
    }
    return 0;
}
