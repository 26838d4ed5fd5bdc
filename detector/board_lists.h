// The board lists of [MODEM_REG] and the hardware-ID matching that the
// Plug-and-Play scans use. Portable: byte scans only, no platform calls.
#pragma once
#include <stddef.h>

const int kMaxBoardEntries = 20;    // entries per list
const int kMaxPatternLength = 49;   // bytes of one pattern

struct BoardEntry {
    char pattern[kMaxPatternLength + 1];
    char code;   // one-byte board code; '0' means no board
};

struct BoardList {
    BoardEntry entries[kMaxBoardEntries];
    int count;
};

// B: the maker's bus enumerator, N: the root port enumerator, C: the
// configuration manager.
struct BoardLists {
    BoardList b;
    BoardList n;
    BoardList c;
};

enum LineReading { kLineTaken, kLineIgnored, kLineRejected, kListFull };

// Reads one "key=pattern:code" line of length bytes into the list its first
// character chooses. Lines of other keys are ignored; lines with no "=", no
// ":" code, a ":" at the very end, a double-byte code or a pattern longer
// than kMaxPatternLength are rejected whole (a cut pattern would match more
// devices than the one it was written for). A list already holding
// kMaxBoardEntries keeps its entries and the line is dropped.
LineReading readBoardLine(BoardLists &lists, const char *line, size_t length);

// Fills the lists from a section as the profile functions return it: lines
// ending in NUL, the section ending in an empty line, all within size bytes.
void readBoardSection(BoardLists &lists, const char *section, size_t size);

void clearBoardLists(BoardLists &lists);

// 1 when pattern occurs in text, exactly and case-sensitively, byte by byte;
// an empty pattern always occurs.
int containsText(const char *text, const char *pattern);

// The code of the first entry whose pattern occurs in hardwareId, '0' when
// none does.
char matchBoardList(const BoardList &list, const char *hardwareId);
