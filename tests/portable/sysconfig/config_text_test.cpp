// The text edits of the configuration updaters: field lists, [386Enh] device
// lines, the AUTOEXEC.BAT line filter and the entry splits. Double-byte
// texts are written as code page 932 escapes ("\x83\x5c" is a katakana whose
// second byte is a backslash).
#include "portable/inf_test_util.h"
#include "setup/sysconfig/config_text.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>
#include <vector>

namespace {

TEST(FieldList, ResultTable)
{
    struct {
        const char *current, *oldField, *newField, *result;
    } cases[] = {
        // No current value.
        {"", "b", "x", ""},
        {"", "", "", ""},
        {"", "", "y", "y"},
        // Adding: only when no field equals the new one, unquoted and in any case.
        {"a b", "", "", "a b"},
        {"a b", "", "y", "a b y"},
        {"a b", "", "A", "a b"},
        {"a \"b\"", "", "B", "a \"b\""},
        {"a,b", "", "c", "a,b c"},
        // Replacing and removing.
        {"a b c", "b", "x", "a x c"},
        {"a b c", "c", "", "a b "},
        {"a b c", "b", "", "a c"},
        {"a b c", "a", "", "b c"},
        {"a,b", "a", "x", "x b"},
        {"a,b,c", "b", "x", "a,x c"},
        {"b a B", "b", "x", "x a x"},
        {"a \"b\" c", "B", "x", "a x c"},
        {"a  b", "b", "x", "a  x"},
        {"a b c", "z", "x", "a b c"},
        // A ';' comment and trailing blanks go when the list is edited, and
        // stay when nothing changes.
        {"a b ; note", "", "y", "a b y"},
        {"a b ; note", "b", "x", "a x"},
        {"a b ; note", "z", "x", "a b ; note"},
        {"a b ; note", "", "a", "a b ; note"},
        {"a b ; note", "", "", "a b ; note"},
        // Double-byte fields are compared and kept whole.
        {"\x83\x5c\x83\x5d \x83\x41", "\x83\x41", "x", "\x83\x5c\x83\x5d x"},
        {"\x83\x5c\x83\x5d \x83\x41", "", "\x83\x5c\x83\x5d", "\x83\x5c\x83\x5d \x83\x41"},
    };
    for (const auto &c : cases) {
        char result[260] = "junk";
        EXPECT_TRUE(editFieldList(c.current, c.oldField, c.newField, result, sizeof result))
            << c.current << " | " << c.oldField << " | " << c.newField;
        EXPECT_STREQ(result, c.result) << c.current << " | " << c.oldField << " | " << c.newField;
    }
}

TEST(FieldList, ResultThatDoesNotFitIsRefused)
{
    std::string current(200, 'a'), added(100, 'b');
    char result[260];
    EXPECT_FALSE(editFieldList(current.c_str(), "", added.c_str(), result, sizeof result));
    // Exactly full is fine: 200 + blank + 58 = 259 bytes.
    std::string fits(58, 'b');
    EXPECT_TRUE(editFieldList(current.c_str(), "", fits.c_str(), result, sizeof result));
    EXPECT_EQ(strlen(result), 259u);
    // A replacement that grows the list past its buffer is refused too.
    std::string list = std::string(250, 'c') + " a";
    EXPECT_FALSE(editFieldList(list.c_str(), "a", "0123456789", result, sizeof result));
}

// A list of NUL-terminated lines from a vector of lines.
std::string lineList(const std::vector<std::string> &lines)
{
    std::string list;
    for (const std::string &line : lines)
        list += line + '\0';
    return list;
}

std::vector<std::string> rewrite(const std::vector<std::string> &lines, const char *oldValue, const char *newValue)
{
    std::string list = lineList(lines);
    size_t needed = rewriteDeviceList(list.c_str(), list.size(), "device", oldValue, newValue, nullptr, 0);
    std::vector<char> out(needed + 8, '#');
    EXPECT_EQ(rewriteDeviceList(list.c_str(), list.size(), "device", oldValue, newValue, out.data(), needed),
              needed);
    for (size_t i = needed; i < out.size(); ++i)
        EXPECT_EQ(out[i], '#') << "written past the measured size";
    // The list ends with two NULs, and holds nothing after them.
    EXPECT_GE(needed, 2u);
    EXPECT_EQ(out[needed - 1], '\0');
    EXPECT_EQ(out[needed - 2], '\0');
    std::vector<std::string> result;
    for (size_t pos = 0; pos < needed && out[pos] != '\0'; pos += strlen(&out[pos]) + 1)
        result.push_back(&out[pos]);
    return result;
}

TEST(DeviceLines, AddReplaceRemove)
{
    typedef std::vector<std::string> Lines;
    struct {
        Lines before;
        const char *oldValue, *newValue;
        Lines after;
    } cases[] = {
        // Adding: nothing when a device line already carries the value as
        // its first token, whatever its case or parameters.
        {{"DEVICE=X.386"}, "", "x.386", {"DEVICE=X.386"}},
        {{"device=x.386 /p"}, "", "x.386", {"device=x.386 /p"}},
        {{"device=x.386,2"}, "", "x.386", {"device=x.386,2"}},
        {{"device=x.386 ; note"}, "", "x.386", {"device=x.386 ; note"}},
        {{";device=x.386"}, "", "x.386", {";device=x.386", "device=x.386"}},
        {{"keyboard=x.386"}, "", "x.386", {"keyboard=x.386", "device=x.386"}},
        {{"device=\"x.386\""}, "", "x.386", {"device=\"x.386\"", "device=x.386"}},
        {{"a;device=x.386"}, "", "x.386", {"a;device=x.386", "device=x.386"}},
        {{"device=x.3861"}, "", "x.386", {"device=x.3861", "device=x.386"}},
        {{}, "", "x.386", {"device=x.386"}},
        // Replacing: the new line, then the old one kept as a comment.
        {{"device=*vpicd", "device=a.386", "keyboard=x"},
         "a.386",
         "b.386",
         {"device=*vpicd", "device=b.386", ";device=a.386", "keyboard=x"}},
        {{"device=a.386", "DEVICE=A.386 /x"},
         "a.386",
         "b.386",
         {"device=b.386", ";device=a.386", "device=b.386", ";DEVICE=A.386 /x"}},
        {{"device=c.386"}, "a.386", "b.386", {"device=c.386"}},
        {{}, "a.386", "b.386", {}},
        // Removing: commented out, nothing added.
        {{"device=a.386", "other"}, "a.386", "", {";device=a.386", "other"}},
        {{}, "a.386", "", {}},
        // Nothing asked: every line stays as it is.
        {{"device=a.386", "junk without equals"}, "", "", {"device=a.386", "junk without equals"}},
        // Double-byte values and keys are compared whole.
        {{"device=\x83\x5c.386"}, "\x83\x5c.386", "b.386", {"device=b.386", ";device=\x83\x5c.386"}},
    };
    for (const auto &c : cases) {
        Lines after = rewrite(c.before, c.oldValue, c.newValue);
        EXPECT_EQ(after, c.after) << lineList(c.before) << " | " << c.oldValue << " | " << c.newValue;
    }
}

TEST(DeviceLines, LongLinesNeverMatchByTheirFirstBytes)
{
    // A token longer than any value is cut inside the comparison; it must
    // not be taken for a value that equals its first bytes.
    std::string value(259, 'v');
    std::string longLine = "device=" + value + "w";
    EXPECT_EQ(rewrite({longLine}, "", value.c_str()), (std::vector<std::string>{longLine, "device=" + value}));
    std::string exact = "device=" + value + " /p";
    EXPECT_EQ(rewrite({exact}, "", value.c_str()), (std::vector<std::string>{exact}));
}

TEST(DeviceLines, SmallBufferIsNeverOverrun)
{
    std::string list = lineList({"device=a.386", "device=a.386"});
    size_t needed = rewriteDeviceList(list.c_str(), list.size(), "device", "a.386", "b.386", nullptr, 0);
    for (size_t size = 0; size < needed; ++size) {
        std::vector<char> out(needed, '#');
        EXPECT_EQ(rewriteDeviceList(list.c_str(), list.size(), "device", "a.386", "b.386", out.data(), size),
                  needed);
        for (size_t i = size; i < needed; ++i)
            ASSERT_EQ(out[i], '#') << "size " << size;
    }
}

struct Filtered {
    std::string text;
    int dropped;
};

Filtered filter(const std::string &text, const char *drop)
{
    int dropped = -1;
    size_t needed = filterBatchLines(text.data(), text.size(), drop, nullptr, 0, &dropped);
    std::string out(needed + 4, '#');
    EXPECT_EQ(filterBatchLines(text.data(), text.size(), drop, &out[0], needed, &dropped), needed);
    EXPECT_EQ(out.substr(needed), "####") << "written past the measured size";
    return Filtered{out.substr(0, needed), dropped};
}

TEST(BatchLines, DropsWholeEqualLinesOnly)
{
    std::string piece(254, 'x'), twoPieces = piece + piece;
    struct {
        std::string text;
        const char *drop;
        std::string kept;
        int dropped;
    } cases[] = {
        {"SET X=1\r\nset x=1\r\nSET X=1 \r\nREM SET X=1\r\n", "SET X=1", "SET X=1 \r\nREM SET X=1\r\n", 2},
        {"PATH=C:\\\r\nSET X=1", "SET X=1", "PATH=C:\\\r\n", 1},
        // LF-only line ends and a last line without one get CR LF.
        {"a\nSET X=1\nb", "SET X=1", "a\r\nb\r\n", 1},
        // A lone CR is part of the line, not a line end.
        {"a\rb\r\nSET X=1\r\n", "SET X=1", "a\rb\r\n", 1},
        {"SET X=1\r\r\n", "SET X=1", "SET X=1\r\r\n", 0},
        // Empty lines stay.
        {"\r\n\r\nSET X=1\r\n\r\n", "SET X=1", "\r\n\r\n\r\n", 1},
        // Lines longer than 254 characters are compared whole: neither the
        // line's first 254 characters nor its tail are a line of their own.
        {piece + "SET X=1\r\nSET X=1\r\n", "SET X=1", piece + "SET X=1\r\n", 1},
        {piece + "SET X=1\r\n", piece.c_str(), piece + "SET X=1\r\n", 0},
        {twoPieces + "\r\n", twoPieces.c_str(), "", 1},
        // A NUL in a line does not make its first part a line.
        {bytes("SET X=1\0tail\r\nSET X=1\r\n"), "SET X=1", bytes("SET X=1\0tail\r\n"), 1},
        {"\x83\x5c\r\n\x83\x5c\x83\x5c\r\n", "\x83\x5c", "\x83\x5c\x83\x5c\r\n", 1},
        {"", "SET X=1", "", 0},
    };
    for (const auto &c : cases) {
        Filtered result = filter(c.text, c.drop);
        EXPECT_EQ(result.text, c.kept) << c.text;
        EXPECT_EQ(result.dropped, c.dropped) << c.text;
    }
}

TEST(Entries, SplitAndUnquote)
{
    struct {
        const char *entry;
        bool split;
        const char *key, *value;
    } splits[] = {
        {"load=x.exe", true, "load", "x.exe"},
        {"a=b=c", true, "a", "b=c"},
        {"=x", true, "", "x"},
        {"key=", true, "key", ""},
        {"no equals", false, "", ""},
        {"", false, "", ""},
        {"\x83\x5c=\x83\x5d", true, "\x83\x5c", "\x83\x5d"},
    };
    for (const auto &c : splits) {
        char key[260] = "", value[260] = "";
        EXPECT_EQ(splitEntry(c.entry, key, value), c.split) << c.entry;
        EXPECT_STREQ(key, c.key) << c.entry;
        EXPECT_STREQ(value, c.value) << c.entry;
    }

    struct {
        const char *text, *enclosingDropped, *groupLine;
    } quotes[] = {
        {"\"load=x.exe\"", "load=x.exe", "load=x.exe"},
        {"\"\"\"My tool\"\", tool.exe\"", "\"\"My tool\"\", tool.exe", "\"My tool\", tool.exe"},
        {"a\"\"b", "a\"\"b", "a\"b"},
        {"\"a", "\"a", "\"a"},
        {"a\"", "a\"", "a\""},
        {"\"", "\"", "\""},
        {"\"\"", "", ""},
        {"\"\"\"", "\"", "\""},
        {"\"\x83\x5c\"", "\x83\x5c", "\x83\x5c"},
        {"", "", ""},
    };
    for (const auto &c : quotes) {
        char text[260];
        strcpy(text, c.text);
        dropEnclosingQuotes(text);
        EXPECT_STREQ(text, c.enclosingDropped) << c.text;
        strcpy(text, c.text);
        unquoteGroupLine(text);
        EXPECT_STREQ(text, c.groupLine) << c.text;
    }
}

}  // namespace

// Where an UpdateInis line goes, from its fields as the INF gives them.
TEST(Entries, IniLineTargets)
{
    struct {
        const char *file, *section, *newEntry;
        IniLineTarget target;
    } cases[] = {
        {"config.sys", "", "DEVICE=X.SYS", INI_TARGET_CONFIG_SYS},
        {"C:\\CONFIG.SYS", "\"\"", "DEVICE=X.SYS", INI_TARGET_CONFIG_SYS},
        {"config.sys", "sect", "a=b", INI_TARGET_PROFILE_ENTRY},
        {"autoexec.bat", "SET X=1", "", INI_TARGET_AUTOEXEC_REMOVE},
        {"autoexec.bat", "", "SET X=1", INI_TARGET_AUTOEXEC_NOTHING},
        {"setup.ini", "progman.groups", "group5=Tools", INI_TARGET_GROUPS_ENTRY},
        {"setup.ini", "progman.groups", "group5", INI_TARGET_NO_ENTRY},
        {"setup.ini", "Tools", "\"\"\"My tool\"\", tool.exe\"", INI_TARGET_GROUP_LINE},
        {"%10%\\setup.ini", "Tools", "x", INI_TARGET_NO_ENTRY},
        {"win.ini", "windows", "\"load=x.exe\"", INI_TARGET_PROFILE_ENTRY},
        {"win.ini", "windows", "\"loadx.exe\"", INI_TARGET_NO_ENTRY},
        {"system.ini", "386Enh", "device=x.386", INI_TARGET_PROFILE_ENTRY},
    };
    for (const auto &c : cases)
        EXPECT_EQ(iniLineTarget(c.file, c.section, c.newEntry), c.target) << c.file << " | " << c.newEntry;
}
