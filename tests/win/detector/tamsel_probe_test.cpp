// Tamsel's serial probe against modem stand-ins on pseudo-terminal ports:
// the reply rules, the attempts and budgets per port, the port order, the
// defaults, and the ports left as they were found.
#include "tests/win/detector/tamsel_fixture.h"

#include <string>
#include <vector>

namespace {

const char kAnswer[] = "\r\nQEL  TX-5520K-M08\r\n\r\nOK\r\n";

class TamselProbe : public TamselRun {};

TEST_F(TamselProbe, DefaultsWithoutSettingsFileFindModemOnCom3)
{
    // No QXtel.ini: no board lists, every [MODEM_ATI] value its default.
    ASSERT_TRUE(ports.start({3, 2}));
    ports.setScript(3, ModemScript{true, 1, kAnswer, ""});
    ports.setScript(2, ModemScript{true, 1, kAnswer, ""});
    run();
    expectLine("0", "3", "1");
    std::vector<ModemCommand> got = ports.commands(3);
    ASSERT_EQ(1u, got.size());
    EXPECT_EQ("ATE1Q0V1I3", got[0].text);
    // WRITE-WAIT 2000 before the command, TIMER 500 after it.
    EXPECT_GT(got[0].tick - startTick, 2000u);
    EXPECT_GT(elapsed, 2500u);
    EXPECT_TRUE(ports.commands(2).empty());
}

TEST_F(TamselProbe, NothingFoundWritesZerosAndEndsWithoutTelephone)
{
    // No ports at all, no settings file, no telephone window.
    ASSERT_TRUE(ports.start({}));
    run(false);
    EXPECT_EQ("0", line("TOSKA"));
    EXPECT_EQ("0", line("COMNO"));
    EXPECT_EQ("0", line("FAXBOARD"));
    EXPECT_TRUE(TelephoneWindow::notices.empty());
    // Each port that fails to open is left after one attempt and the WAIT
    // (1000 ms by default) that follows every attempt.
    EXPECT_GT(elapsed, 9 * 1000u);
    EXPECT_LT(elapsed, 9 * 1000u + 2000u);
}

struct ReplyCase {
    const char *name;
    ModemScript modem;
    const char *setKey, *setValue;   // one [MODEM_ATI] value, or null
    bool recognised;
    bool secondCommand;
};

TEST_F(TamselProbe, ReplyLinesDecide)
{
    const std::string longLine = std::string(90, '*') + "\r\n";
    const ReplyCase cases[] = {
        {"answer after echo", {true, 1, kAnswer, ""}, nullptr, nullptr, true, false},
        {"no echo", {false, 1, "QEL  TX-5520K-M08\r\nOK\r\n", ""}, nullptr, nullptr, true, false},
        {"prefix with more after it", {true, 1, "\r\nV1.400-V34_DP_JS rev.B\r\nOK\r\n", ""}, nullptr, nullptr, true, false},
        {"leading blank", {true, 1, "\r\n V1.400-V34_DP_JS\r\nOK\r\n", ""}, nullptr, nullptr, false, false},
        {"other case", {true, 1, "\r\nqel  tx-5520k-m08\r\nOK\r\n", ""}, nullptr, nullptr, false, false},
        {"partial line without CR LF", {true, 1, "\r\n9041-0004", ""}, nullptr, nullptr, true, false},
        {"Ver1.00 then 248", {true, 1, "\r\nVer1.00\r\n\r\nOK\r\n", "\r\n248\r\n\r\nOK\r\n"}, nullptr, nullptr, true, true},
        {"Ver1.00 then 249", {true, 1, "\r\nVer1.00\r\n\r\nOK\r\n", "\r\n249\r\n\r\nOK\r\n"}, nullptr, nullptr, false, true},
        {"248 to the first command", {true, 1, "\r\n248\r\nOK\r\n", ""}, nullptr, nullptr, false, false},
        {"DLE-shielded 3", {true, 1, "\r\n\x10" "3", ""}, "CHECK1", "3", true, false},
        {"DLE-shielded 4", {true, 1, "\r\n\x10" "4", ""}, "CHECK1", "3", false, false},
        {"empty CHECK3 takes any line", {true, 1, "\r\nSOME OTHER MODEM\r\nOK\r\n", ""}, "CHECK3", "", true, false},
        {"CHECK2 from the settings", {true, 1, "\r\nMY MODEM 2\r\nOK\r\n", ""}, "CHECK2", "MY MODEM", true, false},
        {"over-long line ends the reply", {true, 1, "\r\n" + longLine + kAnswer, ""}, nullptr, nullptr, false, false},
        {"silence", {false, 1, "", ""}, nullptr, nullptr, false, false},
        // Right after the echo's CR the DLE is inside the echo line.
        {"DLE glued to the echo", {true, 1, "\x10" "3", ""}, "CHECK1", "3", false, false},
    };
    ASSERT_TRUE(ports.start({3}));
    for (const ReplyCase &c : cases) {
        SCOPED_TRACE(c.name);
        nextRun();
        if (c.setKey)
            setting("MODEM_ATI", c.setKey, c.setValue);
        size_t before = ports.commands(3).size();
        ports.setScript(3, c.modem);
        run();
        expectLine("0", c.recognised ? "3" : "0", c.recognised ? "1" : "0");
        std::vector<ModemCommand> got = ports.commands(3);
        ASSERT_EQ(before + (c.secondCommand ? 2 : 1), got.size());
        EXPECT_EQ("ATE1Q0V1I3", got[before].text);
        if (c.secondCommand) {
            EXPECT_EQ("ATE1Q0V1I0", got[before + 1].text);
        }
    }
}

TEST_F(TamselProbe, CommandsGoOutWithCrLfUnderTheProbeLineSettings)
{
    // The bytes exactly as sent, and the line settings of Tamsel's end of
    // the port while each command came: what a pseudo-terminal keeps of
    // them and Wine reads back (speed, stop bits, the CTS handshake,
    // software flow control; the RTS handshake reads back as RTS enabled).
    ASSERT_TRUE(ports.start({3}));
    fastTimings();
    ports.setScript(3, ModemScript{true, 1, "\r\nVer1.00\r\n\r\nOK\r\n", "\r\n248\r\n\r\nOK\r\n"});
    run();
    expectLine("0", "3", "1");
    EXPECT_EQ("ATE1Q0V1I3\r\nATE1Q0V1I0\r\n", ports.received(3));
    std::vector<ModemCommand> got = ports.commands(3);
    ASSERT_EQ(2u, got.size());
    for (const ModemCommand &command : got) {
        SCOPED_TRACE(command.text);
        const DCB &dcb = command.settings;
        ASSERT_NE(0u, dcb.DCBlength) << "the port's settings could not be read";
        EXPECT_EQ(19200u, dcb.BaudRate);
        EXPECT_EQ(ONESTOPBIT, dcb.StopBits);
        EXPECT_TRUE(dcb.fOutxCtsFlow);
        EXPECT_FALSE(dcb.fOutX);
        EXPECT_FALSE(dcb.fInX);
    }
}

TEST_F(TamselProbe, ReadTimeOutsEndALineAfterSilenceOnly)
{
    // The identification line comes in two parts. A read waits 64 ms for a
    // byte: a pause of some 30 ms (after TIMER) inside the line is waited
    // out, one of some 350 ms ends the line early, cut and unrecognised.
    struct Case {
        DWORD laterMs;
        bool recognised;
    } cases[] = {{80, true}, {400, false}};
    ASSERT_TRUE(ports.start({3}));
    for (const Case &c : cases) {
        SCOPED_TRACE(c.laterMs);
        nextRun();
        ModemScript modem{true, 1, "\r\nQEL  TX-", ""};
        modem.firstReplyLater = "5520K-M08\r\n\r\nOK\r\n";
        modem.laterMs = c.laterMs;
        ports.setScript(3, modem);
        run();
        expectLine("0", c.recognised ? "3" : "0", c.recognised ? "1" : "0");
    }
}

TEST_F(TamselProbe, APortThatKeepsTalkingHoldsTheProbeOnlyForItsBudget)
{
    // A device sending a position line every 20 ms for ever. Its reply is
    // read until the port's budget is spent, and for at least a second, so
    // an answer among the chatter is still found.
    const char kNmea[] = "$GPGGA,123519,4807.038,N,01131.000,E,1,08,0.9,545.4,M,46.9,M,,*47\r\n";
    struct Case {
        const char *comWait;
        const char *reply;
        bool recognised;
        DWORD atLeastMs, belowMs;
    } cases[] = {
        {"1", "", false, 1000, 4000},
        {"1", kAnswer, true, 0, 4000},
        {"2500", "", false, 2500, 6000},
    };
    ASSERT_TRUE(ports.start({3}));
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string("COM-WAIT ") + c.comWait + (c.recognised ? ", answering" : ""));
        nextRun(c.comWait);
        ModemScript modem{true, 1, c.reply, ""};
        modem.chatter = kNmea;
        modem.chatterMs = 20;
        ports.setScript(3, modem);
        run(true, 10000);
        expectLine("0", c.recognised ? "3" : "0", c.recognised ? "1" : "0");
        // A read gives up after 64 ms without a byte. The stand-in, when the
        // machine is loaded, may fall silent for longer than its 20 ms; the
        // probe then rightly takes the reply as ended, and only the upper
        // bound can be held to.
        const DWORD gap = ports.longestChatterGap(3);
        if (gap < 64) {
            EXPECT_GE(elapsed, c.atLeastMs) << "the chatter never paused longer than " << gap << " ms";
        } else {
            std::printf("note: the stand-in paused %lu ms between two lines; the reply's end came early\n",
                        (unsigned long)gap);
        }
        EXPECT_LT(elapsed, c.belowMs);
    }
}

TEST_F(TamselProbe, ModemAnsweringFromTheThirdAttempt)
{
    ASSERT_TRUE(ports.start({3}));
    fastTimings("5000", "200");
    ports.setScript(3, ModemScript{true, 3, kAnswer, ""});
    run();
    expectLine("0", "3", "1");
    std::vector<ModemCommand> got = ports.commands(3);
    ASSERT_EQ(3u, got.size());
    for (size_t i = 1; i < got.size(); ++i)
        EXPECT_GT(got[i].tick - got[i - 1].tick, 200u) << "WAIT between attempts";
}

TEST_F(TamselProbe, SilentPortUsesItsBudgetThenTheNextPortIsTried)
{
    // COM3 and COM2 absent, COM4 silent, COM1 answers.
    ASSERT_TRUE(ports.start({4, 1}));
    fastTimings("1500", "200");
    ports.setScript(1, ModemScript{true, 1, kAnswer, ""});
    run();
    expectLine("0", "1", "1");
    std::vector<ModemCommand> com4 = ports.commands(4), com1 = ports.commands(1);
    ASSERT_GE(com4.size(), 3u);
    ASSERT_EQ(1u, com1.size());
    // Attempts every WAIT plus the probe (about 320 ms here) for more than
    // COM-WAIT, the last one begun within it.
    EXPECT_LE(com4.size(), 6u);
    EXPECT_GT(com1[0].tick - com4[0].tick, 1500u);
    EXPECT_LT(com4.back().tick - com4[0].tick, 1500u + 100u);
}

TEST_F(TamselProbe, PortsAreProbedInTheirFixedOrder)
{
    ASSERT_TRUE(ports.start({1, 2, 3, 4, 5, 6, 7, 8, 9}));
    fastTimings();
    run();
    expectLine("0", "0", "0");
    const int order[] = {3, 2, 4, 1, 5, 6, 7, 8, 9};
    long previous = 0;
    for (int port : order) {
        std::vector<ModemCommand> got = ports.commands(port);
        ASSERT_EQ(1u, got.size()) << "COM" << port;
        EXPECT_GT(got[0].sequence, previous) << "COM" << port;
        previous = got[0].sequence;
    }
}

TEST_F(TamselProbe, DefaultBudgetAndWait)
{
    // COM-WAIT and WAIT left at their defaults (12000 and 1000 ms): COM3 is
    // silent for its whole budget, then COM2 answers.
    ASSERT_TRUE(ports.start({3, 2}));
    setting("MODEM_ATI", "WRITE-WAIT", "1");
    setting("MODEM_ATI", "TIMER", "50");
    ports.setScript(2, ModemScript{true, 1, kAnswer, ""});
    run();
    expectLine("0", "2", "1");
    std::vector<ModemCommand> com3 = ports.commands(3), com2 = ports.commands(2);
    ASSERT_EQ(1u, com2.size());
    EXPECT_GT(com2[0].tick - com3[0].tick, 12000u);
    // One attempt about every 1000 ms plus the probe: 10 to 12 of them.
    EXPECT_GE(com3.size(), 10u);
    EXPECT_LE(com3.size(), 12u);
}

TEST_F(TamselProbe, NegativeWaitsTakeTheirDefaults)
{
    // The tick arithmetic would read -1 as a wait of 49 days.
    ASSERT_TRUE(ports.start({3}));
    fastTimings();
    setting("MODEM_ATI", "WRITE-WAIT", "-1");
    ports.setScript(3, ModemScript{true, 1, kAnswer, ""});
    run(true, 20000);
    expectLine("0", "3", "1");
    std::vector<ModemCommand> got = ports.commands(3);
    ASSERT_EQ(1u, got.size());
    EXPECT_GT(got[0].tick - startTick, 2000u);
}

TEST_F(TamselProbe, PortSettingsAreRestored)
{
    ASSERT_TRUE(ports.start({3}));
    fastTimings();
    ports.setScript(3, ModemScript{true, 1, kAnswer, ""});
    // Line settings unlike the probe's, left on the port beforehand. A
    // pseudo-terminal keeps speed, stop bits and flow control, but not data
    // bits or parity, so those are what is compared.
    HANDLE port = CreateFileA("COM3", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, port);
    DCB dcb = {};
    dcb.DCBlength = sizeof dcb;
    ASSERT_TRUE(GetCommState(port, &dcb));
    dcb.BaudRate = 2400;
    dcb.ByteSize = 7;
    dcb.Parity = EVENPARITY;
    dcb.StopBits = TWOSTOPBITS;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    ASSERT_TRUE(SetCommState(port, &dcb));
    CloseHandle(port);

    run();
    expectLine("0", "3", "1");

    port = CreateFileA("COM3", GENERIC_READ | GENERIC_WRITE, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, port);
    DCB after = {};
    after.DCBlength = sizeof after;
    ASSERT_TRUE(GetCommState(port, &after));
    CloseHandle(port);
    EXPECT_EQ(2400u, after.BaudRate);
    EXPECT_EQ(TWOSTOPBITS, after.StopBits);
    EXPECT_FALSE(after.fOutxCtsFlow);
    EXPECT_EQ(RTS_CONTROL_ENABLE, after.fRtsControl);
}

}  // namespace
