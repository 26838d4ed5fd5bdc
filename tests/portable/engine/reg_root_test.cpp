// The root field of AddReg and DelReg lines: only its third and fourth
// characters count, compared exactly.
#include "setup/engine/reg_root.h"

#include <gtest/gtest.h>

TEST(RegRoot, ThirdAndFourthCharacterSelect)
{
    struct {
        const char *field;
        RegRoot root;
    } cases[] = {
        {"HKCR", REG_ROOT_CLASSES},
        {"HKCU", REG_ROOT_USER},
        {"HKC", REG_ROOT_USER},          // "C" with anything else after it
        {"HKCr", REG_ROOT_USER},         // the fourth character is compared exactly
        {"HKLM", REG_ROOT_MACHINE},
        {"xxL", REG_ROOT_MACHINE},       // the first two are never looked at
        {"HKU", REG_ROOT_USERS},
        {"HKEY_LOCAL_MACHINE", REG_ROOT_NONE},
        {"HKEY_CLASSES_ROOT", REG_ROOT_NONE},
        {"hklm", REG_ROOT_NONE},
        {"HK", REG_ROOT_NONE},
        {"H", REG_ROOT_NONE},
        {"", REG_ROOT_NONE},
        // Full-width H and K are one character each: the third character
        // is "L", though the third byte is a lead byte.
        {"\x82\x67\x82\x6aLM", REG_ROOT_MACHINE},
    };
    for (const auto &c : cases)
        EXPECT_EQ(regRootFromField(c.field), c.root) << c.field;
}
