// Sections, lines, key values and line fields of the in-memory INF.
#include "portable/inf_test_util.h"
#include "setup/inf/inf_fields.h"

#include <gtest/gtest.h>

namespace {

const char kInf[] =
    "orphan=before any section\r\n"
    "[Values]\r\n"
    "plain = two words\r\n"
    "quoted = \"two words\"\r\n"
    "list=1,2\r\n"
    "pair=\"x=y\"\r\n"
    "empty=\"\"\r\n"
    "CopyFiles=files.copy\r\n"
    "padded=\"  a\"b\"  \"\r\n"
    "sjis=\"\x83\x5b\x83\x5c\x83\x5d\"\r\n"
    "Twice=first\r\n"
    "twice=second\r\n"
    "[Sec] ; comment\r\n"
    "file.dll\r\n"
    "k=a,b\r\n"
    "[ Spaced ]\r\n"
    "x=1\r\n"
    "[Empty]\r\n"
    "[AlsoEmpty]\r\n"
    "; only a comment\r\n"
    "[Values]\r\n"
    "plain=shadowed\r\n"
    "[Last]\r\n";

TEST(InfLookup, FindsSectionsByWholeNameIgnoringCase)
{
    ScopedInf inf(bytes(kInf));
    EXPECT_STREQ(findSection(inf.image, "sec"), "file.dll");
    EXPECT_STREQ(findSection(inf.image, "SEC"), "file.dll");
    EXPECT_EQ(findSection(inf.image, "Se"), nullptr);
    EXPECT_EQ(findSection(inf.image, "Spaced"), nullptr);
    EXPECT_STREQ(findSection(inf.image, " Spaced "), "x=1");
    EXPECT_EQ(findSection(inf.image, "Empty"), nullptr) << "header right before a header";
    EXPECT_EQ(findSection(inf.image, "AlsoEmpty"), nullptr) << "only a comment";
    EXPECT_EQ(findSection(inf.image, "Last"), nullptr) << "header at the end";
    EXPECT_EQ(findSection(inf.image, "Missing"), nullptr);
    EXPECT_EQ(findSection(INF_NONE, "Values"), nullptr);
}

TEST(InfLookup, WalksLinesOfOneSection)
{
    ScopedInf inf(bytes(kInf));
    InfLine first = findSection(inf.image, "Sec");
    EXPECT_EQ(countLines(first), 2);
    EXPECT_STREQ(nextLine(first), "k=a,b");
    EXPECT_EQ(nextLine(nextLine(first)), nullptr);
    EXPECT_EQ(countLines(nullptr), 0);
    EXPECT_EQ(countSectionLines("Values", inf.image), 10) << "the first of two same-named sections";
    EXPECT_EQ(countSectionLines("Empty", inf.image), 0);
}

TEST(InfLookup, KeyValues)
{
    ScopedInf inf(bytes(kInf));
    struct {
        const char *key;
        int result;
        const char *value;
    } cases[] = {
        {"plain", 1, "twowords"},
        {"quoted", 1, "two words"},
        {"list", 1, "1,2"},
        {"pair", 1, "x=y"},
        {"empty", 1, ""},
        {"Copy", 0, ""},
        {"copyfiles", 1, "files.copy"},
        {"padded", 1, "a\"b"},
        {"sjis", 1, "\x83\x5b\x83\x5c\x83\x5d"},
        {"twice", 1, "first"},
        {"orphan", 0, ""},
        {"missing", 0, ""},
    };
    for (const auto &c : cases) {
        char value[64] = "junk";
        EXPECT_EQ(getSectionKeyValue(inf.image, "Values", c.key, value), c.result) << c.key;
        EXPECT_STREQ(value, c.value) << c.key;
    }
    char value[64] = "junk";
    EXPECT_EQ(getSectionKeyValue(inf.image, "Nowhere", "plain", value), 0);
    EXPECT_STREQ(value, "");
}

TEST(InfLookup, KeyValueIsCutToItsBuffer)
{
    ScopedInf inf(bytes("[S]\nk=ab\x83\x5c" "cd\nq=\"xy \x83\x5c\"\n"));
    char small[4];
    EXPECT_EQ(getSectionKeyValue(inf.image, "S", "k", small), 1);
    EXPECT_STREQ(small, "ab") << "a double-byte character is never split";
    char fits[5];
    EXPECT_EQ(getSectionKeyValue(inf.image, "S", "q", fits), 1);
    EXPECT_STREQ(fits, "xy") << "trailing blanks go after the cut";
    char value[16];
    EXPECT_EQ(getSectionKeyValue(inf.image, "S", "q", value), 1);
    EXPECT_STREQ(value, "xy \x83\x5c") << "the trail byte 0x5C is not taken off as text";
}

TEST(InfLookup, LineFields)
{
    struct {
        const char *line;
        int index;
        int result;
        const char *field;
    } cases[] = {
        {"file.dll", 0, 0, "unchanged"},
        {"file.dll", 1, 1, "file.dll"},
        {"file.dll", 2, 0, ""},
        {"k=a,b", 0, 1, "k"},
        {"k=a,b", 1, 1, "a"},
        {"k=a,b", 2, 1, "b"},
        {"k=a,b", 3, 0, ""},
        {"a,b=c", 0, 0, "unchanged"},
        {"a,b=c", 2, 1, "b"},
        {"a,b=c", 3, 1, "c"},
        {"k=\"a,b\",c", 1, 1, "a,b"},
        {"k=\"a,b\",c", 2, 1, "c"},
        {"k=\"\",c", 1, 1, ""},
        {"k=,,c", 2, 1, ""},
        {"\"x=y\",z", 1, 1, "x=y"},
        {"\"x=y\",z", 0, 1, "x=y"},
        {"k=  padded  ,x", 1, 1, "padded"},
        {"k=\x83\x5c,\x83\x5d", 2, 1, "\x83\x5d"},
        {"k=v", -1, 0, "unchanged"},
    };
    for (const auto &c : cases) {
        char field[32] = "unchanged";
        EXPECT_EQ(getLineField(c.line, c.index, field), c.result) << c.line << " #" << c.index;
        EXPECT_STREQ(field, c.field) << c.line << " #" << c.index;
    }
    char tiny[3];
    EXPECT_EQ(getLineField("k=a\x83\x5c", 1, tiny), 1);
    EXPECT_STREQ(tiny, "a");
}

TEST(InfLookup, LinesBeforeTheFirstHeaderAreNeverFound)
{
    ScopedInf inf(bytes(kInf));
    char value[64];
    for (const char *section : {"", "orphan"})
        EXPECT_EQ(getSectionKeyValue(inf.image, section, "orphan", value), 0) << section;
}

TEST(InfLookup, ProfileStringsAndNumberedLines)
{
    ScopedInf inf(bytes(kInf));
    char out[64];
    EXPECT_EQ(getProfileString("Values", "plain", "dflt", out, inf.image), 8u);
    EXPECT_STREQ(out, "twowords");
    EXPECT_EQ(getProfileString("Values", "empty", "dflt", out, inf.image), 0u) << "an empty value is a value";
    EXPECT_EQ(getProfileString("Values", "none", "dflt", out, inf.image), 4u);
    EXPECT_STREQ(out, "dflt");
    EXPECT_EQ(getProfileString("None", "plain", "dflt", out, inf.image), 4u);

    EXPECT_EQ(getSectionLine("Sec", 0, out, inf.image), 0);
    EXPECT_EQ(getSectionLine("Sec", 2, out, inf.image), 1);
    EXPECT_STREQ(out, "k=a,b");
    EXPECT_EQ(getSectionLine("Sec", 3, out, inf.image), 0);
    EXPECT_EQ(getSectionLine("Missing", 1, out, inf.image), 0);
}

TEST(InfLookup, NoImageMeansTheDefaultInf)
{
    // Start-up reads the setup INF (the default) both ways in turn: an
    // explicit lookup, one through no image, and an explicit one again.
    ASSERT_EQ(defaultInf, nullptr);
    ScopedInf inf(bytes("[version]\nLayoutFile=LAYOUT.INF\n[Strings]\nName=kit\n"));
    ASSERT_EQ(defaultInf, inf.image);
    char out[64];
    EXPECT_EQ(getSectionKeyValue(inf.image, "Strings", "Name", out), 1);
    EXPECT_EQ(getProfileString("version", "LayoutFile", "<default>", out, nullptr), 10u);
    EXPECT_STREQ(out, "LAYOUT.INF");
    EXPECT_EQ(getSectionKeyValue(inf.image, "version", "LayoutFile", out), 1) << "no wrong answer was remembered";
    EXPECT_STREQ(out, "LAYOUT.INF");
    EXPECT_STREQ(findSection(nullptr, "strings"), "Name=kit");
    EXPECT_EQ(infImageSize(nullptr), infImageSize(inf.image));
}

TEST(InfLookup, KeyedLines)
{
    ScopedInf inf(bytes("[S]\nfile.dll\nAlpha=1,two,three\n\"Beta\"=\"b,1\",x\n"));
    InfLine first = findSection(inf.image, "S");
    EXPECT_STREQ(findLineByKey(first, "alpha", 3), "Alpha=1,two,three");
    EXPECT_EQ(findLineByKey(first, "alpha", 1), nullptr) << "only the first line is searched";
    EXPECT_EQ(findLineByKey(first, "alpha", 0), nullptr);
    EXPECT_EQ(findLineByKey(first, "file.dll", 3), nullptr) << "a line without '=' has no key";
    EXPECT_STREQ(findLineByKey(first, "beta", 3), "\"Beta\"=\"b,1\",x");

    char value[32], rest[32];
    EXPECT_EQ(findKeyedValue(inf.image, "S", "Beta", value), 1);
    EXPECT_STREQ(value, "b,1");
    EXPECT_EQ(findKeyedLine(inf.image, "S", "ALPHA", rest, value), 1);
    EXPECT_STREQ(value, "1");
    EXPECT_STREQ(rest, "two,three");
    EXPECT_EQ(findKeyedLine(inf.image, "S", "gamma", rest, value), 0);
    EXPECT_STREQ(rest, "");
    EXPECT_EQ(findKeyedValue(inf.image, "T", "Alpha", value), 0);
}

TEST(InfLookup, ReleasedImagesAreForgotten)
{
    // The heap hands the same block out again; what was found in the old
    // image must not be answered for the new one.
    for (int round = 0; round < 50; ++round) {
        InfImage *old = buildInfImage("[S]\nk=1\n", 8);
        ASSERT_STREQ(findSection(old, "S"), "k=1");
        freeInf(old);
        InfImage *fresh = buildInfImage("[T]\nk=2\n", 8);
        EXPECT_EQ(findSection(fresh, "S"), nullptr);
        EXPECT_STREQ(findSection(fresh, "t"), "k=2");
        freeInf(fresh);
    }
}

TEST(InfLookup, EndMarkInsideTheFileEndsEveryWalk)
{
    // A 0x1A that is not the second byte of a character stops the walk; one
    // that is (after a lead byte) does not.
    ScopedInf stopped(bytes("[A]\nx\x1a\n[B]\ny\n"));
    EXPECT_STREQ(findSection(stopped.image, "A"), "x\x1a");
    EXPECT_EQ(nextLine(findSection(stopped.image, "A")), nullptr);
    EXPECT_EQ(findSection(stopped.image, "B"), nullptr);
    ScopedInf trail(bytes("[A]\nx\x83\x1a\nz\n[B]\ny\n"));
    EXPECT_EQ(countLines(findSection(trail.image, "A")), 2);
    EXPECT_STREQ(findSection(trail.image, "B"), "y");
}

TEST(InfLookup, SlotsHoldImagesAndReleaseThemInOrder)
{
    EXPECT_EQ(infSlot(SETUP_INF), INF_NONE);
    InfImage *setup = buildInfImage("[A]\nx\n", 6);
    InfImage *layout = buildInfImage("[B]\ny\n", 6);
    EXPECT_EQ(setInfSlot(SETUP_INF, setup), INF_NONE);
    EXPECT_EQ(setInfSlot(SETUP_INF, nullptr), nullptr) << "a failed open never replaces an image";
    EXPECT_EQ(infSlot(SETUP_INF), setup);
    setInfSlot(LAYOUT_INF, layout);
    setInfSlot(AUX_INF, buildInfImage("[C]\nz\n", 6));
    freeAuxInf();
    EXPECT_EQ(infSlot(AUX_INF), INF_NONE);
    freeAllInfs();
    EXPECT_EQ(infSlot(SETUP_INF), INF_NONE);
    EXPECT_EQ(infSlot(LAYOUT_INF), INF_NONE);
    EXPECT_EQ(defaultInf, nullptr) << "the default was released with its slot";
}

}  // namespace
