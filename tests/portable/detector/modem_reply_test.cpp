// Reply lines as they come off the port, one byte per read, and what the
// probe makes of them.
#include "detector/modem_reply.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>
#include <vector>

namespace {

// A port that hands out its bytes one per read. '\x01' in the script stands
// for a read that times out with no byte, '\x02' for a read that fails; at
// the end of the script every read times out.
struct ScriptedPort {
    std::string script;
    size_t at = 0;
    int reads = 0;
};

int readScripted(void *context, unsigned char *byte)
{
    ScriptedPort &port = *static_cast<ScriptedPort *>(context);
    ++port.reads;
    if (port.at >= port.script.size())
        return 0;
    char c = port.script[port.at++];
    if (c == '\x01')
        return 0;
    if (c == '\x02')
        return -1;
    *byte = (unsigned char)c;
    return 1;
}

struct Outcome {
    ModemRead read;
    std::string text;
};

std::vector<Outcome> readAll(ScriptedPort &port)
{
    std::vector<Outcome> out;
    for (;;) {
        ReplyLine line;
        ModemRead read = readModemLine(readScripted, &port, line);
        char text[kReplyLineSize];
        replyText(line, text);
        out.push_back({read, read == kModemLine ? std::string(text) : std::string()});
        if (read != kModemLine || out.size() > 20)
            return out;
    }
}

TEST(ReadModemLine, RepliesSplitIntoLinesAndEnd)
{
    struct Case {
        const char *name;
        std::string script;
        std::vector<Outcome> expected;
    } cases[] = {
        {"echo, answer, OK", "ATE1Q0V1I3\r\r\nQEL  TX-5520K-M08\r\n\r\nOK\r\n",
         {{kModemLine, "ATE1Q0V1I3"}, {kModemLine, "QEL  TX-5520K-M08"}, {kModemLine, ""}, {kModemLine, "OK"},
          {kModemEnd, ""}}},
        {"silence", "", {{kModemEnd, ""}}},
        {"partial line ended by silence", "248", {{kModemLine, "248"}, {kModemEnd, ""}}},
        {"partial line, then more after a gap", "Ver1.\x01" "00\r\n", {{kModemLine, "Ver1."}, {kModemLine, "00"}, {kModemEnd, ""}}},
        {"LF CR is no line end", "AB\n\rCD\r\n", {{kModemLine, "AB"}, {kModemEnd, ""}}},
        {"DLE takes one byte", "\x10" "3\x10" "4OK\r\n", {{kModemLine, "3"}, {kModemLine, "4"}, {kModemLine, "OK"}, {kModemEnd, ""}}},
        {"DLE then silence", "\x10", {{kModemLine, ""}, {kModemEnd, ""}}},
        {"DLE then a failing read", "\x10\x02", {{kModemError, ""}}},
        {"first read fails", "\x02", {{kModemError, ""}}},
        {"failure inside a line", "OK\x02", {{kModemError, ""}}},
        {"CR alone ends nothing", "A\rB\r\n", {{kModemLine, "A"}, {kModemEnd, ""}}},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        ScriptedPort port{c.script};
        std::vector<Outcome> got = readAll(port);
        ASSERT_EQ(c.expected.size(), got.size());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(c.expected[i].read, got[i].read) << "line " << i;
            EXPECT_EQ(c.expected[i].text, got[i].text) << "line " << i;
        }
    }
}

TEST(ReadModemLine, LongLinesNeverPassTheBuffer)
{
    // 77 bytes + CR LF = 79: the longest line.
    std::string longest = std::string(77, 'x') + "\r\n";
    ScriptedPort fits{longest + "OK\r\n"};
    ReplyLine line;
    memset(line.bytes, 0x55, sizeof line.bytes);
    ASSERT_EQ(kModemLine, readModemLine(readScripted, &fits, line));
    EXPECT_EQ(79u, line.length);
    EXPECT_EQ('\0', line.bytes[79]);

    // 79 bytes without CR LF and then silence: a partial line of 79.
    ScriptedPort partial{std::string(79, 'y')};
    ASSERT_EQ(kModemLine, readModemLine(readScripted, &partial, line));
    EXPECT_EQ(79u, line.length);

    // An 80th byte without CR LF ends the reply; the rest is never read.
    ScriptedPort over{std::string(200, 'z') + "\r\nQEL  TX-5520K-M08\r\n"};
    ASSERT_EQ(kModemEnd, readModemLine(readScripted, &over, line));
    EXPECT_EQ(80, over.reads);
    EXPECT_LE(line.length, kReplyLineSize - 1);
}

TEST(ReplyText, EmbeddedNulAndDleOfNul)
{
    ReplyLine line;
    memcpy(line.bytes, "AB\0CD\r\n", 8);
    line.length = 7;
    char text[kReplyLineSize];
    replyText(line, text);
    EXPECT_STREQ("AB", text);
    memcpy(line.bytes, "\x10\0", 2);
    line.length = 2;
    replyText(line, text);
    EXPECT_STREQ("", text);
}

ProbeChecks defaultChecks()
{
    ProbeChecks checks;
    const char *values[5] = {"V1.400-V34_DP_JS", "QEL  TX-5520K-M08", "9041-0004", "Ver1.00", "248"};
    for (int i = 0; i < 5; ++i)
        strcpy(checks.check[i], values[i]);
    return checks;
}

TEST(JudgeReply, FirstCommandLines)
{
    ProbeChecks checks = defaultChecks();
    struct Case {
        const char *text;
        int flags;
    } cases[] = {
        {"QEL  TX-5520K-M08", kReplyRecognises},
        {"V1.400-V34_DP_JS rev.B", kReplyRecognises},   // prefix is enough
        {"9041-0004", kReplyRecognises},
        {" V1.400-V34_DP_JS", 0},                       // leading blank: skipped
        {"v1.400-V34_DP_JS", 0},                        // case-sensitive
        {"V1.400", 0},                                  // shorter than the prefix
        {"Ver1.00", kReplyWantsSecond},
        {"Ver1.00b", kReplyWantsSecond},
        {"ATE1Q0V1I3", 0}, {"AT", 0}, {"OK", 0}, {"OKAY 248", 0}, {"", 0},
        {"ERROR", 0}, {"248", 0},                       // CHECK5 means nothing to the first command
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.flags, judgeFirstReply(c.text, checks)) << "'" << c.text << "'";
}

TEST(JudgeReply, SecondCommandOnlyKnowsCheck5)
{
    ProbeChecks checks = defaultChecks();
    EXPECT_EQ(kReplyRecognises, judgeSecondReply("248", checks));
    EXPECT_EQ(kReplyRecognises, judgeSecondReply("2480", checks));
    EXPECT_EQ(0, judgeSecondReply("QEL  TX-5520K-M08", checks));
    EXPECT_EQ(0, judgeSecondReply(" 248", checks));
    EXPECT_EQ(0, judgeSecondReply("249", checks));
}

TEST(JudgeReply, EmptyPrefixMatchesEveryLineThatIsNotSkipped)
{
    ProbeChecks checks = defaultChecks();
    checks.check[2][0] = '\0';
    EXPECT_EQ(kReplyRecognises, judgeFirstReply("ANY MODEM", checks));
    EXPECT_EQ(0, judgeFirstReply("OK", checks));
    EXPECT_EQ(0, judgeFirstReply(" X", checks));
    // A line can both recognise and ask for the second command.
    checks.check[3][0] = '\0';
    EXPECT_EQ(kReplyRecognises | kReplyWantsSecond, judgeFirstReply("ANY", checks));
}

}  // namespace
