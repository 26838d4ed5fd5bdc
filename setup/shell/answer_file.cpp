// Reading and writing the answer file; see answer_file.h for its form.
#include "setup/shell/answer_file.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_platform.h"
#include "setup/inf/text.h"
#include "runtime/bytes.h"

#include <string.h>

namespace {

const char kAnswersSection[] = "Answers";
const char kComponentsSection[] = "Components";

// The keys of [Answers]; each at most once.
enum AnswerKey { SETUP_INF, PRODUCT, NICKNAME, MODEL, SETUP, RESTART, KEY_COUNT };
const char *const kKeys[KEY_COUNT] = {"SetupInf", "Product", "Nickname", "Model", "Setup", "Restart"};
const bool kRequired[KEY_COUNT] = {true, true, true, true, true, false};

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool sameAscii(const char *a, size_t length, const char *b)
{
    size_t i = 0;
    for (; i < length && b[i] != '\0'; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = (char)(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return i == length && b[i] == '\0';
}

// Code page 932 as the file is written, whatever the machine's code page:
// single bytes are printable ASCII, the tab and half-width katakana; a lead
// byte (0x81-0x9F, 0xE0-0xFC) is followed by a trail byte (0x40-0x7E,
// 0x80-0xFC). The length of the character at p, or 0 when it is none.
size_t cp932Character(const unsigned char *p, const unsigned char *end)
{
    unsigned char c = p[0];
    if (c == '\t' || (c >= 0x20 && c <= 0x7E) || (c >= 0xA1 && c <= 0xDF))
        return 1;
    bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
    if (!lead || p + 1 >= end)
        return 0;
    unsigned char t = p[1];
    return ((t >= 0x40 && t <= 0x7E) || (t >= 0x80 && t <= 0xFC)) ? 2 : 0;
}

// The first character of a line that is the byte c (stepping by whole
// characters, so a trail byte is never taken for it), or null.
const char *findCharacter(const char *p, const char *end, char c)
{
    while (p < end) {
        if (*p == c)
            return p;
        p += cp932Character((const unsigned char *)p, (const unsigned char *)end);
    }
    return nullptr;
}

struct Parser {
    SetupAnswers &out;
    AnswerFault &fault;
    int line = 0;
    enum { NO_SECTION, ANSWERS, COMPONENTS } section = NO_SECTION;
    bool seenAnswers = false, seenComponents = false;
    bool seenKey[KEY_COUNT] = {};
    int tickCapacity = 0;

    bool refuse(const char *reason)
    {
        fault.line = line;
        copyText(fault.reason, reason);
        return false;
    }

    // A value into its field: it must fit whole.
    bool store(char *field, size_t size, const char *value, size_t length, const char *what)
    {
        if (length >= size) {
            char reason[sizeof fault.reason];
            TextBuilder text = startText(reason);
            addText(text, what);
            addText(text, " is too long");
            return refuse(reason);
        }
        copyTextN(field, size, value, length);
        return true;
    }

    bool sectionLine(const char *p, const char *end)
    {
        if (end[-1] != ']')
            return refuse("a section line without its closing bracket");
        const char *name = p + 1;
        size_t length = (size_t)(end - 1 - name);
        if (sameAscii(name, length, kAnswersSection)) {
            if (seenAnswers)
                return refuse("[Answers] stands twice");
            seenAnswers = true;
            section = ANSWERS;
        } else if (sameAscii(name, length, kComponentsSection)) {
            if (seenComponents)
                return refuse("[Components] stands twice");
            seenComponents = true;
            section = COMPONENTS;
        } else {
            return refuse("a section that answer files do not have");
        }
        return true;
    }

    bool answer(const char *key, size_t keyLength, const char *value, size_t valueLength)
    {
        int k = 0;
        while (k < KEY_COUNT && !sameAscii(key, keyLength, kKeys[k]))
            ++k;
        if (k == KEY_COUNT)
            return refuse("a key that [Answers] does not have");
        if (seenKey[k])
            return refuse("a key that stands twice");
        seenKey[k] = true;
        switch (k) {
        case SETUP_INF:
            return valueLength > 0 ? store(out.setupInf, sizeof out.setupInf, value, valueLength, "SetupInf")
                                   : refuse("SetupInf is empty");
        case PRODUCT:
            return store(out.product, sizeof out.product, value, valueLength, "Product");
        case NICKNAME:
            return store(out.nickname, sizeof out.nickname, value, valueLength, "Nickname");
        case MODEL:
            return valueLength > 0 ? store(out.model, sizeof out.model, value, valueLength, "Model")
                                   : refuse("Model is empty");
        case SETUP:
            if (sameAscii(value, valueLength, "Standard"))
                out.standard = true;
            else if (sameAscii(value, valueLength, "Custom"))
                out.standard = false;
            else
                return refuse("Setup is neither Standard nor Custom");
            return true;
        case RESTART:
            if (sameAscii(value, valueLength, "Yes"))
                out.restart = RESTART_YES;
            else if (sameAscii(value, valueLength, "No"))
                out.restart = RESTART_NO;
            else
                return refuse("Restart is neither Yes nor No");
            return true;
        }
        return true;
    }

    bool tick(const char *key, size_t keyLength, const char *value, size_t valueLength)
    {
        if (keyLength >= kAnswerShortSize)
            return refuse("a component Section that is too long");
        if (valueLength != 1 || (value[0] != '0' && value[0] != '1'))
            return refuse("a component tick that is neither 0 nor 1");
        if (out.tickCount == kAnswerTickLimit)
            return refuse("more components than a kit holds");
        char section[kAnswerShortSize];
        copyTextN(section, sizeof section, key, keyLength);
        if (out.tickCount == tickCapacity) {
            int capacity = tickCapacity == 0 ? 32 : tickCapacity * 2;
            void *grown = out.ticks == nullptr ? infHeapAllocate((size_t)capacity * sizeof(AnswerTick))
                                               : infHeapResize(out.ticks, (size_t)capacity * sizeof(AnswerTick));
            if (grown == nullptr)
                return refuse("no memory for the components");
            out.ticks = (AnswerTick *)grown;
            tickCapacity = capacity;
        }
        AnswerTick &entry = out.ticks[out.tickCount++];
        copyText(entry.section, section);
        entry.ticked = value[0] == '1';
        entry.line = line;
        return true;
    }

    // Sections are names of INF sections, compared as the tree compares
    // them: a name of printable ASCII by its folded hash, any other name
    // with every name.
    bool noTickTwice()
    {
        size_t slots = 64;
        while (slots < (size_t)out.tickCount * 2)
            slots *= 2;
        int *table = (int *)infHeapAllocate(slots * sizeof(int));
        if (table == nullptr)
            return refuse("no memory for the components");
        for (size_t i = 0; i < slots; ++i)
            table[i] = -1;
        bool twice = false;
        int at = 0;
        for (; at < out.tickCount && !twice; ++at) {
            const char *name = out.ticks[at].section;
            bool plain;
            uint64_t hash = foldedNameHash(name, plain);
            if (!plain) {
                for (int other = 0; other < at && !twice; ++other)
                    twice = equalNoCase(out.ticks[other].section, textLength(out.ticks[other].section), name,
                                        textLength(name));
                continue;
            }
            size_t slot = hash & (slots - 1);
            for (; table[slot] >= 0 && !twice; slot = (slot + 1) & (slots - 1))
                twice = equalNoCase(out.ticks[table[slot]].section, textLength(out.ticks[table[slot]].section), name,
                                    textLength(name));
            table[slot] = at;
        }
        infHeapRelease(table);
        if (!twice)
            return true;
        line = out.ticks[at - 1].line;
        return refuse("a component that stands twice");
    }

    bool keyLine(const char *p, const char *end)
    {
        const char *equals = findCharacter(p, end, '=');
        if (equals == nullptr)
            return refuse("a line that is no key=value line");
        const char *keyEnd = equals;
        while (keyEnd > p && isBlank(keyEnd[-1]))
            --keyEnd;
        const char *value = equals + 1;
        while (value < end && isBlank(*value))
            ++value;
        if (keyEnd == p)
            return refuse("a line without its key");
        switch (section) {
        case ANSWERS:
            return answer(p, (size_t)(keyEnd - p), value, (size_t)(end - value));
        case COMPONENTS:
            return tick(p, (size_t)(keyEnd - p), value, (size_t)(end - value));
        case NO_SECTION:
            break;
        }
        return refuse("a key before the first section");
    }

    // One line without its line end.
    bool take(const char *p, const char *end)
    {
        for (const char *q = p; q < end;) {
            size_t step = cp932Character((const unsigned char *)q, (const unsigned char *)end);
            if (step == 0)
                return refuse("bytes that are not code page 932 text");
            q += step;
        }
        while (p < end && isBlank(*p))
            ++p;
        while (end > p && isBlank(end[-1]))
            --end;
        if (p == end || *p == ';')
            return true;
        if (*p == '[')
            return sectionLine(p, end);
        return keyLine(p, end);
    }

    bool finish()
    {
        line = 0;
        if (!seenAnswers)
            return refuse("no [Answers] section");
        for (int k = 0; k < KEY_COUNT; ++k) {
            if (kRequired[k] && !seenKey[k]) {
                char reason[sizeof fault.reason];
                TextBuilder text = startText(reason);
                addText(text, "no ");
                addText(text, kKeys[k]);
                addText(text, " in [Answers]");
                return refuse(reason);
            }
        }
        if (!out.standard && !seenComponents)
            return refuse("custom setup without its [Components]");
        if (out.standard && seenComponents)
            return refuse("standard setup with a [Components] section");
        return noTickTwice();
    }
};

}  // namespace

bool reserveTicks(SetupAnswers &answers, int count)
{
    infHeapRelease(answers.ticks);
    answers.ticks = nullptr;
    answers.tickCount = 0;
    if (count <= 0)
        return true;
    answers.ticks = (AnswerTick *)infHeapAllocate((size_t)count * sizeof(AnswerTick));
    return answers.ticks != nullptr;
}

void freeAnswers(SetupAnswers &answers)
{
    infHeapRelease(answers.ticks);
    answers = SetupAnswers();
}

bool parseAnswers(const char *text, size_t length, SetupAnswers &out, AnswerFault &fault)
{
    freeAnswers(out);
    fault.line = 0;
    fault.reason[0] = '\0';
    Parser parser{out, fault};
    bool good = true;
    if (length > kAnswerFileLimit) {
        good = parser.refuse("the file is too large");
    } else {
        const char *end = text + length;
        for (const char *p = text; good && p < end;) {
            ++parser.line;
            const char *newline = findByte(p, '\n', (size_t)(end - p));
            const char *lineEnd = newline != nullptr ? newline : end;
            const char *next = newline != nullptr ? newline + 1 : end;
            if (lineEnd > p && lineEnd[-1] == '\r')
                --lineEnd;
            good = parser.take(p, lineEnd);
            p = next;
        }
        if (good)
            good = parser.finish();
    }
    if (!good)
        freeAnswers(out);
    return good;
}

bool formatAnswers(const SetupAnswers &answers, char *out, size_t size, size_t &length)
{
    TextBuilder text = startTextN(out, size);
    auto line = [&](const char *key, const char *value) {
        addText(text, key);
        addText(text, "=");
        addText(text, value);
        addText(text, "\r\n");
    };
    addText(text, "[Answers]\r\n");
    line("SetupInf", answers.setupInf);
    line("Product", answers.product);
    line("Nickname", answers.nickname);
    line("Model", answers.model);
    line("Setup", answers.standard ? "Standard" : "Custom");
    if (answers.restart != RESTART_NOT_ASKED)
        line("Restart", answers.restart == RESTART_YES ? "Yes" : "No");
    if (!answers.standard) {
        addText(text, "[Components]\r\n");
        for (int i = 0; i < answers.tickCount; ++i)
            line(answers.ticks[i].section, answers.ticks[i].ticked ? "1" : "0");
    }
    length = text.length;
    return !text.cut;
}
