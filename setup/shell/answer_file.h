// The answer file of recorded and unattended runs: what a user chose in the
// wizard, as an INI text in code page 932 with CR LF line ends. /record
// writes it, /silent reads it back. It is read strictly: a file that is not
// exactly such a text is refused whole, with the reason, and nothing of it
// is used. Portable: only text work here; the files are the Win32 edge's.
//
//   [Answers]
//   SetupInf=OSPRIN.INF          the setup INF's file name
//   Product=...                  its caption
//   Nickname=...                 the nickname line as chosen (empty: the list was empty)
//   Model=4410Q                  the model key
//   Setup=Standard | Custom
//   Restart=Yes | No             the answer to the restart question, when it was asked
//   [Components]                 custom setup only: every component's tick by its Section
//   Sound_4410Q/Drv=1
#pragma once
#include <stddef.h>
#include <stdint.h>

const size_t kAnswerTextSize = 260;      // texts, terminator included
const size_t kAnswerShortSize = 64;      // product caption, model key, component Section
const size_t kAnswerFileLimit = 512 * 1024;   // a longer file is refused
const int kAnswerTickLimit = 20000;           // components of one file, at most

enum AnswerRestart { RESTART_NOT_ASKED, RESTART_YES, RESTART_NO };

struct AnswerTick {
    char section[kAnswerShortSize];
    bool ticked;
    int line;   // the line of the file it was read from
};

struct SetupAnswers {
    char setupInf[kAnswerTextSize];
    char product[kAnswerShortSize];
    char nickname[kAnswerTextSize];
    char model[kAnswerShortSize];
    bool standard;
    AnswerRestart restart;
    AnswerTick *ticks;   // custom setup: heap block of tickCount entries (freeAnswers)
    int tickCount;
};

// Why a text is no answer file; kept short, ASCII, for the install log.
struct AnswerFault {
    int line;            // 1-based line of the text, 0 for the file as a whole
    char reason[160];
};

// Reads text (length bytes, not necessarily NUL-terminated) into out. false
// with fault filled when the text is not an answer file; out is then empty.
bool parseAnswers(const char *text, size_t length, SetupAnswers &out, AnswerFault &fault);

// The text of answers into out (size bytes), CR LF line ends; false when it
// does not fit.
bool formatAnswers(const SetupAnswers &answers, char *out, size_t size, size_t &length);

// Room for the ticks of count components; false when there is no memory.
bool reserveTicks(SetupAnswers &answers, int count);
// Releases the ticks; the answers can be used again.
void freeAnswers(SetupAnswers &answers);
