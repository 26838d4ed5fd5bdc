// The program runner under Wine: the stand-in group converter in the Windows
// directory is started as "grpconv -o" and waited for on the invisible dialog
// 1029's one-second timer; without it the RunOnce fallback is written. The
// dialog itself is watched through thread hooks: its WM_INITDIALOG, and each
// WM_TIMER the modal loop takes from the queue.
#include "setup/engine/program_runner.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "win/sysconfig/win_test_util.h"

#include <gtest/gtest.h>

#include <stdlib.h>

#include <string>
#include <vector>

namespace {

const char kRunOnce[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunOnce";

// What the hooks saw of the wait dialog.
struct Watch {
    HWND dialog = nullptr;
    HWND owner = nullptr;
    char className[64] = "";
    LONG style = 0;
    RECT templateRect = {};   // the dialog's size before it hid itself
    RECT dialogUnits = {};    // 10 x 10 dialog units in pixels
    int children = 0;
    std::vector<DWORD> ticks;
    bool everVisible = false;
    bool ownerEnabledDuringWait = false;
    bool everSized = false;
};

Watch watch;

BOOL CALLBACK countChild(HWND, LPARAM count)
{
    ++*(int *)count;
    return TRUE;
}

LRESULT CALLBACK onSent(int code, WPARAM wParam, LPARAM lParam)
{
    const CWPSTRUCT *sent = (const CWPSTRUCT *)lParam;
    if (code == HC_ACTION && sent->message == WM_INITDIALOG) {
        watch.dialog = sent->hwnd;
        watch.owner = GetWindow(sent->hwnd, GW_OWNER);
        GetClassNameA(sent->hwnd, watch.className, sizeof watch.className);
        watch.style = GetWindowLongA(sent->hwnd, GWL_STYLE);
        GetWindowRect(sent->hwnd, &watch.templateRect);
        watch.dialogUnits = RECT{0, 0, 10, 10};
        MapDialogRect(sent->hwnd, &watch.dialogUnits);
        EnumChildWindows(sent->hwnd, countChild, (LPARAM)&watch.children);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK onTaken(int code, WPARAM wParam, LPARAM lParam)
{
    const MSG *msg = (const MSG *)lParam;
    if (code == HC_ACTION && wParam == PM_REMOVE && msg->message == WM_TIMER && msg->hwnd == watch.dialog &&
        msg->wParam == 1) {
        watch.ticks.push_back(GetTickCount());
        RECT rect;
        GetWindowRect(msg->hwnd, &rect);
        watch.everVisible = watch.everVisible || IsWindowVisible(msg->hwnd);
        watch.everSized = watch.everSized || rect.right > rect.left || rect.bottom > rect.top;
        watch.ownerEnabledDuringWait = watch.ownerEnabledDuringWait || IsWindowEnabled(watch.owner);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

class ProgramRunner : public testing::Test {
protected:
    HWND owner = nullptr;
    HHOOK sentHook = nullptr, takenHook = nullptr;
    std::string standin = windowsPath("grpconv.exe");
    std::string log;

    void SetUp() override
    {
        watch = Watch();
        setupState.instance = GetModuleHandleA(nullptr);
        copyText(setupState.setupClass, "KitRunnerTest");
        owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 200, 100, nullptr,
                                nullptr, nullptr, nullptr);
        ASSERT_NE(owner, nullptr);
        sentHook = SetWindowsHookExA(WH_CALLWNDPROC, onSent, nullptr, GetCurrentThreadId());
        takenHook = SetWindowsHookExA(WH_GETMESSAGE, onTaken, nullptr, GetCurrentThreadId());
        ASSERT_NE(sentHook, nullptr);
        ASSERT_NE(takenHook, nullptr);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        log = std::string(temp) + "kit-grpconv.log";
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("KIT_GRPCONV_LOG", log.c_str());
        ASSERT_FALSE(fileExists(standin)) << "a group converter is in the prefix already";
    }
    void TearDown() override
    {
        UnhookWindowsHookEx(sentHook);
        UnhookWindowsHookEx(takenHook);
        DestroyWindow(owner);
        DeleteFileA(standin.c_str());
        DeleteFileA(log.c_str());
        SetEnvironmentVariableA("KIT_GRPCONV_LOG", nullptr);
        SetEnvironmentVariableA("KIT_GRPCONV_MS", nullptr);
        setupState.setupClass[0] = '\0';
    }

    void expectWaitDialog()
    {
        EXPECT_STREQ(watch.className, "#32770");
        EXPECT_EQ(watch.owner, owner);
        EXPECT_EQ(watch.children, 0) << "no controls";
        EXPECT_EQ(watch.style & WS_CAPTION, 0) << "no caption";
        EXPECT_EQ(watch.templateRect.right - watch.templateRect.left, watch.dialogUnits.right);
        EXPECT_EQ(watch.templateRect.bottom - watch.templateRect.top, watch.dialogUnits.bottom);
    }
};

TEST_F(ProgramRunner, WaitsForTheConverterOnOneSecondTicks)
{
    ASSERT_TRUE(CopyFileA(KIT_GRPCONV_STANDIN, standin.c_str(), FALSE));
    SetEnvironmentVariableA("KIT_GRPCONV_MS", "1500");
    SavedValue fallback(HKEY_LOCAL_MACHINE, kRunOnce, "KitRunnerTest");
    char directory[MAX_PATH];
    GetCurrentDirectoryA(sizeof directory, directory);

    DWORD start = GetTickCount();
    {
        testsupport::Watchdog deadline(20000, "the wait for the group converter");
        EXPECT_EQ(runShortcutUpdate(owner), 1);
    }
    DWORD elapsed = GetTickCount() - start;

    ASSERT_NE(watch.dialog, nullptr) << "dialog 1029 never started";
    expectWaitDialog();
    EXPECT_FALSE(IsWindow(watch.dialog));
    EXPECT_FALSE(watch.everVisible) << "the wait stays hidden";
    EXPECT_FALSE(watch.everSized);
    EXPECT_FALSE(watch.ownerEnabledDuringWait) << "the modal wait disables its owner";
    EXPECT_TRUE(IsWindowEnabled(owner));

    // The converter ran once, as "grpconv -o", with the caller's environment
    // (the log variable) and directory, and the start-up flags and show state the runner sets.
    std::string text = readFile(log);
    size_t endAt = text.find("end ");
    ASSERT_NE(endAt, std::string::npos) << text;
    char expected[2 * MAX_PATH];
    snprintf(expected, sizeof expected, "grpconv -o|%lu|%u|%s\n",
             (unsigned long)(STARTF_USESHOWWINDOW | STARTF_FORCEONFEEDBACK), (unsigned)SW_SHOWNORMAL, directory);
    EXPECT_EQ(text.substr(0, endAt), expected);
    DWORD converterEnd = (DWORD)strtoul(text.c_str() + endAt + 4, nullptr, 10);

    // Ticks a second apart, and the wait ends on the first tick after the
    // converter's end: here the second or (on a slow start) the third.
    ASSERT_GE(watch.ticks.size(), 2u);
    EXPECT_LE(watch.ticks.size(), 3u);
    for (size_t i = 1; i < watch.ticks.size(); ++i) {
        EXPECT_GE(watch.ticks[i] - watch.ticks[i - 1], 900u);
        EXPECT_LE(watch.ticks[i] - watch.ticks[i - 1], 1300u);
    }
    // Signed differences of tick counts: an early end is negative, not a
    // wrapped large number.
    EXPECT_GE((LONG)(watch.ticks.back() - converterEnd), -50L) << "ended before the converter did";
    EXPECT_LT((LONG)(watch.ticks[watch.ticks.size() - 2] - converterEnd), 50L) << "a tick after the end was missed";
    EXPECT_GE(elapsed, 1500u);
    EXPECT_FALSE(readValue(HKEY_LOCAL_MACHINE, kRunOnce, "KitRunnerTest").present) << "no fallback when it ran";
}

TEST_F(ProgramRunner, WithoutConverterRunOnceTakesIt)
{
    SavedValue fallback(HKEY_LOCAL_MACHINE, kRunOnce, "KitRunnerTest");
    writeValue(HKEY_LOCAL_MACHINE, kRunOnce, "KitRunnerTest", "older text");
    testsupport::Watchdog deadline(10000, "the program runner without a converter");
    EXPECT_EQ(runShortcutUpdate(owner), 0);
    ASSERT_NE(watch.dialog, nullptr) << "dialog 1029 never started";
    expectWaitDialog();
    EXPECT_TRUE(watch.ticks.empty());
    RegValue value = readValue(HKEY_LOCAL_MACHINE, kRunOnce, "KitRunnerTest");
    EXPECT_EQ(value.data, "grpconv -o") << "written with overwrite";
    EXPECT_EQ(value.type, (DWORD)REG_SZ);
    EXPECT_FALSE(fileExists(log)) << "nothing was started";
}

TEST_F(ProgramRunner, EmptySetupClassUsesTheDefaultValue)
{
    setupState.setupClass[0] = '\0';
    SavedValue fallback(HKEY_LOCAL_MACHINE, kRunOnce, "");
    EXPECT_EQ(runShortcutUpdate(owner), 0);
    EXPECT_EQ(readValue(HKEY_LOCAL_MACHINE, kRunOnce, "").data, "grpconv -o");
}

}  // namespace
