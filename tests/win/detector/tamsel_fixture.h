// What every Tamsel test has: a clean QXtel.ini and registry, the telephone
// window stand-in, pseudo-terminal ports, and one run of the real program.
#pragma once
#include "tests/standins/pty_modems.h"
#include "tests/standins/telephone_window.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>

class TamselRun : public testing::Test {
protected:
    void SetUp() override
    {
        clean();
        TelephoneWindow::notices.clear();
    }
    void TearDown() override
    {
        ports.stop();
        clean();
    }

    static void setting(const char *section, const char *key, const char *value)
    {
        WritePrivateProfileStringA(section, key, value, "QXtel.ini");
    }

    // Short waits keep the suite fast; comWait 1 gives each port one attempt.
    static void fastTimings(const char *comWait = "1", const char *wait = "1")
    {
        setting("MODEM_ATI", "COM-WAIT", comWait);
        setting("MODEM_ATI", "WAIT", wait);
        setting("MODEM_ATI", "WRITE-WAIT", "1");
        setting("MODEM_ATI", "TIMER", "50");
    }

    // Between the runs of one test: no settings file, no notices, and the
    // short waits.
    static void nextRun(const char *comWait = "1")
    {
        DeleteFileA("C:\\windows\\QXtel.ini");
        TelephoneWindow::notices.clear();
        fastTimings(comWait);
    }

    static std::string line(const char *key)
    {
        char value[64];
        GetPrivateProfileStringA("LINE", key, "(missing)", value, sizeof value, "QXtel.ini");
        return value;
    }

    // Runs Tamsel to its end with or without the telephone window.
    void run(bool withTelephone = true, DWORD deadlineMs = 60000)
    {
        std::unique_ptr<TelephoneWindow> phone(withTelephone ? new TelephoneWindow : nullptr);
        if (phone) {
            ASSERT_TRUE(phone->created());
        }
        startTick = GetTickCount();
        ProgramRun result = {};
        bool ended = runProgram(buildPath(TAMSEL_EXE), NULL, deadlineMs, &result);
        elapsed = result.elapsedMs;
        phone.reset();
        ASSERT_EQ(0u, result.startError) << "Tamsel did not start";
        ASSERT_TRUE(ended) << "Tamsel did not end within " << deadlineMs << " ms";
    }

    // [LINE] as written, and as the telephone application saw it when it was
    // told: exactly one message 1424 with both parameters 0.
    void expectLine(const char *toska, const char *comNo, const char *faxBoard)
    {
        EXPECT_EQ(toska, line("TOSKA"));
        EXPECT_EQ(comNo, line("COMNO"));
        EXPECT_EQ(faxBoard, line("FAXBOARD"));
        ASSERT_EQ(1u, TelephoneWindow::notices.size());
        const TelephoneNotice &notice = TelephoneWindow::notices[0];
        EXPECT_EQ(0u, notice.wParam);
        EXPECT_EQ(0, notice.lParam);
        EXPECT_EQ(toska, notice.toska);
        EXPECT_EQ(comNo, notice.comNo);
        EXPECT_EQ(faxBoard, notice.faxBoard);
    }

    // A device key with the values a scan reads; null leaves a value out.
    static void device(HKEY hive, const std::string &path, const char *deviceClass, const char *portName,
                       const char *hardwareId)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(hive, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL)) << path;
        const char *names[3] = {"Class", "PORTNAME", "HardwareID"};
        const char *values[3] = {deviceClass, portName, hardwareId};
        for (int i = 0; i < 3; ++i)
            if (values[i])
                RegSetValueExA(key, names[i], 0, REG_SZ, (const BYTE *)values[i], (DWORD)strlen(values[i]) + 1);
        RegCloseKey(key);
    }

    static void textValue(HKEY hive, const std::string &path, const char *name, const std::string &value)
    {
        HKEY key;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(hive, path.c_str(), 0, NULL, 0, KEY_ALL_ACCESS, NULL, &key, NULL));
        RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)value.c_str(), (DWORD)value.size() + 1);
        RegCloseKey(key);
    }

    PtyModems ports;
    DWORD elapsed = 0;
    DWORD startTick = 0;

private:
    static void clean()
    {
        DeleteFileA("C:\\windows\\QXtel.ini");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\CQXPNP");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\Root\\Ports");
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, "Enum\\KITTEST");
        RegDeleteTreeA(HKEY_DYN_DATA, "Config Manager\\Enum");
    }
};
