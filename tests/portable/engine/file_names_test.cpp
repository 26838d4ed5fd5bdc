// The portable rules of the file directives: compressed names on floppy
// disks, layout entries and MergeFiles lines.
#include "setup/engine/file_directives.h"
#include "setup/inf/text.h"
#include "portable/inf_test_util.h"

#include <gtest/gtest.h>

TEST(FileNames, CompressedNameByExtensionLength)
{
    struct {
        const char *name;
        const char *stored;
    } cases[] = {
        {"SETUP.EXE", "SETUP.EX_"},   // four with the dot: last character replaced
        {"README", "README._"},       // no extension
        {"A.H", "A.H_"},              // two
        {"FOO.DL", "FOO.DL_"},        // three
        {"NAME.", "NAME."},           // only the dot
        {"DATA.HTML", "DATA.HTML"},   // five and more: kept
        {".PROFILE", ".PROFILE"},     // a leading dot makes all of it the extension
        {".AB", ".AB_"},
        {"A.B.C", "A.B._"},           // from the first dot
        {"\x95\x5c.\x83\x5c", "\x95\x5c.\x83\x5c_"},   // 0x5C trail bytes are not separators
        {"X.\x83\x5c", "X.\x83\x5c_"},   // lengths are in bytes
        {"X.A\x83\x5c", "X.A_"},     // a double-byte last character is replaced whole
    };
    for (const auto &c : cases) {
        char name[32];
        copyText(name, c.name);
        EXPECT_TRUE(compressName(name)) << c.name;
        EXPECT_STREQ(name, c.stored) << c.name;
    }
    char full[8] = "ABCDEFG";
    EXPECT_FALSE(compressName(full)) << "no room for ._";
    EXPECT_STREQ(full, "ABCDEFG");
    char almost[8] = "ABCD.E";
    EXPECT_TRUE(compressName(almost));
    EXPECT_STREQ(almost, "ABCD.E_");
}

TEST(FileNames, LayoutEntries)
{
    ScopedInf layout("[SourceDisksFiles]\n"
                     "FOO.EXE=2,BIN,1234\n"
                     "PLAIN.DLL=0,,10\n"
                     "ODD.DAT=3x,\"sub dir\"\n"
                     "NODISK.TXT=,DOCS\n"
                     "HUGE.DAT=99999999999999999999\n");
    struct {
        const char *name;
        int disk;
        const char *subdir;
    } cases[] = {
        {"FOO.EXE", 2, "BIN"}, {"foo.exe", 2, "BIN"}, {"PLAIN.DLL", 0, ""}, {"ODD.DAT", 3, "\"sub dir\""},
        {"NODISK.TXT", 0, "DOCS"}, {"MISSING.TXT", 0, ""},
    };
    for (const auto &c : cases) {
        LayoutEntry entry = findLayoutEntry(c.name, layout.image);
        EXPECT_EQ(entry.disk, c.disk) << c.name;
        EXPECT_STREQ(entry.subdir, c.subdir) << c.name;
    }
    EXPECT_GE(findLayoutEntry("HUGE.DAT", layout.image).disk, 100000) << "no overflow";
    for (InfImage *none : {(InfImage *)nullptr, INF_NONE}) {
        LayoutEntry entry = findLayoutEntry("FOO.EXE", none);
        EXPECT_EQ(entry.disk, 0) << "no layout INF: disk 0";
        EXPECT_STREQ(entry.subdir, "");
    }
}

TEST(FileNames, MergeLines)
{
    char target[kPathSize];
    char line[64];
    copyText(line, "BIG.DAT =BIG.1,BIG.2");
    char *parts = splitMergeLine(line, target);
    ASSERT_NE(parts, nullptr);
    EXPECT_STREQ(target, "BIG.DAT");
    EXPECT_STREQ(parts, "BIG.1,BIG.2");

    copyText(line, "\x83\x3d.DAT=P");   // 0x3D ('=') as a trail byte
    parts = splitMergeLine(line, target);
    ASSERT_NE(parts, nullptr);
    EXPECT_STREQ(target, "\x83\x3d.DAT");
    EXPECT_STREQ(parts, "P");

    copyText(line, "NO_PARTS.DAT");
    EXPECT_EQ(splitMergeLine(line, target), nullptr) << "a line without = has no parts";
    EXPECT_STREQ(target, "");
}
