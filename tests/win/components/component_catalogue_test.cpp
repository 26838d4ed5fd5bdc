// The catalogue read from the registry and from component INFs on disk:
// which entries are left out, the data limit that ends the enumeration, the
// texts cut to their fields, one INF image for consecutive components, the
// floppy kit's availability rule, the preparing dialog's bar, and the
// failures that show string 2007.
#include "catalogue_fixture.h"

#include "setup/engine/registry.h"
#include "setup/resources/resource.h"

#include <commctrl.h>

#include <functional>
#include <vector>

using namespace testsupport;

namespace {

// A real progress bar whose PBM_SETPOS messages are recorded; hook runs
// after each one, so a test can change the disk between two components.
struct WatchedBar {
    HWND bar = nullptr;
    static std::vector<int> positions;
    static std::function<void(int)> hook;
    static WNDPROC original;

    WatchedBar()
    {
        InitCommonControls();
        bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_POPUP, 0, 0, 200, 20, nullptr, nullptr,
                              GetModuleHandleA(nullptr), nullptr);
        positions.clear();
        hook = nullptr;
        original = (WNDPROC)SetWindowLongPtrA(bar, GWLP_WNDPROC, (LONG_PTR)watch);
        setupState.preparingProgress = bar;
    }
    ~WatchedBar()
    {
        setupState.preparingProgress = nullptr;
        DestroyWindow(bar);
    }
    static LRESULT CALLBACK watch(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        LRESULT result = CallWindowProcA(original, window, message, wParam, lParam);
        if (message == PBM_SETPOS) {
            positions.push_back((int)wParam);
            if (hook)
                hook((int)positions.size());
        }
        return result;
    }
};
std::vector<int> WatchedBar::positions;
std::function<void(int)> WatchedBar::hook;
WNDPROC WatchedBar::original;

const char kKitInf[] =
    "[Strings]\r\n"
    "DrvName=\"ドライバ\"\r\n"
    "[Group]\r\n"
    "OptionDesc=%DrvName%のグループ\r\n"
    "Tip=説明の文\r\n"
    "InstallType=2\r\n"
    "CopyFiles=Files.A\r\n"
    "[Child1]\r\n"
    "OptionDesc=One\r\n"
    "Parent=group\r\n"
    "CopyFiles=Files.B\r\n"
    "[Child2]\r\n"
    "Parent=GROUP\r\n"
    "CopyFiles=Files.C\r\n"
    "[Huge]\r\n"
    "InstallType=2\r\n"
    "CopyFiles=Files.Big, Files.Big\r\n"
    "[Off]\r\n"
    "CopyFiles=Files.A\r\n"
    "[Files.A]\r\na.dll\r\n"
    "[Files.B]\r\nb.dll\r\nc.dll\r\n"
    "[Files.C]\r\nc.dll\r\n"
    "[Files.Big]\r\nbig.dat\r\n";

TEST_F(CatalogueTest, EntriesReadSkippedAndTheEnumerationsEnd)
{
    ASSERT_TRUE(writeFile(sourceFile("KIT.INF"), kKitInf));
    // Named so that creation order (Windows 9x) and name order (Wine) agree.
    addEntry({"01 Group", "KIT.INF", "Group"});
    addEntry({"02 Child1", "kit.inf", "Child1", "1"});
    addEntry({"03 Child2", "KIT.INF", "Child2"});
    {
        HKEY key = openEntry("03 Child2");
        setNumber(key, "Installed", 1);   // a number, not a text
        RegCloseKey(key);
    }
    HKEY list;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kComponentsKey, &list), ERROR_SUCCESS);
    setString(list, "04 NoSubkey", "x");
    RegCloseKey(list);
    addEntry({"05 NoINF", nullptr, "Child1"});
    addEntry({"06 NoSection", "KIT.INF", nullptr});
    addEntry({"06a BinaryINF", nullptr, "Child1"});
    {
        // Not a text: as good as missing.
        HKEY key = openEntry("06a BinaryINF");
        RegSetValueExA(key, "INF", 0, REG_BINARY, (const BYTE *)"KIT.INF", 8);
        RegCloseKey(key);
    }
    addEntry({"07 EmptyINF", "", "Child1"});
    addEntry({"08 EmptySection", "KIT.INF", ""});
    addEntry({"09 Huge", "KIT.INF", "Huge"});
    addEntry({"10 Off", "KIT.INF", "Off"});
    {
        HKEY key = openEntry("10 Off");
        setNumber(key, "Available", 0);
        RegCloseKey(key);
    }
    addEntry({"11 Data65", "KIT.INF", "Data65"}, std::string(64, 'd'));   // 65 bytes with the terminator
    addEntry({"12 Data66", "KIT.INF", "Data66"}, std::string(65, 'd'));
    addEntry({"13 After", "KIT.INF", "Child1"});

    ASSERT_EQ(buildComponentTree(nullptr), 1);
    ASSERT_EQ(componentTree.count, 6);
    const char *order[] = {"Group", "Child1", "Child2", "Huge", "Off", "Data65"};
    for (int i = 0; i < 6; ++i)
        EXPECT_STREQ(componentTree.records[i].Section, order[i]);
    EXPECT_EQ(componentTree.capacity, 7) << "trimmed to the count and the end record";
    static const ComponentRecord zero = {};
    EXPECT_EQ(memcmp(&componentTree.records[6], &zero, sizeof zero), 0);

    const ComponentRecord &group = *findRecord("Group");
    EXPECT_STREQ(group.OptionDesc, "ドライバのグループ");
    EXPECT_STREQ(group.Tip, "説明の文");
    EXPECT_STREQ(group.INF, "KIT.INF");
    EXPECT_EQ(group.InstallType, 2u);
    EXPECT_EQ(group.ChildCount, 2u);
    EXPECT_EQ(group.Size, 230u + 30u) << "a parent's size is its children's";
    EXPECT_EQ(group.State, kStateOn) << "both children installed";
    const ComponentRecord &child1 = *findRecord("Child1");
    EXPECT_STREQ(child1.Parent, "group") << "as written";
    EXPECT_EQ(child1.Installed, 1);
    EXPECT_EQ(child1.Size, 230u);
    EXPECT_EQ(findRecord("Child2")->Installed, 1) << "REG_DWORD read as its number";
    EXPECT_EQ(findRecord("Child2")->Available, 1) << "absent: available";
    EXPECT_EQ(findRecord("Huge")->Size, 8000000000ull) << "sizes are 64-bit";
    const ComponentRecord &off = *findRecord("Off");
    EXPECT_EQ(off.Available, 0);
    EXPECT_EQ(off.Size, 0u);
    EXPECT_EQ(off.State, kStateUnavailable);
    const ComponentRecord &data65 = *findRecord("Data65");
    EXPECT_STREQ(data65.OptionDesc, "") << "a section missing from its INF";
    EXPECT_EQ(data65.InstallType, 0u);
    EXPECT_EQ(data65.Size, 0u);
    // The parent counts with its own file lists, not its children's.
    EXPECT_EQ(componentTree.standardSize, 1000u + 8000000000ull);
}

// The catalogue key's own (default) value, which the usual INF line for
// making a key writes, names no component; Wine enumerates it first. The
// components around it are all read, and the key is still open after it.
TEST_F(CatalogueTest, TheKeysOwnValueIsNoComponent)
{
    ASSERT_TRUE(writeFile(sourceFile("KIT.INF"), kKitInf));
    for (bool throughAddReg : {false, true}) {
        SCOPED_TRACE(throughAddReg ? "written as AddReg writes it" : "set directly");
        deleteRegistryTree(HKEY_LOCAL_MACHINE, kComponentsKey);
        if (throughAddReg) {
            // A kit's first catalogue line makes the key: "HKLM,<key>,,0,".
            ASSERT_EQ(setRegString(HKEY_LOCAL_MACHINE, kComponentsKey, "", "", 0), 1);
        }
        addEntry({"01 Group", "KIT.INF", "Group"});
        addEntry({"02 Child1", "KIT.INF", "Child1"});
        if (!throughAddReg) {
            HKEY list;
            ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kComponentsKey, &list), ERROR_SUCCESS);
            setString(list, "", "0");
            RegCloseKey(list);
        }
        {
            HKEY list;
            ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, kComponentsKey, &list), ERROR_SUCCESS);
            DWORD type = 0;
            EXPECT_EQ(RegQueryValueExA(list, "", nullptr, &type, nullptr, nullptr), ERROR_SUCCESS) << "the value is there";
            RegCloseKey(list);
        }
        ASSERT_EQ(buildComponentTree(nullptr), 1);
        ASSERT_EQ(componentTree.count, 2);
        EXPECT_STREQ(componentTree.records[0].Section, "Group");
        EXPECT_STREQ(componentTree.records[1].Section, "Child1");
        freeComponents(componentTree);
    }
}

TEST_F(CatalogueTest, TextsLongerThanTheirFields)
{
    std::string desc48(48, 'D'), tip144(144, 'T'), parent63(63, 'p'), parent64(64, 'q');
    std::string inf = "[Cut]\r\nOptionDesc=" + desc48 + "ア\r\nTip=" + tip144 + "説明\r\nParent=" + parent63 +
                      "\r\n[LongParent]\r\nParent=" + parent64 + "\r\n[Fits]\r\nOptionDesc=" + desc48 + "A\r\n";
    ASSERT_TRUE(writeFile(sourceFile("LONG.INF"), inf));
    addEntry({"1", "LONG.INF", "Cut"});
    addEntry({"2", "LONG.INF", "LongParent"});
    addEntry({"3", "LONG.INF", "Fits"});
    std::string section64(64, 's');
    addEntry({"4", "LONG.INF", section64.c_str()});
    ASSERT_EQ(buildComponentTree(nullptr), 1);
    ASSERT_EQ(componentTree.count, 2) << "a Parent over 63 bytes, or a Section, leaves its component out";
    EXPECT_EQ(std::string(componentTree.records[0].OptionDesc), desc48) << "cut before the double-byte character";
    EXPECT_EQ(std::string(componentTree.records[0].Tip), tip144);
    EXPECT_EQ(std::string(componentTree.records[0].Parent), parent63);
    EXPECT_EQ(std::string(componentTree.records[1].OptionDesc), desc48 + "A") << "49 bytes fit";
}

TEST_F(CatalogueTest, ConsecutiveComponentsShareOneLoadedInf)
{
    ASSERT_TRUE(writeFile(sourceFile("A.INF"), "[One]\r\nOptionDesc=firstA\r\n[Two]\r\nOptionDesc=firstA\r\n"
                                               "[Four]\r\nOptionDesc=firstA\r\n"));
    ASSERT_TRUE(writeFile(sourceFile("B.INF"), "[Three]\r\nOptionDesc=B\r\n"));
    addEntry({"1", "A.INF", "One"});
    addEntry({"2", "a.inf", "Two"});
    addEntry({"3", "B.INF", "Three"});
    addEntry({"4", "A.INF", "Four"});
    static const char before[] = "[Mine]\r\nKey=kept\r\n";
    InfImage *mine = buildInfImage(before, sizeof before - 1);
    setupState.auxInf = mine;

    WatchedBar bar;
    std::vector<bool> auxHeldComponentInf;
    WatchedBar::hook = [&](int accepted) {
        auxHeldComponentInf.push_back(setupState.auxInf != mine && setupState.auxInf != INF_NONE);
        // After the first component A.INF is gone: the second must come
        // from the image already loaded. After the second it comes back
        // changed: the fourth, after another INF, must read it again.
        if (accepted == 1)
            MoveFileA(sourceFile("A.INF").c_str(), sourceFile("A.OLD").c_str());
        if (accepted == 2)
            writeFile(sourceFile("A.INF"), "[Four]\r\nOptionDesc=secondA\r\n");
    };
    ASSERT_EQ(buildComponentTree(nullptr), 1);
    ASSERT_EQ(componentTree.count, 4);
    EXPECT_STREQ(componentTree.records[1].OptionDesc, "firstA");
    EXPECT_STREQ(componentTree.records[2].OptionDesc, "B");
    EXPECT_STREQ(componentTree.records[3].OptionDesc, "secondA");
    EXPECT_EQ(auxHeldComponentInf, std::vector<bool>(4, true)) << "the component INF sits in the auxiliary slot";
    EXPECT_EQ(setupState.auxInf, mine) << "the slot's content from before is put back";
    char value[16];
    EXPECT_TRUE(getSectionKeyValue(mine, "Mine", "Key", value));
    EXPECT_STREQ(value, "kept");
    setupState.auxInf = INF_NONE;
    freeInf(mine);
}

TEST_F(CatalogueTest, PreparingBarRunsFrom50To100)
{
    ASSERT_TRUE(writeFile(sourceFile("MANY.INF"), "[Any]\r\nOptionDesc=x\r\n"));
    const int count = 85;
    for (int i = 1; i <= count; ++i) {
        char name[8];
        wsprintfA(name, "c%03d", i);
        addEntry({name, "MANY.INF", name});
    }
    WatchedBar bar;
    ASSERT_EQ(buildComponentTree(nullptr), 1);
    ASSERT_EQ(componentTree.count, count);
    EXPECT_EQ(componentTree.capacity, count + 1);
    ASSERT_EQ((int)WatchedBar::positions.size(), count);
    for (int k = 1; k <= count; ++k)
        EXPECT_EQ(WatchedBar::positions[k - 1], k >= 80 ? 100 : 50 + 50 * k / 80) << "component " << k;
    EXPECT_EQ(WatchedBar::positions[0], 50);
    EXPECT_EQ(SendMessageA(bar.bar, PBM_GETPOS, 0, 0), 100);
}

TEST_F(CatalogueTest, FloppyKitDecidesAvailability)
{
    ASSERT_TRUE(writeFile(sourceFile("F.INF"), "[NotOnFloppy]\r\nInstallType=16\r\nCopyFiles=Files.A\r\n"
                                               "[Offered]\r\nInstallType=2\r\nCopyFiles=Files.A\r\n"
                                               "[Both]\r\nInstallType=18\r\nCopyFiles=Files.A\r\n"
                                               "[Files.A]\r\na.dll\r\n"));
    addEntry({"1", "F.INF", "NotOnFloppy", nullptr, "1"});
    addEntry({"2", "F.INF", "Offered", nullptr, "0"});
    addEntry({"3", "F.INF", "Both", nullptr, "0"});
    for (bool floppy : {true, false}) {
        setupState.floppyKit = floppy;
        ASSERT_EQ(buildComponentTree(nullptr), 1);
        ASSERT_EQ(componentTree.count, 3);
        const ComponentRecord *r = componentTree.records;
        if (floppy) {
            EXPECT_EQ(r[0].Available, 0) << "install type 16 is not on floppies, whatever the registry says";
            EXPECT_EQ(r[0].Size, 0u);
            EXPECT_EQ(r[0].State, kStateUnavailable);
            EXPECT_EQ(r[1].Available, 1) << "any other install type is";
            EXPECT_EQ(r[1].Size, 1000u);
            EXPECT_EQ(r[2].Available, 1) << "16 is the whole value, not a bit";
        } else {
            EXPECT_EQ(r[0].Available, 1);
            EXPECT_EQ(r[1].Available, 0);
            EXPECT_EQ(r[2].Available, 0);
        }
    }
}

TEST_F(CatalogueTest, FailuresShowString2007Once)
{
    char expected[kPathSize];
    LoadStringA(GetModuleHandleA(nullptr), IDS_LIST_FAILED, expected, sizeof expected);
    ASSERT_STRNE(expected, "");
    static const char before[] = "[Mine]\r\nKey=kept\r\n";
    InfImage *mine = buildInfImage(before, sizeof before - 1);
    setupState.auxInf = mine;
    struct {
        const char *what;
        std::function<void()> prepare;
    } cases[] = {
        {"no catalogue key", [] {}},
        {"a component INF missing",
         [] {
             writeFile(sourceFile("OK.INF"), "[Fine]\r\nOptionDesc=x\r\n");
             addEntry({"1", "OK.INF", "Fine"});
             addEntry({"2", "MISSING.INF", "Gone"});
             addEntry({"3", "OK.INF", "Fine"});
         }},
    };
    for (const auto &c : cases) {
        deleteRegistryTree(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\KitComponentsTest");
        c.prepare();
        DialogAnswerer answerer("ｴﾗｰ", IDOK);
        EXPECT_EQ(buildComponentTree(nullptr), 0) << c.what;
        EXPECT_EQ(answerer.count(), 1) << c.what;
        if (answerer.count() == 1) {
            EXPECT_EQ(answerer.texts()[0], expected) << c.what;
        }
        EXPECT_EQ(componentTree.records, nullptr) << c.what;
        EXPECT_EQ(componentTree.count, 0) << c.what;
        EXPECT_EQ(setupState.auxInf, mine) << c.what << ": the slot never keeps a released image";
    }
    setupState.auxInf = INF_NONE;
    freeInf(mine);
}

}  // namespace
