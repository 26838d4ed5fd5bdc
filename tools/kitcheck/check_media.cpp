// The medium: the disks of a floppy kit and their tag files, the disk count
// of UPGSIZE.INF, and where each file the engine copies lies: on which disk,
// under which name, with which size.
#include "tools/kitcheck/kit_checker.h"

#include "setup/engine/file_directives.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"

namespace {

// The size recorded in an LZ (SZDD) header, or the file's own size.
uint64_t expandedSize(const std::string &path, uint64_t size)
{
    std::string head;
    if (!readKitFile(path, head, 14) || head.size() < 14 || head.compare(0, 4, "SZDD") != 0)
        return size;
    const unsigned char *p = (const unsigned char *)head.data() + 10;
    return (uint64_t)p[0] | ((uint64_t)p[1] << 8) | ((uint64_t)p[2] << 16) | ((uint64_t)p[3] << 24);
}

// A name's entry in the layout, as the engine reads it: its disk and
// subdirectory, and the size that the estimate sums (field 3 of its line).
struct LayoutFacts {
    bool listed;   // in [SourceDisksFiles]
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
    if (getProfileString("SourceDisksFiles", name, "", value, layout) == 0) {
        facts.listed = findLineByKey(findSection(layout, "SourceDisksFiles"), name,
                                     countSectionLines("SourceDisksFiles", layout)) != nullptr;
        return facts;
    }
    facts.listed = true;
    // A value with more than one field comes as written, so a line made of
    // any key and it has the fields of the layout's own line.
    std::string line = "K=" + std::string(value);
    char size[kPathSize] = "";
    facts.hasSize = getLineField(line.c_str(), 3, size) && size[0] != '\0';
    facts.size = decimalValue(size);
    return facts;
}

// The layout's line of a name, for a finding there (looked up only then:
// each lookup walks the section).
InfLine layoutLine(const Product &p, const char *name)
{
    InfImage *layout = p.layout != nullptr ? p.layout->image : nullptr;
    if (layout == nullptr)
        return nullptr;
    InfLine first = findSection(layout, "SourceDisksFiles");
    return findLineByKey(first, name, countLines(first));
}

// Who lists a file, for findings at its layout line.
std::string listedBy(const KitInf &inf, InfLine line, const RunContext &run)
{
    return say("%s:%u lists it for %s", inf.shown.c_str(), lineOf(inf, line), run.owner);
}

void notInLayout(Checker &c, const Product &p, const KitInf &inf, InfLine line, const char *name)
{
    warning(c, inf, line,
            say("%s is not in [SourceDisksFiles] of %s: its size counts 0 bytes", name, p.layout->shown.c_str()));
}

// The declared size is the layout's line to change.
void checkDeclaredSize(Checker &c, const Product &p, const LayoutFacts &facts, const char *name, uint64_t actual,
                       const KitInf &inf, InfLine line, const RunContext &run)
{
    if (facts.hasSize && (facts.size < 0 || (uint64_t)facts.size != actual))
        warning(c, *p.layout, layoutLine(p, name),
                say("%s declares %lld bytes, the file has %llu (%s)", name, facts.size, (unsigned long long)actual,
                    listedBy(inf, line, run).c_str()));
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

// In a floppy kit a component's file of disk 0 (or of no layout entry) is
// copied in every disk pass from whatever disk is in the drive: it must be
// on each. The first disk that lacks it, or 0.
int diskLacking(Checker &c, const char *subdir, const char *name)
{
    std::string path, shown;
    for (size_t d = 0; d < c.disks.size(); ++d)
        if (locate(c, c.disks[d], subdir, name, path, shown) == nullptr)
            return (int)d + 1;
    return 0;
}

// name has disk 0; file (name itself, or a part of it) is what disk lacking
// does not hold.
void everyPassFinding(Checker &c, const Product &p, const LayoutFacts &facts, const char *name, const char *file,
                      int lacking, const KitInf &inf, InfLine line, const RunContext &run)
{
    std::string why = facts.listed ? say("%s has disk 0 in %s", name, p.layout->shown.c_str())
                      : p.layout != nullptr
                          ? say("%s is not in [SourceDisksFiles] of %s, so it has disk 0", name, p.layout->shown.c_str())
                          : say("%s has no layout, so it has disk 0", name);
    std::string text = why + say(": in a floppy kit the engine copies a disk-0 file in every disk pass from whatever "
                                 "disk is in the drive, and disk %d lacks %s, so setup asks for it there in vain",
                                 lacking, same(name, file) ? "it" : file);
    if (facts.listed)
        error(c, *p.layout, layoutLine(p, name), text + " (" + listedBy(inf, line, run) + ")");
    else
        error(c, inf, line, text);
}

std::string placeName(const Medium &medium, const char *subdir)
{
    std::string where = medium.shown + subdir;
    return where.empty() ? "the kit folder" : where;
}

}  // namespace

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
        if (e == nullptr || !readKitFile(path, bytes, tag.size()) ||
            !equalNoCase(bytes.data(), bytes.size(), tag.data(), tag.size()))
            add(c, c.disks[d].shown + tag, 0, true,
                say("disk %u has no tag file %s beginning with \"%s\": the disk prompt never accepts it",
                    (unsigned)d + 1, tag.c_str(), tag.c_str()));
    }
}

void readDiskCount(Checker &c, Product &p)
{
    KitInf *sizes = openFromSource(c, p, "UPGSIZE.INF", *p.setupInf, nullptr, true, "the install run cannot start");
    if (sizes == nullptr)
        return;
    c.diskCount = countSectionLines("SourceDisksNames", sizes->image);
    if (c.diskCount != (int)c.disks.size())
        error(c, *sizes, headerOf(*sizes, "SourceDisksNames"),
              say("[SourceDisksNames] names %d disks, the kit has %d disk folders", c.diskCount, (int)c.disks.size()));
}

void checkCopySource(Checker &c, const Product &p, const KitInf &inf, InfLine line, const char *sourceName,
                     const RunContext &run)
{
    LayoutFacts facts = layoutFacts(p, sourceName);
    int disk = facts.entry.disk;
    if (c.floppy && disk == 0 && !run.startup && !run.offMedium) {
        int lacking = diskLacking(c, facts.entry.subdir, sourceName);
        if (lacking != 0) {
            everyPassFinding(c, p, facts, sourceName, sourceName, lacking, inf, line, run);
            return;
        }
    }
    if (p.layout != nullptr && !facts.listed && !run.offMedium)
        notInLayout(c, p, inf, line, sourceName);
    if (!diskUsable(c, inf, line, sourceName, disk, run) || run.offMedium)
        return;
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
        checkDeclaredSize(c, p, facts, sourceName, actual, inf, line, run);
        return;
    }
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
              placeName(medium, facts.entry.subdir).c_str()));
}

// Every part on the medium, the first on the target's disk and each further
// one on the next disk; parts of a target of disk 0 come from the drive in
// every pass, as a file of disk 0 does.
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
        notInLayout(c, p, inf, line, target);
    if (!diskUsable(c, inf, line, target, facts.entry.disk, run) || run.offMedium)
        return;
    int disk = facts.entry.disk;
    bool everyPass = c.floppy && disk == 0 && !run.startup;
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
        int lacking = everyPass ? diskLacking(c, facts.entry.subdir, part) : 0;
        if (lacking != 0) {
            everyPassFinding(c, p, facts, target, part, lacking, inf, line, run);
            complete = false;
            continue;
        }
        const Medium &medium = partDisk > 0 ? c.disks[(size_t)partDisk - 1] : c.setupMedium();
        std::string path, shown;
        const KitDirEntry *e = locate(c, medium, facts.entry.subdir, part, path, shown);
        if (e == nullptr) {
            error(c, inf, line,
                  say("part %s of %s is missing from %s: the merge ends the section there", part, target,
                      placeName(medium, facts.entry.subdir).c_str()));
            complete = false;
            continue;
        }
        total += e->size;
    }
    if (count == 0)
        error(c, inf, line, say("%s has no parts", target));
    else if (complete)
        checkDeclaredSize(c, p, facts, target, total, inf, line, run);
}
