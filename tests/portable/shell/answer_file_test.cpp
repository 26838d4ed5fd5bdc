// The answer file: written and read back, and every kind of text that is
// not exactly an answer file refused whole, with the line and the reason.
#include "setup/shell/answer_file.h"

#include "setup/inf/text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Half-width katakana and double-byte characters (one with the second byte
// 0x5C) in the texts, as in a Japanese kit.
const char kNickname[] = "\x83\x66\x83\x58\x83\x4e\x83\x67\x83\x62\x83\x76\x95\x5c,TOSKA";
const char kProduct[] = "QEL \xc4\xde\xd7\xb2\xca\xde\xb7\xaf\xc4 4400/5";

std::string standardText(const std::string &extra = "")
{
    return std::string("[Answers]\r\nSetupInf=OSPRIN.INF\r\nProduct=") + kProduct + "\r\nNickname=" + kNickname +
           "\r\nModel=4410Q\r\nSetup=Standard\r\n" + extra;
}

bool parse(const std::string &text, SetupAnswers &answers, AnswerFault &fault)
{
    return parseAnswers(text.data(), text.size(), answers, fault);
}

TEST(AnswerFile, WrittenAndReadBack)
{
    for (bool standard : {true, false}) {
        SCOPED_TRACE(standard ? "standard" : "custom");
        SetupAnswers written = SetupAnswers();
        copyText(written.setupInf, "OSPRINA.INF");
        copyText(written.product, kProduct);
        copyText(written.nickname, kNickname);
        copyText(written.model, "4420Q");
        written.standard = standard;
        written.restart = standard ? RESTART_NOT_ASKED : RESTART_YES;
        if (!standard) {
            ASSERT_TRUE(reserveTicks(written, 3));
            const char *sections[] = {"Sound_4410Q/Drv", "Midi_4410Q", "\x83\x5c_4410Q"};
            for (int i = 0; i < 3; ++i) {
                copyText(written.ticks[i].section, sections[i]);
                written.ticks[i].ticked = i != 1;
            }
            written.tickCount = 3;
        }
        char text[4096];
        size_t length = 0;
        ASSERT_TRUE(formatAnswers(written, text, sizeof text, length));
        std::string file(text, length);
        EXPECT_EQ(file.find('\n'), file.find("\r\n") + 1) << "CR LF line ends";
        EXPECT_EQ(file.find("Restart="), standard ? std::string::npos : file.find("Restart=Yes\r\n"));

        SetupAnswers read = SetupAnswers();
        AnswerFault fault;
        ASSERT_TRUE(parse(file, read, fault)) << fault.line << ": " << fault.reason;
        EXPECT_STREQ(read.setupInf, "OSPRINA.INF");
        EXPECT_STREQ(read.product, kProduct);
        EXPECT_STREQ(read.nickname, kNickname);
        EXPECT_STREQ(read.model, "4420Q");
        EXPECT_EQ(read.standard, standard);
        EXPECT_EQ(read.restart, written.restart);
        ASSERT_EQ(read.tickCount, written.tickCount);
        for (int i = 0; i < read.tickCount; ++i) {
            EXPECT_STREQ(read.ticks[i].section, written.ticks[i].section);
            EXPECT_EQ(read.ticks[i].ticked, written.ticks[i].ticked);
        }
        freeAnswers(read);
        freeAnswers(written);

        char small[40];
        EXPECT_FALSE(formatAnswers(read, small, sizeof small, length)) << "a text that does not fit";
    }
}

TEST(AnswerFile, ReadAsAPersonMayHaveEditedIt)
{
    // LF line ends, blanks around keys and values, comments, any letter
    // case in keys, section names and the fixed values; an empty nickname
    // (a kit whose list was empty); no line end at the very end.
    const std::string text = "; recorded by Osprin\n\n [answers] \n  setupinf = OSPRIN.INF\nPRODUCT=x\n"
                             "Nickname=\nmodel=4410Q\nSETUP=custom\nrestart=no\n[COMPONENTS]\nA_4410Q = 1\nb_4410q=0";
    SetupAnswers answers = SetupAnswers();
    AnswerFault fault;
    ASSERT_TRUE(parse(text, answers, fault)) << fault.line << ": " << fault.reason;
    EXPECT_STREQ(answers.setupInf, "OSPRIN.INF");
    EXPECT_STREQ(answers.nickname, "");
    EXPECT_FALSE(answers.standard);
    EXPECT_EQ(answers.restart, RESTART_NO);
    ASSERT_EQ(answers.tickCount, 2);
    EXPECT_STREQ(answers.ticks[0].section, "A_4410Q");
    EXPECT_TRUE(answers.ticks[0].ticked);
    EXPECT_FALSE(answers.ticks[1].ticked);
    freeAnswers(answers);
}

TEST(AnswerFile, AnythingElseIsRefusedWhole)
{
    const std::string longValue(300, 'v');
    const std::string longSection(64, 's');
    struct Case {
        const char *what;
        std::string text;
        int line;
    } cases[] = {
        {"empty", "", 0},
        {"not an INI file", "MZ\x90\x00\x03\x00\x00\x00", 1},
        {"text before any section", "SetupInf=OSPRIN.INF\r\n" + standardText(), 1},
        {"a line that is no key=value line", standardText("just words\r\n"), 7},
        {"an unknown section", standardText("[Other]\r\n"), 7},
        {"a section line without its bracket", standardText("[Components\r\n"), 7},
        {"[Answers] twice", standardText("[Answers]\r\n"), 7},
        {"a key twice", standardText("model=4420Q\r\n"), 7},
        {"an unknown key", standardText("Modle=4410Q\r\n"), 7},
        {"a key without its name", standardText("=1\r\n"), 7},
        {"an over-long nickname", standardText().replace(standardText().find(kNickname), 0, longValue), 4},
        {"an over-long product", standardText().replace(standardText().find(kProduct), 0, std::string(60, 'p')), 3},
        {"a lone lead byte", standardText("Restart=\x83\r\n"), 7},
        {"a lead byte before a line end", std::string("[Answers]\r\nProduct=\x83\r\n"), 2},
        {"a NUL byte", standardText(std::string("Restart=Yes\0\r\n", 14)), 7},
        {"a control character", standardText("Restart=Y\x01s\r\n"), 7},
        {"a CR inside a line", standardText("Restart=Y\res\r\n"), 7},
        {"a byte no code page 932 text has", standardText("Restart=\xfd\r\n"), 7},
        {"Setup neither Standard nor Custom", standardText().replace(standardText().find("Standard"), 8, "Typical"), 6},
        {"Restart neither Yes nor No", standardText("Restart=Maybe\r\n"), 7},
        {"no Model", "[Answers]\r\nSetupInf=A.INF\r\nProduct=x\r\nNickname=\r\nSetup=Standard\r\n", 0},
        {"an empty Model", "[Answers]\r\nSetupInf=A.INF\r\nProduct=x\r\nNickname=\r\nModel=\r\nSetup=Standard\r\n", 5},
        {"an empty SetupInf", "[Answers]\r\nSetupInf=\r\n", 2},
        {"standard setup with components", standardText("[Components]\r\nA_4410Q=1\r\n"), 0},
        {"custom setup without components",
         standardText().replace(standardText().find("Standard"), 8, "Custom"), 0},
        {"a tick that is no tick", standardText().replace(standardText().find("Standard"), 8, "Custom") +
                                      "[Components]\r\nA_4410Q=yes\r\n", 8},
        {"a component twice, in another letter case",
         standardText().replace(standardText().find("Standard"), 8, "Custom") +
             "[Components]\r\nA_4410Q=1\r\na_4410q=0\r\n", 9},
        {"a component Section too long",
         standardText().replace(standardText().find("Standard"), 8, "Custom") + "[Components]\r\n" + longSection +
             "=1\r\n",
         8},
        {"too large", standardText(std::string(kAnswerFileLimit, ';')), 0},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SetupAnswers answers = SetupAnswers();
        AnswerFault fault;
        EXPECT_FALSE(parse(c.text, answers, fault));
        EXPECT_EQ(fault.line, c.line);
        EXPECT_NE(fault.reason[0], '\0');
        EXPECT_EQ(answers.ticks, nullptr) << "nothing of a refused file is kept";
        EXPECT_EQ(answers.setupInf[0], '\0');
    }
}

TEST(AnswerFile, AKitOfManyComponents)
{
    std::string text = standardText().replace(standardText().find("Standard"), 8, "Custom") + "[Components]\r\n";
    for (int i = 0; i < 5000; ++i)
        text += "Component" + std::to_string(i) + "_4410Q=" + (i % 2 ? "1" : "0") + "\r\n";
    SetupAnswers answers = SetupAnswers();
    AnswerFault fault;
    ASSERT_TRUE(parse(text, answers, fault)) << fault.line << ": " << fault.reason;
    EXPECT_EQ(answers.tickCount, 5000);
    EXPECT_STREQ(answers.ticks[4999].section, "Component4999_4410Q");
    freeAnswers(answers);
}

}  // namespace
