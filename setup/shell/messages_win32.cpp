// Message boxes, shown or, in an unattended run, only logged.
#include "setup/shell/messages.h"

#include "setup/shell/install_log.h"
#include "setup/shell/setup_state.h"

namespace {

int answerWithoutUser(UINT style)
{
    switch (style & MB_TYPEMASK) {
    case MB_OKCANCEL:
    case MB_RETRYCANCEL:
    case MB_YESNOCANCEL:
        return IDCANCEL;
    case MB_YESNO:
        return IDNO;
    case MB_ABORTRETRYIGNORE:
        return IDABORT;
    }
    return IDOK;
}

const char *answerName(int answer)
{
    switch (answer) {
    case IDOK: return "OK";
    case IDCANCEL: return "キャンセル";
    case IDYES: return "はい";
    case IDNO: return "いいえ";
    case IDABORT: return "中止";
    case IDRETRY: return "再試行";
    case IDIGNORE: return "無視";
    }
    return "(なし)";
}

}  // namespace

int showMessage(HWND owner, const char *text, const char *caption, UINT style, int silentAnswer)
{
    if (setupState.silent) {
        int answer = silentAnswer != 0 ? silentAnswer : answerWithoutUser(style);
        logLine("メッセージ (無人セットアップのため表示せず) 「", caption, "」: ", text, " → 応答: ", answerName(answer));
        return answer;
    }
    logLine("メッセージ 「", caption, "」: ", text);
    int answer = MessageBoxA(owner, text, caption, style);
    logLine("  → 応答: ", answerName(answer));
    return answer;
}
