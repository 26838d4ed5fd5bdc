// Arbitrary bytes as an answer file and as a command line. An answer file
// that is taken must come out of its own text unchanged (what is read is
// what a recording of it writes); a command line that is taken has a
// pattern and switch files without quote characters, and never both
// /record and /silent.
#include "setup/inf/charset.h"
#include "setup/shell/answer_file.h"
#include "setup/shell/command_line.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

void check(bool ok)
{
    if (!ok)
        abort();
}

// No character of text is a quote (a second byte may be one: it is part of
// its character, as the platform steps).
bool noQuote(const char *text)
{
    for (const char *p = text; *p != '\0'; p = charNext(p))
        if (*p == '"')
            return false;
    return true;
}

void sameAnswers(const SetupAnswers &a, const SetupAnswers &b)
{
    check(strcmp(a.setupInf, b.setupInf) == 0 && strcmp(a.product, b.product) == 0);
    check(strcmp(a.nickname, b.nickname) == 0 && strcmp(a.model, b.model) == 0);
    check(a.standard == b.standard && a.restart == b.restart && a.tickCount == b.tickCount);
    for (int i = 0; i < a.tickCount; ++i)
        check(strcmp(a.ticks[i].section, b.ticks[i].section) == 0 && a.ticks[i].ticked == b.ticks[i].ticked);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    SetupAnswers answers = SetupAnswers();
    AnswerFault fault;
    if (parseAnswers((const char *)data, size, answers, fault)) {
        std::vector<char> text(4096 + (size_t)answers.tickCount * 80);
        size_t length = 0;
        check(formatAnswers(answers, text.data(), text.size(), length));
        SetupAnswers again = SetupAnswers();
        check(parseAnswers(text.data(), length, again, fault));
        sameAnswers(answers, again);
        freeAnswers(again);
    } else {
        check(fault.reason[0] != '\0' && answers.ticks == nullptr);
    }
    freeAnswers(answers);

    std::string line((const char *)data, size);
    line = line.substr(0, line.find('\0'));
    CommandLine parsed;
    if (parseCommandLine(line.c_str(), parsed)) {
        check(noQuote(parsed.pattern));
        for (const char *file : {parsed.recordFile, parsed.silentFile, parsed.logFile})
            check(noQuote(file));
        check(parsed.recordFile[0] == '\0' || parsed.silentFile[0] == '\0');
    } else {
        check(parsed.error != COMMAND_LINE_OK);
    }
    return 0;
}
