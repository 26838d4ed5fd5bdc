// Tamsel's Plug-and-Play scans against real registry keys: which device is
// taken, in which order the three scans run, and the limits of slots, names
// and buffers.
#include "tests/win/detector/tamsel_fixture.h"

#include <string>
#include <vector>

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const char kBus[] = "Enum\\CQXPNP\\";

std::string busDevice(const std::string &subkey)
{
    return kBus + subkey + "\\FFFFFFFF";
}

class TamselScan : public TamselRun {
protected:
    void SetUp() override
    {
        TamselRun::SetUp();
        // COM5 and COM6 open; a silent modem is behind each, so the serial
        // probe that follows a fruitless scan finds nothing there either.
        ASSERT_TRUE(ports.start({5, 6}));
        fastTimings();
    }
};

TEST_F(TamselScan, BusEnumeratorTakesTheFirstOpenMatchingDevice)
{
    // COM1 opens too: a port name cut from "COM10" would name it. Each
    // device that must be refused would be the board if it were taken, and
    // the subkeys are named so that each is the device its path leads to
    // (the path keeps the first seven characters of the name).
    ASSERT_TRUE(ports.start({1, 5, 6}));
    setting("MODEM_REG", "B1", "QEL\\FAX:3");
    device(kMachine, busDevice("QEL0001"), "modem", "COM5", "QEL\\FAX");       // class is case-sensitive
    device(kMachine, busDevice("QEL0002"), "Modem", "COM10", "QEL\\FAX");      // port name does not fit
    device(kMachine, busDevice("QEL0003"), "Modem", "COM7", "QEL\\FAX");       // port absent: skipped
    // A hardware ID of 200 characters does not fit its 128 bytes: the read
    // fails and the device is skipped, not matched on a cut copy.
    device(kMachine, busDevice("QEL0004"), "Modem", "COM5", ("QEL\\FAX" + std::string(192, 'L')).c_str());
    device(kMachine, busDevice("QEL0005"), "Modem", "COM5", "QEL\\VOICE");     // opens, no pattern: code 0
    device(kMachine, busDevice("QEL0006"), "Modem", "COM6", "QEL\\FAX\\0006"); // the board
    device(kMachine, busDevice("QEL0007"), "Modem", "COM5", "QEL\\FAX");       // never reached
    device(kMachine, busDevice("QEL0008"), "Modem", "COM5", nullptr);
    run();
    expectLine("0", "6", "3");
    EXPECT_TRUE(ports.commands(5).empty()) << "found by the registry: no serial probe";
    EXPECT_TRUE(ports.commands(1).empty());
}

TEST_F(TamselScan, CodeCOnTheMakersBusIsBoardOneWithToska)
{
    setting("MODEM_REG", "B1", "QEL\\TOSKA:C");
    device(kMachine, busDevice("QEL0001"), "Modem", "COM5", "QEL\\TOSKA");
    run();
    expectLine("1", "5", "1");
}

TEST_F(TamselScan, ScanStopsAfterElevenSlots)
{
    // Devices whose port cannot be opened still use up a slot; the eleventh
    // slot is the last one looked at.
    struct Case {
        int before;
        const char *faxBoard;
    } cases[] = {{10, "2"}, {11, "0"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.before);
        RegDeleteTreeA(kMachine, "Enum\\CQXPNP");
        TelephoneWindow::notices.clear();
        setting("MODEM_REG", "B1", "QEL\\BOARD:2");
        for (int i = 0; i < c.before; ++i)
            device(kMachine, busDevice("QEL01" + std::to_string(10 + i)), "Modem", "COM7", "QEL\\BOARD");
        device(kMachine, busDevice("QEL0200"), "Modem", "COM5", "QEL\\BOARD");
        run();
        expectLine("0", c.faxBoard[0] == '0' ? "0" : "5", c.faxBoard);
    }
}

TEST_F(TamselScan, SubkeyNamesShortLongAndForeign)
{
    setting("MODEM_REG", "B1", "QEL\\NAMED:");   // rejected: no code
    setting("MODEM_REG", "B2", "QEL\\NAMED:8");
    // Longer than the 12-byte name buffer: skipped, the enumeration goes on.
    device(kMachine, busDevice("QEL00LONGNAME1"), "Modem", "COM5", "QEL\\NAMED\\LONG");
    // Nine characters and not the vendor letter: no device of this bus.
    device(kMachine, busDevice("ABC123456"), "Modem", "COM5", "QEL\\NAMED\\FOREIGN");
    // Shorter than seven characters: the instance key below the whole name.
    device(kMachine, busDevice("QEL01"), "Modem", "COM6", "QEL\\NAMED\\SHORT");
    run();
    expectLine("0", "6", "8");
}

TEST_F(TamselScan, ScansRunBusThenRootPortsThenConfigManager)
{
    struct Case {
        bool bus, rootPorts, configManager;
        const char *faxBoard;
    } cases[] = {
        {true, true, true, "4"}, {false, true, true, "5"}, {false, false, true, "6"}, {false, false, false, "0"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(testing::Message() << c.bus << c.rootPorts << c.configManager);
        RegDeleteTreeA(kMachine, "Enum\\CQXPNP");
        RegDeleteTreeA(kMachine, "Enum\\Root\\Ports");
        RegDeleteTreeA(HKEY_DYN_DATA, "Config Manager\\Enum");
        TelephoneWindow::notices.clear();
        setting("MODEM_REG", "B1", "QEL4444:4");
        setting("MODEM_REG", "N1", "PNP0501:5");
        setting("MODEM_REG", "C1", "QEL6666:6");
        if (c.bus)
            device(kMachine, busDevice("QEL4444"), "Modem", "COM5", "ISAPNP\\QEL4444");
        if (c.rootPorts) {
            device(kMachine, "Enum\\Root\\Ports\\0000", "Modem", "COM5", "*PNP0501");   // wrong class here
            device(kMachine, "Enum\\Root\\Ports\\0001", "Ports", "COM6", "*PNP0501");
        }
        if (c.configManager) {
            textValue(HKEY_DYN_DATA, "Config Manager\\Enum\\C0000001", "HardWareKey", "KITTEST\\QEL6666\\0");
            device(kMachine, "Enum\\KITTEST\\QEL6666\\0", "Modem", "COM5", "KITTEST\\QEL6666");
        }
        run();
        const char *comNo = c.faxBoard[0] == '4' ? "5" : c.faxBoard[0] == '5' ? "6" : c.faxBoard[0] == '6' ? "5" : "0";
        expectLine("0", comNo, c.faxBoard);
    }
}

TEST_F(TamselScan, ConfigManagerNodesByHardWareKey)
{
    setting("MODEM_REG", "C1", "QEL6666:6");
    setting("MODEM_REG", "C2", "QEL7777:7");
    // Listed first, but its HardWareKey names no C pattern: not looked at,
    // although the device key it names would match.
    textValue(HKEY_DYN_DATA, "Config Manager\\Enum\\C0000001", "HardWareKey", "KITTEST\\OTHER\\0");
    device(kMachine, "Enum\\KITTEST\\OTHER\\0", "Modem", "COM5", "QEL6666");
    // A node name longer than its 9-byte buffer is skipped.
    textValue(HKEY_DYN_DATA, "Config Manager\\Enum\\C00000020", "HardWareKey", "KITTEST\\QEL6666\\LONGNODE");
    device(kMachine, "Enum\\KITTEST\\QEL6666\\LONGNODE", "Modem", "COM5", "QEL6666");
    // A HardWareKey of 70 characters is looked up whole.
    std::string longKey = "KITTEST\\QEL7777&SUBSYS_00000000&REV_01\\" + std::string(70 - 39, 'A');
    ASSERT_EQ(70u, longKey.size());
    textValue(HKEY_DYN_DATA, "Config Manager\\Enum\\C0000003", "HardWareKey", longKey);
    device(kMachine, "Enum\\" + longKey, "Modem", "COM6", "QEL7777");
    run();
    expectLine("0", "6", "7");
}

TEST_F(TamselScan, SizeRegBoundsTheSectionRead)
{
    // Ignored lines push the board's line past byte 1028 of the section.
    struct Case {
        const char *sizeReg;
        const char *faxBoard;
    } cases[] = {{nullptr, "0"}, {"0", "0"}, {"65536", "0"}, {"4096", "9"}, {"70000", "9"}};
    for (const Case &c : cases) {
        SCOPED_TRACE(c.sizeReg ? c.sizeReg : "(none)");
        nextRun();
        if (c.sizeReg)
            setting("DATA", "SIZE_REG", c.sizeReg);
        for (int i = 0; i < 40; ++i)
            setting("MODEM_REG", ("X" + std::to_string(100 + i)).c_str(), std::string(20, 'x').c_str());
        setting("MODEM_REG", "B1", "QEL9999:9");
        device(kMachine, busDevice("QEL9999"), "Modem", "COM5", "QEL9999");
        run();
        expectLine("0", c.faxBoard[0] == '9' ? "5" : "0", c.faxBoard);
    }
}

TEST_F(TamselScan, WithoutBoardListsTheRegistryIsNotRead)
{
    // A matching device, but no [MODEM_REG]: the serial probe alone decides.
    device(kMachine, busDevice("QEL0001"), "Modem", "COM5", "QEL0001");
    ports.setScript(6, ModemScript{true, 1, "\r\nQEL  TX-5520K-M08\r\n\r\nOK\r\n", ""});
    run();
    expectLine("0", "6", "1");
    EXPECT_EQ(1u, ports.commands(5).size()) << "COM5 was probed, not taken from the registry";
}

}  // namespace
