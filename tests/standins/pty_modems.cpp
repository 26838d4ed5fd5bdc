// The pseudo-terminal ports and modem stand-ins of the detector's tests.
#include "tests/standins/pty_modems.h"

#include <algorithm>
#include <stdio.h>

namespace {

const DWORD kStartMs = 10000;
const DWORD kStopMs = 10000;

bool fileExists(const std::string &path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool waitForFile(const std::string &path, DWORD ms)
{
    DWORD start = GetTickCount();
    while (!fileExists(path)) {
        if (GetTickCount() - start > ms)
            return false;
        Sleep(10);
    }
    return true;
}

}  // namespace

std::string unixPath(const char *windowsPath)
{
    typedef char *(CDECL * ToUnix)(LPCWSTR);
    ToUnix toUnix = (ToUnix)(void *)GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    if (!toUnix)
        return "";
    WCHAR wide[MAX_PATH];
    MultiByteToWideChar(CP_ACP, 0, windowsPath, -1, wide, MAX_PATH);
    char *converted = toUnix(wide);
    if (!converted)
        return "";
    std::string result = converted;
    HeapFree(GetProcessHeap(), 0, converted);
    return result;
}

bool PtyModems::start(const std::vector<int> &ports)
{
    stop();
    char work[64];
    snprintf(work, sizeof work, "C:\\ptymodems-%lu", GetCurrentProcessId());
    dir_ = work;
    CreateDirectoryA(dir_.c_str(), NULL);
    DeleteFileA((dir_ + "\\ready").c_str());
    DeleteFileA((dir_ + "\\done").c_str());
    HANDLE control = CreateFileA((dir_ + "\\control").c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
    if (control == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(control);

    char prefixVar[MAX_PATH];
    if (!GetEnvironmentVariableA("WINEPREFIX", prefixVar, sizeof prefixVar))
        return false;
    std::string devices = std::string(prefixVar) + "/dosdevices";
    std::string unixDir = unixPath(dir_.c_str());
    if (unixDir.empty())
        return false;

    // No double quotes or backslashes inside: Wine hands the command line to
    // the shell split by the Windows quoting rules.
    std::string script = "exec >/dev/null 2>&1 </dev/null; cd " + unixDir + "; ";
    script += "for n in 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19; do rm -f " + devices + "/com$n; done; pids=; ";
    // Without a link Wine falls back to /dev/ttyS(n-1) for a COM name, a real
    // device of this machine; a link to a folder makes the port one that
    // fails to open, as a port held by another program does on Windows.
    for (int n = 1; n <= 9; ++n)
        if (std::find(ports.begin(), ports.end(), n) == ports.end())
            script += "ln -s " + unixDir + " " + devices + "/com" + std::to_string(n) + "; ";
    for (int port : ports) {
        std::string own = devices + "/com" + std::to_string(port);
        std::string peer = devices + "/com1" + std::to_string(port);
        script += "timeout 150 socat pty,raw,echo=0,link=" + own + " pty,raw,echo=0,link=" + peer +
                  " & pids=$pids' '$!; ";
        script += "n=0; while [ ! -e " + own + " -o ! -e " + peer + " ] && [ $n -lt 500 ]; do sleep 0.01; n=$((n+1)); done; ";
    }
    script += "touch ready; n=0; while [ -e control ] && [ $n -lt 1200 ]; do sleep 0.1; n=$((n+1)); done; ";
    script += "kill $pids; wait; rm -f " + devices + "/com[1-9]; touch done";
    std::string commandLine = "/bin/sh -c \"" + script + "\"";

    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back('\0');
    if (!CreateProcessA(NULL, line.data(), NULL, NULL, FALSE, 0, NULL, NULL, &startup, &info))
        return false;
    if (info.hProcess)
        CloseHandle(info.hProcess);
    if (info.hThread)
        CloseHandle(info.hThread);
    running_ = true;
    if (!waitForFile(dir_ + "\\ready", kStartMs))
        return false;

    stopping_ = false;
    for (int port : ports) {
        Modem *modem = new Modem;
        modem->port = port;
        char name[32];
        snprintf(name, sizeof name, "\\\\.\\COM1%d", port);
        modem->handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
        if (modem->handle == INVALID_HANDLE_VALUE) {
            delete modem;
            return false;
        }
        DCB dcb = {};
        dcb.DCBlength = sizeof dcb;
        GetCommState(modem->handle, &dcb);
        dcb.BaudRate = 19200;
        dcb.ByteSize = 8;
        dcb.Parity = NOPARITY;
        dcb.StopBits = ONESTOPBIT;
        dcb.fBinary = TRUE;
        dcb.fOutxCtsFlow = dcb.fOutxDsrFlow = dcb.fOutX = dcb.fInX = FALSE;
        dcb.fDtrControl = DTR_CONTROL_ENABLE;
        dcb.fRtsControl = RTS_CONTROL_ENABLE;
        SetCommState(modem->handle, &dcb);
        COMMTIMEOUTS timeouts = {MAXDWORD, 0, 0, 0, 1000};
        SetCommTimeouts(modem->handle, &timeouts);
        modems_.push_back(modem);
        modem->thread = std::thread([this, modem] { serve(*modem); });
    }
    return true;
}

void PtyModems::setScript(int port, const ModemScript &script)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (Modem *modem : modems_) {
        if (modem->port == port) {
            modem->script = script;
            modem->lastChatter = 0;
            modem->longestChatterGap = 0;
        }
    }
}

DWORD PtyModems::longestChatterGap(int port)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (Modem *modem : modems_)
        if (modem->port == port)
            return modem->longestChatterGap;
    return 0;
}

std::vector<ModemCommand> PtyModems::commands(int port)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (Modem *modem : modems_)
        if (modem->port == port)
            return modem->received;
    return {};
}

std::string PtyModems::received(int port)
{
    std::lock_guard<std::mutex> lock(mutex_);
    for (Modem *modem : modems_)
        if (modem->port == port)
            return modem->bytes;
    return "";
}

namespace {

// The line settings of the program's end of a port, read through a second
// handle (Wine never refuses one): what the pseudo-terminal keeps of them.
DCB programSideSettings(int port)
{
    DCB dcb = {};
    char name[32];
    snprintf(name, sizeof name, "\\\\.\\COM%d", port);
    HANDLE handle = CreateFileA(name, GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    if (handle == INVALID_HANDLE_VALUE)
        return dcb;
    dcb.DCBlength = sizeof dcb;
    if (!GetCommState(handle, &dcb))
        dcb.DCBlength = 0;
    CloseHandle(handle);
    return dcb;
}

}  // namespace

void PtyModems::send(Modem &modem, const std::string &bytes)
{
    DWORD written = 0;
    if (!bytes.empty())
        WriteFile(modem.handle, bytes.data(), (DWORD)bytes.size(), &written, NULL);
}

void PtyModems::answer(Modem &modem, const std::string &command)
{
    DWORD tick = GetTickCount();
    DCB settings = programSideSettings(modem.port);
    ModemScript script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        modem.received.push_back({command, tick, ++sequence_, settings});
        script = modem.script;
        if (command == "ATE1Q0V1I3")
            ++modem.attempts;
    }
    if (script.echo)
        send(modem, command + "\r");
    if (command == "ATE1Q0V1I3" && modem.attempts >= script.answerFrom) {
        send(modem, script.firstReply);
        modem.later = script.firstReplyLater;
        modem.laterDue = GetTickCount() + script.laterMs;
    } else if (command == "ATE1Q0V1I0") {
        send(modem, script.secondReply);
    }
}

// What the modem sends of its own accord: the rest of a paused reply, and
// the chatter of a device that keeps talking.
void PtyModems::talk(Modem &modem)
{
    ModemScript script;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        script = modem.script;
    }
    DWORD now = GetTickCount();
    if (!modem.later.empty() && (LONG)(now - modem.laterDue) >= 0) {
        send(modem, modem.later);
        modem.later.clear();
    }
    if (script.chatterMs != 0 && now - modem.lastChatter >= script.chatterMs) {
        send(modem, script.chatter);
        std::lock_guard<std::mutex> lock(mutex_);
        if (modem.lastChatter != 0 && now - modem.lastChatter > modem.longestChatterGap)
            modem.longestChatterGap = now - modem.lastChatter;
        modem.lastChatter = now;
    }
}

// Commands end in CR; the LF after it and anything before "AT" is line noise
// to the modem. Every byte is kept as it came, for the tests to check.
void PtyModems::serve(Modem &modem)
{
    std::string pending;
    while (!stopping_) {
        talk(modem);
        char buffer[256];
        DWORD got = 0;
        if (!ReadFile(modem.handle, buffer, sizeof buffer, &got, NULL) || got == 0) {
            Sleep(2);
            continue;
        }
        {
            std::lock_guard<std::mutex> lock(mutex_);
            modem.bytes.append(buffer, got);
        }
        for (DWORD i = 0; i < got; ++i) {
            if (buffer[i] == '\r') {
                size_t at = pending.find("AT");
                if (at != std::string::npos)
                    answer(modem, pending.substr(at));
                pending.clear();
            } else if (buffer[i] != '\n') {
                pending += buffer[i];
            }
        }
    }
}

void PtyModems::stop()
{
    stopping_ = true;
    for (Modem *modem : modems_) {
        if (modem->thread.joinable())
            modem->thread.join();
        CloseHandle(modem->handle);
        delete modem;
    }
    modems_.clear();
    if (running_) {
        DeleteFileA((dir_ + "\\control").c_str());
        waitForFile(dir_ + "\\done", kStopMs);
        DeleteFileA((dir_ + "\\ready").c_str());
        DeleteFileA((dir_ + "\\done").c_str());
        RemoveDirectoryA(dir_.c_str());
        running_ = false;
    }
}
