// Reading and judging the reply lines of a modem to the identification
// commands. Portable: the port is reached through a one-byte read callback.
#pragma once
#include <stddef.h>

const size_t kReplyLineSize = 80;    // a line is at most 79 bytes with its CR LF
const size_t kCheckSize = 19;        // CHECK1 to CHECK5: at most 18 characters
const unsigned char kDle = 0x10;

// One one-byte read: 1 when a byte came, 0 after the read time-out with no
// byte, -1 when the read failed.
typedef int (*ReadByte)(void *port, unsigned char *byte);

enum ModemRead { kModemLine, kModemEnd, kModemError };

struct ReplyLine {
    char bytes[kReplyLineSize];   // NUL-terminated; may hold NULs of its own
    size_t length;
};

// Reads one reply line. The first read failing is an error, silence at the
// start is the end of the reply; a DLE takes exactly one more byte; otherwise
// bytes are stored up to CR LF, or until silence ends a partial line. A line
// that runs past 79 bytes without CR LF ends the reply: the bytes beyond are
// not stored.
ModemRead readModemLine(ReadByte read, void *port, ReplyLine &line);

// The text of a line: after a DLE the one character that followed it, else
// the bytes up to the first CR or LF.
void replyText(const ReplyLine &line, char (&text)[kReplyLineSize]);

// The identification prefixes, read from [MODEM_ATI] for every probe.
struct ProbeChecks {
    char check[5][kCheckSize];   // CHECK1 .. CHECK5
};

// What one reply line says, as flags; 0 for a skipped or unknown line.
const int kReplyRecognises = 1;
const int kReplyWantsSecond = 2;

// Judges a line of the reply to the first command: the echo ("AT..."),
// "OK...", empty lines and lines beginning with a blank are skipped; CHECK1,
// CHECK2 or CHECK3 recognise the modem; CHECK4 calls for the second command
// (one line may do both).
int judgeFirstReply(const char *text, const ProbeChecks &checks);

// Judges a line of the reply to the second command: CHECK5 recognises.
int judgeSecondReply(const char *text, const ProbeChecks &checks);

// The first n bytes of text equal the n bytes of prefix, case-sensitively.
bool beginsWith(const char *text, const char *prefix);
