// Recorded and unattended runs: the switches, the log's header, the answer
// file of /silent and the exit status of an unattended run.
#include "setup/shell/unattended.h"

#include "setup/components/components.h"
#include "setup/inf/charset.h"
#include "setup/inf/text.h"
#include "setup/shell/answer_file.h"
#include "setup/shell/command_line.h"
#include "setup/shell/install_log.h"
#include "setup/shell/messages.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/answers.h"
#include "setup/wizard/install_run.h"
#include "setup/wizard/wizard_pages.h"
#include "setup/wizard/wizard_state.h"
#include "runtime/bytes.h"

namespace {

const char kUsage[] = "使い方: Osprin.exe [/record:ファイル名 | /silent:ファイル名] [/log:ファイル名] [パターン]\r\r"
                      "/record:ファイル名\tセットアップで選んだ内容を応答ファイルに記録します。\r"
                      "/silent:ファイル名\t応答ファイルの内容で、画面を表示せずにセットアップします。\r"
                      "/log:ファイル名\tセットアップの経過をログファイルに書き込みます。\r"
                      "パターン\tセットアップ INF ファイルの名前 (既定は OSPRIN*.INF)\r\r"
                      "ファイル名に空白があるときは \"\" で囲んでください (/log:\"C:\\Setup logs\\kit.log\")。";

SetupAnswers answers;
CommandLine commandLineTaken;

// The box of a command line that cannot be taken: what is wrong, then the
// usage. Shown also for /silent: the line itself is not to be trusted.
void tellCommandLine(const CommandLine &line)
{
    const char *what = "";
    switch (line.error) {
    case COMMAND_LINE_UNKNOWN_SWITCH: what = "このスイッチは使えません: "; break;
    case COMMAND_LINE_NO_FILE: what = "スイッチにファイル名がありません: "; break;
    case COMMAND_LINE_TWICE: what = "スイッチが2回指定されています: "; break;
    case COMMAND_LINE_CONFLICT: what = "/record と /silent は一緒に指定できません: "; break;
    case COMMAND_LINE_TOO_LONG: what = "ファイル名が長すぎます: "; break;
    case COMMAND_LINE_OK: break;
    }
    char text[1024];
    TextBuilder out = startText(text);
    addText(out, what);
    addText(out, line.offending);
    addText(out, "\r\r");
    addText(out, kUsage);
    MessageBoxA(NULL, text, "ｴﾗｰ", MB_OK | MB_ICONSTOP);
}

// A file named on the command line that the program cannot use: told in a
// box (not in an unattended run), then the program ends.
bool refuseFile(const char *what, const char *path, int status)
{
    setupState.exitStatus = status;
    if (!setupState.silent) {
        char text[kPathSize + 128];
        TextBuilder out = startText(text);
        addText(out, what);
        addText(out, "\r");
        addText(out, path);
        MessageBoxA(NULL, text, "ｴﾗｰ", MB_OK | MB_ICONSTOP);
    }
    return false;
}

void writeHeader(const char *commandLine)
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char date[64];
    wsprintfA(date, "%04u/%02u/%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
              now.wSecond);
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    char windows[96] = "?";
    if (GetVersionExA(&version))
        wsprintfA(windows, "%lu.%lu.%lu (%s)", version.dwMajorVersion, version.dwMinorVersion,
                  version.dwBuildNumber & 0xFFFF,
                  version.dwPlatformId == VER_PLATFORM_WIN32_NT ? "NT 系" : "Windows 95/98 系");
    logLine("Osprin セットアップ ログ");
    logLine("開始: ", date);
    logLine("Windows: ", windows);
    logLine("キットのフォルダ: ", setupState.programDir);
    logLine("コマンドライン: ", commandLine);
    logLine(setupState.silent ? "無人セットアップ (応答ファイルから)" : "対話型のセットアップ");
}

// The answer file of /silent, read whole and checked before anything else
// happens: a file that is not exactly an answer file is used in no part.
bool readAnswerFile(const char *path)
{
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, NULL, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE) {
        logLine("応答ファイルを開けません: ", path);
        return false;
    }
    DWORD size = GetFileSize(file, NULL);
    bool read = false;
    char *text = NULL;
    if (size != INVALID_FILE_SIZE && size <= kAnswerFileLimit) {
        text = (char *)HeapAlloc(GetProcessHeap(), 0, size + 1);
        DWORD got = 0;
        read = text != NULL && ReadFile(file, text, size, &got, NULL) && got == size;
    }
    CloseHandle(file);
    AnswerFault fault;
    bool good = false;
    if (!read) {
        bool tooLarge = size != INVALID_FILE_SIZE && size > kAnswerFileLimit;
        logLine("応答ファイルを読めません (", tooLarge ? "大きすぎます" : "読み取りの失敗", "): ", path);
    } else if (!(good = parseAnswers(text, size, answers, fault))) {
        logLine("応答ファイルの形式が正しくありません (", fault.line > 0 ? "行 " : "ファイル全体",
                fault.line > 0 ? (const char *)LogNumber(fault.line) : "", ": ", fault.reason, ")");
    }
    if (text != NULL)
        HeapFree(GetProcessHeap(), 0, text);
    if (good)
        logLine("応答ファイル: ", path, " (", answers.setupInf, ", ", answers.standard ? "標準セットアップ)" : "カスタムセットアップ)");
    return good;
}

// /record's file is written only once the run reaches the progress page;
// that it can be made is tried now, and a file made for the test is gone
// again.
bool recordFileUsable(const char *path)
{
    bool existed = GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES;
    HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, NULL, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, NULL);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    CloseHandle(file);
    if (!existed)
        DeleteFileA(path);
    return true;
}

bool unfit(const char *reason, const char *detail = "")
{
    logLine("応答ファイルがキットに合いません: ", reason, detail);
    setupState.exitStatus = kExitAnswersUnfit;
    return false;
}

}  // namespace

bool takeCommandLine(const char *commandLine)
{
    CommandLine line;
    if (!parseCommandLine(commandLine, line)) {
        tellCommandLine(line);
        setupState.exitStatus = kExitBadCommandLine;
        return false;
    }
    copyText(setupState.infPattern, line.pattern[0] != '\0' ? line.pattern : "OSPRIN*.INF");
    copyText(setupState.recordFile, line.recordFile);
    setupState.silent = line.silentFile[0] != '\0';
    commandLineTaken = line;
    return true;
}

bool openRun(const char *commandLine)
{
    const CommandLine &line = commandLineTaken;
    if (line.logFile[0] != '\0') {
        if (!openInstallLog(line.logFile))
            return refuseFile("ログファイルを開けません。セットアップを終了します。", line.logFile, kExitLogFailure);
        writeHeader(commandLine != NULL ? commandLine : "");
    }
    if (line.recordFile[0] != '\0' && !recordFileUsable(line.recordFile))
        return refuseFile("応答ファイルを作成できません。セットアップを終了します。", line.recordFile,
                          kExitBadCommandLine);
    if (setupState.silent) {
        if (!readAnswerFile(line.silentFile)) {
            setupState.exitStatus = kExitAnswersUnfit;
            return false;
        }
        // Until the installation takes the file's restart answer, a restart
        // that start-up asks for is not carried out.
        wizardState.restartAnswer = IDNO;
    }
    return true;
}

bool chooseAnsweredProduct(const char *list, int count)
{
    const char *name = list;
    for (int i = 0; i < count && name != NULL; ++i) {
        const char *comma = findByte(name, ',', byteLength(name));
        size_t length = comma != NULL ? (size_t)(comma - name) : byteLength(name);
        if (equalNoCase(name, length, answers.setupInf, textLength(answers.setupInf))) {
            copyTextN(setupState.setupInfName, sizeof setupState.setupInfName, name, length);
            return true;
        }
        name = comma != NULL ? comma + 1 : NULL;
    }
    return unfit("セットアップ INF がありません: ", answers.setupInf);
}

bool answeredProductFits()
{
    if (sameBytes(setupState.productCaption, answers.product))
        return true;
    return unfit("製品名が違います: ", setupState.productCaption);
}

void runUnattended()
{
    char reason[kPathSize];
    wizardState.standardChosen = answers.standard;
    if (!takeMachineAnswers(answers.nickname, answers.model, reason, sizeof reason)) {
        unfit(reason);
        return;
    }
    logLine("愛称: ", wizardState.nicknameLine, ", 機種: ", wizardState.modelKey, " ", wizardState.modelDisplayName);
    if (!takeComponentAnswers(answers, reason, sizeof reason)) {
        unfit(reason);
        return;
    }
    // The restart is the answer file's to decide: the question is never put.
    wizardState.restartAnswer = answers.restart == RESTART_YES ? IDYES : IDNO;
    runInstallation(NULL);
    switch (wizardState.setupResult) {
    case 1:
        setupState.exitStatus = kExitStopped;
        break;
    case 2:
        setupState.exitStatus = kExitDiskFull;
        break;
    case kSetupIncomplete:
        setupState.exitStatus = kExitKitRefused;
        break;
    default:
        setupState.exitStatus = wizardState.failedComponents > 0 ? kExitPartial : kExitCompleted;
        break;
    }
    if (wizardState.setupResult == 1 || wizardState.setupResult == kSetupIncomplete)
        setupState.restartNeeded = false;
}

void settleExitStatus(bool restartAsked, bool started)
{
    if (!setupState.silent || setupState.exitStatus != kExitCompleted)
        return;
    if (setupState.restartNeeded || restartAsked)
        setupState.exitStatus = started ? kExitRestartStarted : kExitRestartPending;
}
