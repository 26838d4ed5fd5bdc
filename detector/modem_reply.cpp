// Reply-line reading and judging for the serial probe.
#include "detector/modem_reply.h"
#include "runtime/bytes.h"

#include <string.h>

ModemRead readModemLine(ReadByte read, void *port, ReplyLine &line)
{
    line.length = 0;
    line.bytes[0] = '\0';
    unsigned char byte = 0;
    int got = read(port, &byte);
    if (got < 0)
        return kModemError;
    if (got == 0)
        return kModemEnd;
    line.bytes[line.length++] = (char)byte;

    if (byte == kDle) {
        got = read(port, &byte);
        if (got < 0)
            return kModemError;
        if (got > 0)
            line.bytes[line.length++] = (char)byte;
        line.bytes[line.length] = '\0';
        return kModemLine;
    }

    for (;;) {
        if (line.length >= 2 && line.bytes[line.length - 1] == '\n' && line.bytes[line.length - 2] == '\r') {
            line.bytes[line.length] = '\0';
            return kModemLine;
        }
        got = read(port, &byte);
        if (got < 0)
            return kModemError;
        if (got == 0) {
            line.bytes[line.length] = '\0';
            return kModemLine;
        }
        if (line.length == kReplyLineSize - 1)
            return kModemEnd;
        line.bytes[line.length++] = (char)byte;
    }
}

void replyText(const ReplyLine &line, char (&text)[kReplyLineSize])
{
    size_t length = 0;
    if (line.length > 0 && (unsigned char)line.bytes[0] == kDle) {
        if (line.length > 1)
            text[length++] = line.bytes[1];
    } else {
        while (length < line.length && line.bytes[length] != '\r' && line.bytes[length] != '\n')
            ++length;
        memcpy(text, line.bytes, length);
    }
    text[length] = '\0';
}

bool beginsWith(const char *text, const char *prefix)
{
    return startsWith(text, prefix);
}

namespace {

bool skippedLine(const char *text)
{
    return text[0] == '\0' || text[0] == ' ' || beginsWith(text, "AT") || beginsWith(text, "OK");
}

}  // namespace

int judgeFirstReply(const char *text, const ProbeChecks &checks)
{
    if (skippedLine(text))
        return 0;
    int flags = 0;
    if (beginsWith(text, checks.check[0]) || beginsWith(text, checks.check[1]) || beginsWith(text, checks.check[2]))
        flags |= kReplyRecognises;
    if (beginsWith(text, checks.check[3]))
        flags |= kReplyWantsSecond;
    return flags;
}

int judgeSecondReply(const char *text, const ProbeChecks &checks)
{
    if (skippedLine(text))
        return 0;
    return beginsWith(text, checks.check[4]) ? kReplyRecognises : 0;
}
