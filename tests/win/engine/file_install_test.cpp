// Single-file installs on the real platform: the Windows version library
// decides on real version resources, a second process holds a destination
// open, LZ-compressed sources are expanded, and wineboot carries out the
// deferred operations written to wininit.ini.
#include "setup/engine/file_install.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "win/engine/engine_test_util.h"

#include <gtest/gtest.h>
#include <winver.h>

#include <algorithm>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

class FileInstall : public testing::Test {
protected:
    void SetUp() override
    {
        GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
        setupState.restartNeeded = false;
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        root = std::string(temp) + "kit-install-" + testing::UnitTest::GetInstance()->current_test_info()->name();
        src = root + "\\src";
        dst = root + "\\dst";
        removeTree(root);
        CreateDirectoryA(root.c_str(), nullptr);
        CreateDirectoryA(src.c_str(), nullptr);
        CreateDirectoryA(dst.c_str(), nullptr);
        DeleteFileA(wininit.c_str());
    }
    void TearDown() override { removeTree(root); }

    // Files of the destination folder other than the expected ones (the
    // installer's temporary copies must not be left behind).
    std::vector<std::string> dstFiles()
    {
        std::vector<std::string> names;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((dst + "\\*").c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                    names.push_back(data.cFileName);
            } while (FindNextFileA(find, &data));
            FindClose(find);
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    void put(const std::string &path, const char *file) { ASSERT_TRUE(CopyFileA(testFile(file).c_str(), path.c_str(), FALSE)); }

    int install(const char *sourceName, const char *destName)
    {
        copyText(name, destName);
        return installFile(src.c_str(), sourceName, dst.c_str(), name);
    }

    std::string root, src, dst;
    std::string wininit = windowsDirectory() + "\\wininit.ini";
    ScopedFileRestore keepWininit{{windowsDirectory() + "\\wininit.ini"}};
    char name[kPathSize];
};

TEST_F(FileInstall, VersionsDecideButAnOlderSourceIsForcedIn)
{
    struct {
        const char *what;
        const char *existing;   // null: no destination yet
        const char *source;
    } cases[] = {
        {"older over newer", "verdll2.dll", "verdll1.dll"},
        {"newer over older", "verdll1.dll", "verdll2.dll"},
        {"same version", "verdll2.dll", "verdll2.dll"},
        {"unversioned over versioned", "verdll2.dll", "verdll0.dll"},
        {"versioned over unversioned", "verdll0.dll", "verdll1.dll"},
        {"new file", nullptr, "verdll1.dll"},
    };
    for (const auto &c : cases) {
        DeleteFileA((dst + "\\FOO.DLL").c_str());
        put(src + "\\FOO.DLL", c.source);
        if (c.existing != nullptr)
            put(dst + "\\FOO.DLL", c.existing);
        EXPECT_EQ(install("FOO.DLL", "FOO.DLL"), 1) << c.what;
        EXPECT_EQ(readFile(dst + "\\FOO.DLL"), readFile(testFile(c.source))) << c.what;
        EXPECT_EQ(dstFiles(), std::vector<std::string>{"FOO.DLL"}) << c.what << ": no temporary copy is left";
        EXPECT_FALSE(setupState.restartNeeded) << c.what;
    }
}

// The forced call is what puts the older file in: asked the same way without
// force, the platform refuses it.
TEST_F(FileInstall, OlderSourceIsAConflictForThePlatform)
{
    put(dst + "\\FOO.DLL", "verdll2.dll");
    put(src + "\\FOO.DLL", "verdll1.dll");
    char current[MAX_PATH], suggested[MAX_PATH], temp[MAX_PATH] = "ospritmp.tmp";
    UINT currentLength = MAX_PATH, suggestedLength = MAX_PATH, tempLength = MAX_PATH;
    VerFindFileA(VFFF_ISSHAREDFILE, (LPSTR) "FOO.DLL", setupState.windowsDir, (LPSTR)dst.c_str(), current,
                 &currentLength, suggested, &suggestedLength);
    DWORD result = VerInstallFileA(VIFF_DONTDELETEOLD, (LPSTR) "FOO.DLL", (LPSTR) "FOO.DLL", (LPSTR)src.c_str(),
                                   (LPSTR)dst.c_str(), current, temp, &tempLength);
    EXPECT_TRUE(result & VIF_SRCOLD) << std::hex << result;
    EXPECT_EQ(readFile(dst + "\\FOO.DLL"), readFile(testFile("verdll2.dll")));
    if (result & VIF_TEMPFILE)
        DeleteFileA((dst + "\\" + (temp[0] == '\\' ? temp + 1 : temp)).c_str());

    EXPECT_EQ(install("FOO.DLL", "FOO.DLL"), 1);
    EXPECT_EQ(readFile(dst + "\\FOO.DLL"), readFile(testFile("verdll1.dll")));
}

TEST_F(FileInstall, NewFileIsCreatedInUpperCaseAndNeverReadOnly)
{
    put(src + "\\abc.dll", "verdll1.dll");
    SetFileAttributesA((src + "\\abc.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(install("abc.dll", "abc.dll"), 1);
    EXPECT_STREQ(name, "ABC.DLL");
    EXPECT_EQ(dstFiles(), std::vector<std::string>{"ABC.DLL"});
    DWORD attributes = GetFileAttributesA((dst + "\\ABC.DLL").c_str());
    ASSERT_NE(attributes, INVALID_FILE_ATTRIBUTES);
    EXPECT_FALSE(attributes & FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA((src + "\\abc.dll").c_str(), FILE_ATTRIBUTE_NORMAL);
}

// A new file that is not compressed is copied without the platform
// installer: it must come out as the installer would make it.
TEST_F(FileInstall, NewFileKeepsTheSourceTimeAndBytes)
{
    put(src + "\\OLD.DLL", "verdll1.dll");
    HANDLE file = CreateFileA((src + "\\OLD.DLL").c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    SYSTEMTIME when = {1998, 6, 0, 25, 12, 0, 0, 0};
    FILETIME stamp;
    SystemTimeToFileTime(&when, &stamp);
    SetFileTime(file, nullptr, nullptr, &stamp);
    CloseHandle(file);
    SetFileAttributesA((src + "\\OLD.DLL").c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(install("OLD.DLL", "old.dll"), 1);
    EXPECT_EQ(readFile(dst + "\\OLD.DLL"), readFile(testFile("verdll1.dll")));
    WIN32_FILE_ATTRIBUTE_DATA data;
    ASSERT_TRUE(GetFileAttributesExA((dst + "\\OLD.DLL").c_str(), GetFileExInfoStandard, &data));
    EXPECT_EQ(CompareFileTime(&data.ftLastWriteTime, &stamp), 0) << "the source's time";
    EXPECT_EQ(data.dwFileAttributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY), (DWORD)FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA((src + "\\OLD.DLL").c_str(), FILE_ATTRIBUTE_NORMAL);
    SetFileAttributesA((dst + "\\OLD.DLL").c_str(), FILE_ATTRIBUTE_NORMAL);

    // Empty files and files of several read chunks.
    writeFile(src + "\\EMPTY.TXT", "");
    EXPECT_EQ(install("EMPTY.TXT", "EMPTY.TXT"), 1);
    EXPECT_TRUE(fileExists(dst + "\\EMPTY.TXT"));
    EXPECT_EQ(readFile(dst + "\\EMPTY.TXT"), "");
    std::string big(100000, 'b');
    big[70000] = 'X';
    writeFile(src + "\\BIG.DAT", big);
    EXPECT_EQ(install("BIG.DAT", "BIG.DAT"), 1);
    EXPECT_EQ(readFile(dst + "\\BIG.DAT"), big);

    // A file that is there under a name in other case is not new: it keeps
    // its name, and the version check decides.
    put(dst + "\\mixed.dll", "verdll2.dll");
    put(src + "\\MIXED.DLL", "verdll1.dll");
    EXPECT_EQ(install("MIXED.DLL", "Mixed.dll"), 1);
    EXPECT_STREQ(name, "Mixed.dll");
    EXPECT_EQ(readFile(dst + "\\mixed.dll"), readFile(testFile("verdll1.dll"))) << "forced in";
}

TEST_F(FileInstall, FailuresAreReportedNotTakenForSuccess)
{
    // The source is missing: skipped silently (0), whether or not the
    // destination is there.
    EXPECT_EQ(install("MISSING.DLL", "MISSING.DLL"), 0);
    put(dst + "\\THERE.DLL", "verdll1.dll");
    EXPECT_EQ(install("MISSING.DLL", "THERE.DLL"), 0);

    // A new file that cannot be created (no such folder) is a failure, not a success.
    put(src + "\\FOO.DLL", "verdll2.dll");
    copyText(name, "FOO.DLL");
    EXPECT_EQ(installFile(src.c_str(), "FOO.DLL", (dst + "\\nowhere").c_str(), name), -1);

    // A write-protected destination.
    put(dst + "\\FOO.DLL", "verdll1.dll");
    SetFileAttributesA((dst + "\\FOO.DLL").c_str(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(install("FOO.DLL", "FOO.DLL"), -1);
    EXPECT_EQ(readFile(dst + "\\FOO.DLL"), readFile(testFile("verdll1.dll")));
    SetFileAttributesA((dst + "\\FOO.DLL").c_str(), FILE_ATTRIBUTE_NORMAL);

    // A path that does not fit the platform's limit is refused, not cut.
    std::string longName(250, 'x');
    EXPECT_EQ(install("FOO.DLL", longName.c_str()), -1);
    EXPECT_FALSE(setupState.restartNeeded);
}

TEST_F(FileInstall, CompressedSourceIsExpanded)
{
    put(src + "\\PAYLOAD.DL_", "PAYLOAD.DL_");
    EXPECT_EQ(install("PAYLOAD.DL_", "PAYLOAD.DLL"), 1);
    EXPECT_EQ(readFile(dst + "\\PAYLOAD.DLL"), readFile(testFile("verdll2.dll")));
}

TEST_F(FileInstall, FileInUseIsReplacedAtRestart)
{
    put(dst + "\\FOO.DLL", "verdll1.dll");
    put(dst + "\\FOO.000", "verdll1.dll");   // the first name is taken
    put(src + "\\FOO.DL_", "PAYLOAD.DL_");
    Holder holder(dst + "\\FOO.DLL");
    ASSERT_TRUE(holder.holding());

    EXPECT_EQ(install("FOO.DL_", "FOO.DLL"), 1);
    EXPECT_TRUE(setupState.restartNeeded);
    EXPECT_EQ(readFile(dst + "\\FOO.001"), readFile(testFile("verdll2.dll")))
        << "the deferred copy is the expanded file";
    EXPECT_EQ(dstFiles(), (std::vector<std::string>{"FOO.000", "FOO.001", "FOO.DLL"}));
    EXPECT_EQ(renameLines(), std::vector<std::string>{shortName(dst + "\\FOO.DLL") + "=" + shortName(dst + "\\FOO.001")})
        << "Windows 98 reads wininit.ini before long names exist";
    EXPECT_NE(shortName(dst), dst) << "the folder has a long name";
}

TEST_F(FileInstall, NewKorventIsMovedInAtRestart)
{
    put(src + "\\KORVENT.DLL", "verdll2.dll");
    EXPECT_EQ(install("KORVENT.DLL", "korvent.dll"), 1);
    EXPECT_TRUE(setupState.restartNeeded);
    EXPECT_EQ(dstFiles(), std::vector<std::string>{"KORVENT.000"}) << "nothing is put in place before the restart";
    std::string drive = dst.substr(0, 3);
    // The new file is not there yet: its folder's short name and its own.
    EXPECT_EQ(renameLines(), (std::vector<std::string>{"NUL=" + drive + "DROVEL\\KORVENT.DLL",
                                                       shortName(dst) + "\\KORVENT.DLL=" +
                                                           shortName(dst + "\\KORVENT.000")}));
}

TEST_F(FileInstall, DeletingFiles)
{
    EXPECT_EQ(tryDeleteFile((dst + "\\none.dll").c_str()), (unsigned long)ERROR_FILE_NOT_FOUND);
    put(dst + "\\LOADED.DLL", "verdll1.dll");
    HMODULE loaded = LoadLibraryA((dst + "\\LOADED.DLL").c_str());
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(tryDeleteFile((dst + "\\LOADED.DLL").c_str()), (unsigned long)ERROR_ACCESS_DENIED);
    FreeLibrary(loaded);
    EXPECT_EQ(tryDeleteFile((dst + "\\LOADED.DLL").c_str()), 0u);
    EXPECT_FALSE(fileExists(dst + "\\LOADED.DLL"));
}

// The platform carries out [rename] when Windows starts again: wineboot.
TEST_F(FileInstall, WinebootCarriesOutTheDeferredOperations)
{
    put(dst + "\\FOO.DLL", "verdll1.dll");
    put(src + "\\FOO.DLL", "verdll2.dll");
    put(dst + "\\OLD.DLL", "verdll0.dll");
    {
        Holder holder(dst + "\\FOO.DLL");
        ASSERT_TRUE(holder.holding());
        EXPECT_EQ(install("FOO.DLL", "FOO.DLL"), 1);
    }
    EXPECT_EQ(scheduleDelete((dst + "\\OLD.DLL").c_str()), 1);
    ASSERT_EQ(renameLines(), (std::vector<std::string>{shortName(dst + "\\FOO.DLL") + "=" + shortName(dst + "\\FOO.000"),
                                                       "NUL=" + shortName(dst + "\\OLD.DLL")}))
        << "several lines, in order";

    ASSERT_TRUE(runWineboot());

    EXPECT_EQ(readFile(dst + "\\FOO.DLL"), readFile(testFile("verdll2.dll"))) << "replaced";
    EXPECT_EQ(dstFiles(), std::vector<std::string>{"FOO.DLL"}) << "the copy was moved, the old file deleted";
    EXPECT_FALSE(fileExists(wininit)) << "wininit.ini is used up";
}

}  // namespace
