// Feeds arbitrary bytes to the detector's parsers: once as a [MODEM_REG]
// section, once as a modem's reply stream, and checks that no list, pattern
// or line ever grows past its fixed size.
#include "detector/board_lists.h"
#include "detector/modem_reply.h"

#include <stdint.h>
#include <stdlib.h>
#include <string.h>

namespace {

struct Stream {
    const uint8_t *data;
    size_t size, at;
};

// The first byte of every three decides: a failing read, silence, or a byte.
int readStream(void *context, unsigned char *byte)
{
    Stream &s = *static_cast<Stream *>(context);
    if (s.at >= s.size)
        return 0;
    uint8_t c = s.data[s.at++];
    if (c == 0xFF)
        return -1;
    if (c == 0xFE)
        return 0;
    *byte = c;
    return 1;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    BoardLists lists;
    clearBoardLists(lists);
    readBoardSection(lists, reinterpret_cast<const char *>(data), size);
    const BoardList *all[3] = {&lists.b, &lists.n, &lists.c};
    for (const BoardList *list : all) {
        if (list->count < 0 || list->count > kMaxBoardEntries)
            abort();
        for (int i = 0; i < list->count; ++i)
            if (strlen(list->entries[i].pattern) > (size_t)kMaxPatternLength)
                abort();
    }

    ProbeChecks checks;
    memset(&checks, 0, sizeof checks);
    Stream stream = {data, size, 0};
    for (int lines = 0; lines < 1000; ++lines) {
        ReplyLine line;
        ModemRead read = readModemLine(readStream, &stream, line);
        if (line.length > kReplyLineSize - 1)
            abort();
        if (read != kModemLine)
            break;
        char text[kReplyLineSize];
        replyText(line, text);
        judgeFirstReply(text, checks);
        judgeSecondReply(text, checks);
        matchBoardList(lists.b, text);
    }
    return 0;
}
