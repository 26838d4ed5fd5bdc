// The setup program's command line: the pattern of the setup INFs, as it
// always was, and the switches of recorded and unattended runs, which begin
// with "/" as no file pattern can. Portable: it only steps through text.
#pragma once
#include <stddef.h>

const size_t kCommandPathSize = 260;   // a switch's file, terminator included

enum CommandLineError {
    COMMAND_LINE_OK,
    COMMAND_LINE_UNKNOWN_SWITCH,   // a "/" word that is none of the switches
    COMMAND_LINE_NO_FILE,          // a switch without its file (nothing, or "" after the colon)
    COMMAND_LINE_TWICE,            // the same switch given twice
    COMMAND_LINE_CONFLICT,         // /record and /silent together
    COMMAND_LINE_TOO_LONG,         // a switch's file or the pattern does not fit its buffer
};

struct CommandLine {
    char pattern[kCommandPathSize];      // the setup-INF pattern without blanks and quotes around it;
                                         // empty when none was given
    char recordFile[kCommandPathSize];   // /record:FILE, or empty
    char silentFile[kCommandPathSize];   // /silent:FILE, or empty
    char logFile[kCommandPathSize];      // /log:FILE, or empty
    CommandLineError error;
    char offending[kCommandPathSize];    // the word that is wrong, as given (cut to fit)
};

// Reads a command line (the text after the program's name). A switch is a
// word that begins with "/": /record:FILE, /silent:FILE or /log:FILE, the
// name in any letter case; FILE may be quoted (/log:"C:\Setup logs\a.log"),
// or the whole switch ("/log:C:\Setup logs\a.log"), and then holds blanks.
// Everything else is the pattern, in the order given.
// false with error and offending set when the line cannot be taken.
bool parseCommandLine(const char *text, CommandLine &out);
