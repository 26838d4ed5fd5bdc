// The built sample kits (out/kits) installed through the install engine onto
// the machine (a 4410Q with version 1.0 of the kit), as the setup program
// will: the start-up sections of the setup INF and its load_inf INF, then
// runComponent for every component found on the machine; the floppy kit in
// its three disk passes through drive A:. Checked on disk and in the
// registry: versions, INI entries and fields, boot files, device lines, the
// deferred replacement of a driver in use and what the restart makes of it.
#include "setup/engine/engine_state.h"
#include "setup/engine/file_install.h"
#include "setup/engine/install_driver.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"
#include "tests/standins/machine/machine.h"
#include "win/engine/engine_test_util.h"
#include "win/engine/user_hands.h"

#include <gtest/gtest.h>
#include <winver.h>

#include <atomic>
#include <string>
#include <vector>

using namespace testsupport;

namespace {

const std::string kKits = KIT_KITS_DIR;
const char kCatalogue[] = "SOFTWARE\\QEL\\QXKIT\\Setup\\OptionalComponents";

// The components of the kit in tree order, and whether the machine has them
// (its search file, or an "Installed"="1" left by version 1.0).
struct Component {
    const char *section;
    const char *inf;
    bool onMachine;
};
const Component kComponents[] = {
    {"Drv_4410Q", "DRIVERS.INF", true},          {"Drv_4410Q/Modem", "DRIVERS.INF", true},
    {"Drv_4410Q/Sound", "DRIVERS.INF", true},    {"Drv_4410Q/Sound/Midi", "DRIVERS.INF", true},
    {"Drv_4410Q/Video", "DRIVERS.INF", false},   {"Drv_5520T", "DRIVERS.INF", false},
    {"Fax_4410Q", "QXFAX.INF", true},            {"Fax_4410Q/Cover", "QXFAX.INF", true},
    {"Fax_4410Q/Manual", "QXFAX.INF", false},
};

std::string windowsPath(const std::string &name) { return windowsDirectory() + "\\" + name; }
std::string bootPath(const char *name)
{
    char dir[MAX_PATH];
    GetSystemDirectoryA(dir, sizeof dir);
    return std::string(1, dir[0]) + ":\\" + name;
}

// "major.minor" of a file's version resource; "" without one.
std::string fileVersion(const std::string &path)
{
    DWORD handle = 0, size = GetFileVersionInfoSizeA(path.c_str(), &handle);
    std::vector<char> data(size);
    VS_FIXEDFILEINFO *info = nullptr;
    UINT length = 0;
    if (size == 0 || !GetFileVersionInfoA(path.c_str(), 0, size, data.data()) ||
        !VerQueryValueA(data.data(), "\\", (void **)&info, &length) || info == nullptr)
        return "";
    return std::to_string(HIWORD(info->dwFileVersionMS)) + "." + std::to_string(LOWORD(info->dwFileVersionMS));
}

std::string regValue(HKEY root, const std::string &key, const char *name)
{
    HKEY opened;
    if (RegOpenKeyA(root, key.c_str(), &opened) != ERROR_SUCCESS)
        return "<no key>";
    char data[kPathSize] = "";
    DWORD size = sizeof data;
    LONG status = RegQueryValueExA(opened, name, nullptr, nullptr, (BYTE *)data, &size);
    RegCloseKey(opened);
    return status == ERROR_SUCCESS ? data : "<none>";
}

std::vector<std::string> valueNames(HKEY root, const char *key)
{
    std::vector<std::string> names;
    HKEY opened;
    if (RegOpenKeyA(root, key, &opened) != ERROR_SUCCESS)
        return names;
    char name[kPathSize];
    DWORD size = sizeof name;
    for (DWORD i = 0; RegEnumValueA(opened, i, name, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
         ++i, size = sizeof name)
        names.push_back(name);
    RegCloseKey(opened);
    return names;
}

std::string profile(const std::string &file, const char *section, const char *key)
{
    char text[kPathSize];
    GetPrivateProfileStringA(section, key, "<none>", text, sizeof text, file.c_str());
    return text;
}

// The lines of one section of an INI file as they stand in the file.
std::vector<std::string> sectionLines(const std::string &file, const std::string &section)
{
    std::vector<std::string> lines;
    std::string text = readFile(file) + "\r\n";
    bool inside = false;
    for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
        std::string line = text.substr(at, end - at);
        if (!line.empty() && line[0] == '[')
            inside = lstrcmpiA(line.c_str(), ("[" + section + "]").c_str()) == 0;
        else if (inside && !line.empty())
            lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> withoutComments(std::vector<std::string> lines)
{
    std::vector<std::string> kept;
    for (const std::string &line : lines)
        if (line[0] != ';')
            kept.push_back(line);
    return kept;
}

// What the machine, the kits and the registry roots the kits write to look
// like before each test and again after it.
class SampleKit : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(fileExists(kKits + "\\sample\\OSPRIN.INF")) << "scripts/build-kits builds " << kKits;
        removeInstalledFiles();
        ASSERT_EQ(applyMachine(kKits + "\\machine"), "");
        startInstallState("");
    }
    void TearDown() override
    {
        freeAllInfs();
        engineState.lastComponentInf[0] = '\0';
        removeInstalledFiles();
    }

    void removeInstalledFiles()
    {
        removeTree(windowsPath("QEL"));
        for (const char *name : {"SYSTEM\\QXCORE.DLL", "SYSTEM\\QXCORE.386", "SYSTEM\\QXSND.DRV", "SYSTEM\\QXSND.000",
                                 "SYSTEM\\QXMDM95.VXD", "SYSTEM\\QX5520.DRV", "SYSTEM\\QXVID.DRV", "HELP\\QXFAX.HLP"})
            DeleteFileA(windowsPath(name).c_str());
    }

    // The kit's setup INF and layout INF, loaded as start-up loads them.
    void openKit(const std::string &setupDir, const std::string &sourceDir)
    {
        copyText(setupState.kitSourceDir, setupDir.c_str());
        copyText(setupState.sourceDir, sourceDir.c_str());
        char path[kPathSize];
        copyText(path, (sourceDir + "\\OSPRIN.INF").c_str());
        InfImage *setup = openInf(path);
        ASSERT_NE(setup, INF_NONE);
        setInfSlot(SETUP_INF, setup);
        getProfileString("version", "SetupClass", "", setupState.setupClass, setup);
        getProfileString("Strings", setupState.setupClass, "", setupState.productCaption, setup);
        copyText(path, (sourceDir + "\\LAYOUT.INF").c_str());
        ASSERT_NE(setInfSlot(LAYOUT_INF, openInf(path)), nullptr);
        ASSERT_NE(infSlot(LAYOUT_INF), INF_NONE);
    }

    // The start-up sections: [BaseWinOptions] of the setup INF, then those of
    // each [load_inf] INF. Every section of them must succeed.
    void runStartup()
    {
        InfImage *setup = infSlot(SETUP_INF);
        std::string setupPath = std::string(setupState.sourceDir) + "\\OSPRIN.INF";
        int count = countSectionLines("BaseWinOptions", setup);
        EXPECT_EQ(runBaseWinOptions(count, setupPath.c_str(), setup), count);
        char name[kPathSize];
        for (int i = 1; getSectionLine("load_inf", i, name, setup); ++i) {
            char path[kPathSize];
            copyText(path, (std::string(setupState.sourceDir) + "\\" + name).c_str());
            InfImage *loaded = openInf(path);
            ASSERT_NE(loaded, INF_NONE) << name;
            setInfSlot(AUX_INF, loaded);
            count = countSectionLines("BaseWinOptions", loaded);
            EXPECT_GT(count, 0) << name;
            EXPECT_EQ(runBaseWinOptions(count, path, loaded), count) << name;
            freeAuxInf();
        }
    }

    // Whether the component is on the machine as the installed-state
    // detection sees it: its SearchDir and SearchFile, else its flag.
    bool foundOnMachine(const Component &component)
    {
        std::string key = std::string(kCatalogue) + "\\" + component.section;
        char path[kPathSize];
        copyText(path, (std::string(setupState.sourceDir) + "\\" + regValue(HKEY_LOCAL_MACHINE, key, "INF")).c_str());
        InfImage *inf = openInf(path);
        if (inf == INF_NONE || inf == nullptr)
            return false;
        char id[kPathSize], subdir[kPathSize], file[kPathSize], dir[kPathSize];
        bool searchable = findKeyedLine(inf, component.section, "SearchDir", subdir, id) &&
                          resolveDirId(atol(id), dir) && findKeyedValue(inf, component.section, "SearchFile", file);
        expandStrings(subdir, inf);
        freeInf(inf);
        if (!searchable)
            return false;
        std::string search = std::string(dir) + "\\" + (subdir[0] ? std::string(subdir) + "\\" : "") + file;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA(search.c_str(), &data);
        if (find != INVALID_HANDLE_VALUE) {
            FindClose(find);
            return true;
        }
        return regValue(HKEY_LOCAL_MACHINE, key, "Installed") == "1";
    }

    // runComponent for the components in tree order, as the progress page
    // runs them: those on the machine, or all of them.
    void installComponents(bool onMachineOnly)
    {
        for (const Component &component : kComponents) {
            if (onMachineOnly && !component.onMachine)
                continue;
            EXPECT_EQ(runComponent(component.section, component.inf, 1), 1)
                << component.section << " in disk pass " << engineState.currentDiskPass;
        }
    }

    std::string kitFile(const char *kit, const char *path) { return readFile(kKits + "\\" + kit + "\\" + path); }

    // What the machine's files and keys go back to.
    ScopedFileRestore keepFiles{{windowsPath("system.ini"), windowsPath("win.ini"), windowsPath("QXfax.ini"),
                                 windowsPath("setup.ini"), windowsPath("wininit.ini"), bootPath("CONFIG.SYS"),
                                 bootPath("AUTOEXEC.BAT")}};
    ScopedRegistryTree keepQel{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL"};
    ScopedRegistryTree keepUserQel{HKEY_CURRENT_USER, "Software\\QEL"};
    ScopedRegistryTree keepDefaultQel{HKEY_USERS, ".DEFAULT\\Software\\QEL"};
    ScopedRegistryTree keepCore{HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\QXCORE"};
    ScopedRegistryTree keepOldModem{HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\QXMDM95"};
    ScopedRegistryTree keepQxs{HKEY_CLASSES_ROOT, ".qxs"};
    ScopedRegistryTree keepQxf{HKEY_CLASSES_ROOT, ".qxf"};
    ScopedRegistryTree keepSoundDocument{HKEY_CLASSES_ROOT, "QXSound.Document"};
    ScopedRegistryTree keepFaxDocument{HKEY_CLASSES_ROOT, "QXFax.Document"};
    // A box nobody answers ends the test instead of hanging it.
    Watchdog watchdog{90000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

TEST_F(SampleKit, StartUpWritesTheCatalogueAndTheMachineHasItsComponents)
{
    openKit(kKits + "\\sample", kKits + "\\sample");
    EXPECT_STREQ(setupState.setupClass, "QXKIT");
    EXPECT_STREQ(setupState.productCaption, "QEL ドライバキット 4400/5500");
    runStartup();

    std::vector<std::string> inTreeOrder;
    for (const Component &component : kComponents) {
        std::string key = std::string(kCatalogue) + "\\" + component.section;
        inTreeOrder.push_back(component.section);
        EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, key, "INF"), component.inf) << key;
        EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, key, "Section"), component.section) << key;
        EXPECT_EQ(foundOnMachine(component), component.onMachine) << component.section;
    }
    // Wine enumerates values by name, Windows 9x in the order written: the
    // kit writes them in an order that is both.
    EXPECT_EQ(valueNames(HKEY_LOCAL_MACHINE, kCatalogue), inTreeOrder);
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, std::string(kCatalogue) + "\\Drv_4410Q/Video", "Available"), "0");
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, std::string(kCatalogue) + "\\Drv_4410Q/Modem", "Installed"), "1")
        << "start-up writes without overwriting: what the machine holds stays";
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT", "Version"), "1.0");
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT", "Product"), "QEL ドライバキット 4400/5500");
}

TEST_F(SampleKit, TheComponentsOnTheMachineAreInstalledAndTwoAreRemoved)
{
    openKit(kKits + "\\sample", kKits + "\\sample");
    runStartup();
    std::string configSys = readFile(bootPath("CONFIG.SYS")), autoexec = readFile(bootPath("AUTOEXEC.BAT"));
    // The old sound driver is in use: the new one comes at the restart.
    Holder holder(windowsPath("SYSTEM\\QXSND.DRV"));
    ASSERT_TRUE(holder.holding());
    {
        DialogAnswerer noBox(setupState.productCaption, IDCANCEL);
        installComponents(true);
        EXPECT_EQ(noBox.texts(), std::vector<std::string>{});
    }
    holder.release();

    // Files: versions where they have one, else the kit's bytes.
    struct Installed {
        const char *path;
        const char *version;     // null: compare with the kit's file
        const char *kitFile;
    };
    const Installed files[] = {
        {"SYSTEM\\QXCORE.DLL", "2.0", nullptr},     {"SYSTEM\\QXSND.DRV", "1.0", nullptr},
        {"SYSTEM\\QXSND.000", "2.0", nullptr},      {"QEL\\QXFAX.EXE", "2.0", nullptr},
        {"SYSTEM\\QXCORE.386", nullptr, "SYSTEM\\QX4410.386"},
        {"QEL\\QXMDM.SYS", nullptr, "SYSTEM\\QXMDM.SYS"},
        {"QEL\\QXMIDI.IDF", nullptr, "SOUND\\MIDI4410.IDF"},
        {"QEL\\QXFAX.TXT", nullptr, "FAX\\README.TXT"},
        {"QEL\\COVER1.TXT", nullptr, "FAX\\COVER1.TXT"},
        {"QEL\\COVER2.TXT", nullptr, "FAX\\COVER2.TXT"},
    };
    for (const Installed &file : files) {
        if (file.version != nullptr)
            EXPECT_EQ(fileVersion(windowsPath(file.path)), file.version) << file.path;
        else
            EXPECT_EQ(readFile(windowsPath(file.path)), kitFile("sample", file.kitFile)) << file.path;
    }
    EXPECT_EQ(readFile(windowsPath("QEL\\QXFAX.DIC")), kitFile("sample", "FAX\\QXDIC.1") + kitFile("sample", "FAX\\QXDIC.2"));
    for (const char *gone : {"SYSTEM\\QXMDM95.VXD", "QEL\\QXFAX.BAK", "SYSTEM\\QX5520.DRV", "SYSTEM\\QXVID.DRV",
                             "HELP\\QXFAX.HLP"})
        EXPECT_FALSE(fileExists(windowsPath(gone))) << gone;
    EXPECT_EQ(renameLines(), std::vector<std::string>{windowsPath("SYSTEM\\QXSND.DRV") + "=" +
                                                      windowsPath("SYSTEM\\QXSND.000")});
    EXPECT_TRUE(setupState.restartNeeded);

    // Registry, on all four roots; the old modem's keys and value are gone.
    struct Value {
        HKEY root;
        const char *key, *name;
        std::string expected;
    };
    const Value values[] = {
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT", "Version", "2.0"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT\\Drivers", "Core", windowsPath("SYSTEM\\QXCORE.DLL")},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT\\Drivers", "Modem", windowsPath("QEL\\QXMDM.SYS")},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\QXCORE", "StaticVxD", "QXCORE.386"},
        {HKEY_USERS, ".DEFAULT\\Software\\QEL\\QXFax", "Modem", "QXMDM"},
        {HKEY_CURRENT_USER, "Software\\QEL\\QXSound", "Volume", "80"},
        {HKEY_CURRENT_USER, "Software\\QEL\\QXFax", "Program", windowsPath("QEL\\QXFAX.EXE")},
        {HKEY_CURRENT_USER, "Software\\QEL\\QXFax", "OldModem", "<none>"},
        {HKEY_CLASSES_ROOT, ".qxs", nullptr, "QXSound.Document"},
        {HKEY_CLASSES_ROOT, "QXFax.Document", nullptr, "QEL FAX 文書"},
        {HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXModem", "Port", "<no key>"},
        {HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\QXMDM95", "StaticVxD", "<no key>"},
    };
    for (const Value &value : values)
        EXPECT_EQ(regValue(value.root, value.key, value.name), value.expected) << value.key << " " << value.name;

    // INI files. Wine's section read leaves out comment lines, so a device
    // line turned into a comment survives only the last rewrite of
    // [386Enh]; the live lines are the same on every platform.
    EXPECT_EQ(withoutComments(sectionLines(windowsPath("system.ini"), "386Enh")),
              (std::vector<std::string>{"device=*vpicd", "device=qxsnd.386", "keyboard=*vkd", "device=QXCORE.386"}));
    EXPECT_EQ(profile(windowsPath("system.ini"), "boot", "drivers"), "mmsystem.dll qxsnd.drv");
    EXPECT_EQ(profile(windowsPath("win.ini"), "QXMidi", "Map"), windowsPath("QEL\\QXMIDI.IDF"));
    EXPECT_EQ(profile(windowsPath("QXfax.ini"), "QXFAX", "Program"), windowsPath("QEL"));
    EXPECT_EQ(profile(windowsPath("QXfax.ini"), "QXFAX", "Options"), "LOG COVER");
    // The group's own line has no "=", which Wine's section write drops; the
    // group itself is there for the shortcut update.
    EXPECT_EQ(profile(windowsPath("setup.ini"), "progman.groups", "group7"), "QELファクス");
    EXPECT_EQ(readFile(bootPath("CONFIG.SYS")), configSys + "DEVICE=" + windowsPath("QEL\\QXMDM.SYS") + "\r\n");
    std::string loader = "C:\\WINDOWS\\QEL\\QXMLOAD.EXE /Q\r\n";
    ASSERT_NE(autoexec.find(loader), std::string::npos);
    EXPECT_EQ(readFile(bootPath("AUTOEXEC.BAT")), autoexec.replace(autoexec.find(loader), loader.size(), ""));

    // The restart puts the new sound driver in place.
    ASSERT_TRUE(runWineboot());
    EXPECT_EQ(fileVersion(windowsPath("SYSTEM\\QXSND.DRV")), "2.0");
    EXPECT_FALSE(fileExists(windowsPath("SYSTEM\\QXSND.000")));

    // Removal runs the section a component names as its Uninstall; a
    // component without one has nothing to remove.
    EXPECT_EQ(runComponent("Drv_4410Q/Sound/Midi", "DRIVERS.INF", 0), 1);
    EXPECT_FALSE(fileExists(windowsPath("QEL\\QXMIDI.IDF")));
    EXPECT_EQ(profile(windowsPath("win.ini"), "QXMidi", "Map"), "<none>");
    EXPECT_EQ(runComponent("Fax_4410Q", "QXFAX.INF", 0), 1);
    EXPECT_FALSE(fileExists(windowsPath("QEL\\QXFAX.EXE")));
    EXPECT_EQ(regValue(HKEY_CURRENT_USER, "Software\\QEL\\QXFax", "Program"), "<none>");
    EXPECT_EQ(regValue(HKEY_CLASSES_ROOT, ".qxf", nullptr), "<no key>");
    EXPECT_EQ(profile(windowsPath("QXfax.ini"), "QXFAX", "Program"), "<none>");
    EXPECT_EQ(runComponent("Drv_4410Q", "DRIVERS.INF", 0), 1);
    EXPECT_FALSE(fileExists(windowsPath("SYSTEM\\QXCORE.386")));
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT\\Drivers", "Core"), "<none>");
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, "System\\CurrentControlSet\\Services\\VxD\\QXCORE", "StaticVxD"),
              "<no key>");
    EXPECT_EQ(runComponent("Drv_4410Q/Modem", "DRIVERS.INF", 0), 0);
    EXPECT_TRUE(fileExists(windowsPath("QEL\\QXMDM.SYS")));
}

TEST_F(SampleKit, EveryComponentOfTheKitInstallsWithoutABox)
{
    openKit(kKits + "\\sample", kKits + "\\sample");
    runStartup();
    DialogAnswerer noBox(setupState.productCaption, IDCANCEL);
    installComponents(false);
    EXPECT_EQ(noBox.texts(), std::vector<std::string>{});
    const struct {
        const char *installed, *kitFile;
    } notOnMachine[] = {{"SYSTEM\\QX5520.DRV", "SYSTEM\\QX5520.DRV"},
                        {"SYSTEM\\QXVID.DRV", "VIDEO\\QXVID.DRV"},
                        {"HELP\\QXFAX.HLP", "HELP\\QXFAX.HLP"}};
    for (const auto &file : notOnMachine)
        EXPECT_EQ(readFile(windowsPath(file.installed)), kitFile("sample", file.kitFile)) << file.installed;
}

// Every text file of the built kits and machine as the platform reads it:
// code page 932, CR LF line ends, the last line ended too. Modules and
// compressed files are left out by their signatures.
TEST(BuiltKits, TextFilesAreCodePage932WithCrLf)
{
    std::vector<std::string> folders{kKits}, texts;
    while (!folders.empty()) {
        std::string folder = folders.back();
        folders.pop_back();
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &data);
        ASSERT_NE(find, INVALID_HANDLE_VALUE) << folder;
        do {
            std::string name = data.cFileName, path = folder + "\\" + name;
            if (name == "." || name == "..")
                continue;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                folders.push_back(path);
                continue;
            }
            std::string text = readFile(path);
            if (text.compare(0, 2, "MZ") == 0 || text.compare(0, 4, "SZDD") == 0)
                continue;
            texts.push_back(path);
            EXPECT_TRUE(text.size() >= 2 && text.compare(text.size() - 2, 2, "\r\n") == 0) << path;
            for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
                ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << path << ": a bare LF at byte " << at;
            EXPECT_GT(MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, text.data(), (int)text.size(), nullptr, 0), 0)
                << path;
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    EXPECT_GT(texts.size(), 30u) << "the INFs, payloads and machine files of out/kits";
}

// ---- the floppy kit, disk by disk through drive A:

class FloppyKit : public SampleKit, protected FloppyDrives {
protected:
    void SetUp() override
    {
        SampleKit::SetUp();
        ASSERT_EQ(mapDrives(), "");
        for (const char *disk : {"disk1", "disk2", "disk3"})
            ASSERT_EQ(copyTree(kKits + "\\floppy\\" + disk, root + "\\" + disk), "");
        ASSERT_TRUE(insert('a', "disk1"));
        setupState.floppyKit = true;
        infCopies = tempPath("kit-floppy-infs");
        removeTree(infCopies);
        CreateDirectoryA(infCopies.c_str(), nullptr);
        setupState.wizardWindow = wizard =
            CreateWindowExA(0, "STATIC", "wizard", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override
    {
        setupState.wizardWindow = nullptr;
        DestroyWindow(wizard);
        SampleKit::TearDown();
        unmapDrives();
        removeTree(infCopies);
    }

    // What start-up does for a floppy kit before anything else is read: the
    // INFs of [inf.Copy] and [load_inf] go to a folder on the hard disk.
    void copyInfs()
    {
        InfImage *setup = infSlot(SETUP_INF);
        char line[kPathSize];
        for (const char *section : {"inf.Copy", "load_inf"})
            for (int i = 1; getSectionLine(section, i, line, setup); ++i) {
                char target[kPathSize];
                char *rest = takeField(line, target);
                std::string source = *rest ? rest : target;
                ASSERT_EQ(installFile(setupState.kitSourceDir, source.c_str(), infCopies.c_str(), target), 1) << source;
            }
    }

    std::string infCopies;
    HWND wizard = nullptr;
};

TEST_F(FloppyKit, ThreeDiskPassesInstallTheComponentsOnTheMachine)
{
    openKit("A:\\", "A:");
    InfImage *setup = infSlot(SETUP_INF);
    char signature[kShortSize];
    getProfileString("version", "signature", "", signature, setup);
    EXPECT_STREQ(signature, "$UPGKITFD$");
    copyInfs();
    openKit("A:\\", infCopies);
    runStartup();
    char upgsize[kPathSize];
    copyText(upgsize, (infCopies + "\\UPGSIZE.INF").c_str());
    InfImage *disks = openInf(upgsize);
    ASSERT_NE(disks, INF_NONE);
    int diskCount = countSectionLines("SourceDisksNames", disks);
    freeInf(disks);
    EXPECT_EQ(diskCount, 3);
    std::string configSys = readFile(bootPath("CONFIG.SYS"));

    // The user puts in whichever disk the prompt asks for.
    std::vector<int> asked;
    std::atomic<bool> done{false};
    {
        User user([&] {
            while (!done) {
                HWND dialog = waitForDialog(0, "ディスク交換", 100);
                if (dialog == nullptr)
                    continue;
                std::string prompt = itemText(dialog, 1032);
                size_t hash = prompt.find('#');
                int disk = hash == std::string::npos ? 0 : atoi(prompt.c_str() + hash + 1);
                asked.push_back(disk);
                if (disk < 1 || disk > 3 || !insert('a', "disk" + std::to_string(disk)))
                    pressButton(dialog, 1031);   // 中止: ends the run instead of looping
                else
                    pressButton(dialog, IDOK);
                waitGone(dialog);
            }
        });
        DialogAnswerer noBox(setupState.productCaption, IDCANCEL);
        for (engineState.currentDiskPass = 1; engineState.currentDiskPass <= diskCount; ++engineState.currentDiskPass)
            installComponents(true);
        done = true;
        EXPECT_EQ(noBox.texts(), std::vector<std::string>{});
    }
    // Disk 2 for the sound driver; disk 3 for the second half of the
    // dictionary, which pass 3 then finds in the drive.
    EXPECT_EQ(asked, (std::vector<int>{2, 3}));
    EXPECT_FALSE(engineState.cancelRequested);

    EXPECT_EQ(fileVersion(windowsPath("SYSTEM\\QXCORE.DLL")), "2.0") << "expanded from QXCORE.DL_ of disk 1";
    EXPECT_EQ(fileVersion(windowsPath("SYSTEM\\QXSND.DRV")), "2.0") << "SND4410.DR_ of disk 2";
    EXPECT_EQ(fileVersion(windowsPath("QEL\\QXFAX.EXE")), "2.0") << "QXFAX.EX_ of disk 3";
    EXPECT_EQ(readFile(windowsPath("QEL\\QXMIDI.IDF")), kitFile("sample", "SOUND\\MIDI4410.IDF"));
    EXPECT_EQ(readFile(windowsPath("QEL\\COVER2.TXT")), kitFile("sample", "FAX\\COVER2.TXT"));
    EXPECT_EQ(readFile(windowsPath("QEL\\QXFAX.DIC")),
              kitFile("floppy", "disk2\\FAX\\QXDIC.1") + kitFile("floppy", "disk3\\FAX\\QXDIC.2"));
    EXPECT_EQ(readFile(windowsPath("QEL\\QXFAX.DIC")), readFile(kKits + "\\sample\\FAX\\QXDIC.1") +
                                                            readFile(kKits + "\\sample\\FAX\\QXDIC.2"));
    EXPECT_FALSE(fileExists(windowsPath("SYSTEM\\QXMDM95.VXD")));
    // Registry and INI changes come once, in the first pass.
    EXPECT_EQ(readFile(bootPath("CONFIG.SYS")), configSys + "DEVICE=" + windowsPath("QEL\\QXMDM.SYS") + "\r\n");
    EXPECT_EQ(regValue(HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\QXKIT", "Version"), "2.0");
    EXPECT_EQ(profile(windowsPath("QXfax.ini"), "QXFAX", "Options"), "LOG COVER");
}

TEST_F(FloppyKit, TheManualIsNotOnTheDisks)
{
    openKit("A:\\", "A:");
    char type[kShortSize], entry[kPathSize];
    char path[kPathSize];
    copyText(path, "A:\\QXFAX.INF");
    InfImage *fax = openInf(path);
    ASSERT_NE(fax, INF_NONE);
    getProfileString("Fax_4410Q/Manual", "InstallType", "", type, fax);
    freeInf(fax);
    EXPECT_STREQ(type, "16") << "the floppy kit does not offer it";
    EXPECT_EQ(getProfileString("SourceDisksFiles", "QXFAX.HLP", "", entry, infSlot(LAYOUT_INF)), 0u);
    for (const char *disk : {"disk1", "disk2", "disk3"})
        EXPECT_FALSE(fileExists(kKits + "\\floppy\\" + disk + "\\HELP\\QXFAX.HL_")) << disk;
}

}  // namespace
