// The kit checks: the setup INFs, every install section the setup program
// would run (at start-up and for each catalogue component), the files on the
// medium, the catalogue and the machine list, and the text of every INF.
// Each rule is the engine's own where the engine has it in portable code.
#include "tools/kitcheck/kitcheck.h"

#include "setup/engine/directives.h"
#include "setup/engine/executor.h"
#include "setup/engine/file_directives.h"
#include "setup/engine/install_driver.h"
#include "setup/engine/reg_root.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/sysconfig/config_text.h"
#include "tools/kitcheck/kit_files.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <map>
#include <memory>
#include <set>
#include <unordered_map>

namespace {

// ---- small text helpers

std::string say(const char *format, ...) __attribute__((format(printf, 1, 2)));
std::string say(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

// Upper case by ASCII folding only: trail bytes are never folded.
std::string upper(const char *text)
{
    std::string out;
    for (const char *p = text; *p != '\0';) {
        const char *next = charNext(p);
        if (next == p + 1)
            out += (*p >= 'a' && *p <= 'z') ? (char)(*p - 'a' + 'A') : *p;
        else
            out.append(p, (size_t)(next - p));
        p = next;
    }
    return out;
}

bool same(const char *a, const char *b)
{
    return compareNoCase(a, b) == 0;
}

// The decimal value of a size field as the engine sums it: leading blanks,
// an optional sign, then the leading digits.
long long leadingNumber(const char *text)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    long long value = 0;
    for (; *text >= '0' && *text <= '9' && value < (1LL << 40); ++text)
        value = value * 10 + (*text - '0');
    return negative ? -value : value;
}

bool allDigits(const char *text)
{
    if (*text == '\0')
        return false;
    for (; *text != '\0'; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

// The model part of a Section: after the first "_", up to the first "/"
// after it. 0 when there is no "_", 1 otherwise.
int sectionModelPart(const char *section, std::string &model)
{
    const char *p = section;
    while (*p != '\0' && *p != '_')
        p = charNext(p);
    if (*p != '_')
        return 0;
    const char *start = p + 1;
    const char *end = start;
    while (*end != '\0' && *end != '/')
        end = charNext(end);
    model.assign(start, (size_t)(end - start));
    return 1;
}

// The family keys of the machine list that the wizard knows (its string
// table), compared exactly; each names the section of its models.
const char *const kFamilyKeys[] = {"TOSKA", "BRENA", "BRENB", "BRENX", "KWILT", "DORSA",
                                   "MachineNames", "GELMO", "PIRKA", "SOVIN"};

const size_t kModelPartLimit = 11;
const size_t kComponentValueDataLimit = 65;
const size_t kOptionDescLimit = 49;
const size_t kTipLimit = 145;

// ---- the kit's files

struct Listing {
    bool readable;
    std::vector<KitDirEntry> entries;
    std::unordered_map<std::string, size_t> byName;   // upper-case name -> entry
};

// One loaded INF with the file line of every image line.
struct KitInf {
    std::string shown;   // as findings name it
    InfImage *image;
    std::vector<std::pair<size_t, unsigned>> lines;   // image offset -> file line
};

void noteLine(void *context, size_t offset, unsigned fileLine)
{
    ((KitInf *)context)->lines.push_back({offset, fileLine});
}

// A place of the medium: the kit's folder, or one disk of a floppy kit.
struct Medium {
    std::string dir;     // the platform's path
    std::string shown;   // prefix for findings: "" or "disk2/"
};

struct RegValue {
    std::string name;
    std::string data;
    KitInf *inf;
    InfLine line;
};
struct RegKey {
    std::vector<RegValue> values;
};

struct Component {
    std::string valueName;
    std::string section;
    std::string inf;
    std::string available;   // the registry's "Available", empty when not written
    std::string parent;
    KitInf *where;
    InfLine line;
};

// Where the install sections are met: at start-up (no disk pass, overwrite
// 0, the catalogue's AddReg lines), or for a component.
struct RunContext {
    bool startup;
    bool offMedium;   // a component the floppy kit does not offer: its files need not be there
};

struct Product {
    KitInf *setupInf;
    std::string caption;
    std::string setupClass;
    KitInf *layout;
    std::map<std::string, std::string> tempCopies;   // floppy kit: upper-case target name -> source name
    std::map<std::string, RegKey> registry;   // upper-case HKLM subkey -> values, in order written
    std::set<std::string> models;       // upper-case model keys the wizard lets the user choose
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

void add(Checker &c, const std::string &file, unsigned line, bool error, const std::string &text)
{
    c.report.findings.push_back(KitFinding{file, line, error, text});
    ++(error ? c.report.errors : c.report.warnings);
}

unsigned lineOf(const KitInf &inf, InfLine line)
{
    if (line == nullptr || inf.lines.empty())
        return 0;
    size_t offset = (size_t)(line - infImageText(inf.image));
    auto at = std::upper_bound(inf.lines.begin(), inf.lines.end(), std::make_pair(offset, ~0u));
    if (at == inf.lines.begin())
        return 0;
    return (at - 1)->second;
}

void error(Checker &c, const KitInf &inf, InfLine line, const std::string &text)
{
    add(c, inf.shown, lineOf(inf, line), true, text);
}

void warning(Checker &c, const KitInf &inf, InfLine line, const std::string &text)
{
    add(c, inf.shown, lineOf(inf, line), false, text);
}

Listing &listing(Checker &c, const std::string &dir)
{
    std::unique_ptr<Listing> &slot = c.listings[dir];
    if (!slot) {
        slot.reset(new Listing());
        slot->readable = listKitDirectory(dir, slot->entries);
        for (size_t i = 0; i < slot->entries.size(); ++i)
            slot->byName.emplace(upper(slot->entries[i].name.c_str()), i);
    }
    return *slot;
}

// The entry of name in dir, found without regard to case as the platform
// finds DOS names; null when there is none.
const KitDirEntry *findEntry(Checker &c, const std::string &dir, const char *name)
{
    Listing &l = listing(c, dir);
    auto at = l.byName.find(upper(name));
    return at == l.byName.end() ? nullptr : &l.entries[at->second];
}

// Resolves subdir (backslash-separated, may be empty) and name below a
// medium; the file's entry and its platform path, or null.
const KitDirEntry *locate(Checker &c, const Medium &medium, const char *subdir, const char *name, std::string &path,
                          std::string &shown)
{
    std::string dir = medium.dir;
    shown = medium.shown;
    std::string part;
    for (const char *p = subdir;; p = charNext(p)) {
        if (*p == '\\' || *p == '/' || *p == '\0') {
            if (!part.empty() && part != ".") {
                const KitDirEntry *e = findEntry(c, dir, part.c_str());
                if (e == nullptr || !e->isDirectory)
                    return nullptr;
                dir = kitPath(dir, e->name);
                shown += e->name + "/";
            }
            part.clear();
            if (*p == '\0')
                break;
            continue;
        }
        part.append(p, (size_t)(charNext(p) - p));
    }
    const KitDirEntry *e = findEntry(c, dir, name);
    if (e == nullptr || e->isDirectory)
        return nullptr;
    path = kitPath(dir, e->name);
    shown += e->name;
    return e;
}

// ---- text

// Code page 932: single bytes 0x00-0x7F and 0xA1-0xDF; a lead byte (0x81-0x9F,
// 0xE0-0xFC) takes a trail byte 0x40-0x7E or 0x80-0xFC.
bool isTrail(unsigned char c)
{
    return (c >= 0x40 && c <= 0x7E) || (c >= 0x80 && c <= 0xFC);
}

void checkText(Checker &c, const std::string &shown, const std::string &bytes)
{
    unsigned line = 1;
    int reported = 0;
    for (size_t i = 0; i < bytes.size() && reported < 20; ++i) {
        unsigned char b = (unsigned char)bytes[i];
        if (b == '\n') {
            ++line;
            continue;
        }
        if (b < 0x80 || (b >= 0xA1 && b <= 0xDF))
            continue;
        if (!isLeadByte(b)) {
            add(c, shown, line, true, say("byte 0x%02X is not valid code page 932 text", b));
            ++reported;
            continue;
        }
        unsigned char next = i + 1 < bytes.size() ? (unsigned char)bytes[i + 1] : 0;
        if (i + 1 >= bytes.size() || next == '\r' || next == '\n') {
            add(c, shown, line, true,
                say("a lead byte 0x%02X ends the line: the reader takes the line break after it as its second byte%s",
                    b, next == '\n' ? " and joins the next line to this one" : ""));
            ++reported;
            continue;
        }
        if (!isTrail(next)) {
            add(c, shown, line, true, say("bytes 0x%02X 0x%02X are not valid code page 932 text", b, next));
            ++reported;
        }
        ++i;
    }
}

// Loads an INF of a medium. null when it is missing (no finding: the caller
// knows what a missing file means) or cannot be read (a finding).
KitInf *loadInf(Checker &c, const Medium &medium, const char *name)
{
    // A name may hold a subdirectory of the medium.
    const char *file = fileNamePart(name);
    std::string subdir(name, (size_t)(file - name));
    std::string path, shown;
    const KitDirEntry *entry = locate(c, medium, subdir.c_str(), file, path, shown);
    if (entry == nullptr)
        return nullptr;
    std::unique_ptr<KitInf> &slot = c.infs[upper(shown.c_str())];
    if (slot)
        return slot->image != nullptr ? slot.get() : nullptr;
    slot.reset(new KitInf());
    slot->shown = shown;
    slot->image = nullptr;
    std::string bytes;
    if (!readKitFile(path, bytes, kInfSizeLimit)) {
        add(c, shown, 0, true, "cannot be read");
        return nullptr;
    }
    if (bytes.size() >= kInfSizeLimit) {
        add(c, shown, 0, true, "is 65,536 bytes or more: the setup program's INF reader refuses it");
        return nullptr;
    }
    checkText(c, shown, bytes);
    slot->image = buildInfImage(bytes.data(), bytes.size(), noteLine, slot.get());
    if (slot->image == nullptr) {
        add(c, shown, 0, true, "cannot be read as an INF");
        return nullptr;
    }
    return slot.get();
}

// The line of key in a section, for findings about the key.
InfLine keyLine(const KitInf &inf, const char *section, const char *key)
{
    InfLine first = findSection(inf.image, section);
    return findLineByKey(first, key, countLines(first));
}

// The header line of a section, for findings about the section as a whole:
// the NUL just before the first line ends the header.
InfLine headerOf(const KitInf &inf, const char *section)
{
    InfLine first = findSection(inf.image, section);
    return first != nullptr && first > infImageText(inf.image) ? first - 1 : first;
}

// ---- files on the medium

// The size recorded in an LZ (SZDD) header, or the file's own size.
uint64_t expandedSize(const std::string &path, uint64_t size)
{
    std::string head;
    if (!readKitFile(path, head, 14) || head.size() < 14 || head.compare(0, 4, "SZDD") != 0)
        return size;
    const unsigned char *p = (const unsigned char *)head.data() + 10;
    return (uint64_t)p[0] | ((uint64_t)p[1] << 8) | ((uint64_t)p[2] << 16) | ((uint64_t)p[3] << 24);
}

struct LayoutFacts {
    bool listed;
    LayoutEntry entry;
    bool hasSize;
    long long size;
};

LayoutFacts layoutFacts(const Product &p, const char *name)
{
    LayoutFacts facts = LayoutFacts();
    InfImage *layout = p.layout != nullptr ? p.layout->image : nullptr;
    facts.entry = findLayoutEntry(name, layout);
    if (layout == nullptr)
        return facts;
    char value[kPathSize] = "";
    facts.listed = getProfileString("SourceDisksFiles", name, "", value, layout) > 0 ||
                   findLineByKey(findSection(layout, "SourceDisksFiles"), name,
                                 countSectionLines("SourceDisksFiles", layout)) != nullptr;
    char field[kFieldSize] = "";
    char *rest = takeField(value, field);
    field[0] = '\0';
    rest = takeField(rest, field);
    field[0] = '\0';
    takeField(rest, field);
    facts.hasSize = field[0] != '\0';
    facts.size = leadingNumber(field);
    return facts;
}

void checkDeclaredSize(Checker &c, const KitInf &inf, InfLine line, const char *name, const LayoutFacts &facts,
                       uint64_t actual, const Product &p)
{
    if (facts.hasSize && (facts.size < 0 || (uint64_t)facts.size != actual))
        warning(c, inf, line,
                say("%s: %s declares %lld bytes, the file has %llu", name, p.layout->shown.c_str(), facts.size,
                    (unsigned long long)actual));
}

// Whether a disk number is one the kit can be asked for; a finding when not.
bool diskUsable(Checker &c, const KitInf &inf, InfLine line, const char *name, int disk, const RunContext &run)
{
    if (disk == 0)
        return true;
    if (!c.floppy) {
        error(c, inf, line,
              say("%s is on disk %d in the layout, but the kit is not on floppy disks: the engine never copies it",
                  name, disk));
        return false;
    }
    if (run.startup) {
        error(c, inf, line,
              say("%s is on disk %d, but start-up sections run outside the disk passes: the engine skips it", name,
                  disk));
        return false;
    }
    if (disk > (int)c.disks.size() || (c.diskCount >= 0 && disk > c.diskCount)) {
        error(c, inf, line,
              say("%s is on disk %d, but the kit has %d disk folders and UPGSIZE.INF names %d disks", name, disk,
                  (int)c.disks.size(), c.diskCount));
        return false;
    }
    return true;
}

// A CopyFiles source: on the medium, on its disk, under its stored name.
void checkCopySource(Checker &c, const Product &p, const KitInf &inf, InfLine line, const char *sourceName,
                     const RunContext &run)
{
    LayoutFacts facts = layoutFacts(p, sourceName);
    if (p.layout != nullptr && !facts.listed && !run.offMedium)
        warning(c, inf, line,
                say("%s is not in [SourceDisksFiles] of %s: its size counts 0 bytes", sourceName,
                    p.layout->shown.c_str()));
    if (!diskUsable(c, inf, line, sourceName, facts.entry.disk, run) || run.offMedium)
        return;
    int disk = facts.entry.disk;
    char stored[kPathSize];
    copyText(stored, sourceName);
    if (c.floppy && disk > 0 && !compressName(stored)) {
        error(c, inf, line, say("%s: its compressed name does not fit 259 bytes", sourceName));
        return;
    }
    const Medium &medium = disk > 0 ? c.disks[(size_t)disk - 1] : c.setupMedium();
    std::string path, shown;
    const KitDirEntry *e = locate(c, medium, facts.entry.subdir, stored, path, shown);
    if (e != nullptr) {
        uint64_t actual = (c.floppy && disk > 0) ? expandedSize(path, e->size) : e->size;
        checkDeclaredSize(c, inf, line, sourceName, facts, actual, p);
        return;
    }
    std::string where = medium.shown + facts.entry.subdir;
    if (c.floppy && disk > 0 && locate(c, medium, facts.entry.subdir, sourceName, path, shown) != nullptr) {
        error(c, inf, line,
              say("%s is on %s, but not under its compressed name %s", sourceName, shown.c_str(), stored));
        return;
    }
    if (c.floppy) {
        for (size_t d = 0; d < c.disks.size(); ++d) {
            if ((int)d + 1 == disk)
                continue;
            if (locate(c, c.disks[d], facts.entry.subdir, stored, path, shown) != nullptr ||
                locate(c, c.disks[d], facts.entry.subdir, sourceName, path, shown) != nullptr) {
                error(c, inf, line,
                      say("%s is on %s, but the layout puts it on disk %d", sourceName, shown.c_str(), disk));
                return;
            }
        }
    }
    error(c, inf, line,
          say("%s is missing from the medium (looked for %s in %s)", sourceName, stored,
              where.empty() ? "the kit folder" : where.c_str()));
}

// A MergeFiles line: every part on the medium, the first on the target's
// disk and each further one on the next disk.
void checkMergeLine(Checker &c, const Product &p, const KitInf &inf, InfLine line, const RunContext &run)
{
    char text[kPathSize], target[kPathSize];
    copyText(text, line);
    char *parts = splitMergeLine(text, target);
    if (parts == nullptr || target[0] == '\0') {
        error(c, inf, line, "a MergeFiles line needs target=part1,part2,...: the engine skips it");
        return;
    }
    LayoutFacts facts = layoutFacts(p, target);
    if (p.layout != nullptr && !facts.listed && !run.offMedium)
        warning(c, inf, line,
                say("%s is not in [SourceDisksFiles] of %s: its size counts 0 bytes", target, p.layout->shown.c_str()));
    if (!diskUsable(c, inf, line, target, facts.entry.disk, run) || run.offMedium)
        return;
    int disk = facts.entry.disk;
    uint64_t total = 0;
    bool complete = true;
    int count = 0;
    while (*parts != '\0') {
        char part[kFieldSize] = "";
        parts = takeField(parts, part);
        if (part[0] == '\0')
            continue;
        int partDisk = (c.floppy && disk > 0) ? disk + count : 0;
        ++count;
        if (partDisk > (int)c.disks.size()) {
            error(c, inf, line, say("part %s of %s would be on disk %d, past the last disk", part, target, partDisk));
            complete = false;
            continue;
        }
        const Medium &medium = partDisk > 0 ? c.disks[(size_t)partDisk - 1] : c.setupMedium();
        std::string path, shown;
        const KitDirEntry *e = locate(c, medium, facts.entry.subdir, part, path, shown);
        if (e == nullptr) {
            std::string where = medium.shown + facts.entry.subdir;
            error(c, inf, line,
                  say("part %s of %s is missing from %s: the merge ends the section there", part, target,
                      where.empty() ? "the kit folder" : where.c_str()));
            complete = false;
            continue;
        }
        total += e->size;
    }
    if (count == 0)
        error(c, inf, line, say("%s has no parts", target));
    else if (complete)
        checkDeclaredSize(c, inf, line, target, facts, total, p);
}

// ---- install sections

enum DirectiveKind { DEL_FILES, DEL_REG, COPY_FILES, MERGE_FILES, ADD_REG, UPDATE_INIS, UPDATE_INI_FIELDS };

struct DirectiveKey {
    const char *key;
    DirectiveKind kind;
};

// The driver's directives, in its order; a removal section has its own four.
const DirectiveKey kInstallDirectives[] = {
    {"DelFiles", DEL_FILES},   {"DelReg", DEL_REG},         {"CopyFiles", COPY_FILES},
    {"MergeFiles", MERGE_FILES}, {"AddReg", ADD_REG},       {"UpdateInis", UPDATE_INIS},
    {"UpdateIniFields", UPDATE_INI_FIELDS},
};
const DirectiveKey kRemovalDirectives[] = {
    {"DelFiles", DEL_FILES}, {"DelReg", DEL_REG}, {"AddReg", ADD_REG}, {"UpdateInis", UPDATE_INIS}};

bool isFileList(DirectiveKind kind)
{
    return kind == DEL_FILES || kind == COPY_FILES || kind == MERGE_FILES;
}

// The [DestinationDirs] entry of a file-list section.
void checkDestination(Checker &c, const KitInf &inf, InfLine directive, const char *section)
{
    InfLine first = findSection(inf.image, "DestinationDirs");
    InfLine line = findLineByKey(first, section, countLines(first));
    if (line == nullptr) {
        error(c, inf, directive,
              say("[%s] has no [DestinationDirs] entry: the engine touches none of its files", section));
        return;
    }
    char where[kPathSize] = "", dir[kPathSize];
    getLineField(line, 1, where);
    if (where[0] == '\0')
        warning(c, inf, line, say("[DestinationDirs] %s names no directory: its files go to the Windows directory",
                                  section));
    else if (!allDigits(where))
        warning(c, inf, line, say("[DestinationDirs] %s: \"%s\" is no directory id; it is taken as a fixed path",
                                  section, where));
    else if (!resolveDirId(atol(where), dir))
        error(c, inf, line, say("[DestinationDirs] %s: %s is no directory id", section, where));
}

// Fetches a line as an executor does; a finding when it is too long.
bool executorLine(Checker &c, const KitInf &inf, InfLine line, size_t limit, char *out, size_t size)
{
    if (textLength(line) >= limit) {
        error(c, inf, line, say("the line is longer than %u bytes: the engine skips it", (unsigned)limit - 1));
        return false;
    }
    copyTextN(out, size, line);
    return true;
}

bool cutFields(Checker &c, const KitInf &inf, InfLine line, char (*fields)[kPathSize], int count)
{
    char text[kExecutorLineSize];
    if (!executorLine(c, inf, line, kExecutorLineSize, text, sizeof text))
        return false;
    if (!cutLineFields(text, fields, count)) {
        error(c, inf, line, "a field is longer than 259 bytes: the engine skips the line");
        return false;
    }
    return true;
}

void recordRegistry(Product &p, KitInf &inf, InfLine line, char (*fields)[kPathSize])
{
    if (regRootFromField(fields[0]) != REG_ROOT_MACHINE)
        return;
    expandStrings(fields[1], inf.image);
    stripQuotes(fields[2]);
    expandStrings(fields[2], inf.image);
    stripQuotes(fields[4]);
    expandStrings(fields[4], inf.image);
    RegKey &key = p.registry[upper(fields[1])];
    for (const RegValue &v : key.values)
        if (same(v.name.c_str(), fields[2]))
            return;   // start-up writes keep what is there
    key.values.push_back(RegValue{fields[2], fields[4], &inf, line});
}

void noteRegistryKey(Checker &c, RegRoot root, const char *subkey)
{
    static const char *const kRootNames[] = {"", "HKCR", "HKCU", "HKLM", "HKU"};
    std::string key = kRootNames[root];
    if (subkey[0] != '\0')
        key += std::string("\\") + subkey;
    c.report.registryKeys.push_back(key);
}

// Keeps each key once (keys are compared without regard to case) and only
// the uppermost of keys that lie below one another.
void pruneRegistryKeys(std::vector<std::string> &keys)
{
    std::sort(keys.begin(), keys.end(),
              [](const std::string &a, const std::string &b) { return upper(a.c_str()) < upper(b.c_str()); });
    std::vector<std::string> kept;
    for (const std::string &key : keys) {
        std::string name = upper(key.c_str());
        if (!kept.empty()) {
            std::string last = upper(kept.back().c_str());
            if (name == last || (name.compare(0, last.size(), last) == 0 && name[last.size()] == '\\'))
                continue;
        }
        kept.push_back(key);
    }
    keys.swap(kept);
}

void checkRegistryLine(Checker &c, Product &p, KitInf &inf, InfLine line, DirectiveKind kind, const RunContext &run)
{
    char fields[5][kPathSize];
    int count = kind == ADD_REG ? 5 : 3;
    if (!cutFields(c, inf, line, fields, count))
        return;
    if (regRootFromField(fields[0]) == REG_ROOT_NONE) {
        error(c, inf, line,
              say("root \"%s\" names no registry root (HKCR, HKCU, HKLM, HKU): the line is skipped", fields[0]));
        return;
    }
    char subkey[kPathSize];
    copyText(subkey, fields[1]);
    expandStrings(subkey, inf.image);
    noteRegistryKey(c, regRootFromField(fields[0]), subkey);
    if (kind == ADD_REG && run.startup)
        recordRegistry(p, inf, line, fields);
}

void checkIniLine(Checker &c, const KitInf &inf, InfLine line, DirectiveKind kind)
{
    char fields[6][kPathSize];
    if (!cutFields(c, inf, line, fields, kind == UPDATE_INIS ? 5 : 6))
        return;
    if (kind != UPDATE_INIS)
        return;
    for (int f = 0; f < 4; ++f)
        expandStrings(fields[f], inf.image);
    switch (iniLineTarget(fields[0], fields[1], fields[3])) {
    case INI_TARGET_NO_ENTRY:
        error(c, inf, line, say("new entry %s has no \"=\": the updater skips the line", fields[3]));
        break;
    case INI_TARGET_AUTOEXEC_NOTHING:
        error(c, inf, line,
              "an AUTOEXEC.BAT line only removes (the line to remove as section, no new entry): this one changes "
              "nothing");
        break;
    default:
        break;
    }
}

void checkListedSection(Checker &c, Product &p, KitInf &inf, InfLine directive, const char *name, DirectiveKind kind,
                        const RunContext &run)
{
    std::string key = say("%p|%s|%d|%d|%d", (void *)&p, upper((inf.shown + "|" + name).c_str()).c_str(), (int)kind,
                          run.startup, run.offMedium);
    if (!c.visited.insert(key).second)
        return;
    if (isFileList(kind))
        checkDestination(c, inf, directive, name);
    for (InfLine line = findSection(inf.image, name); line != nullptr; line = nextLine(line)) {
        char text[kPathSize];
        switch (kind) {
        case COPY_FILES: {
            if (!executorLine(c, inf, line, kPathSize, text, sizeof text))
                break;
            char destName[kPathSize] = "", sourceName[kPathSize];
            char *rest = takeField(text, destName);
            copyText(sourceName, *rest != '\0' ? rest : destName);
            if (destName[0] == '\0' || sourceName[0] == '\0') {
                error(c, inf, line, "the line names no file: the engine skips it");
                break;
            }
            checkCopySource(c, p, inf, line, sourceName, run);
            break;
        }
        case MERGE_FILES:
            if (executorLine(c, inf, line, kPathSize, text, sizeof text))
                checkMergeLine(c, p, inf, line, run);
            break;
        case DEL_FILES:
            executorLine(c, inf, line, kPathSize, text, sizeof text);
            break;
        case DEL_REG:
        case ADD_REG:
            checkRegistryLine(c, p, inf, line, kind, run);
            break;
        case UPDATE_INIS:
        case UPDATE_INI_FIELDS:
            checkIniLine(c, inf, line, kind);
            break;
        }
    }
}

template <size_t N>
void checkDirectives(Checker &c, Product &p, KitInf &inf, const char *section, const DirectiveKey (&table)[N],
                     const RunContext &run)
{
    for (const DirectiveKey &d : table) {
        char list[kSectionListLimit + 2];
        size_t length = getProfileString(section, d.key, "", list, inf.image);
        if (length == 0)
            continue;
        InfLine at = keyLine(inf, section, d.key);
        if (length > kSectionListLimit) {
            error(c, inf, at, say("%s lists more than %u bytes: the engine refuses the directive", d.key,
                                  (unsigned)kSectionListLimit));
            continue;
        }
        char *rest = list;
        while (*rest != '\0') {
            char name[kFieldSize] = "";
            rest = takeField(rest, name);
            if (textLength(name) > kSectionNameLimit) {
                error(c, inf, at, say("%s names a section longer than %u bytes: the engine skips it", d.key,
                                      (unsigned)kSectionNameLimit));
                continue;
            }
            if (name[0] == '\0')
                continue;
            if (countSectionLines(name, inf.image) <= 0) {
                error(c, inf, at, say("%s names [%s], which is missing or empty", d.key, name));
                continue;
            }
            checkListedSection(c, p, inf, at, name, d.kind, run);
        }
    }
}

void checkInstallSection(Checker &c, Product &p, KitInf &inf, const char *section, const RunContext &run)
{
    checkDirectives(c, p, inf, section, kInstallDirectives, run);
}

// ---- start-up

// An INF that the program opens from its source directory after start-up:
// in a floppy kit that is the temporary directory, which holds only what
// [inf.Copy] and [load_inf] copied there.
KitInf *openFromSource(Checker &c, Product &p, const char *name, const KitInf &from, InfLine line, bool required,
                       const char *why)
{
    auto copy = p.tempCopies.find(upper(name));
    if (c.floppy && copy == p.tempCopies.end()) {
        if (required || findEntry(c, c.setupMedium().dir, name) != nullptr)
            error(c, from, line,
                  say("%s is not copied to the temporary directory by [inf.Copy] of %s: %s", name,
                      p.setupInf->shown.c_str(), why));
        return nullptr;
    }
    const char *source = c.floppy ? copy->second.c_str() : name;
    KitInf *inf = loadInf(c, c.setupMedium(), source);
    std::string path, shown;
    const char *file = fileNamePart(source);
    if (inf == nullptr && required &&
        locate(c, c.setupMedium(), std::string(source, (size_t)(file - source)).c_str(), file, path, shown) == nullptr)
        error(c, from, line, say("%s is not in the kit: %s", name, why));
    return inf;
}

void runBaseWinOptions(Checker &c, Product &p, KitInf &inf)
{
    RunContext run = {true, false};
    for (InfLine line = findSection(inf.image, "BaseWinOptions"); line != nullptr; line = nextLine(line)) {
        if (textLength(line) > kSectionNameLimit) {
            error(c, inf, line, say("an install-section name longer than %u bytes: the engine skips it",
                                    (unsigned)kSectionNameLimit));
            continue;
        }
        if (findSection(inf.image, line) == nullptr) {
            error(c, inf, line, say("[BaseWinOptions] names [%s], which is missing or empty", line));
            continue;
        }
        checkInstallSection(c, p, inf, line, run);
    }
}

// The floppy kit's copies into the temporary directory: target names, and
// the sources on the first disk.
void readTempCopies(Checker &c, Product &p)
{
    KitInf &inf = *p.setupInf;
    for (const char *section : {"inf.Copy", "load_inf"}) {
        for (InfLine line = findSection(inf.image, section); line != nullptr; line = nextLine(line)) {
            char text[kPathSize], target[kFieldSize] = "";
            copyText(text, line);
            char *rest = takeField(text, target);
            const char *source = *rest != '\0' ? rest : target;
            if (findEntry(c, c.setupMedium().dir, source) == nullptr)
                error(c, inf, line, say("%s is not on disk 1: the copy to the temporary directory fails", source));
            p.tempCopies.emplace(upper(target), source);
        }
    }
}

void readVersion(Checker &c, Product &p)
{
    KitInf &inf = *p.setupInf;
    InfLine version = headerOf(inf, "version");
    char value[kPathSize] = "";
    size_t length = getProfileString("version", "SetupClass", "", value, inf.image);
    if (length == 0)
        error(c, inf, version, "no SetupClass in [version]: the catalogue's registry key has no product name");
    else if (length >= kShortSize)
        error(c, inf, keyLine(inf, "version", "SetupClass"), "SetupClass is longer than 63 bytes");
    p.setupClass = value;
    if (length > 0) {
        char caption[kPathSize] = "";
        size_t captionLength = getProfileString("Strings", value, "", caption, inf.image);
        if (captionLength == 0)
            warning(c, inf, version,
                    say("no caption: [Strings] has no key %s, so the product shows the default caption", value));
        else if (captionLength >= kShortSize)
            warning(c, inf, keyLine(inf, "Strings", value), "the caption is longer than 63 bytes and is cut");
        p.caption = caption;
    }

    char layout[kPathSize] = "";
    length = getProfileString("version", "LayoutFile", "", layout, inf.image);
    if (length == 0) {
        warning(c, inf, version,
                "no LayoutFile in [version]: every file counts as on no disk and 0 bytes in the size estimate");
    } else if (length >= kShortSize) {
        error(c, inf, keyLine(inf, "version", "LayoutFile"), "LayoutFile is longer than 63 bytes");
    } else {
        p.layout = loadInf(c, c.setupMedium(), layout);
        if (p.layout == nullptr && findEntry(c, c.setupMedium().dir, layout) == nullptr)
            error(c, inf, keyLine(inf, "version", "LayoutFile"),
                  say("LayoutFile %s is not beside the setup INF: start-up stops", layout));
    }
}

// ---- the catalogue and the machine list

// The lines of a list section that the wizard lets the user choose: in a
// floppy kit choosing entry k takes line k + 9, so lines 1 to 8 are never
// chosen. A finding when no line can be chosen.
InfLine chosenLines(Checker &c, const KitInf &machine, const char *section)
{
    InfLine line = findSection(machine.image, section);
    for (int skip = c.floppy ? 8 : 0; skip > 0 && line != nullptr; --skip)
        line = nextLine(line);
    if (line == nullptr && findSection(machine.image, section) != nullptr)
        warning(c, machine, headerOf(machine, section),
                say("[%s] has %d lines: in a floppy kit the wizard chooses from line 9 on, so the list offers nothing",
                    section, countSectionLines(section, machine.image)));
    return line;
}

// The key of a machine-list line: the text after its first comma; null
// when it has none.
const char *listKey(InfLine line)
{
    const char *comma = line;
    while (*comma != '\0' && *comma != ',')
        comma = charNext(comma);
    return *comma == ',' ? comma + 1 : nullptr;
}

// The model chosen when a list offers nothing.
const char *const kDefaultModel = "4410Q";

void readMachineList(Checker &c, Product &p)
{
    KitInf *machine = openFromSource(c, p, "MACHINE.INF", *p.setupInf, nullptr, false, "the wizard's lists stay empty");
    if (machine == nullptr) {
        if (!c.floppy || p.tempCopies.count("MACHINE.INF") != 0)
            add(c, p.setupInf->shown, 0, false, "no MACHINE.INF: the nickname and model lists stay empty");
        p.models.insert(kDefaultModel);
        return;
    }
    InfLine line = chosenLines(c, *machine, "MachineModels");
    if (line == nullptr)
        p.models.insert(kDefaultModel);
    for (; line != nullptr; line = nextLine(line)) {
        const char *family = listKey(line);
        if (family == nullptr) {
            warning(c, *machine, line, "no family key after a comma: choosing this nickname changes no list");
            continue;
        }
        bool known = false;
        for (const char *k : kFamilyKeys)
            known = known || strcmp(k, family) == 0;
        if (!known) {
            error(c, *machine, line,
                  say("family key \"%s\" is not one the wizard knows (compared exactly): its models never show",
                      family));
            continue;
        }
        if (findSection(machine->image, family) == nullptr) {
            error(c, *machine, line, say("family [%s] is missing or empty", family));
            continue;
        }
        InfLine model = chosenLines(c, *machine, family);
        if (model == nullptr)
            p.models.insert(kDefaultModel);
        for (; model != nullptr; model = nextLine(model)) {
            const char *key = listKey(model);
            if (key != nullptr && *key != '\0') {
                p.models.insert(upper(key));
            } else {
                warning(c, *machine, model, "no model key after a comma: the model becomes \"4410Q\"");
                p.models.insert(kDefaultModel);
            }
        }
    }
}

void checkComponent(Checker &c, Product &p, Component &comp, const std::vector<Component> &all)
{
    KitInf *inf = openFromSource(c, p, comp.inf.c_str(), *comp.where, comp.line, true,
                                 "the catalogue cannot be built and setup ends");
    if (inf == nullptr)
        return;
    const char *section = comp.section.c_str();
    if (findSection(inf->image, section) == nullptr) {
        error(c, *comp.where, comp.line,
              say("component %s: [%s] is not in %s (missing or empty)", comp.valueName.c_str(), section,
                  inf->shown.c_str()));
        return;
    }
    InfLine header = headerOf(*inf, section);
    char value[kPathSize] = "";
    size_t length = getProfileString(section, "OptionDesc", "", value, inf->image);
    expandStrings(value, inf->image);
    if (length == 0)
        warning(c, *inf, header, say("[%s] has no OptionDesc: it shows with an empty name", section));
    else if (textLength(value) > kOptionDescLimit)
        warning(c, *inf, keyLine(*inf, section, "OptionDesc"), "OptionDesc is longer than 49 bytes and is cut");
    getProfileString(section, "Tip", "", value, inf->image);
    expandStrings(value, inf->image);
    if (textLength(value) > kTipLimit)
        warning(c, *inf, keyLine(*inf, section, "Tip"), "Tip is longer than 145 bytes and is cut");
    getProfileString(section, "Parent", "", value, inf->image);
    comp.parent = value;
    getProfileString(section, "InstallType", "", value, inf->image);
    long installType = atol(value);

    // The install run selects only components found present, by their
    // search file; a component with nothing to install (a parent) need not be.
    bool hasWork = false;
    for (const DirectiveKey &d : kInstallDirectives)
        hasWork = hasWork || getProfileString(section, d.key, "", value, inf->image) > 0;
    char dirId[kPathSize] = "", dir[kPathSize];
    if (!findKeyedValue(inf->image, section, "SearchDir", dirId)) {
        if (hasWork)
            warning(c, *inf, header,
                    say("[%s] has no SearchDir: it never counts as present, so the install run never selects it",
                        section));
    } else if (!allDigits(dirId) || !resolveDirId(atol(dirId), dir)) {
        error(c, *inf, keyLine(*inf, section, "SearchDir"),
              say("SearchDir \"%s\" is no directory id: the component never counts as present", dirId));
    }
    if (!findKeyedValue(inf->image, section, "SearchFile", value) && (hasWork || dirId[0] != '\0'))
        warning(c, *inf, header,
                say("[%s] has no SearchFile: it never counts as present, so the install run never selects it",
                    section));

    std::string model;
    if (!sectionModelPart(section, model))
        error(c, *comp.where, comp.line,
              say("Section %s has no \"_\" before a model: it is never selected", section));
    else if (model.size() > kModelPartLimit)
        error(c, *comp.where, comp.line, say("the model part \"%s\" of %s is longer than 11 bytes", model.c_str(),
                                             section));
    else if (model.empty())
        warning(c, *comp.where, comp.line, say("Section %s has an empty model part: it is never selected", section));
    else if (p.models.count(upper(model.c_str())) == 0)
        error(c, *comp.where, comp.line,
              say("model \"%s\" of %s is no model the wizard lets the user choose from MACHINE.INF: the component "
                  "is never selected",
                  model.c_str(), section));

    if (!comp.parent.empty()) {
        bool found = false;
        for (const Component &other : all)
            found = found || same(other.section.c_str(), comp.parent.c_str());
        if (!found)
            error(c, *inf, keyLine(*inf, section, "Parent"),
                  say("Parent %s matches no component of the catalogue", comp.parent.c_str()));
    }

    // What the kit does not offer need not be on its medium: in a floppy kit
    // install type 16, elsewhere the registry's "Available"="0".
    bool offered = c.floppy ? installType != 16 : atol(comp.available.empty() ? "1" : comp.available.c_str()) != 0;
    RunContext run = {false, !offered};
    checkInstallSection(c, p, *inf, section, run);
    char removal[kSectionNameLimit + 2] = "";
    length = getProfileString(section, "Uninstall", "", removal, inf->image);
    if (length > kSectionNameLimit)
        error(c, *inf, keyLine(*inf, section, "Uninstall"), "Uninstall names a section longer than 63 bytes");
    else if (length > 0 && countSectionLines(removal, inf->image) <= 0)
        error(c, *inf, keyLine(*inf, section, "Uninstall"),
              say("Uninstall names [%s], which is missing or empty", removal));
    else if (length > 0)
        checkDirectives(c, p, *inf, removal, kRemovalDirectives, run);
}

// Parent chains that come back to where they began.
void checkParentLoops(Checker &c, const std::vector<Component> &all)
{
    for (size_t i = 0; i < all.size(); ++i) {
        size_t at = i;
        std::string chain = all[i].section;
        for (size_t step = 0; step <= all.size(); ++step) {
            const std::string &parent = all[at].parent;
            if (parent.empty())
                break;
            size_t next = all.size();
            for (size_t j = 0; j < all.size() && next == all.size(); ++j)
                if (same(all[j].section.c_str(), parent.c_str()))
                    next = j;
            if (next == all.size())
                break;
            chain += " -> " + all[next].section;
            if (next == i) {
                error(c, *all[i].where, all[i].line, "Parent loop: " + chain);
                break;
            }
            at = next;
        }
    }
}

void checkCatalogue(Checker &c, Product &p)
{
    std::string keyName = "SOFTWARE\\QEL\\" + p.setupClass + "\\Setup\\OptionalComponents";
    std::string base = upper(keyName.c_str());
    auto list = p.registry.find(base);
    std::vector<Component> all;
    std::set<std::string> listed;
    if (list != p.registry.end()) {
        for (const RegValue &v : list->second.values) {
            if (v.name.size() >= kPathSize || v.data.size() > kComponentValueDataLimit) {
                error(c, *v.inf, v.line,
                      say("component value %s is too long (name over 259 or data over 65 bytes): the catalogue "
                          "stops reading here",
                          v.name.c_str()));
                break;
            }
            listed.insert(upper(v.name.c_str()));
            auto sub = p.registry.find(base + "\\" + upper(v.name.c_str()));
            if (sub == p.registry.end()) {
                error(c, *v.inf, v.line, say("component %s has no subkey with INF and Section: it is left out",
                                             v.name.c_str()));
                continue;
            }
            const RegValue *inf = nullptr, *section = nullptr;
            std::string available;
            for (const RegValue &s : sub->second.values) {
                if (same(s.name.c_str(), "INF"))
                    inf = &s;
                if (same(s.name.c_str(), "Section"))
                    section = &s;
                if (same(s.name.c_str(), "Available"))
                    available = s.data;
            }
            if (inf == nullptr || inf->data.empty() || section == nullptr) {
                error(c, *v.inf, v.line,
                      say("component %s has no %s: it is left out", v.name.c_str(),
                          section == nullptr ? "Section value" : "INF value"));
                continue;
            }
            if (section->data.size() >= kShortSize || inf->data.size() >= kPathSize) {
                error(c, *section->inf, section->line,
                      say("component %s: Section over 63 or INF over 259 bytes", v.name.c_str()));
                continue;
            }
            all.push_back(Component{v.name, section->data, inf->data, available, "", inf->inf, inf->line});
        }
    }
    for (const auto &key : p.registry)
        if (key.first.size() > base.size() + 1 && key.first.compare(0, base.size() + 1, base + "\\") == 0 &&
            listed.count(key.first.substr(base.size() + 1)) == 0 && !key.second.values.empty())
            warning(c, *key.second.values[0].inf, key.second.values[0].line,
                    say("component subkey %s has no value in OptionalComponents: the catalogue never lists it",
                        key.first.substr(base.size() + 1).c_str()));
    if (all.empty()) {
        add(c, p.setupInf->shown, 0, false,
            "no component: no start-up AddReg line writes HKLM\\" + keyName + " (the catalogue is empty)");
        return;
    }
    for (Component &comp : all)
        checkComponent(c, p, comp, all);
    checkParentLoops(c, all);
}

// ---- the kit

bool isSetupInfName(const std::string &name)
{
    std::string u = upper(name.c_str());
    return u.size() >= 10 && u.compare(0, 6, "OSPRIN") == 0 && u.compare(u.size() - 4, 4, ".INF") == 0;
}

void findDisks(Checker &c)
{
    c.disks.push_back(Medium{c.kitDir, ""});
    c.floppy = false;
    for (int d = 1;; ++d) {
        std::string name = say("disk%d", d);
        const KitDirEntry *e = findEntry(c, c.kitDir, name.c_str());
        if (e == nullptr || !e->isDirectory)
            break;
        if (!c.floppy) {
            c.floppy = true;
            c.disks.clear();
        }
        c.disks.push_back(Medium{kitPath(c.kitDir, e->name), e->name + "/"});
    }
    c.diskCount = -1;
    if (!c.floppy)
        return;
    for (size_t d = 0; d < c.disks.size(); ++d) {
        std::string tag = say("DISK%u", (unsigned)d + 1), path, shown;
        const KitDirEntry *e = locate(c, c.disks[d], "", tag.c_str(), path, shown);
        std::string bytes;
        if (e == nullptr || !readKitFile(path, bytes, tag.size()) || !equalNoCase(bytes.data(), bytes.size(),
                                                                                  tag.data(), tag.size()))
            add(c, c.disks[d].shown + tag, 0, true,
                say("disk %u has no tag file %s beginning with \"%s\": the disk prompt never accepts it",
                    (unsigned)d + 1, tag.c_str(), tag.c_str()));
    }
}

void checkProduct(Checker &c, Product &p)
{
    KitInf &inf = *p.setupInf;
    readVersion(c, p);
    if (c.floppy)
        readTempCopies(c, p);
    const std::string &shown = inf.shown;
    if (c.floppy && p.tempCopies.count(upper(shown.substr(shown.rfind('/') + 1).c_str())) == 0)
        error(c, inf, headerOf(inf, "inf.Copy"),
              "the setup INF itself is not in [inf.Copy]: it cannot be opened again from the temporary directory");
    if (c.floppy) {
        KitInf *sizes = openFromSource(c, p, "UPGSIZE.INF", inf, nullptr, true, "the install run cannot start");
        if (sizes != nullptr) {
            c.diskCount = countSectionLines("SourceDisksNames", sizes->image);
            if (c.diskCount != (int)c.disks.size())
                error(c, *sizes, headerOf(*sizes, "SourceDisksNames"),
                      say("[SourceDisksNames] names %d disks, the kit has %d disk folders", c.diskCount,
                          (int)c.disks.size()));
        }
    }
    for (InfLine line = findSection(inf.image, "load_inf"); line != nullptr; line = nextLine(line)) {
        char name[kPathSize];
        copyText(name, line);
        KitInf *more = loadInf(c, c.setupMedium(), name);
        if (more == nullptr) {
            if (findEntry(c, c.setupMedium().dir, name) == nullptr)
                error(c, inf, line, say("[load_inf] file %s is not beside the setup INF: start-up stops", name));
            continue;
        }
        runBaseWinOptions(c, p, *more);
    }
    runBaseWinOptions(c, p, inf);
    readMachineList(c, p);
    checkCatalogue(c, p);
}

}  // namespace

KitReport checkKit(const std::string &kitDir)
{
    Checker c;
    c.kitDir = kitDir;
    c.report = KitReport();
    if (!listing(c, kitDir).readable) {
        c.report.unreadable = true;
        add(c, kitDir, 0, true, "cannot read the kit directory");
        return c.report;
    }
    findDisks(c);

    std::vector<std::unique_ptr<Product>> products;
    std::vector<KitDirEntry> entries = listing(c, c.setupMedium().dir).entries;
    std::sort(entries.begin(), entries.end(),
              [](const KitDirEntry &a, const KitDirEntry &b) { return upper(a.name.c_str()) < upper(b.name.c_str()); });
    for (const KitDirEntry &e : entries) {
        if (e.isDirectory || !isSetupInfName(e.name))
            continue;
        KitInf *inf = loadInf(c, c.setupMedium(), e.name.c_str());
        if (inf == nullptr)
            continue;
        char signature[kShortSize] = "";
        getProfileString("version", "signature", "", signature, inf->image);
        bool ordinary = same(signature, "$UPGKIT$"), onDisks = same(signature, "$UPGKITFD$");
        if (!ordinary && !onDisks) {
            warning(c, *inf, headerOf(*inf, "version"),
                    say("signature \"%s\" is not $UPGKIT$ or $UPGKITFD$: not a setup INF", signature));
            continue;
        }
        if (onDisks && !c.floppy)
            error(c, *inf, keyLine(*inf, "version", "signature"),
                  "$UPGKITFD$ marks a floppy kit, but the kit has no disk1 folder");
        if (ordinary && c.floppy)
            error(c, *inf, keyLine(*inf, "version", "signature"),
                  "the kit is on disks, but $UPGKIT$ does not mark a floppy kit: the disks are never asked for");
        products.emplace_back(new Product());
        products.back()->setupInf = inf;
    }
    if (products.empty()) {
        add(c, c.setupMedium().shown + "OSPRIN*.INF", 0, true,
            "no setup INF (OSPRIN*.INF with signature $UPGKIT$ or $UPGKITFD$): setup ends at once");
    }
    for (auto &p : products) {
        checkProduct(c, *p);
        if (!p->setupClass.empty())
            noteRegistryKey(c, REG_ROOT_MACHINE, ("SOFTWARE\\QEL\\" + p->setupClass + "\\Setup").c_str());
    }
    pruneRegistryKeys(c.report.registryKeys);
    for (size_t i = 0; i < products.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (!products[i]->caption.empty() && same(products[i]->caption.c_str(), products[j]->caption.c_str()))
                error(c, *products[i]->setupInf, nullptr,
                      say("the caption \"%s\" is also that of %s: the product list cannot tell them apart",
                          products[i]->caption.c_str(), products[j]->setupInf->shown.c_str()));

    for (auto &entry : c.infs)
        if (entry.second->image != nullptr)
            freeInf(entry.second->image);
    // By file and line; findings of one line stay in the order they were met.
    std::stable_sort(c.report.findings.begin(), c.report.findings.end(), [](const KitFinding &a, const KitFinding &b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    return c.report;
}
