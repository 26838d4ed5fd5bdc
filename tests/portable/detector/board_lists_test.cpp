// [MODEM_REG] lines into board lists, and hardware-ID matching.
#include "detector/board_lists.h"

#include <gtest/gtest.h>

#include <string.h>
#include <string>

namespace {

// A section as the profile functions hand it over: NUL after every line, an
// empty line at the end.
std::string section(std::initializer_list<const char *> lines)
{
    std::string text;
    for (const char *line : lines) {
        text += line;
        text += '\0';
    }
    text += '\0';
    return text;
}

BoardLists listsFrom(const std::string &text)
{
    BoardLists lists;
    clearBoardLists(lists);
    readBoardSection(lists, text.data(), text.size());
    return lists;
}

struct LineCase {
    const char *line;
    LineReading reading;
    const char *pattern;   // of the entry taken
    char code;
};

TEST(BoardLines, EachLineIsTakenIgnoredOrRejected)
{
    const LineCase cases[] = {
        {"B1=ABC0001:3", kLineTaken, "ABC0001", '3'},
        {"N7=*PNP0500:1", kLineTaken, "*PNP0500", '1'},
        {"C=QEL\\MODEM:C", kLineTaken, "QEL\\MODEM", 'C'},
        {"B2=AB:1CD:2", kLineTaken, "ABCD", '2'},          // the last ':' sets the code
        {"B3=:5", kLineTaken, "", '5'},                    // empty pattern: matches every ID
        {"B4=X:0", kLineTaken, "X", '0'},                  // code 0 is kept: a match means no board
        {"B5=A=B:4", kLineTaken, "A=B", '4'},              // only the first '=' separates
        {"X1=ABC:3", kLineIgnored, nullptr, 0},
        {"b1=ABC:3", kLineIgnored, nullptr, 0},            // the list letter is case-sensitive
        {"B1ABC:3", kLineRejected, nullptr, 0},            // no '='
        {"B1=ABC", kLineRejected, nullptr, 0},             // no code
        {"B1=ABC:", kLineRejected, nullptr, 0},            // ':' at the end
        {"B1=AB:1C:", kLineRejected, nullptr, 0},          // last ':' at the end
        {"B1=ABC:\x83", kLineRejected, nullptr, 0},        // a lead byte is no one-byte code
    };
    for (const LineCase &c : cases) {
        SCOPED_TRACE(c.line);
        BoardLists lists;
        clearBoardLists(lists);
        EXPECT_EQ(c.reading, readBoardLine(lists, c.line, strlen(c.line)));
        BoardList *chosen = c.line[0] == 'N' ? &lists.n : c.line[0] == 'C' ? &lists.c : &lists.b;
        int total = lists.b.count + lists.n.count + lists.c.count;
        if (c.reading != kLineTaken) {
            EXPECT_EQ(0, total);
            continue;
        }
        ASSERT_EQ(1, total);
        ASSERT_EQ(1, chosen->count);
        EXPECT_STREQ(c.pattern, chosen->entries[0].pattern);
        EXPECT_EQ(c.code, chosen->entries[0].code);
    }
}

TEST(BoardLines, PatternOfFortyNineBytesFitsFiftyIsRejected)
{
    std::string fits = "B1=" + std::string(49, 'P') + ":2";
    std::string over = "B2=" + std::string(50, 'P') + ":2";
    BoardLists lists;
    clearBoardLists(lists);
    EXPECT_EQ(kLineTaken, readBoardLine(lists, fits.data(), fits.size()));
    EXPECT_EQ(kLineRejected, readBoardLine(lists, over.data(), over.size()));
    ASSERT_EQ(1, lists.b.count);
    EXPECT_EQ(std::string(49, 'P'), lists.b.entries[0].pattern);
}

TEST(BoardLines, LineLengthBoundsTheScanNotItsTerminator)
{
    // A line handed over without a NUL of its own: nothing past length counts.
    const char bytes[] = {'B', '=', 'A', 'B', ':', '7', ':', '9'};
    BoardLists lists;
    clearBoardLists(lists);
    EXPECT_EQ(kLineTaken, readBoardLine(lists, bytes, 6));
    EXPECT_STREQ("AB", lists.b.entries[0].pattern);
    EXPECT_EQ('7', lists.b.entries[0].code);
}

TEST(BoardSection, ListsKeepLineOrderAndTheFirstTwentyEntries)
{
    std::string text;
    for (int i = 0; i < 25; ++i)
        text += "B" + std::to_string(i) + "=ID" + std::to_string(i) + ":" + char('A' + i) + '\0';
    text += std::string("N1=PORT:1") + '\0' + "C1=CM:2" + '\0' + "B99=bad" + '\0' + '\0';
    BoardLists lists = listsFrom(text);
    ASSERT_EQ(kMaxBoardEntries, lists.b.count);
    for (int i = 0; i < kMaxBoardEntries; ++i) {
        EXPECT_EQ("ID" + std::to_string(i), lists.b.entries[i].pattern);
        EXPECT_EQ(char('A' + i), lists.b.entries[i].code);
    }
    // A full list does not stop the other lists.
    ASSERT_EQ(1, lists.n.count);
    ASSERT_EQ(1, lists.c.count);
    EXPECT_STREQ("CM", lists.c.entries[0].pattern);
}

TEST(BoardSection, RejectedLinesTakeNoPlace)
{
    BoardLists lists = listsFrom(section({"B1=NOCODE", "B2=GOOD:4", "B3=X:", "B4=LATER:5"}));
    ASSERT_EQ(2, lists.b.count);
    EXPECT_STREQ("GOOD", lists.b.entries[0].pattern);
    EXPECT_STREQ("LATER", lists.b.entries[1].pattern);
}

TEST(BoardSection, SectionCutByItsBufferEndsAtTheBuffer)
{
    // The profile read cut the section: the last line has no terminator and
    // the walk must stop at the buffer's end.
    std::string text = section({"B1=ONE:1", "B2=TWO:2"});
    BoardLists lists = listsFrom(text.substr(0, text.size() - 3));   // ends in "B2=TWO:"
    ASSERT_EQ(1, lists.b.count);
    EXPECT_STREQ("ONE", lists.b.entries[0].pattern);
}

TEST(ContainsText, SubstringByteForByte)
{
    struct Case {
        const char *text, *pattern;
        int expected;
    } cases[] = {
        {"*PNP0500", "PNP05", 1},   {"*PNP0500", "pnp05", 0},   {"ABC", "ABC", 1},
        {"ABC", "ABCD", 0},         {"", "", 1},                {"ABC", "", 1},
        {"AAB", "AB", 1},           {"QEL\\1234", "L\\1", 1},   {"X", "XY", 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.expected, containsText(c.text, c.pattern)) << c.text << " / " << c.pattern;
}

TEST(MatchBoardList, FirstMatchingEntryInListOrderWins)
{
    BoardLists lists = listsFrom(section({"B1=ZZZ:9", "B2=0001:0", "B3=QEL:4", "B4=QEL0001:5"}));
    EXPECT_EQ('0', matchBoardList(lists.b, "ISAPNP\\QEL0001"));   // B2 before B3 and B4
    EXPECT_EQ('4', matchBoardList(lists.b, "ISAPNP\\QEL0002"));
    EXPECT_EQ('0', matchBoardList(lists.b, "ISAPNP\\ABC0002"));   // nothing matches
    EXPECT_EQ('0', matchBoardList(lists.n, "ISAPNP\\QEL0002"));   // empty list
}

}  // namespace
