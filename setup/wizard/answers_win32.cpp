// The answer file written from the wizard's choices, and the component
// choices taken back from one.
#include "setup/wizard/answers.h"

#include "setup/components/components.h"
#include "setup/inf/charset.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/wizard_state.h"

namespace {

// Sections are compared as the tree compares them.
bool sameSection(const char *a, const char *b)
{
    return equalNoCase(a, textLength(a), b, textLength(b));
}

bool refuse(char *reason, size_t size, const char *text, const char *section)
{
    TextBuilder out = startTextN(reason, size);
    addText(out, text);
    addText(out, section);
    return false;
}

// The tick of a Section: the file lists the components in tree order, so
// the same position is tried first.
const AnswerTick *tickOf(const SetupAnswers &answers, int position, const char *section)
{
    if (position < answers.tickCount && sameSection(answers.ticks[position].section, section))
        return &answers.ticks[position];
    for (int i = 0; i < answers.tickCount; ++i)
        if (sameSection(answers.ticks[i].section, section))
            return &answers.ticks[i];
    return nullptr;
}

bool recordStarted;   // the progress page has written the file

}  // namespace

void recordRestartAnswer()
{
    if (recordStarted)
        recordAnswers();
}

bool recordAnswers()
{
    if (setupState.recordFile[0] == '\0')
        return true;
    recordStarted = true;
    SetupAnswers answers = SetupAnswers();
    copyText(answers.setupInf, setupState.setupInfName);
    copyText(answers.product, setupState.productCaption);
    copyText(answers.nickname, wizardState.nicknameLine);
    copyText(answers.model, wizardState.modelKey);
    answers.standard = wizardState.standardChosen;
    answers.restart = wizardState.restartAnswer == IDYES  ? RESTART_YES
                      : wizardState.restartAnswer == IDNO ? RESTART_NO
                                                          : RESTART_NOT_ASKED;
    if (!answers.standard) {
        if (!reserveTicks(answers, componentTree.count)) {
            logLine("応答ファイルを記録できません (メモリ不足): ", setupState.recordFile);
            return false;
        }
        // Records that share a Section share its tick: each name once.
        for (int i = 0; i < componentTree.count; ++i) {
            const ComponentRecord &record = componentTree.records[i];
            bool seen = false;
            for (int t = 0; t < answers.tickCount && !seen; ++t)
                seen = sameSection(answers.ticks[t].section, record.Section);
            if (seen)
                continue;
            AnswerTick &tick = answers.ticks[answers.tickCount++];
            copyText(tick.section, record.Section);
            tick.ticked = record.State == kStateOn;
        }
    }
    // Room for every line: the fixed keys and one line per component.
    size_t size = 2048 + (size_t)answers.tickCount * (kAnswerShortSize + 4);
    char *text = (char *)HeapAlloc(GetProcessHeap(), 0, size);
    size_t length = 0;
    bool written = false;
    if (text != nullptr && formatAnswers(answers, text, size, length)) {
        HANDLE file = CreateFileA(setupState.recordFile, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL,
                                  NULL);
        if (file != INVALID_HANDLE_VALUE) {
            DWORD put = 0;
            written = WriteFile(file, text, (DWORD)length, &put, NULL) && put == length;
            CloseHandle(file);
        }
    }
    if (text != nullptr)
        HeapFree(GetProcessHeap(), 0, text);
    freeAnswers(answers);
    logLine(written ? "応答ファイルに記録しました: " : "応答ファイルに書き込めません: ", setupState.recordFile);
    return written;
}

bool takeComponentAnswers(const SetupAnswers &answers, char *reason, size_t size)
{
    if (answers.standard) {
        selectStandardSet(componentTree);
        return true;
    }
    for (int i = 0; i < componentTree.count; ++i) {
        const ComponentRecord &record = componentTree.records[i];
        if (tickOf(answers, i, record.Section) == nullptr)
            return refuse(reason, size, "応答ファイルにないコンポーネント: ", record.Section);
    }
    for (int i = 0; i < answers.tickCount; ++i) {
        const AnswerTick &tick = answers.ticks[i];
        const ComponentRecord *record = nullptr;
        for (int r = 0; r < componentTree.count && record == nullptr; ++r) {
            int at = (i + r) % componentTree.count;
            if (sameSection(componentTree.records[at].Section, tick.section))
                record = &componentTree.records[at];
        }
        if (record == nullptr)
            return refuse(reason, size, "キットにないコンポーネント: ", tick.section);
        if (tick.ticked && record->State == kStateUnavailable)
            return refuse(reason, size, "選べないコンポーネントが選ばれています: ", tick.section);
    }
    // As the custom page leaves them: ticked 1, the rest 0, the unavailable
    // ones as they are. The ticks are the states after the page pushed each
    // parent's state down, so nothing is pushed again here.
    for (int i = 0; i < componentTree.count; ++i) {
        ComponentRecord &record = componentTree.records[i];
        if (record.State != kStateUnavailable)
            record.State = tickOf(answers, i, record.Section)->ticked ? kStateOn : kStateOff;
    }
    return true;
}
