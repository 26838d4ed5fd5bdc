// Serial ports for the detector's tests: COM names of the test prefix mapped
// to pseudo-terminals, with a scriptable modem stand-in on the other end.
//
// Wine maps COMn to whatever $WINEPREFIX/dosdevices/comn points at. start()
// runs one /bin/sh through CreateProcess (Wine starts Unix programs, but
// gives no process handle for them); the shell removes every com1..com19
// link, starts one socat pty pair per port (COMn for the program under test,
// COM1n for the stand-in), points the other names of COM1..COM9 at a folder
// (so that they fail to open), touches a ready file once the links exist, and
// waits for a control file to vanish. stop() deletes the control file and
// waits for the shell's done file: the shell then kills its socats by PID and
// removes the links. Each socat also runs under `timeout`, and the shell
// gives up after two minutes, so a crashed test leaves nothing behind.
#pragma once
#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

// How the modem behind one port answers. It echoes each command it gets
// (with CR) when echo is on; the first command's reply is sent from the
// answerFrom-th attempt on; the bytes are sent as they stand, so a reply can
// hold partial lines, DLE pairs or over-long lines.
struct ModemScript {
    ModemScript(bool echoes = true, int answersFrom = 1, std::string first = "", std::string second = "")
        : echo(echoes), answerFrom(answersFrom), firstReply(std::move(first)), secondReply(std::move(second))
    {
    }
    bool echo;
    int answerFrom;
    std::string firstReply;    // after "ATE1Q0V1I3"
    std::string secondReply;   // after "ATE1Q0V1I0"
    // The rest of the first reply, sent laterMs after it: a pause inside a
    // reply, to try the probe's read time-outs.
    std::string firstReplyLater;
    DWORD laterMs = 0;
    // Sent every chatterMs whatever comes in: a device that keeps talking.
    std::string chatter;
    DWORD chatterMs = 0;
};

// A command as the modem took it: the text from "AT" up to its CR, and the
// line settings of the program's end of the port when it came.
struct ModemCommand {
    std::string text;
    DWORD tick;
    long sequence;   // across all ports of one PtyModems
    DCB settings;    // DCBlength 0 when they could not be read
};

class PtyModems {
public:
    PtyModems() = default;
    ~PtyModems() { stop(); }
    PtyModems(const PtyModems &) = delete;
    PtyModems &operator=(const PtyModems &) = delete;

    // Maps the given COM ports (1 to 9) and leaves every other COM name
    // unmapped; ports with a script get a modem, the others stay silent.
    bool start(const std::vector<int> &ports);
    void setScript(int port, const ModemScript &script);
    void stop();

    // The commands the modem on a port received, in order.
    std::vector<ModemCommand> commands(int port);
    // Every byte the modem on a port received, as it came.
    std::string received(int port);
    // The longest pause between two chatter lines the modem on a port sent,
    // in ms: on a loaded machine the stand-in may fall silent for longer than
    // it was told to, which a reader rightly takes as the end of the reply.
    DWORD longestChatterGap(int port);

private:
    struct Modem {
        int port = 0;
        ModemScript script;
        HANDLE handle = INVALID_HANDLE_VALUE;
        std::thread thread;
        std::vector<ModemCommand> received;
        std::string bytes;
        int attempts = 0;
        DWORD lastChatter = 0;
        DWORD longestChatterGap = 0;   // between two chatter lines sent, in ms
        DWORD laterDue = 0;
        std::string later;
    };
    void serve(Modem &modem);
    void answer(Modem &modem, const std::string &command);
    void talk(Modem &modem);
    void send(Modem &modem, const std::string &bytes);

    std::string dir_;   // Windows path of the work folder
    bool running_ = false;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::atomic<long> sequence_{0};
    std::vector<Modem *> modems_;
};

// The Unix path of a Windows path (Wine's kernel32 exports the conversion).
std::string unixPath(const char *windowsPath);
