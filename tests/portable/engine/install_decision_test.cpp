// What each result of the version-checking installer leads to, for every bit
// the installer can report, and the names of deferred copies.
#include "setup/engine/install_decision.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(InstallDecision, EveryResultBit)
{
    struct {
        unsigned long result;
        InstallStep first, forced;
    } cases[] = {
        {0, INSTALL_COMPLETE, INSTALL_COMPLETE},
        {kVifTempFile, INSTALL_COMPLETE, INSTALL_COMPLETE},
        {kVifMismatch, INSTALL_FORCE, INSTALL_FAIL},
        {kVifSrcOld, INSTALL_FORCE, INSTALL_FAIL},
        {kVifDiffLang, INSTALL_FORCE, INSTALL_FAIL},
        {kVifDiffCodePage, INSTALL_FORCE, INSTALL_FAIL},
        {kVifDiffType, INSTALL_FORCE, INSTALL_FAIL},
        {kVifTempFile | kVifMismatch | kVifSrcOld, INSTALL_FORCE, INSTALL_FAIL},
        {kVifWriteProt, INSTALL_FAIL, INSTALL_FAIL},
        {kVifFileInUse, INSTALL_FAIL, INSTALL_FAIL},
        {kVifOutOfSpace, INSTALL_FAIL, INSTALL_FAIL},
        {kVifAccessViolation, INSTALL_FAIL, INSTALL_FAIL},
        {kVifSharingViolation, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotCreate, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotRename, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotDeleteCur, INSTALL_FAIL, INSTALL_FAIL},
        {kVifOutOfMemory, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotReadDst, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotReadSrc, INSTALL_UNREADABLE, INSTALL_UNREADABLE},
        {kVifBuffTooSmall, INSTALL_COMPLETE, INSTALL_COMPLETE},
        // A destination that cannot be deleted is replaced at restart, whatever else is wrong.
        {kVifCannotDelete, INSTALL_SCHEDULE, INSTALL_SCHEDULE},
        {kVifSharingViolation | kVifCannotDelete, INSTALL_SCHEDULE, INSTALL_SCHEDULE},
        {kVifAccessViolation | kVifCannotDelete | kVifMismatch, INSTALL_SCHEDULE, INSTALL_SCHEDULE},
        // An error wins over a conflict, a conflict over an unreadable source.
        {kVifWriteProt | kVifMismatch, INSTALL_FAIL, INSTALL_FAIL},
        {kVifCannotReadSrc | kVifSrcOld, INSTALL_FORCE, INSTALL_FAIL},
        {kVifCannotReadSrc | kVifOutOfSpace, INSTALL_FAIL, INSTALL_FAIL},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(decideInstall(c.result, false), c.first) << std::hex << c.result;
        EXPECT_EQ(decideInstall(c.result, true), c.forced) << std::hex << c.result;
    }
}

TEST(InstallDecision, DeferredCopyNames)
{
    struct {
        const char *target;
        int n;
        const char *name;
    } cases[] = {
        {"C:\\WINDOWS\\SYSTEM\\FOO.DLL", 0, "C:\\WINDOWS\\SYSTEM\\FOO.000"},
        {"C:\\WINDOWS\\SYSTEM\\FOO.DLL", 7, "C:\\WINDOWS\\SYSTEM\\FOO.007"},
        {"C:\\WINDOWS\\SYSTEM\\FOO.DLL", 999, "C:\\WINDOWS\\SYSTEM\\FOO.999"},
        {"C:\\A.B\\FOO.TAR.GZ", 12, "C:\\A.B\\FOO.TAR.012"},
        {"C:\\MY.DIR\\FOO", 1, "C:\\MY.DIR\\FOO001"},    // the copy stays in the target's folder
        {"C:\\DIR\\FOO", 2, "C:\\DIR\\FOO002"},
        {".PROFILE", 3, ".PROFILE003"},                 // a '.' in the first place does not count
        {"C:\\\x83\x2e\\\x95\x5c.DLL", 4, "C:\\\x83\x2e\\\x95\x5c.004"},
        {"C:\\\x95\x2e", 5, "C:\\\x95\x2e" "005"},      // 0x2E as a second byte is no '.'
    };
    for (const auto &c : cases) {
        char name[260];
        EXPECT_TRUE(deferredCopyName(c.target, c.n, name, sizeof name)) << c.target;
        EXPECT_STREQ(name, c.name) << c.target;
    }
    char name[260];
    EXPECT_FALSE(deferredCopyName("C:\\FOO.DLL", 1000, name, sizeof name));
    EXPECT_FALSE(deferredCopyName("C:\\FOO.DLL", -1, name, sizeof name));
    char tight[10];
    EXPECT_FALSE(deferredCopyName("C:\\FOO.DLL", 0, tight, sizeof tight)) << "a cut name is refused";
    char exact[11];
    EXPECT_TRUE(deferredCopyName("C:\\FOO.DLL", 0, exact, sizeof exact));
    EXPECT_STREQ(exact, "C:\\FOO.000");
}

}  // namespace
