// AddReg and DelReg lines on the real registry: the four roots, the
// overwrite rules, string data without its NUL, the root field and the
// fields that are too long. Every key the tests make is removed again.
#include "setup/engine/registry.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "win/sysconfig/win_test_util.h"

#include <gtest/gtest.h>

namespace {

const char kTestKey[] = "Software\\KitSysconfigTest";

struct Root {
    const char *field;
    HKEY key;
    std::string subkey;   // where the tests' key lives below this root
};

const Root kRoots[] = {
    {"HKLM", HKEY_LOCAL_MACHINE, kTestKey},
    {"HKCU", HKEY_CURRENT_USER, kTestKey},
    {"HKCR", HKEY_CLASSES_ROOT, "KitSysconfigTest"},
    {"HKU", HKEY_USERS, std::string(".DEFAULT\\") + kTestKey},
};

class Registry : public testing::Test {
protected:
    testsupport::ScopedRegistryTree trees[4] = {
        {kRoots[0].key, kRoots[0].subkey.c_str()},
        {kRoots[1].key, kRoots[1].subkey.c_str()},
        {kRoots[2].key, kRoots[2].subkey.c_str()},
        {kRoots[3].key, kRoots[3].subkey.c_str()},
    };
    SavedValue rootValue{HKEY_CURRENT_USER, "", "KitSysconfigRootValue"};

    void SetUp() override
    {
        copyText(setupState.windowsDir, "C:\\WINDOWS");
        copyText(setupState.systemDir, "C:\\WINDOWS\\SYSTEM");
    }

    // Runs every line of [Lines] of the INF text through an executor.
    static int run(const std::string &inf, bool add, int overwrite)
    {
        ScopedInf image(inf);
        int count = countSectionLines("Lines", image.image);
        return add ? addReg("Lines", count, "test.inf", image.image, overwrite)
                   : delReg("Lines", count, "test.inf", image.image, 0);
    }
};

std::string value(const RegValue &v)
{
    return v.present ? v.data : "<absent>";
}

TEST_F(Registry, OverwriteRulesOnEveryRoot)
{
    std::string lines = "[Lines]\n";
    for (const Root &root : kRoots)
        lines += std::string(root.field) + "," + root.subkey + ",Ver,0,1.0\n";
    // Half the roots hold an older value already.
    writeValue(HKEY_LOCAL_MACHINE, kRoots[0].subkey, "Ver", "0.9");
    writeValue(HKEY_CLASSES_ROOT, kRoots[2].subkey, "Ver", "0.9");

    EXPECT_EQ(run(lines, true, 0), 5) << "the line count plus one";
    EXPECT_EQ(value(readValue(HKEY_LOCAL_MACHINE, kRoots[0].subkey, "Ver")), "0.9");
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, kRoots[1].subkey, "Ver")), "1.0");
    EXPECT_EQ(value(readValue(HKEY_CLASSES_ROOT, kRoots[2].subkey, "Ver")), "0.9");
    EXPECT_EQ(value(readValue(HKEY_USERS, kRoots[3].subkey, "Ver")), "1.0");

    run(lines, true, 1);
    for (const Root &root : kRoots) {
        RegValue v = readValue(root.key, root.subkey, "Ver");
        EXPECT_EQ(value(v), "1.0") << root.field;
        EXPECT_EQ(v.type, (DWORD)REG_SZ) << root.field;
    }
}

// String data is handed over without its NUL. That cannot be seen here: Wine,
// like Windows NT, counts the NUL in when the byte after the given length is
// one, so the stored value looks the same either way.

TEST_F(Registry, DefaultValueOfAnExistingSubkeyIsKept)
{
    std::string sub = std::string(kTestKey) + "\\Def";
    std::string line = "[Lines]\nHKCU," + sub + ",,0,";
    run(line + "first\n", true, 0);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, sub, "")), "first") << "a missing subkey is made with it";
    run(line + "second\n", true, 0);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, sub, "")), "first");
    run(line + "second\n", true, 1);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, sub, "")), "second");

    // A subkey that exists without a default value does not get one either.
    std::string bare = std::string(kTestKey) + "\\Bare";
    HKEY key;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, bare.c_str(), &key), ERROR_SUCCESS);
    RegCloseKey(key);
    run("[Lines]\nHKCU," + bare + ",,0,x\n", true, 0);
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, bare, "").present);
}

TEST_F(Registry, ValueTooLongToQueryIsOverwritten)
{
    std::string subkey = kRoots[1].subkey;
    writeValue(HKEY_CURRENT_USER, subkey, "Big", std::string(300, 'b'));
    writeValue(HKEY_CURRENT_USER, subkey, "Small", "old");
    setRegString(HKEY_CURRENT_USER, subkey.c_str(), "Big", "new", 0);
    setRegString(HKEY_CURRENT_USER, subkey.c_str(), "Small", "new", 0);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, subkey, "Big")), "new") << "more than 256 bytes counts as absent";
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, subkey, "Small")), "old");
}

TEST_F(Registry, FieldsAreUnquotedAndExpanded)
{
    run("[Strings]\nKEY=Software\\KitSysconfigTest\nNAME=Named\n"
        "[Lines]\n"
        "HKCU,%KEY%,\"Path\",0,\"%11%\\foo.exe\"\n"
        "HKCU,%KEY%,%NAME%,,\"quoted, with comma\"\n",
        true, 1);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, kTestKey, "Path")), "C:\\WINDOWS\\SYSTEM\\foo.exe");
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, kTestKey, "Named")), "quoted, with comma");
}

TEST_F(Registry, ValuesDirectlyUnderTheRoot)
{
    run("[Lines]\nHKCU,,KitSysconfigRootValue,0,x\n", true, 0);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, "", "KitSysconfigRootValue")), "x");
    run("[Lines]\nHKCU,,KitSysconfigRootValue,0,y\n", true, 0);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, "", "KitSysconfigRootValue")), "x");
    run("[Lines]\nHKCU,,KitSysconfigRootValue,0,y\n", true, 1);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, "", "KitSysconfigRootValue")), "y");
    EXPECT_EQ(run("[Lines]\nHKCU,,KitSysconfigRootValue\n", false, 0), 2);
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, "", "KitSysconfigRootValue").present);
}

TEST_F(Registry, DelRegDeletesKeysAndValuesAsNamed)
{
    std::string gone = std::string(kTestKey) + "\\Gone", keep = std::string(kTestKey) + "\\Keep";
    writeValue(HKEY_CURRENT_USER, gone, "V", "1");
    for (const char *name : {"Ver", "Other", "Quoted", "\"Quoted\""})
        writeValue(HKEY_CURRENT_USER, keep, name, "1");
    writeValue(HKEY_LOCAL_MACHINE, kTestKey, "Ver", "1");

    EXPECT_EQ(run("[Lines]\n"
                  "HKCU,Software\\KitSysconfigTest\\Gone\n"
                  "HKCU,Software\\KitSysconfigTest\\Keep,Ver\n"
                  "HKCU,Software\\KitSysconfigTest\\Keep,\"Quoted\"\n"
                  "HKCU,Software\\KitSysconfigTest\\Missing,Ver\n"
                  "HKCU\n",
                  false, 0),
              6);
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, gone));
    EXPECT_TRUE(keyExists(HKEY_CURRENT_USER, keep));
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, keep, "Ver").present);
    EXPECT_TRUE(readValue(HKEY_CURRENT_USER, keep, "Other").present);
    EXPECT_TRUE(readValue(HKEY_CURRENT_USER, keep, "Quoted").present) << "the quotes are part of the name";
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, keep, "\"Quoted\"").present);
    EXPECT_TRUE(readValue(HKEY_LOCAL_MACHINE, kTestKey, "Ver").present) << "HKCU lines leave HKLM alone";
    EXPECT_FALSE(keyExists(HKEY_CURRENT_USER, std::string(kTestKey) + "\\Missing"));
}

// A root field that names no root skips its line; the root of the line
// before it is not carried over.
TEST_F(Registry, LineWithUnknownRootIsSkipped)
{
    std::string lines = "[Lines]\n"
                        "HKCU,Software\\KitSysconfigTest,Good,0,1\n"
                        "HKEY_LOCAL_MACHINE,Software\\KitSysconfigTest,Full,0,1\n"
                        "hkcu,Software\\KitSysconfigTest,Lower,0,1\n"
                        "HK,Software\\KitSysconfigTest,Short,0,1\n";
    EXPECT_EQ(run(lines, true, 1), 5);
    EXPECT_TRUE(readValue(HKEY_CURRENT_USER, kTestKey, "Good").present);
    for (const char *name : {"Full", "Lower", "Short"}) {
        EXPECT_FALSE(readValue(HKEY_CURRENT_USER, kTestKey, name).present) << name;
        EXPECT_FALSE(readValue(HKEY_LOCAL_MACHINE, kTestKey, name).present) << name;
    }
    writeValue(HKEY_CURRENT_USER, kTestKey, "Full", "1");
    run("[Lines]\nHKCU,Software\\KitSysconfigTest,Good\nHKEY_CURRENT_USER,Software\\KitSysconfigTest,Full\n", false,
        0);
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, kTestKey, "Good").present);
    EXPECT_TRUE(readValue(HKEY_CURRENT_USER, kTestKey, "Full").present);
}

// A field longer than its 259-byte buffer refuses the whole line rather than
// write a cut value; 259 bytes are written whole.
TEST_F(Registry, OverlongFieldRefusesTheLine)
{
    std::string fits(259, 'f'), tooLong(260, 't');
    run("[Lines]\nHKCU,Software\\KitSysconfigTest,Fits,0," + fits + "\nHKCU,Software\\KitSysconfigTest,Long,0," +
            tooLong + "\n",
        true, 1);
    EXPECT_EQ(value(readValue(HKEY_CURRENT_USER, kTestKey, "Fits")), fits);
    EXPECT_FALSE(readValue(HKEY_CURRENT_USER, kTestKey, "Long").present);
}

}  // namespace
