// Parsing of the [MODEM_REG] board lists and hardware-ID matching.
#include "detector/board_lists.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

// Lead bytes of code page 932. The separators '=' and ':' never occur as a
// second byte, so the line itself can be scanned by byte; only the code must
// be one whole character.
bool isLeadByte932(unsigned char c)
{
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

BoardList *listFor(BoardLists &lists, char first)
{
    switch (first) {
    case 'B': return &lists.b;
    case 'N': return &lists.n;
    case 'C': return &lists.c;
    default: return nullptr;
    }
}

}  // namespace

void clearBoardLists(BoardLists &lists)
{
    memset(&lists, 0, sizeof lists);
}

LineReading readBoardLine(BoardLists &lists, const char *line, size_t length)
{
    if (length == 0)
        return kLineIgnored;
    BoardList *list = listFor(lists, line[0]);
    if (!list)
        return kLineIgnored;

    size_t at = 0;
    while (at < length && line[at] != '=')
        ++at;
    if (at == length)
        return kLineRejected;
    ++at;

    // Every ':' takes the byte after it as the code; the last one wins.
    // Everything else belongs to the pattern.
    char pattern[kMaxPatternLength + 1];
    size_t patternLength = 0;
    bool haveCode = false;
    char code = 0;
    for (; at < length; ++at) {
        if (line[at] == ':') {
            if (at + 1 == length)
                return kLineRejected;
            ++at;
            code = line[at];
            haveCode = true;
            continue;
        }
        if (patternLength == kMaxPatternLength)
            return kLineRejected;
        pattern[patternLength++] = line[at];
    }
    if (!haveCode || code == '\0' || isLeadByte932((unsigned char)code))
        return kLineRejected;
    if (list->count == kMaxBoardEntries)
        return kListFull;

    BoardEntry &entry = list->entries[list->count++];
    memcpy(entry.pattern, pattern, patternLength);
    entry.pattern[patternLength] = '\0';
    entry.code = code;
    return kLineTaken;
}

void readBoardSection(BoardLists &lists, const char *section, size_t size)
{
    size_t at = 0;
    while (at < size && section[at] != '\0') {
        size_t length = 0;
        while (at + length < size && section[at + length] != '\0')
            ++length;
        readBoardLine(lists, section + at, length);
        at += length + 1;
    }
}

int containsText(const char *text, const char *pattern)
{
    return findBytes(text, pattern) != nullptr ? 1 : 0;
}

char matchBoardList(const BoardList &list, const char *hardwareId)
{
    for (int i = 0; i < list.count; ++i)
        if (containsText(hardwareId, list.entries[i].pattern))
            return list.entries[i].code;
    return '0';
}
