// What the rooms of the kit checker share: text helpers, findings, and the
// kit's files and INFs, each read once.
#include "tools/kitcheck/kit_checker.h"

#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"

#include <stdarg.h>
#include <stdio.h>

#include <algorithm>

std::string say(const char *format, ...)
{
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    return text;
}

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

namespace {

bool isPlain(const char *name)
{
    for (const unsigned char *p = (const unsigned char *)name; *p != '\0'; ++p)
        if (*p < 0x20 || *p > 0x7E)
            return false;
    return true;
}

}  // namespace

size_t NameIndex::find(const char *name) const
{
    if (isPlain(name)) {
        auto at = plain.find(upper(name));
        if (at != plain.end())
            return at->second;
    }
    for (const auto &s : special)
        if (same(s.first.c_str(), name))
            return s.second;
    if (!isPlain(name))
        for (const auto &p : plain)
            if (same(p.first.c_str(), name))
                return p.second;
    return kNoName;
}

bool NameIndex::add(const char *name, size_t index)
{
    if (find(name) != kNoName)
        return false;
    if (isPlain(name))
        plain.emplace(upper(name), index);
    else
        special.emplace_back(name, index);
    return true;
}

// ---- findings

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

bool firstVisit(Checker &c, const std::string &key)
{
    return c.visited.insert(key).second;
}

// ---- files and INFs

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

const KitDirEntry *findEntry(Checker &c, const std::string &dir, const char *name)
{
    Listing &l = listing(c, dir);
    auto at = l.byName.find(upper(name));
    return at == l.byName.end() ? nullptr : &l.entries[at->second];
}

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

namespace {

void noteLine(void *context, size_t offset, unsigned fileLine)
{
    ((KitInf *)context)->lines.push_back({offset, fileLine});
}

}  // namespace

KitInf *loadInf(Checker &c, const Medium &medium, const char *name)
{
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
    if (!entry->isFile) {
        add(c, shown, 0, true, "is not a plain file: it cannot be read as an INF");
        return nullptr;
    }
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
    slot->bytes.swap(bytes);
    if (slot->image == nullptr) {
        add(c, shown, 0, true, "cannot be read as an INF");
        return nullptr;
    }
    return slot.get();
}

InfLine keyLine(const KitInf &inf, const char *section, const char *key)
{
    InfLine first = findSection(inf.image, section);
    return findLineByKey(first, key, countLines(first));
}

// The NUL just before the first line ends the header.
InfLine headerOf(const KitInf &inf, const char *section)
{
    InfLine first = findSection(inf.image, section);
    return first != nullptr && first > infImageText(inf.image) ? first - 1 : first;
}
