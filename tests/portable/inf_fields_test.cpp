// Field cutting, %key% strings, directory ids, sizes and path helpers.
#include "portable/inf_test_util.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <gtest/gtest.h>

#include <string.h>

#include <string>

namespace {

class InfFields : public testing::Test {
protected:
    void SetUp() override
    {
        copyText(setupState.windowsDir, "C:\\WINDOWS");
        copyText(setupState.systemDir, "C:\\WINDOWS\\SYSTEM");
    }
};

TEST_F(InfFields, TakeFieldAndToken)
{
    struct {
        const char *text;
        bool token;
        const char *field;
        const char *rest;
    } cases[] = {
        {"\"a,b\",c", false, "\"a,b\"", "c"},
        {"a b,c", false, "a b", "c"},
        {"a b,c", true, "a", "b,c"},
        {"\"a b\" c", true, "\"a b\"", "c"},
        {"last", false, "last", ""},
        {"x,y ; note  ", false, "x", "y"},
        {",y", false, "", "y"},
        {"\x83\x5c,\x83\x5d", false, "\x83\x5c", "\x83\x5d"},
        {"\"open,quote", false, "\"open,quote", ""},
    };
    for (const auto &c : cases) {
        char text[64], field[32] = "junk";
        copyText(text, c.text);
        const char *rest = c.token ? takeToken(text, field) : takeField(text, field);
        EXPECT_STREQ(field, c.field) << c.text;
        EXPECT_STREQ(rest, c.rest) << c.text;
    }

    char empty[4] = "", field[8] = "junk";
    EXPECT_EQ(takeField(empty, field), empty);
    EXPECT_STREQ(field, "") << "an empty text empties the field";
    char comment[16] = "; all comment";
    strcpy(field, "junk");
    EXPECT_EQ(takeField(comment, field), comment);
    EXPECT_STREQ(field, "") << "nothing left after the comment: an empty field, never the old buffer";
    char blankComment[16] = "  ; note";
    strcpy(field, "junk");
    takeToken(blankComment, field);
    EXPECT_STREQ(field, "") << "blanks before the comment are nothing either";

    char longText[300];
    memset(longText, 'x', 299);
    longText[299] = '\0';
    char cut[kFieldSize];
    EXPECT_STREQ(takeField(longText, cut), "");
    EXPECT_EQ(strlen(cut), kFieldSize - 1) << "a field longer than its buffer is cut";
}

TEST_F(InfFields, CommentsAndQuotes)
{
    struct {
        const char *text;
        const char *stripped;
    } comments[] = {
        {"a ; b", "a"}, {"a;b", "a"}, {"   ", " "}, {"a\t ;", "a\t"}, {"\x83\x5c ;x", "\x83\x5c"}, {"", ""},
    };
    for (const auto &c : comments) {
        char text[32];
        copyText(text, c.text);
        EXPECT_STREQ(stripComment(text), c.stripped) << c.text;
    }
    struct {
        const char *text;
        const char *unquoted;
    } quotes[] = {
        {"\"abc\"", "abc"}, {"\"\"\"abc\"def", "abc"}, {"abc", "abc"}, {"\"\"", ""}, {"", ""}, {"ab\"cd", "ab"},
    };
    for (const auto &c : quotes) {
        char text[32];
        copyText(text, c.text);
        EXPECT_EQ(stripQuotes(text), 1);
        EXPECT_STREQ(text, c.unquoted) << c.text;
    }
}

TEST_F(InfFields, ExpandsStringsAndDirectoryIds)
{
    ScopedInf inf(bytes("[Strings]\nName=\"My Tool\"\nNested=\"%10%\"\n99=ninety-nine\nA=alpha\n"));
    struct {
        const char *text;
        const char *expanded;
    } cases[] = {
        {"%10%\\SYSTEM32", "C:\\WINDOWS\\SYSTEM32"},
        {"%11%", "C:\\WINDOWS\\SYSTEM"},
        {"%12%|%13%|%17%|%18%", "C:\\WINDOWS\\SYSTEM\\IOSUBSYS|C:\\WINDOWS\\COMMAND|C:\\WINDOWS\\INF|C:\\WINDOWS\\HELP"},
        {"%20%|%21%|%22%|%23%", "C:\\WINDOWS\\FONTS|C:\\WINDOWS\\SYSTEM\\VIEWERS|C:\\WINDOWS\\SYSTEM\\VMM32|"
                                "C:\\WINDOWS\\SYSTEM\\COLOR"},
        {"%24%", "C:"},
        {"100%%", "100%"},
        {"50%", "50"},
        {"%Unknown%!", "!"},
        {"%99%", "ninety-nine"},
        {"%98%", ""},
        {"%0%|%00%", "|"},
        {"%name% here", "My Tool here"},
        {"%Nested%", "%10%"},
        {"%A%%A%", "alpha%A"},
        {"%A%x%A%", "alphax" "alpha"},
        {"%%A%", "%A"},
        {"\x83\x5c%A%\x83\x5c", "\x83\x5c" "alpha\x83\x5c"},
        {"%", ""},
        {"", ""},
    };
    for (const auto &c : cases) {
        char text[kPathSize];
        copyText(text, c.text);
        EXPECT_STREQ(expandStrings(text, inf.image), c.expanded) << c.text;
    }
}

// The references that name nothing, as a kit checker hears of them: each
// one that expands to nothing for want of an id or a key, and only those.
TEST_F(InfFields, TellsOfReferencesThatNameNothing)
{
    ScopedInf inf(bytes("[Strings]\nName=\"My Tool\"\nEmpty=\n99=ninety-nine\n"));
    struct {
        const char *text;
        const char *told;
    } cases[] = {
        {"%Name%|%10%|%99%|%Empty%|%%|50%", ""},
        {"%Nmae%\\%Name%", "Nmae;"},
        {"%98%|%0%|%00%", "98;0;00;"},
        {"%A%%B%", "A;"},   // the "%" after a reference is text, and "B%" is no reference
        {"\x83\x5c%Key\x83\x5c%", "Key\x83\x5c;"},
    };
    for (const auto &c : cases) {
        std::string told;
        auto note = [](void *context, const char *name, size_t length) {
            *(std::string *)context += std::string(name, length) + ";";
        };
        char text[kPathSize], plain[kPathSize];
        copyText(text, c.text);
        copyText(plain, c.text);
        expandStrings(text, inf.image, note, &told);
        EXPECT_EQ(told, c.told) << c.text;
        EXPECT_STREQ(text, expandStrings(plain, inf.image)) << c.text;   // the expansion is the same
    }
}

TEST_F(InfFields, ExpansionIsCutAtTheBuffer)
{
    std::string strings = "[Strings]\nLong=" + std::string(200, 'L') + "\n";
    ScopedInf inf(strings);
    char text[kPathSize] = "\x83\x5c%Long% %Long%";
    expandStrings(text, inf.image);
    EXPECT_EQ(strlen(text), kPathSize - 1);
    char small[8] = "%Long%";
    expandStrings(small, inf.image);
    EXPECT_STREQ(small, "LLLLLLL");
    char odd[6] = "ab%A%";   // expansion would end on half a double-byte character
    ScopedInf sjis(bytes("[Strings]\nA=\x83\x5c\x83\x5c\n"));
    expandStrings(odd, sjis.image);
    EXPECT_STREQ(odd, "ab\x83\x5c");
}

TEST_F(InfFields, DirectoryIds)
{
    char dir[kPathSize];
    EXPECT_EQ(resolveDirId(10, dir), 1);
    EXPECT_STREQ(dir, "C:\\WINDOWS");
    EXPECT_EQ(resolveDirId(24, dir), 1);
    EXPECT_STREQ(dir, "C:");
    for (long notAnId : {0L, 1L, 14L, 19L, 25L, -10L}) {
        EXPECT_EQ(resolveDirId(notAnId, dir), 0) << notAnId;
        EXPECT_STREQ(dir, "");
    }
}

TEST_F(InfFields, DestinationDirectories)
{
    struct {
        const char *line;
        int result;
        const char *dir;
        long id;
    } cases[] = {
        {"Sec=11,DRIVERS", 1, "C:\\WINDOWS\\SYSTEM\\DRIVERS", 11},
        {"Sec=24,APP", 1, "C:\\APP", 24},
        {"Sec=24", 1, "C:\\", 24},
        {"Sec=10", 1, "C:\\WINDOWS", 10},
        {"Sec=", 0, "C:\\WINDOWS", 0},
        {"Sec=,SUB", 0, "C:\\WINDOWS", 0},
        {"Sec=17,\"My Dir\"", 1, "C:\\WINDOWS\\INF\\My Dir", 17},
        {"Sec=110", 1, "C:\\WINDOWS", 10},       // the first id of the table whose digits occur
        {"Sec=211", 1, "C:\\WINDOWS\\SYSTEM", 11},
        {"Sec=D:\\APPS", 1, "D:\\APPS", 0},      // no id: field 1 as written
        {"Sec=D:\\APPS,SUB", 1, "D:\\APPS\\SUB", 0},
        {"Sec=D:\\,SUB", 1, "D:\\SUB", 0},
        {"Sec=5", 1, "5", 0},
    };
    for (const auto &c : cases) {
        char dir[kPathSize] = "junk";
        long id = -1;
        EXPECT_EQ(chooseDestinationDir(c.line, dir, sizeof dir, &id), c.result) << c.line;
        EXPECT_STREQ(dir, c.dir) << c.line;
        EXPECT_EQ(id, c.id) << c.line;
    }
}

TEST_F(InfFields, SumsSourceFileSizes)
{
    const char kit[] =
        "[Files]\n"
        "a.dll\n"
        "new.exe,old.ex_\n"
        "unlisted.txt\n"
        ",b.dll\n"
        "x,b.dll\n"
        "[SourceDisksFiles]\n"
        "a.dll=1,,1000\n"
        "old.ex_=2,sub, 250 bytes\n"
        "b.dll=1,,-40\n"
        ",b.dll=1,,7\n"
        "[Big]\n"
        "huge1\n"
        "huge2\n"
        "[Missing]\n"
        "none\n";
    ScopedInf inf(bytes(kit));
    // ",b.dll" has no name after a comma and matches no key; b.dll's negative
    // size counts nothing.
    EXPECT_EQ(sumSourceFileSizes("Files", inf.image, INF_NONE), 1000u + 250u);
    EXPECT_EQ(sumSourceFileSizes("Nowhere", inf.image, INF_NONE), 0u);

    ScopedInf layout(bytes("[SourceDisksFiles]\nnone=1,,5\nhuge1=1,,4000000000\nhuge2=1,,4000000000\n"));
    EXPECT_EQ(sumSourceFileSizes("Missing", inf.image, layout.image), 5u) << "sizes come from the layout INF";
    EXPECT_EQ(sumSourceFileSizes("Missing", inf.image, INF_NONE), 0u);
    EXPECT_EQ(sumSourceFileSizes("Big", inf.image, layout.image), 0xFFFFFFFFu) << "the total saturates";
}

TEST_F(InfFields, PathHelpers)
{
    struct {
        const char *path;
        const char *dir;
        const char *name;
    } cases[] = {
        {"C:\\DIR\\FILE.EXE", "C:\\DIR", "FILE.EXE"},
        {"C:\\SETUP.EXE", "C:", "SETUP.EXE"},
        {"C:SETUP.EXE", "C", "C:SETUP.EXE"},
        {"SETUP.EXE", "", "SETUP.EXE"},
        {"C:\\\x83\x5c\\\x95\x5c.TXT", "C:\\\x83\x5c", "\x95\x5c.TXT"},
        {"C:\\\x83\x5c", "C:", "\x83\x5c"},
        {"", "", ""},
    };
    for (const auto &c : cases) {
        char path[kPathSize];
        copyText(path, c.path);
        EXPECT_STREQ(fileNamePart(c.path), c.name) << c.path;
        EXPECT_STREQ(pathDirPart(path), c.dir) << c.path;
    }

    struct {
        const char *path;
        const char *withBackslash;
    } slashes[] = {
        {"C:\\DIR", "C:\\DIR\\"}, {"C:\\", "C:\\"}, {"", "\\"}, {"C:\\\x83\x5c", "C:\\\x83\x5c\\"},
    };
    for (const auto &c : slashes) {
        char path[kPathSize];
        copyText(path, c.path);
        EXPECT_TRUE(addBackslash(path));
        EXPECT_STREQ(path, c.withBackslash) << c.path;
    }
    char full[4] = "abc";
    EXPECT_FALSE(addBackslash(full));
    EXPECT_STREQ(full, "abc");

    // Names that stay in the folder they are joined to.
    struct {
        const char *name;
        bool plain;
    } names[] = {
        {"LAYOUT.INF", true},      {"\x83\x5c\x95\x5c.INF", true}, {"..\\SYSTEM.INI", false},
        {"SUB\\A.INF", false},   {"../A.INF", false},             {"C:A.INF", false},
        {"C:\\WINDOWS\\A", false}, {"..", false},                {".", false},
        {"", false},               {"...INF", true},
    };
    for (const auto &c : names)
        EXPECT_EQ(isPlainFileName(c.name), c.plain) << c.name;
}

TEST(Text, BoundedCopiesNeverSplitCharacters)
{
    char four[4];
    EXPECT_TRUE(copyText(four, "abc"));
    EXPECT_FALSE(copyText(four, "abcd"));
    EXPECT_STREQ(four, "abc");
    EXPECT_FALSE(copyText(four, "a\x83\x5c\x83\x5c"));
    EXPECT_STREQ(four, "a\x83\x5c");
    EXPECT_FALSE(copyText(four, "ab\x83\x5c"));
    EXPECT_STREQ(four, "ab");
    EXPECT_TRUE(appendText(four, "") && strcmp(four, "ab") == 0);
    EXPECT_FALSE(appendText(four, "\x83\x5c"));
    EXPECT_STREQ(four, "ab");
    EXPECT_TRUE(appendText(four, "c"));
    EXPECT_STREQ(four, "abc");

    char built[6];
    TextBuilder b = startText(built);
    addText(b, "ab");
    addText(b, "\x83\x5c\x83\x5c");
    addText(b, "z");
    EXPECT_STREQ(built, "ab\x83\x5c") << "nothing is added after a cut";
    EXPECT_TRUE(b.cut);
}

}  // namespace

namespace {

// Natively this checks the table; under Wine it checks that the platform's
// code page really is 932 as every scan assumes.
TEST(Charset, LeadBytesAndStepping)
{
    for (int c = 0; c < 256; ++c) {
        bool lead = (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
        EXPECT_EQ(isLeadByte((unsigned char)c), lead) << c;
    }
    const char text[8] = "a\x83\x5c" "b\x83";
    EXPECT_EQ(charNext(text), text + 1);
    EXPECT_EQ(charNext(text + 1), text + 3) << "a double-byte character is one step";
    EXPECT_EQ(charNext(text + 4), text + 5) << "a lead byte before the NUL is one step";
    EXPECT_EQ(charNext(text + 5), text + 5) << "never past the NUL";
    EXPECT_EQ(charPrev(text, text + 4), text + 3);
    EXPECT_EQ(charPrev(text, text + 3), text + 1) << "back over the whole character";
    EXPECT_EQ(charPrev(text, text), text);

    struct {
        const char *a, *b;
        bool equal;
    } names[] = {
        {"CopyFiles", "COPYFILES", true},   {"Copy", "CopyFiles", false}, {"a-b", "ab", false},
        {"[x]", "[X]", true},               {"\x83\x5c", "\x83\x5c", true}, {"\x83\x5c", "\x83\x7c", false},
        {"\x82\x60", "\x82\x60", true},     {"", "", true},               {"@", "`", false},
    };
    for (const auto &n : names) {
        EXPECT_EQ(equalNoCase(n.a, strlen(n.a), n.b, strlen(n.b)), n.equal) << n.a << " / " << n.b;
        EXPECT_EQ(compareNoCase(n.a, n.b) == 0, n.equal) << n.a << " / " << n.b;
    }
}

}  // namespace
