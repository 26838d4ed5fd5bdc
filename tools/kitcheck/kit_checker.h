// What the rooms of the kit checker share: the kit as one walk meets it (its
// media, its INFs with their file lines, the products and their catalogues)
// and the findings. Each room is one file:
//   kitcheck.cpp        the walk: media, setup INFs, products, in the program's order
//   check_setup.cpp     setup INFs and products: signature, version data, start-up INFs
//   check_media.cpp     the medium: disks and tag files, where each file lies, sizes
//   check_sections.cpp  install sections: directives, listed sections, their lines
//   check_catalogue.cpp the catalogue, the machine list and detection
//   check_text.cpp      text: code page 932, UTF-8, %name% references
// Portable; the platform's file access is kit_files.h.
#pragma once
#include "setup/engine/reg_root.h"
#include "setup/inf/inf.h"
#include "setup/shell/setup_state.h"
#include "tools/kitcheck/kit_files.h"
#include "tools/kitcheck/kitcheck.h"

#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

// ---- text helpers

std::string say(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Upper case by ASCII folding only: trail bytes are never folded.
std::string upper(const char *text);
// Equal as the program compares names (without regard to case).
bool same(const char *a, const char *b);

// Names as the program finds them, without regard to case: names of
// printable ASCII through a map of their folded form, any other name (which
// the platform compares) with each name in turn. The first of equal names
// stands for them all.
struct NameIndex {
    std::unordered_map<std::string, size_t> plain;
    std::vector<std::pair<std::string, size_t>> special;
    // index of name, or npos
    size_t find(const char *name) const;
    // false when an equal name was there already
    bool add(const char *name, size_t index);
};
const size_t kNoName = (size_t)-1;

// ---- the kit's files

struct Listing {
    bool readable;
    std::vector<KitDirEntry> entries;
    std::unordered_map<std::string, size_t> byName;   // upper-case name -> entry
};

// One loaded INF with the file line of every image line.
struct KitInf {
    std::string shown;   // as findings name it
    std::string bytes;   // the file as read: the profile reader's model works on it
    InfImage *image;
    std::vector<std::pair<size_t, unsigned>> lines;   // image offset -> file line
};

// A place of the medium: the kit's folder, or one disk of a floppy kit.
struct Medium {
    std::string dir;     // the platform's path
    std::string shown;   // prefix for findings: "" or "disk2/"
};

// ---- what the start-up sections write, and the catalogue read from it

struct RegValue {
    std::string name;
    std::string data;
    KitInf *inf;
    InfLine line;
};
struct RegKey {
    std::vector<RegValue> values;   // in the order written
    NameIndex byName;
};

struct Component {
    std::string valueName;
    std::string section;
    std::string inf;
    std::string available;   // the registry's "Available", empty when not written
    std::string parent;
    const RegValue *infValue;       // the line that writes INF
    const RegValue *sectionValue;   // the line that writes Section
    KitInf *componentInf;           // null when it cannot be read
    InfLine parentLine;             // Parent of the component's section
    bool inTree;                    // the catalogue's build takes it into the tree
};

// Where an install section is met: at start-up (no disk pass, overwrite 0,
// the catalogue's AddReg lines), or for a component.
struct RunContext {
    bool startup;
    bool offMedium;      // a component the kit does not offer: its files need not be there
    const char *owner;   // for findings at another file's line: "component X" or "start-up"
};

struct Product {
    KitInf *setupInf;
    std::string caption;
    std::string setupClass;
    KitInf *layout;
    std::map<std::string, std::string> tempCopies;   // floppy kit: upper-case target name -> source name
    std::map<std::string, RegKey> registry;          // upper-case HKLM subkey -> values, in order written
    std::set<std::string> models;                    // upper-case model keys the wizard lets the user choose
};

struct Checker {
    std::string kitDir;
    KitReport report;
    std::unordered_map<std::string, std::unique_ptr<Listing>> listings;
    std::map<std::string, std::unique_ptr<KitInf>> infs;   // by upper-case shown name
    bool floppy;
    std::vector<Medium> disks;   // floppy: disk1..diskN; else the kit folder alone
    int diskCount;               // floppy: lines of [SourceDisksNames] of UPGSIZE.INF (-1: unknown)
    std::set<std::string> visited;

    const Medium &setupMedium() const { return disks[0]; }
};

// ---- findings

void add(Checker &c, const std::string &file, unsigned line, bool error, const std::string &text);
unsigned lineOf(const KitInf &inf, InfLine line);
void error(Checker &c, const KitInf &inf, InfLine line, const std::string &text);
void warning(Checker &c, const KitInf &inf, InfLine line, const std::string &text);
// True the first time a key is seen: each section is checked once per way
// of meeting it.
bool firstVisit(Checker &c, const std::string &key);

// ---- files and INFs

Listing &listing(Checker &c, const std::string &dir);
// The entry of name in dir, found without regard to case as the platform
// finds DOS names; null when there is none.
const KitDirEntry *findEntry(Checker &c, const std::string &dir, const char *name);
// Resolves subdir (backslash-separated, may be empty) and name below a
// medium; the file's entry and its platform path, or null.
const KitDirEntry *locate(Checker &c, const Medium &medium, const char *subdir, const char *name, std::string &path,
                          std::string &shown);
// Loads an INF of a medium (a name may hold a subdirectory). null when it
// is missing (no finding: the caller knows what that means) or cannot be
// read (a finding).
KitInf *loadInf(Checker &c, const Medium &medium, const char *name);
// The line of key in a section, for findings about the key.
InfLine keyLine(const KitInf &inf, const char *section, const char *key);
// The header line of a section, for findings about the section as a whole.
InfLine headerOf(const KitInf &inf, const char *section);

// ---- the rooms

// check_text.cpp
void checkText(Checker &c, const std::string &shown, const std::string &bytes);
// Expands text in place as the engine does, and reports at line the %name%
// references that stand for nothing: "... so <what> "<text as expanded>"",
// or "... so <whenEmpty>" when it comes out empty and whenEmpty is given.
// true when every reference names something.
bool expandChecked(Checker &c, const KitInf &inf, InfLine line, char (&text)[kPathSize], bool isError,
                   const char *what, const char *whenEmpty = nullptr);

// check_setup.cpp
bool isSetupInfName(const std::string &name);
// A setup INF as the discovery reads it: 1 ordinary, 2 floppy, 0 neither.
int setupInfKind(Checker &c, const KitInf &inf);
void readVersion(Checker &c, Product &p);
void readTempCopies(Checker &c, Product &p);
void checkProductList(Checker &c, const std::vector<std::unique_ptr<Product>> &products);
// An INF that the program opens from its source directory after start-up.
KitInf *openFromSource(Checker &c, Product &p, const char *name, const KitInf &from, InfLine line, bool required,
                       const char *why);
// The [load_inf] INFs, in order; each loaded one once.
std::vector<KitInf *> loadInfs(Checker &c, Product &p);

// check_media.cpp
void findDisks(Checker &c);
void readDiskCount(Checker &c, Product &p);
// A CopyFiles source; a MergeFiles line.
void checkCopySource(Checker &c, const Product &p, const KitInf &inf, InfLine line, const char *sourceName,
                     const RunContext &run);
void checkMergeLine(Checker &c, const Product &p, const KitInf &inf, InfLine line, const RunContext &run);

// check_sections.cpp
// The install sections named by [BaseWinOptions] of an INF, at start-up.
void runBaseWinOptions(Checker &c, Product &p, KitInf &inf);
// The registry keys the kit writes (for kitcheck --keys): noted as the
// sections are run, then each kept once, none below another.
void noteRegistryKey(Checker &c, RegRoot root, const char *subkey);
void pruneRegistryKeys(std::vector<std::string> &keys);
// A component's install section and its Uninstall section.
void checkComponentSections(Checker &c, Product &p, KitInf &inf, const char *section, const RunContext &run);
// Whether the section has any directive the driver runs.
bool hasDirectives(InfImage *image, const char *section);

// check_catalogue.cpp
void readMachineList(Checker &c, Product &p);
void checkCatalogue(Checker &c, Product &p);
