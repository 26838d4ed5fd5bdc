// The install driver against recording stand-ins for its executors: which
// sections run, in which order, with which extra value, and where a run
// stops.
#include "setup/engine/directives.h"
#include "setup/engine/install_driver.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "portable/inf_test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

// What the stand-ins saw: "Kind:Section:extra", in call order.
std::vector<std::string> calls;
// A section's result (1 when not named), and what it does to the flags.
std::map<std::string, int> results;
std::map<std::string, std::function<void()>> effects;

int record(const char *kind, const char *section, int extra)
{
    calls.push_back(std::string(kind) + ":" + section + ":" + std::to_string(extra));
    auto effect = effects.find(section);
    if (effect != effects.end())
        effect->second();
    auto result = results.find(section);
    return result == results.end() ? 1 : result->second;
}

std::string joined()
{
    std::string text;
    for (const std::string &call : calls)
        text += (text.empty() ? "" : " ") + call;
    return text;
}

}  // namespace

int delFiles(const char *s, int, const char *, InfImage *, int x) { return record("Del", s, x); }
int delReg(const char *s, int, const char *, InfImage *, int x) { return record("DelReg", s, x); }
int copyFiles(const char *s, int, const char *, InfImage *, int x) { return record("Copy", s, x); }
int mergeFiles(const char *s, int, const char *, InfImage *, int x) { return record("Merge", s, x); }
int addReg(const char *s, int, const char *, InfImage *, int x) { return record("AddReg", s, x); }
int updateInis(const char *s, int, const char *, InfImage *, int x) { return record("Inis", s, x); }
int updateIniFields(const char *s, int, const char *, InfImage *, int x) { return record("Fields", s, x); }

namespace {

// One listed section per directive, each with one line; and the odd cases.
const char kInf[] =
    "[Full]\n"
    "DelFiles=D1\nDelReg=R1\nCopyFiles=C1\nMergeFiles=M1\nAddReg=A1\nUpdateInis=I1\nUpdateIniFields=F1\n"
    "[Removal]\n"
    "DelFiles=D1\nDelReg=R1\nCopyFiles=C1\nMergeFiles=M1\nAddReg=A1\nUpdateInis=I1\nUpdateIniFields=F1\n"
    "[Bare]\n"
    "Note=nothing to run\n"
    "[SkipMissing]\n"
    "CopyFiles=Nowhere, C1\nAddReg=A1\n"
    "[OnlyEmpty]\n"
    "CopyFiles=Empty\nMergeFiles=M1\nAddReg=A1\nUpdateInis=I1\nUpdateIniFields=F1\n"
    "[ThreeCopies]\n"
    "CopyFiles=C1,C2,C3\nAddReg=A1\n"
    "[BaseWinOptions]\n"
    "Bare\nFull\nSkipMissing\n"
    "[D1]\nx\n[R1]\nx\n[C1]\nx\n[C2]\nx\n[C3]\nx\n[M1]\nx\n[A1]\nx\n[I1]\nx\n[F1]\nx\n[Empty]\n";

class InstallDriver : public ::testing::Test {
protected:
    void SetUp() override
    {
        calls.clear();
        results.clear();
        effects.clear();
        engineState = EngineState();
        setupState.foundInWindowsInf = false;
    }
    int run(const char *section, int overwrite = 1)
    {
        return runInstallSection(section, "X:\\KIT\\KIT.INF", inf.image, overwrite);
    }
    ScopedInf inf{kInf};
};

TEST_F(InstallDriver, FullRunInItsOrderWithTheExtraValues)
{
    EXPECT_EQ(run("Full", 1), 1);
    EXPECT_EQ(joined(), "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0 AddReg:A1:1 Inis:I1:1 Fields:F1:0");
    calls.clear();
    EXPECT_EQ(run("Full", 0), 1);
    EXPECT_EQ(calls[4], "AddReg:A1:0") << "the overwrite flag reaches AddReg only";
    EXPECT_TRUE(engineState.keepInstalling);
}

TEST_F(InstallDriver, NothingToRunIsDone)
{
    EXPECT_EQ(run("Bare"), 1);
    EXPECT_EQ(run("NoSuchSection"), 1);
    EXPECT_TRUE(calls.empty());
}

TEST_F(InstallDriver, MissingListedSectionsAreSkippedAndEmptyOnesFail)
{
    EXPECT_EQ(run("SkipMissing"), 1);
    EXPECT_EQ(joined(), "Copy:C1:0 AddReg:A1:1");
    calls.clear();
    EXPECT_EQ(run("OnlyEmpty"), 0) << "a directive none of whose sections ran has failed";
    EXPECT_TRUE(calls.empty()) << joined();
}

TEST_F(InstallDriver, AFailedDirectiveEndsTheSection)
{
    // Each directive that must succeed, failing, and what still ran before it.
    struct {
        const char *failing;
        const char *ran;
        int result;
    } cases[] = {
        {"D1", "Del:D1:0", 0},
        {"R1", "Del:D1:0 DelReg:R1:0", 0},
        {"C1", "Del:D1:0 DelReg:R1:0 Copy:C1:0", 0},
        {"M1", "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0", 0},
        {"A1", "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0 AddReg:A1:1", 0},
        {"I1", "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0 AddReg:A1:1 Inis:I1:1", 0},
        {"F1", "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0 AddReg:A1:1 Inis:I1:1 Fields:F1:0", 1},
    };
    for (const auto &c : cases) {
        calls.clear();
        results.clear();
        results[c.failing] = 0;
        EXPECT_EQ(run("Full"), c.result) << c.failing;
        EXPECT_EQ(joined(), c.ran) << c.failing;
    }
}

TEST_F(InstallDriver, GivenUpFilesSkipTheRegistryAndIniChanges)
{
    // The user declines a missing file after the first line: the copy
    // section counts, MergeFiles still runs, the rest does not.
    effects["C1"] = [] { engineState.keepInstalling = false; };
    EXPECT_EQ(run("Full"), 1);
    EXPECT_EQ(joined(), "Del:D1:0 DelReg:R1:0 Copy:C1:0 Merge:M1:0");
    // Declined on the first line: the copy directive counts nothing.
    calls.clear();
    results["C1"] = 0;
    EXPECT_EQ(run("Full"), 0);
    EXPECT_EQ(joined(), "Del:D1:0 DelReg:R1:0 Copy:C1:0");
    // The next section starts with its copies wanted again.
    calls.clear();
    effects.clear();
    results.clear();
    EXPECT_EQ(run("SkipMissing"), 1);
    EXPECT_EQ(joined(), "Copy:C1:0 AddReg:A1:1");
}

TEST_F(InstallDriver, ACancelWithFilesGivenUpStopsTheList)
{
    effects["C2"] = [] {
        engineState.keepInstalling = false;
        engineState.cancelRequested = true;
    };
    EXPECT_EQ(run("ThreeCopies"), 1);
    EXPECT_EQ(joined(), "Copy:C1:0 Copy:C2:0");
    // A cancel alone, with the files still wanted, does not stop the list.
    calls.clear();
    effects.clear();
    engineState.cancelRequested = true;
    EXPECT_EQ(run("ThreeCopies"), 1);
    EXPECT_EQ(joined(), "Copy:C1:0 Copy:C2:0 Copy:C3:0 AddReg:A1:1");
}

TEST_F(InstallDriver, LaterDiskPassesOnlyCopy)
{
    for (int pass : {2, 3}) {
        calls.clear();
        engineState.currentDiskPass = pass;
        EXPECT_EQ(run("Full"), 1);
        EXPECT_EQ(joined(), "Copy:C1:0 Merge:M1:0") << pass;
    }
    calls.clear();
    engineState.currentDiskPass = 1;
    EXPECT_EQ(run("Full"), 1);
    EXPECT_EQ(calls.size(), 7u) << "the first disk pass is a full run";
}

TEST_F(InstallDriver, RemovalRunsItsFourDirectivesWhateverTheyAnswer)
{
    results = {{"D1", 0}, {"R1", 0}, {"A1", 0}, {"I1", 0}};
    EXPECT_EQ(runUninstallSection("Removal", "X:\\KIT.INF", inf.image), 1);
    EXPECT_EQ(joined(), "Del:D1:0 DelReg:R1:0 AddReg:A1:1 Inis:I1:2");
}

TEST_F(InstallDriver, TooLongNamesAndListsAreRefusedNotCut)
{
    std::string longName(64, 'S');
    std::string longList = "C1";
    while (longList.size() <= kSectionListLimit)
        longList += ",C2";
    std::string text = "[LongName]\nCopyFiles=" + longName + ",C1\n[" + longName + "]\nx\n[LongList]\nCopyFiles=" +
                       longList + "\nAddReg=A1\n[C1]\nx\n[C2]\nx\n[A1]\nx\n";
    ScopedInf odd(text);
    EXPECT_EQ(runInstallSection("LongName", "K.INF", odd.image, 1), 1);
    EXPECT_EQ(joined(), "Copy:C1:0") << "a 64-byte section name is never run";
    calls.clear();
    EXPECT_EQ(runInstallSection("LongList", "K.INF", odd.image, 1), 0);
    EXPECT_TRUE(calls.empty()) << "a list longer than 259 bytes is refused whole";


    calls.clear();
    ScopedInf spaced("[Spaced]\nCopyFiles= C1 , \"C2\", C3 ; a note\n[C1]\nx\n[C2]\nx\n[C3]\nx\n");
    EXPECT_EQ(runInstallSection("Spaced", "K.INF", spaced.image, 1), 1);
    EXPECT_EQ(joined(), "Copy:C1:0 Copy:C3:0") << "blanks and the note are dropped; a quoted name is no section";
}

TEST_F(InstallDriver, ADoubleByteCharacterAcrossTheLimitIsNoCut)
{
    // ア (83 41) where the limit falls inside it: copying stops just before
    // it, and that shorter text names a section that exists. The whole text
    // is too long and is refused.
    const std::string a = "\x83\x41";
    std::string name63(kSectionNameLimit, 'S');
    std::string list;
    for (int i = 0; i < 85; ++i)
        list += "C1,";
    list += "X,AB" + a + "Z";
    ASSERT_EQ(list.size(), kSectionListLimit + 3);
    ScopedInf odd("[BaseWinOptions]\n" + name63 + a + "\n[" + name63 + "]\nAddReg=A1\n[LongList]\nCopyFiles=" + list +
                  "\n[AB]\nx\n[C1]\nx\n[A1]\nx\n");
    EXPECT_EQ(runBaseWinOptions(1, "K.INF", odd.image), 0);
    EXPECT_EQ(joined(), "") << "a 65-byte line of [BaseWinOptions] runs nothing";
    EXPECT_EQ(runInstallSection("LongList", "K.INF", odd.image, 1), 0);
    EXPECT_EQ(joined(), "") << "a 262-byte list runs none of its sections";
}

TEST_F(InstallDriver, BaseWinOptionsStopsAtTheFirstFailure)
{
    EXPECT_EQ(runBaseWinOptions(3, "K.INF", inf.image), 3);
    EXPECT_EQ(calls.size(), 9u) << joined();
    EXPECT_EQ(calls[0], "Del:D1:0");
    EXPECT_EQ(calls[4], "AddReg:A1:0") << "start-up sections never overwrite";

    calls.clear();
    results["D1"] = 0;
    EXPECT_EQ(runBaseWinOptions(3, "K.INF", inf.image), -1);
    EXPECT_EQ(joined(), "Del:D1:0") << "the third section is never run";

    calls.clear();
    setupState.foundInWindowsInf = true;
    EXPECT_EQ(runBaseWinOptions(3, "K.INF", inf.image), 1);
    EXPECT_TRUE(calls.empty());
}

// runComponent loads component INFs from sourceDir.
class Components : public InstallDriver {
protected:
    void SetUp() override
    {
        InstallDriver::SetUp();
        freeAllInfs();
        // A folder of the current directory: the same relative path serves
        // natively and under Wine.
        directory = "driver_components";
        std::filesystem::create_directory(directory);
        copyText(setupState.sourceDir, directory.c_str());
        write("PARTS.INF", "[Part]\nCopyFiles=C1\nUninstall=PartGone\n[PartGone]\nDelReg=R1\n"
                           "[Other]\nAddReg=A1\n[Kept]\nUninstall=\n[C1]\nx\n[R1]\nx\n[A1]\nx\n");
    }
    void TearDown() override
    {
        freeAllInfs();
        engineState.lastComponentInf[0] = '\0';
        std::filesystem::remove_all(directory);
    }
    void write(const char *name, const std::string &text)
    {
        FILE *file = std::fopen((directory + "/" + name).c_str(), "wb");
        ASSERT_NE(file, nullptr);
        std::fwrite(text.data(), 1, text.size(), file);
        std::fclose(file);
    }
    std::string directory;
};

TEST_F(Components, OneInfIsLoadedOnceForItsComponents)
{
    EXPECT_EQ(runComponent("Part", "PARTS.INF", 1), 1);
    InfImage *first = infSlot(AUX_INF);
    std::remove((directory + "/PARTS.INF").c_str());
    EXPECT_EQ(runComponent("Other", "parts.inf", 1), 1) << "the image in the slot serves, whatever the case";
    EXPECT_EQ(infSlot(AUX_INF), first);
    EXPECT_EQ(joined(), "Copy:C1:0 AddReg:A1:1");
    EXPECT_STREQ(engineState.lastComponentInf, "PARTS.INF");
}

TEST_F(Components, StatesAndRemoval)
{
    EXPECT_EQ(runComponent("Part", "PARTS.INF", 0), 1);
    EXPECT_EQ(joined(), "DelReg:R1:0");
    EXPECT_EQ(runComponent("Kept", "PARTS.INF", 0), 0) << "no removal section";
    EXPECT_EQ(runComponent("Part", "PARTS.INF", 2), 2);
    EXPECT_EQ(runComponent("Part", "PARTS.INF", -1), -1);
    EXPECT_EQ(runComponent("Part", "", 1), 0);
    EXPECT_EQ(calls.size(), 1u);

    // A 65-byte removal section name whose last character crosses the limit
    // is refused, not cut to the 63-byte name of another section.
    std::string name63(kSectionNameLimit, 'S');
    write("ODD.INF", "[Odd]\nUninstall=" + name63 + "\x83\x41\n[" + name63 + "]\nDelReg=R1\n[R1]\nx\n");
    calls.clear();
    EXPECT_EQ(runComponent("Odd", "ODD.INF", 0), 0);
    EXPECT_EQ(joined(), "");
}

TEST_F(Components, AnInfThatFailedToLoadIsTriedAgain)
{
    EXPECT_EQ(runComponent("Late", "LATE.INF", 1), 0);
    EXPECT_EQ(infSlot(AUX_INF), INF_NONE) << "nothing is left in the slot";
    EXPECT_STREQ(engineState.lastComponentInf, "");
    write("LATE.INF", "[Late]\nAddReg=A1\n[A1]\nx\n");
    EXPECT_EQ(runComponent("Late", "LATE.INF", 1), 1) << "the next component of that INF loads it";
    EXPECT_EQ(joined(), "AddReg:A1:1");
    // Too large to be read: opened, but no image; the slot stays empty too.
    write("LATE.INF", std::string(70000, 'x'));
    EXPECT_EQ(runComponent("Part", "PARTS.INF", 1), 1);
    EXPECT_EQ(runComponent("Late", "LATE.INF", 1), 0);
    EXPECT_EQ(infSlot(AUX_INF), INF_NONE);
    EXPECT_EQ(runComponent("Late", "LATE.INF", 1), 0);
}

}  // namespace
