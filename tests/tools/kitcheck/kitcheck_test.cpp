// The kit checker natively: a clean kit and a clean floppy kit come out
// clean, a table of small broken kits each shows its finding, kits the setup
// program takes as meant come out clean, a FIFO does not hold it up, and on
// the INF corpus every finding points at a line of INF text.
#include "tools/kitcheck/kitcheck.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <map>
#include <string>
#include <vector>

namespace {

typedef std::map<std::string, std::string> KitFiles;   // path below the kit ("disk2/TOOL.EX_") -> bytes

// An ordinary kit with one product and one component: every check passes.
KitFiles cleanKit()
{
    KitFiles kit;
    kit["OSPRIN.INF"] =
        "[version]\r\n"                                                                  // 1
        "signature=$UPGKIT$\r\n"                                                         // 2
        "SetupClass=TESTKIT\r\n"                                                         // 3
        "LayoutFile=LAYOUT.INF\r\n"                                                      // 4
        "\r\n"                                                                           // 5
        "[Strings]\r\n"                                                                  // 6
        "TESTKIT=\"Test kit\"\r\n"                                                       // 7
        "\r\n"                                                                           // 8
        "[BaseWinOptions]\r\n"                                                           // 9
        "Base.Install\r\n"                                                               // 10
        "\r\n"                                                                           // 11
        "[Base.Install]\r\n"                                                             // 12
        "AddReg=Catalogue.Reg\r\n"                                                       // 13
        "CopyFiles=Base.Files\r\n"                                                       // 14
        "\r\n"                                                                           // 15
        "[Base.Files]\r\n"                                                               // 16
        "BASE.DLL\r\n"                                                                   // 17
        "\r\n"                                                                           // 18
        "[DestinationDirs]\r\n"                                                          // 19
        "Base.Files=11\r\n"                                                              // 20
        "\r\n"                                                                           // 21
        "[Catalogue.Reg]\r\n"                                                            // 22
        "HKLM,SOFTWARE\\QEL\\TESTKIT\\Setup\\OptionalComponents,Tools,,\"Tools\"\r\n"      // 23
        "HKLM,SOFTWARE\\QEL\\TESTKIT\\Setup\\OptionalComponents\\Tools,INF,,COMP.INF\r\n"   // 24
        "HKLM,SOFTWARE\\QEL\\TESTKIT\\Setup\\OptionalComponents\\Tools,Section,,\"Tools_4410Q/Main\"\r\n";   // 25
    kit["COMP.INF"] =
        "[version]\r\n"                       // 1
        "signature=$CHICAGO$\r\n"             // 2
        "\r\n"                                // 3
        "[Tools_4410Q/Main]\r\n"              // 4
        "OptionDesc=\"Tools\"\r\n"            // 5
        "Tip=\"Useful tools\"\r\n"            // 6
        "InstallType=2\r\n"                   // 7
        "SearchDir=10,TOOLS\r\n"              // 8
        "SearchFile=TOOL.EXE\r\n"             // 9
        "CopyFiles=Tools.Files\r\n"           // 10
        "MergeFiles=Tools.Merge\r\n"          // 11
        "UpdateInis=Tools.Ini\r\n"            // 12
        "\r\n"                                // 13
        "[Tools.Files]\r\n"                   // 14
        "TOOL.EXE\r\n"                        // 15
        "README.TXT,READ.ME\r\n"              // 16
        "\r\n"                                // 17
        "[Tools.Merge]\r\n"                   // 18
        "BIG.DAT=BIG.1,BIG.2\r\n"             // 19
        "\r\n"                                // 20
        "[Tools.Ini]\r\n"                     // 21
        "win.ini,windows,,\"load=tool.exe\"\r\n"   // 22
        "\r\n"                                // 23
        "[DestinationDirs]\r\n"               // 24
        "Tools.Files=10,TOOLS\r\n"            // 25
        "Tools.Merge=10,TOOLS\r\n";           // 26
    kit["LAYOUT.INF"] =
        "[SourceDisksFiles]\r\n"   // 1
        "BASE.DLL=0,,4\r\n"        // 2
        "TOOL.EXE=0,BIN,5\r\n"     // 3
        "READ.ME=0,,3\r\n"         // 4
        "BIG.DAT=0,,6\r\n";        // 5
    kit["MACHINE.INF"] =
        "[MachineModels]\r\n"
        "\"Model A\",TOSKA\r\n"
        "[TOSKA]\r\n"
        "\"A 4410\",4410Q\r\n";
    kit["BASE.DLL"] = "base";
    kit["bin/tool.exe"] = "tools";   // kit files are DOS names: any case
    kit["READ.ME"] = "abc";
    kit["BIG.1"] = "big";
    kit["BIG.2"] = "dat";
    return kit;
}

// The same product on two floppy disks: TOOL.EXE and BIG.DAT on disk 2.
KitFiles cleanFloppyKit()
{
    KitFiles plain = cleanKit(), kit;
    std::string setup = plain["OSPRIN.INF"];
    setup.replace(setup.find("$UPGKIT$"), 8, "$UPGKITFD$");
    setup += "\r\n[inf.Copy]\r\nOSPRIN.INF\r\nCOMP.INF\r\nMACHINE.INF\r\nUPGSIZE.INF\r\n";
    kit["disk1/OSPRIN.INF"] = setup;
    kit["disk1/COMP.INF"] = plain["COMP.INF"];
    // The wizard of a floppy kit chooses from the ninth line of a list on.
    std::string unchosen;
    for (int i = 1; i <= 8; ++i)
        unchosen += "\"Not offered " + std::to_string(i) + "\",X" + std::to_string(i) + "\r\n";
    kit["disk1/MACHINE.INF"] = "[MachineModels]\r\n" + unchosen + "\"Model A\",TOSKA\r\n[TOSKA]\r\n" + unchosen +
                               "\"A 4410\",4410Q\r\n";
    kit["disk1/LAYOUT.INF"] =
        "[SourceDisksFiles]\r\nBASE.DLL=0,,4\r\nTOOL.EXE=2,BIN,5\r\nREAD.ME=1,,3\r\nBIG.DAT=1,,6\r\n";
    kit["disk1/UPGSIZE.INF"] = "[SourceDisksNames]\r\n1=\"Disk 1\"\r\n2=\"Disk 2\"\r\n";
    kit["disk1/DISK1"] = "DISK1\r\n";
    kit["disk1/BASE.DLL"] = "base";
    kit["disk1/READ.ME_"] = "abc";
    kit["disk1/BIG.1"] = "big";
    kit["disk2/DISK2"] = "disk2";
    kit["disk2/BIN/TOOL.EX_"] = std::string("SZDD\x88\xf0\x27\x33\x41\x45\x05\x00\x00\x00packed", 20);
    kit["disk2/BIG.2"] = "dat";
    return kit;
}

void removeTree(const std::string &path);

// One scratch folder for the kits of this run, removed when the run ends.
std::string scratchRoot()
{
    static struct Scratch {
        std::string root;
        Scratch()
        {
            char pattern[] = "/tmp/kitcheck-test.XXXXXX";
            root = mkdtemp(pattern);
        }
        ~Scratch() { removeTree(root); }
    } scratch;
    return scratch.root;
}

void makeParents(const std::string &path)
{
    for (size_t at = path.find('/', 1); at != std::string::npos; at = path.find('/', at + 1))
        mkdir(path.substr(0, at).c_str(), 0755);
}

void removeTree(const std::string &path)
{
    if (DIR *d = opendir(path.c_str())) {
        while (struct dirent *e = readdir(d)) {
            std::string name = e->d_name;
            if (name != "." && name != "..")
                removeTree(path + "/" + name);
        }
        closedir(d);
        rmdir(path.c_str());
    } else {
        unlink(path.c_str());
    }
}

std::string writeKit(const std::string &name, const KitFiles &kit)
{
    std::string dir = scratchRoot() + "/" + name;
    removeTree(dir);
    mkdir(dir.c_str(), 0755);
    for (const auto &file : kit) {
        std::string path = dir + "/" + file.first;
        makeParents(path);
        FILE *f = fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr) << path;
        if (f == nullptr)
            continue;
        fwrite(file.second.data(), 1, file.second.size(), f);
        fclose(f);
    }
    return dir;
}

std::string replaced(std::string text, const std::string &from, const std::string &to)
{
    size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
    return text;
}

std::string findingsOf(const KitReport &report)
{
    return formatReport(report, false);
}

TEST(KitCheck, CleanKitsComeOutClean)
{
    KitReport plain = checkKit(writeKit("clean", cleanKit()));
    EXPECT_EQ(0, plain.errors + plain.warnings) << findingsOf(plain);
    EXPECT_EQ(0, reportExitCode(plain));
    EXPECT_EQ("0 errors, 0 warnings\n", findingsOf(plain));

    KitReport floppy = checkKit(writeKit("clean-floppy", cleanFloppyKit()));
    EXPECT_EQ(0, floppy.errors + floppy.warnings) << findingsOf(floppy);
}

// One change to one file of a clean kit: "from" replaced by "to" (an empty
// "from" adds "to" at the end; kRemove as "to" removes the file).
struct Change {
    std::string file, from, to;
};
const char *const kRemove = "\x01";

// A broken kit: its changes and the finding it must show, as
// "file:line: severity: text" up to the text's end or a part of it.
struct BrokenKit {
    bool floppy;
    std::vector<Change> changes;
    std::string finding;
};

const std::string kCatalogue = "HKLM,SOFTWARE\\QEL\\TESTKIT\\Setup\\OptionalComponents";

const BrokenKit kBrokenKits[] = {
    // setup INFs
    {false, {{"OSPRIN.INF", "$UPGKIT$", "$CHICAGO$"}}, "OSPRIN*.INF: error: no setup INF"},
    // the profile reader, which finds the setup INFs, keeps the comment
    {false, {{"OSPRIN.INF", "$UPGKIT$", "$UPGKIT$ ; the setup INF"}},
     "OSPRIN.INF:2: error: signature reads \"$UPGKIT$ ; the setup INF\" to the profile reader"},
    {false, {{"OSPRIN.INF", "SetupClass=TESTKIT\r\n", ""}}, "OSPRIN.INF:1: error: no SetupClass in [version]"},
    {false, {{"OSPRIN.INF", "TESTKIT=\"Test kit\"", "OTHER=1"}}, "OSPRIN.INF:1: warning: no caption"},
    {false, {{"OSPRIN.INF", "LayoutFile=LAYOUT.INF", "LayoutFile=LAYOUTS.INF"}},
     "OSPRIN.INF:4: error: LayoutFile LAYOUTS.INF is not beside the setup INF"},
    {false, {{"OSPRIN.INF", "", "[load_inf]\r\nMORE.INF\r\n"}},
     "OSPRIN.INF:27: error: [load_inf] file MORE.INF is not beside the setup INF"},
    {false, {{"OSPRIN.INF", "Base.Install\r\n\r\n", "Base.Instal\r\n\r\n"}},
     "OSPRIN.INF:10: error: [BaseWinOptions] names [Base.Instal], which is missing or empty"},
    {false, {{"OSPRIN2.INF", "", "[version]\r\nsignature=$UPGKIT$\r\nSetupClass=T2\r\n[Strings]\r\nT2=\"Test kit\"\r\n"}},
     "OSPRIN2.INF: error: the caption \"Test kit\" is also that of OSPRIN.INF"},
    {false,
     {{"OSPRIN2.INF", "", "[version]\r\nsignature=$UPGKIT$\r\nSetupClass=T2 ; second\r\n[Strings]\r\nT2=\"Other\"\r\n"}},
     "OSPRIN2.INF:3: error: the product list reads the caption with the profile reader, which takes SetupClass as "
     "\"T2 ; second\""},
    // install sections and files
    {false, {{"OSPRIN.INF", "CopyFiles=Base.Files", "CopyFiles=Base.Filez"}},
     "OSPRIN.INF:14: error: CopyFiles names [Base.Filez], which is missing or empty"},
    {false, {{"COMP.INF", "CopyFiles=Tools.Files", "CopyFile=Tools.Files"}},
     "COMP.INF:10: warning: CopyFile is no key the setup program reads in an install section: nothing runs it "
     "(CopyFiles?)"},
    {false,
     {{"COMP.INF", "UpdateInis=Tools.Ini\r\n", "UpdateInis=Tools.Ini\r\nUninstall=Tools.Remove\r\n"},
      {"COMP.INF", "", "[Tools.Remove]\r\nCopyFiles=Tools.Files\r\n"}},
     "COMP.INF:29: warning: CopyFiles is not read in an Uninstall section"},
    {false, {{"OSPRIN.INF", "Base.Files=11\r\n", ""}},
     "OSPRIN.INF:14: error: [Base.Files] has no [DestinationDirs] entry"},
    {false, {{"OSPRIN.INF", "Base.Files=11", "Base.Files=99"}},
     "OSPRIN.INF:20: error: [DestinationDirs] Base.Files: 99 is no directory id and holds none: the engine takes \"99\" "
     "as a path relative to its current directory"},
    // the engine takes the first id whose digits the field holds
    {false, {{"OSPRIN.INF", "Base.Files=11", "Base.Files=110"}},
     "OSPRIN.INF:20: warning: [DestinationDirs] Base.Files: \"110\" is no directory id, but it holds the digits of 10, "
     "which the engine takes: the files go to C:\\WINDOWS"},
    {false, {{"COMP.INF", "Tools.Files=10,TOOLS", "Tools.Files=%QelDir%"}},
     "COMP.INF:25: error: %QelDir% is neither a directory id nor a [Strings] key of COMP.INF: it expands to nothing, so "
     "the directory comes out empty: the engine handles none of [Tools.Files]'s files and ends the install section "
     "there"},
    {false, {{"BASE.DLL", "base", kRemove}}, "OSPRIN.INF:17: error: BASE.DLL is missing from the medium"},
    // a size is changed in the layout, whoever lists the file
    {false, {{"LAYOUT.INF", "BASE.DLL=0,,4", "BASE.DLL=0,,5"}},
     "LAYOUT.INF:2: warning: BASE.DLL declares 5 bytes, the file has 4 (OSPRIN.INF:17 lists it for start-up)"},
    {false, {{"LAYOUT.INF", "TOOL.EXE=0,BIN,5", "TOOL.EXE=0,BIN,9"}},
     "LAYOUT.INF:3: warning: TOOL.EXE declares 9 bytes, the file has 5 (COMP.INF:15 lists it for component "
     "Tools_4410Q/Main)"},
    {false, {{"LAYOUT.INF", "READ.ME=0,,3\r\n", ""}}, "COMP.INF:16: warning: READ.ME is not in [SourceDisksFiles]"},
    {false, {{"LAYOUT.INF", "TOOL.EXE=0,BIN,5", "TOOL.EXE=2,BIN,5"}},
     "COMP.INF:15: error: TOOL.EXE is on disk 2 in the layout, but the kit is not on floppy disks"},
    {false, {{"BIG.2", "dat", kRemove}}, "COMP.INF:19: error: part BIG.2 of BIG.DAT is missing from the kit folder"},
    {false, {{"COMP.INF", "BIG.DAT=BIG.1,BIG.2", "BIG.DAT"}},
     "COMP.INF:19: error: a MergeFiles line needs target=part1,part2"},
    {false, {{"OSPRIN.INF", "Tools,Section", "Tools,Section,,\"x\"\r\nHKEY_LOCAL_MACHINE,SOFTWARE\\X,V,,1\r\nHKLM,X"}},
     "OSPRIN.INF:26: error: root \"HKEY_LOCAL_MACHINE\" names no registry root"},
    {false, {{"COMP.INF", "\"load=tool.exe\"", "\"loadtool.exe\""}},
     "COMP.INF:22: error: new entry \"loadtool.exe\" has no \"=\": the updater skips the line"},
    {false, {{"COMP.INF", "win.ini,windows,,\"load=tool.exe\"", "autoexec.bat,,,\"SET X=1\""}},
     "COMP.INF:22: error: an AUTOEXEC.BAT line only removes"},
    {false, {{"COMP.INF", "windows,,", "windows,," + std::string(270, 'x') + ","}},
     "COMP.INF:22: error: a field is longer than 259 bytes"},
    {false, {{"COMP.INF", "README.TXT,READ.ME", "README.TXT," + std::string(260, 'R')}},
     "COMP.INF:16: error: the line is longer than 259 bytes: the engine skips it"},
    {false, {{"COMP.INF", "CopyFiles=Tools.Files", "CopyFiles=" + std::string(64, 'T')}},
     "COMP.INF:10: error: CopyFiles names a section longer than 63 bytes"},
    // %name% references that name nothing, where the engine expands them
    {false, {{"OSPRIN.INF", kCatalogue + "\\Tools,Section", "HKLM,%Catalog%\\Tools,Section"}},
     "OSPRIN.INF:25: error: %Catalog% is neither a directory id nor a [Strings] key of OSPRIN.INF: it expands to "
     "nothing, so the key written is \"\\Tools\""},
    {false, {{"COMP.INF", "\"load=tool.exe\"", "\"load=%ToolDir%\\tool.exe\""}},
     "COMP.INF:22: error: %ToolDir% is neither a directory id nor a [Strings] key of COMP.INF: it expands to nothing, "
     "so the new entry is \"\"load=\\tool.exe\"\""},
    {false, {{"COMP.INF", "SearchDir=10,TOOLS", "SearchDir=10,%Sub%"}},
     "COMP.INF:8: error: %Sub% is neither a directory id nor a [Strings] key of COMP.INF"},
    // the length was tested before the expansion
    {false, {{"COMP.INF", "OptionDesc=\"Tools\"", "OptionDesc=%Cor%"}},
     "COMP.INF:5: warning: %Cor% is neither a directory id nor a [Strings] key of COMP.INF: it expands to nothing, so "
     "the component shows with an empty name"},
    // the catalogue and the machine list
    {false, {{"OSPRIN.INF", "AddReg=Catalogue.Reg\r\n", ""}},
     "OSPRIN.INF: error: no start-up AddReg line writes a component under HKLM\\SOFTWARE\\QEL\\TESTKIT\\Setup\\"
     "OptionalComponents: where no earlier setup of this product left a catalogue, setup ends at once"},
    {false, {{"OSPRIN.INF", "INF,,COMP.INF", "INF,,NOPE.INF"}}, "OSPRIN.INF:24: error: NOPE.INF is not in the kit"},
    // at the line that writes the Section
    {false, {{"OSPRIN.INF", "Tools_4410Q/Main\"", "Tools_4410Q/Other\""}},
     "OSPRIN.INF:25: error: component Tools: [Tools_4410Q/Other] is not in COMP.INF"},
    {false, {{"OSPRIN.INF", "Tools,Section", "Tool,Section"}},
     "OSPRIN.INF:23: error: component Tools has no Section value: it is left out"},
    {false, {{"COMP.INF", "InstallType=2", "InstallType=2\r\nParent=Nobody"}},
     "COMP.INF:8: error: Parent Nobody matches no component"},
    {false, {{"COMP.INF", "InstallType=2", "InstallType=2\r\nParent=" + std::string(64, 'P')}},
     "COMP.INF:8: error: Parent is longer than 63 bytes: the catalogue leaves the component out"},
    // a loop at the Parent lines that close it
    {false, {{"COMP.INF", "InstallType=2", "InstallType=2\r\nParent=TOOLS_4410Q/MAIN"}},
     "COMP.INF:8: error: Parent loop: Tools_4410Q/Main -> Tools_4410Q/Main"},
    {false,
     {{"OSPRIN.INF", "", kCatalogue + ",Docs,,1\r\n" + kCatalogue + "\\Docs,INF,,COMP.INF\r\n" + kCatalogue +
                             "\\Docs,Section,,Docs_4410Q/Main\r\n"},
      {"COMP.INF", "InstallType=2", "InstallType=2\r\nParent=Docs_4410Q/Main"},
      {"COMP.INF", "", "[Docs_4410Q/Main]\r\nOptionDesc=Docs\r\nParent=Tools_4410Q/Main\r\n"}},
     "COMP.INF:30: error: Parent loop: Docs_4410Q/Main -> Tools_4410Q/Main -> Docs_4410Q/Main"},
    {false, {{"COMP.INF", "SearchDir=10,TOOLS", "SearchDir=99,TOOLS"}},
     "COMP.INF:8: error: SearchDir \"99\" is no directory id"},
    {false, {{"MACHINE.INF", "\"A 4410\",4410Q", "\"A 4420\",4420Q"}},
     "OSPRIN.INF:25: error: model \"4410Q\" of Tools_4410Q/Main is no model the wizard lets the user choose"},
    {false, {{"MACHINE.INF", "\"Model A\",TOSKA", "\"Model A\",toska"}},
     "MACHINE.INF:2: error: family key \"toska\" is not one the wizard knows"},
    {false, {{"OSPRIN.INF", "Tools_4410Q/Main\"", "Tools/Main\""}, {"COMP.INF", "[Tools_4410Q/Main]", "[Tools/Main]"}},
     "OSPRIN.INF:25: error: Section Tools/Main has no \"_\""},
    // text
    {false, {{"COMP.INF", "Useful tools", "Useful \x80tools"}},
     "COMP.INF:6: error: byte 0x80 is not valid code page 932"},
    {false, {{"COMP.INF", "Tip=\"Useful tools\"", "Tip=Useful\x82"}}, "COMP.INF:6: error: a lead byte 0x82 ends the line"},
    // UTF-8 whose bytes happen to form code page 932 pairs
    {false, {{"COMP.INF", "Useful tools", "Useful \xE3\x83\x84\xE3\x83\xBC\xE3\x83\xAB"}},
     "COMP.INF:6: error: is UTF-8 text, which the setup program reads as code page 932"},
    {false, {{"COMP.INF", "[version]", "\xEF\xBB\xBF[version]"}},
     "COMP.INF:1: error: starts with a UTF-8 byte-order mark"},
    // floppy kits
    {true, {{"disk2/BIN/TOOL.EX_", "", kRemove}}, "disk1/COMP.INF:15: error: TOOL.EXE is missing from the medium"},
    {true, {{"disk2/BIN/TOOL.EXE", "", "plain"}, {"disk2/BIN/TOOL.EX_", "", kRemove}},
     "disk1/COMP.INF:15: error: TOOL.EXE is on disk2/BIN/TOOL.EXE, but not under its compressed name TOOL.EX_"},
    {true, {{"disk1/LAYOUT.INF", "READ.ME=1", "READ.ME=2"}},
     "disk1/COMP.INF:16: error: READ.ME is on disk1/READ.ME_, but the layout puts it on disk 2"},
    // a component's file of disk 0 is taken from the drive in every pass
    {true, {{"disk1/LAYOUT.INF", "READ.ME=1", "READ.ME=0"}, {"disk1/READ.ME", "", "abc"}},
     "disk1/LAYOUT.INF:4: error: READ.ME has disk 0 in disk1/LAYOUT.INF: in a floppy kit the engine copies a disk-0 "
     "file in every disk pass from whatever disk is in the drive, and disk 2 lacks it, so setup asks for it there in "
     "vain (disk1/COMP.INF:16 lists it for component Tools_4410Q/Main)"},
    {true, {{"disk1/LAYOUT.INF", "READ.ME=1,,3\r\n", ""}},
     "disk1/COMP.INF:16: error: READ.ME is not in [SourceDisksFiles] of disk1/LAYOUT.INF, so it has disk 0"},
    {true, {{"disk2/DISK2", "disk2", "DISK1"}}, "disk2/DISK2: error: disk 2 has no tag file DISK2"},
    {true, {{"disk1/OSPRIN.INF", "COMP.INF\r\nMACHINE", "MACHINE"}},
     "disk1/OSPRIN.INF:24: error: COMP.INF is not copied to the temporary directory by [inf.Copy]"},
    {true, {{"disk1/UPGSIZE.INF", "2=\"Disk 2\"\r\n", ""}},
     "disk1/UPGSIZE.INF:1: error: [SourceDisksNames] names 1 disks, the kit has 2 disk folders"},
    {true, {{"disk1/LAYOUT.INF", "BASE.DLL=0", "BASE.DLL=2"}},
     "disk1/OSPRIN.INF:17: error: BASE.DLL is on disk 2, but start-up sections run outside the disk passes"},
    {true, {{"disk1/MACHINE.INF", "\"A 4410\",4410Q\r\n", ""}},
     "disk1/MACHINE.INF:11: warning: [TOSKA] has 8 lines: in a floppy kit the wizard chooses from line 9 on"},
    {true, {{"disk1/MACHINE.INF", "\"A 4410\",4410Q", "\"A 4410\",4420Q"}},
     "disk1/OSPRIN.INF:25: error: model \"4410Q\" of Tools_4410Q/Main is no model the wizard lets the user choose"},
    {true, {{"disk1/OSPRIN.INF", "$UPGKITFD$", "$UPGKIT$"}}, "disk1/OSPRIN.INF:2: error: the kit is on disks, but"},
};

// Kits the setup program takes as meant, each changed from a clean kit: they
// must stay clean.
const BrokenKit kCleanVariants[] = {
    // the decimal reader of the detection takes a sign
    {false, {{"COMP.INF", "SearchDir=10,TOOLS", "SearchDir=+10,TOOLS"}}, ""},
    // the profile reader drops the quotes around a value
    {false, {{"OSPRIN.INF", "signature=$UPGKIT$", "signature = \"$UPGKIT$\""}}, ""},
    // start-up writes never overwrite: the setup INF's [BaseWinOptions] runs
    // before those of [load_inf], so its Section stands
    {false,
     {{"OSPRIN.INF", "", "[load_inf]\r\nMORE.INF\r\n"},
      {"MORE.INF", "",
       "[BaseWinOptions]\r\nMore.Install\r\n[More.Install]\r\nAddReg=More.Reg\r\n[More.Reg]\r\n" + kCatalogue +
           "\\Tools,Section,,\"Tools_4410Q/Other\"\r\n"}},
     ""},
    // the directory of an id, written as a reference to it
    {false, {{"OSPRIN.INF", "Base.Files=11", "Base.Files=%11%"}}, ""},
    // a reference the [Strings] section of the same INF defines
    {false, {{"COMP.INF", "Tools.Files=10,TOOLS", "Tools.Files=10,%Sub%"}, {"COMP.INF", "", "[Strings]\r\nSub=TOOLS\r\n"}},
     ""},
    // a floppy kit's component file of disk 0 that every disk holds
    {true,
     {{"disk1/LAYOUT.INF", "READ.ME=1", "READ.ME=0"}, {"disk1/READ.ME", "", "abc"}, {"disk2/READ.ME", "", "abc"}},
     ""},
};

void change(KitFiles &kit, const Change &c)
{
    if (c.to == kRemove)
        kit.erase(c.file);
    else if (c.from.empty())
        kit[c.file] += c.to;
    else
        kit[c.file] = replaced(kit[c.file], c.from, c.to);
}

KitReport checkChanged(const BrokenKit &broken, int n)
{
    KitFiles kit = broken.floppy ? cleanFloppyKit() : cleanKit();
    for (const Change &c : broken.changes)
        change(kit, c);
    return checkKit(writeKit("changed" + std::to_string(n), kit));
}

TEST(KitCheck, EachBrokenKitShowsItsFinding)
{
    int n = 0;
    for (const BrokenKit &broken : kBrokenKits) {
        KitReport report = checkChanged(broken, n++);
        std::string text = "\n" + findingsOf(report);
        EXPECT_NE(text.find(std::string("\n") + broken.finding), std::string::npos)
            << broken.changes[0].file << ": " << broken.finding << "\n-- got:\n" << text;
        bool error = broken.finding.find(": error: ") != std::string::npos;
        EXPECT_EQ(error ? 1 : 0, reportExitCode(report)) << broken.finding;
    }
}

TEST(KitCheck, WhatTheProgramTakesComesOutClean)
{
    int n = 0;
    for (const BrokenKit &variant : kCleanVariants) {
        KitReport report = checkChanged(variant, n++);
        EXPECT_EQ(0, report.errors + report.warnings) << variant.changes[0].to << "\n" << findingsOf(report);
    }
}

// The keys a kit writes, for run-kit's registry listing: those of the AddReg
// and DelReg lines of the sections the setup program runs, strings
// expanded, each once (without regard to case), none below another; and the
// product's Setup key. A line whose root the program does not take (it
// reads HKCR, HKCU, HKLM, HKU as written) and a section never run write none.
TEST(KitCheck, TheRegistryKeysAreThoseTheKitWrites)
{
    KitFiles kit = cleanKit();
    kit["COMP.INF"] = replaced(kit["COMP.INF"], "UpdateInis=Tools.Ini\r\n",
                               "UpdateInis=Tools.Ini\r\nAddReg=Tools.Reg\r\nDelReg=Tools.Old\r\n");
    kit["COMP.INF"] += "\r\n[Tools.Reg]\r\n"
                       "HKCU,Software\\%Vendor%\\Tool,Path,,\"C:\\TOOLS\"\r\n"
                       "HKCU,software\\VENDOR\\TOOL\\Options,Fast,,1\r\n"
                       "HKCR,.tool,,,\"Tool.Document\"\r\n"
                       "hkcu,Software\\Skipped,Value,,1\r\n"
                       "\r\n[Tools.Old]\r\nHKLM,SOFTWARE\\Old Vendor\\Tool\r\n"
                       "\r\n[Never.Run]\r\nHKLM,SOFTWARE\\Nobody,Value,,1\r\n"
                       "\r\n[Strings]\r\nVendor=\"Vendor\"\r\n";
    KitReport report = checkKit(writeKit("keys", kit));
    EXPECT_EQ(formatRegistryKeys(report), "HKCR\\.tool\n"
                                          "HKCU\\Software\\Vendor\\Tool\n"
                                          "HKLM\\SOFTWARE\\OldVendor\\Tool\n"   // read as the program reads it
                                          "HKLM\\SOFTWARE\\QEL\\TESTKIT\\Setup\n")
        << findingsOf(report);
}

TEST(KitCheck, UnreadableKitAndJson)
{
    KitReport none = checkKit(scratchRoot() + "/no-such-kit");
    EXPECT_EQ(2, reportExitCode(none));

    KitFiles kit = cleanKit();
    kit["COMP.INF"] = replaced(kit["COMP.INF"], "SearchDir=10,TOOLS\r\n", "");
    KitReport report = checkKit(writeKit("json", kit));
    EXPECT_EQ(0, reportExitCode(report));   // a warning only
    std::string json = formatReport(report, true);
    EXPECT_NE(json.find("{\"file\": \"COMP.INF\", \"line\": 4, \"severity\": \"warning\", \"text\": \"[Tools_4410Q/Main] "
                        "has no SearchDir"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("\"errors\": 0, \"warnings\": 1, \"readable\": true}"), std::string::npos) << json;
}

// A FIFO under a kit's name is no file to read: the check ends, and says so.
TEST(KitCheck, AFifoUnderAKitNameIsNotRead)
{
    KitFiles kit = cleanKit();
    kit.erase("OSPRIN.INF");
    std::string dir = writeKit("fifo", kit);
    std::string fifo = dir + "/OSPRIN.INF";
    ASSERT_EQ(0, mkfifo(fifo.c_str(), 0644));
    auto checking = std::async(std::launch::async, [&] { return checkKit(dir); });
    if (checking.wait_for(std::chrono::seconds(20)) != std::future_status::ready) {
        // Let the blocked reader go (it sees the end of the FIFO), so that the test can end.
        int writer = open(fifo.c_str(), O_WRONLY | O_NONBLOCK);
        if (writer >= 0)
            close(writer);
        FAIL() << "checkKit still reads the FIFO after 20 s";
    }
    std::string text = findingsOf(checking.get());
    EXPECT_NE(text.find("OSPRIN.INF: error: is not a plain file"), std::string::npos) << text;
    EXPECT_NE(text.find("OSPRIN*.INF: error: no setup INF"), std::string::npos) << text;
}

std::vector<std::string> linesOf(const std::string &bytes)
{
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t lf; (lf = bytes.find('\n', start)) != std::string::npos; start = lf + 1)
        lines.push_back(bytes.substr(start, lf - start));
    if (start < bytes.size())
        lines.push_back(bytes.substr(start));
    return lines;
}

// A finding about the text's bytes may point at a comment line.
bool aboutBytes(const std::string &text)
{
    for (const char *prefix : {"byte ", "bytes ", "a lead byte ", "is UTF-8 ", "starts with a UTF-8 "})
        if (text.compare(0, strlen(prefix), prefix) == 0)
            return true;
    return false;
}

// Every INF of the corpus as a setup INF whose start-up sections are all of
// its own sections, as its layout and as its machine list. Besides running
// under the sanitizers: every finding points at a line of its file that holds
// INF text (not past the end, not blank, not a comment line unless it is about
// the bytes there), and a second check of the same kit (every eighth) says
// the same.
TEST(KitCheck, CorpusFindingsPointAtTextLines)
{
    const std::string corpus = KIT_INF_CORPUS;
    DIR *d = opendir(corpus.c_str());
    if (d == nullptr)
        GTEST_SKIP() << "no INF corpus at " << corpus;
    std::vector<std::string> names;
    while (struct dirent *e = readdir(d))
        if (e->d_name[0] != '.')
            names.push_back(e->d_name);
    closedir(d);
    int located = 0, checked = 0;
    for (const std::string &name : names) {
        std::string bytes;
        if (FILE *f = fopen((corpus + "/" + name).c_str(), "rb")) {
            char chunk[4096];
            size_t got;
            while ((got = fread(chunk, 1, sizeof chunk, f)) > 0)
                bytes.append(chunk, got);
            fclose(f);
        }
        std::string sections;
        for (size_t at = 0; (at = bytes.find('[', at)) != std::string::npos; ++at) {
            size_t end = bytes.find(']', at);
            if (end != std::string::npos && end - at < 60 && (at == 0 || bytes[at - 1] == '\n'))
                sections += bytes.substr(at + 1, end - at - 1) + "\r\n";
        }
        KitFiles kit;
        kit["OSPRIN.INF"] = "[version]\r\nsignature=$UPGKIT$\r\nSetupClass=C\r\nLayoutFile=OSPRIN.INF\r\n"
                            "[BaseWinOptions]\r\n" + sections + bytes;
        kit["MACHINE.INF"] = bytes;
        kit["OSPRIN1.INF"] = bytes;
        std::string dir = writeKit("corpus", kit);
        KitReport report = checkKit(dir);
        if (checked++ % 8 == 0)
            EXPECT_EQ(findingsOf(report), findingsOf(checkKit(dir))) << name;
        std::map<std::string, std::vector<std::string>> linesByFile;
        for (const auto &file : kit)
            linesByFile[file.first] = linesOf(file.second);
        for (const KitFinding &f : report.findings) {
            if (f.line == 0)
                continue;
            auto file = linesByFile.find(f.file);
            ASSERT_NE(file, linesByFile.end()) << name << ": " << f.file << ":" << f.line << ": " << f.text;
            const std::vector<std::string> &lines = file->second;
            ASSERT_LE(f.line, lines.size()) << name << ": " << f.file << ":" << f.line << ": " << f.text;
            std::string line = lines[f.line - 1];
            line.erase(0, line.find_first_not_of(" \t\r"));
            EXPECT_FALSE(line.empty() || line[0] == '\r') << name << ": " << f.file << ":" << f.line << ": " << f.text;
            EXPECT_TRUE(line[0] != ';' || aboutBytes(f.text))
                << name << ": " << f.file << ":" << f.line << ": " << f.text << "\n  the line: " << line;
            ++located;
        }
    }
    EXPECT_GT(located, 0);
}

}  // namespace
