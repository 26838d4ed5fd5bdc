// Detection of installed components under Wine: search files in a real
// Windows directory (wildcards, an empty subdirectory), the registry flag
// written and read, every missing piece counting as absent, and the
// selection by model part.
#include "catalogue_fixture.h"

#include "setup/inf/inf_platform.h"
#include "setup/wizard/wizard_state.h"

#include <string.h>

#include <string>
#include <vector>

using namespace testsupport;

namespace {

struct Flag {
    DWORD type;
    std::string data;   // with its terminator, as stored
};

// An "Installed" value to put into a key: none, text or a number.
struct Stored {
    enum { NONE, TEXT, NUMBER } kind;
    const char *text;
    DWORD number;
};
const Stored kNone = {Stored::NONE, nullptr, 0};
Stored text(const char *t)
{
    return {Stored::TEXT, t, 0};
}

class Detection : public CatalogueTest {
protected:
    void SetUp() override
    {
        CatalogueTest::SetUp();
        std::string windows = setupState.windowsDir;
        searchDir = windows + "\\kit-components-search";
        CreateDirectoryA(searchDir.c_str(), nullptr);
        CreateDirectoryA((searchDir + "\\Empty").c_str(), nullptr);
        ASSERT_TRUE(writeFile(searchDir + "\\FOUND.DRV", "x"));
        topFile = windows + "\\kitcomp-top.sys";
        ASSERT_TRUE(writeFile(topFile, "x"));
    }
    void TearDown() override
    {
        DeleteFileA((searchDir + "\\FOUND.DRV").c_str());
        RemoveDirectoryA((searchDir + "\\Empty").c_str());
        RemoveDirectoryA(searchDir.c_str());
        DeleteFileA(topFile.c_str());
        CatalogueTest::TearDown();
    }
    // The component's own key, named by its Section.
    void makeKey(const char *section, const char *inf, const Stored &installed)
    {
        HKEY key;
        std::string path = std::string(kComponentsKey) + "\\" + section;
        deleteRegistryTree(HKEY_LOCAL_MACHINE, path.c_str());
        ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key), ERROR_SUCCESS);
        if (inf != nullptr)
            setString(key, "INF", inf);
        if (installed.kind == Stored::TEXT)
            setString(key, "Installed", installed.text);
        else if (installed.kind == Stored::NUMBER)
            setNumber(key, "Installed", installed.number);
        RegCloseKey(key);
    }
    static Flag flag(const char *section)
    {
        Flag out{REG_NONE, ""};
        HKEY key = openEntry(section);
        if (key == nullptr)
            return out;
        char data[64];
        DWORD size = sizeof data;
        if (RegQueryValueExA(key, "Installed", nullptr, &out.type, (BYTE *)data, &size) == ERROR_SUCCESS)
            out.data.assign(data, size);
        else
            out.type = REG_NONE;
        RegCloseKey(key);
        return out;
    }
    std::string searchDir, topFile;
};

const char kDetectionInf[] =
    "[Strings]\r\n"
    "Sub=kit-components-search\r\n"
    "[Found]\r\nSearchDir=10,kit-components-search\r\nSearchFile=FOUND.DRV\r\n"
    "[Wild]\r\nSearchDir=10,%Sub%\r\nSearchFile=F*.D?V\r\n"
    "[TopLevel]\r\nSearchDir=10\r\nSearchFile=kitcomp-top.sys\r\n"
    "[TopLevelComma]\r\nSearchDir=10,\r\nSearchFile=kitcomp-top.sys\r\n"
    "[Missing]\r\nSearchDir=10,kit-components-search\r\nSearchFile=NOTHERE.DRV\r\n"
    "[EmptyFolder]\r\nSearchDir=10,kit-components-search\\Empty\r\nSearchFile=*\r\n"
    "[Folder]\r\nSearchDir=10,kit-components-search\r\nSearchFile=Empty\r\n"
    "[FolderWild]\r\nSearchDir=10\r\nSearchFile=kit-comp*-search\r\n"
    "[NoSearchDir]\r\nSearchFile=FOUND.DRV\r\n"
    "[BadDirId]\r\nSearchDir=99,kit-components-search\r\nSearchFile=FOUND.DRV\r\n"
    "[NoSearchFile]\r\nSearchDir=10,kit-components-search\r\n";

TEST_F(Detection, SearchFileOrRegistryFlag)
{
    ASSERT_TRUE(writeFile(sourceFile("DET.INF"), kDetectionInf));
    const Flag written = {REG_SZ, std::string("1", 2)};
    struct {
        const char *what;
        const char *section;
        bool key;
        const char *inf;
        Stored installed;
        int expected;
        bool flagWritten;   // "Installed" is then REG_SZ "1", 2 bytes
    } cases[] = {
        {"search file found", "Found", true, "DET.INF", kNone, 1, true},
        {"wildcards, expanded subdirectory", "Wild", true, "det.inf", text("0"), 1, true},
        {"no subdirectory", "TopLevel", true, "DET.INF", kNone, 1, true},
        {"an empty subdirectory field", "TopLevelComma", true, "DET.INF", kNone, 1, true},
        {"missing file, flag 1", "Missing", true, "DET.INF", text("1"), 1, false},
        {"missing file, flag 0", "Missing", true, "DET.INF", text("0"), 0, false},
        {"missing file, no flag", "Missing", true, "DET.INF", kNone, 0, false},
        {"missing file, flag 10 (its first character)", "Missing", true, "DET.INF", text("10"), 1, false},
        {"missing file, flag too long for its buffer", "Missing", true, "DET.INF", text("100"), 0, false},
        {"missing file, flag as the number 1", "Missing", true, "DET.INF", {Stored::NUMBER, nullptr, 1}, 1, false},
        {"missing file, flag as the number 0", "Missing", true, "DET.INF", {Stored::NUMBER, nullptr, 0}, 0, false},
        {"only the folder's own entries match", "EmptyFolder", true, "DET.INF", kNone, 0, false},
        {"the search file is a folder", "Folder", true, "DET.INF", kNone, 1, true},
        {"a wildcard that matches a folder", "FolderWild", true, "DET.INF", kNone, 1, true},
        // Each missing piece counts as absent; the flag is then not consulted.
        {"no registry key", "Found", false, nullptr, kNone, 0, false},
        {"no INF value", "Found", true, nullptr, text("1"), 0, false},
        {"INF file missing", "Found", true, "NONE.INF", text("1"), 0, false},
        {"no SearchDir", "NoSearchDir", true, "DET.INF", text("1"), 0, false},
        {"unknown directory id", "BadDirId", true, "DET.INF", text("1"), 0, false},
        {"no SearchFile", "NoSearchFile", true, "DET.INF", text("1"), 0, false},
        {"section not in the INF", "Elsewhere", true, "DET.INF", text("1"), 0, false},
    };
    for (const auto &c : cases) {
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kComponentsKey);
        if (c.key)
            makeKey(c.section, c.inf, c.installed);
        Flag before = flag(c.section);
        EXPECT_EQ(isComponentInstalled(c.section), c.expected) << c.what;
        Flag after = flag(c.section);
        if (c.flagWritten) {
            EXPECT_EQ(after.type, written.type) << c.what;
            EXPECT_EQ(after.data, written.data) << c.what;
        } else {
            EXPECT_EQ(after.type, before.type) << c.what << ": the flag is left alone";
            EXPECT_EQ(after.data, before.data) << c.what;
        }
    }
}

// Records of the tree, as the build leaves them.
void makeComponentTree(const std::vector<std::pair<const char *, int>> &sectionsAndAvailable)
{
    freeComponents(componentTree);
    int count = (int)sectionsAndAvailable.size();
    size_t bytes = (size_t)(count + 1) * sizeof(ComponentRecord);
    componentTree.records = (ComponentRecord *)infHeapAllocate(bytes);
    memset(componentTree.records, 0, bytes);
    componentTree.count = count;
    componentTree.capacity = count + 1;
    for (int i = 0; i < count; ++i) {
        ComponentRecord &r = componentTree.records[i];
        copyText(r.Section, sectionsAndAvailable[i].first);
        r.Available = sectionsAndAvailable[i].second;
        r.State = r.Available ? kStateOn : kStateUnavailable;   // what the wizard had chosen
    }
}

TEST_F(Detection, SelectionByModel)
{
    const char *present[] = {"Base_4410Q/Drv", "Base_4410Q", "Base_", "NoModel", "Base_4410X/Drv",
                             "Base_4410Q/Off", "Base_ABCDEFGHIJK/x", "Base_ABCDEFGHIJKL/x", "Base_4410Q/Last"};
    std::string inf;
    for (const char *section : present)
        inf += std::string("[") + section + "]\r\nSearchDir=10,kit-components-search\r\nSearchFile=FOUND.DRV\r\n";
    inf += "[Base_4410Q/Gone]\r\nSearchDir=10,kit-components-search\r\nSearchFile=GONE.DRV\r\n";
    ASSERT_TRUE(writeFile(sourceFile("SEL.INF"), inf));
    for (const char *section : present)
        makeKey(section, "SEL.INF", kNone);
    makeKey("Base_4410Q/Gone", "SEL.INF", kNone);

    struct {
        const char *modelKey;
        const char *states;   // per record below, after the detection
    } runs[] = {
        // A present component without a model part ("NoModel") is passed
        // over; the unavailable one ("Off") is never selected.
        {"4410q", "1100000001"},
        {"4410X", "0000100000"},
        {"ABCDEFGHIJK", "0000001000"},
        {"ABCDEFGHIJKL", "0000000000"},   // longer than a model part may be
        {"", "0000000000"},                // the empty model part of "Base_" matches nothing
    };
    for (const auto &run : runs) {
        makeComponentTree({{"Base_4410Q/Drv", 1}, {"Base_4410Q", 1}, {"Base_", 1}, {"NoModel", 1},
                           {"Base_4410X/Drv", 1}, {"Base_4410Q/Off", 0}, {"Base_ABCDEFGHIJK/x", 1},
                           {"Base_ABCDEFGHIJKL/x", 1}, {"Base_4410Q/Gone", 1}, {"Base_4410Q/Last", 1}});
        copyText(wizardState.modelKey, run.modelKey);
        EXPECT_EQ(applyDetectedSelection(), 1) << run.modelKey;
        std::string got;
        for (int i = 0; i < componentTree.count; ++i)
            got += (char)('0' + componentTree.records[i].State);
        EXPECT_EQ(got, run.states) << run.modelKey;
    }
    EXPECT_EQ(flag("Base_4410Q/Off").data, std::string("1", 2)) << "present, recorded, though not offered";
    EXPECT_EQ(flag("NoModel").data, std::string("1", 2));
    EXPECT_EQ(flag("Base_4410Q/Gone").type, (DWORD)REG_NONE);
}

}  // namespace
