// The kit checker's model of the platform's profile reader: a table of
// files and what reading one key of each gives. Natively the model against
// the table; under Wine also against GetPrivateProfileStringA itself, on
// the cases where Windows is documented to read the same.
#include "tools/kitcheck/profile_reader.h"

#include <gtest/gtest.h>

#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

struct ProfileCase {
    const char *file;
    const char *section;
    const char *key;
    bool found;
    const char *value;
    unsigned line;
};

const ProfileCase kCases[] = {
    // a comment after a value is part of it; blanks around it are not
    {"[version]\r\nsignature=$UPGKIT$ ; the kit\r\n", "version", "signature", true, "$UPGKIT$ ; the kit", 2},
    {"[version]\r\n  signature \t=  $UPGKIT$  \r\n", "version", "signature", true, "$UPGKIT$", 2},
    {"[version]\nsignature=$UPGKIT$", "version", "signature", true, "$UPGKIT$", 2},
    // quotes around the whole value go; any other quote stays
    {"[version]\r\nsignature=\"$UPGKIT$\"\r\n", "version", "signature", true, "$UPGKIT$", 2},
    {"[version]\r\nsignature='$UPGKIT$'\r\n", "version", "signature", true, "$UPGKIT$", 2},
    {"[version]\r\nsignature=\"$UPGKIT$\" ; kit\r\n", "version", "signature", true, "\"$UPGKIT$\" ; kit", 2},
    {"[version]\r\nsignature=\"$UPGKIT$\r\n", "version", "signature", true, "\"$UPGKIT$", 2},
    {"[version]\r\nsignature=\r\n", "version", "signature", true, "", 2},
    // sections: without regard to case, blanks inside the brackets dropped,
    // the first alone
    {"[VERSION]\r\nSignature=a\r\n", "version", "signature", true, "a", 2},
    {"[ version ]\r\nsignature=a\r\n", "version", "signature", true, "a", 2},
    {"[\tversion]\r\nsignature=a\r\n", "version", "signature", true, "a", 2},
    {"[ver sion]\r\nsignature=a\r\n", "version", "signature", false, "", 0},
    {"[version] ; the header\r\nsignature=a\r\n", "version", "signature", true, "a", 2},
    {"[version]\r\nclass=x\r\n[other]\r\n[version]\r\nsignature=a\r\n", "version", "signature", false, "", 0},
    {"[other]\r\nsignature=b\r\n[version]\r\nsignature=a\r\n", "version", "signature", true, "a", 4},
    // keys: the first line of the key; a comment line is a key of its own
    {"[version]\r\nsignature=a\r\nsignature=b\r\n", "version", "signature", true, "a", 2},
    {"[version]\r\n;signature=a\r\nsignature=b\r\n", "version", "signature", true, "b", 3},
    {"[version]\r\n; signature=a\r\n", "version", "signature", false, "", 0},
    // a line that opens a bracket but never closes it is no header
    {"[version]\r\n[note\r\nsignature=a\r\n", "version", "signature", true, "a", 3},
    // a trail byte 0x5D is not the "]" of a header, nor is 0x3D after a lead byte an "="
    {"[version]\r\n[\x83\x5D\r\nsignature=a\r\n", "version", "signature", true, "a", 3},
    {"[\x83\x5D]\r\nsignature=a\r\n", "\x83\x5D", "signature", true, "a", 2},
};

TEST(ProfileReader, ReadsAsThePlatformDoes)
{
    for (const ProfileCase &c : kCases) {
        std::string value = "unchanged";
        unsigned line = 99;
        EXPECT_EQ(c.found, readProfileValue(c.file, c.section, c.key, value, &line)) << c.file;
        EXPECT_EQ(c.value, value) << c.file;
        EXPECT_EQ(c.line, line) << c.file;
    }
}

#ifdef _WIN32
// The same files through the platform: what the model says is what the setup
// program's own call returns.
TEST(ProfileReader, AgreesWithGetPrivateProfileString)
{
    char dir[MAX_PATH];
    ASSERT_NE(GetTempPathA(sizeof dir, dir), 0u);
    int n = 0;
    for (const ProfileCase &c : kCases) {
        // A name of its own per case: the platform keeps read files cached.
        std::string path = std::string(dir) + "kitcheck-profile-" + std::to_string(GetCurrentProcessId()) + "-" +
                           std::to_string(n++) + ".inf";
        HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, c.file, (DWORD)strlen(c.file), &written, nullptr);
        CloseHandle(file);
        char platform[260];
        GetPrivateProfileStringA(c.section, c.key, "(default)", platform, sizeof platform, path.c_str());
        std::string model;
        bool found = readProfileValue(c.file, c.section, c.key, model);
        EXPECT_EQ(found ? model : std::string("(default)"), std::string(platform)) << c.file;
        DeleteFileA(path.c_str());
    }
}
#endif

}  // namespace
