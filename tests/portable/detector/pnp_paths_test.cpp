// Device key paths built from enumerated subkey names and HardWareKey values.
#include "detector/pnp_paths.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(BusEnumeratorPath, SevenCharactersOfTheNameBetweenRootAndInstance)
{
    struct Case {
        const char *subkey;
        const char *path;   // null: not a device
    } cases[] = {
        {"QEL1234", "Enum\\CQXPNP\\QEL1234\\FFFFFFFF"},
        {"QEL12345678", "Enum\\CQXPNP\\QEL1234\\FFFFFFFF"},   // 'Q': any length, seven taken
        {"ABC12345", "Enum\\CQXPNP\\ABC1234\\FFFFFFFF"},      // eight characters
        {"ABC123456", nullptr},                              // nine, not 'Q'
        {"QEL01", "Enum\\CQXPNP\\QEL01\\FFFFFFFF"},           // short: whole name, no padding
        {"q1234567890", nullptr},                            // 'q' is not the vendor letter
    };
    for (const auto &c : cases) {
        char path[kKeyPathSize];
        bool made = busEnumeratorPath(c.subkey, path);
        EXPECT_EQ(c.path != nullptr, made) << c.subkey;
        if (c.path) {
            EXPECT_STREQ(c.path, path) << c.subkey;
        }
    }
}

TEST(DevicePaths, RootPortsAndConfigManager)
{
    char path[kKeyPathSize];
    ASSERT_TRUE(rootPortsPath("*PNP0500", path));
    EXPECT_STREQ("Enum\\Root\\Ports\\*PNP0500", path);
    ASSERT_TRUE(configNodePath("C29A3A20", path));
    EXPECT_STREQ("Config Manager\\Enum\\C29A3A20", path);

    // A HardWareKey of the full 127 characters is taken whole.
    std::string key = "PCI\\VEN_1234&DEV_5678&SUBSYS_00000000&REV_01\\" + std::string(127 - 45, 'B');
    ASSERT_EQ(127u, key.size());
    ASSERT_TRUE(configDevicePath(key.c_str(), path));
    EXPECT_EQ("Enum\\" + key, path);
}

TEST(DevicePaths, TooLongForThePathIsRefusedNotCut)
{
    std::string name(300, 'N');
    char path[kKeyPathSize];
    EXPECT_FALSE(rootPortsPath(name.c_str(), path));
    EXPECT_STREQ("", path);
    std::string fits(kKeyPathSize - 1 - 5, 'K');
    EXPECT_TRUE(configDevicePath(fits.c_str(), path));
    EXPECT_FALSE(configDevicePath((fits + "K").c_str(), path));
}

}  // namespace
