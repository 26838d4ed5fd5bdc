// Install sections as the driver runs them: their keys, the directive lists
// in the driver's order (its own tables), each listed section once, and the
// lines of each as its executor cuts and expands them.
#include "tools/kitcheck/kit_checker.h"

#include "setup/engine/directive_table.h"
#include "setup/engine/executor.h"
#include "setup/engine/install_driver.h"
#include "setup/engine/reg_root.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/sysconfig/config_text.h"

#include <string.h>

#include <algorithm>

namespace {

// The keys of a component's section besides its directives, and who reads
// them: the catalogue's build, the detection of what is present, and the
// removal of a component.
const char *const kComponentKeys[] = {"OptionDesc", "Tip", "Parent", "InstallType", "SearchDir", "SearchFile",
                                      "Uninstall"};

enum SectionUse { STARTUP_SECTION, COMPONENT_SECTION, REMOVAL_SECTION };

template <size_t N> bool inTable(const DirectiveStep (&table)[N], const char *key)
{
    for (const DirectiveStep &d : table)
        if (same(d.key, key))
            return true;
    return false;
}

bool isComponentKey(const char *key)
{
    for (const char *k : kComponentKeys)
        if (same(k, key))
            return true;
    return false;
}

// A section of a start-up run may also be a component's: its component keys
// are no fault there.
bool knownKey(const char *key, SectionUse use)
{
    if (use == REMOVAL_SECTION)
        return inTable(kRemoval, key);
    return inTable(kFullRun, key) || isComponentKey(key);
}

// Edits between two keys (letters compared without regard to case), or
// more than limit when that is all that matters.
size_t distance(const std::string &a, const std::string &b, size_t limit)
{
    if ((a.size() > b.size() ? a.size() - b.size() : b.size() - a.size()) > limit || b.size() >= 32)
        return limit + 1;
    size_t row[32];
    for (size_t j = 0; j <= b.size(); ++j)
        row[j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= b.size(); ++j) {
            size_t above = row[j];
            size_t change = diagonal + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min(std::min(row[j - 1] + 1, above + 1), change);
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The known key a misspelt one most likely meant (two edits at most), or "".
std::string meant(const char *key, SectionUse use)
{
    std::string best, folded = upper(key);
    size_t bestDistance = 3;
    auto consider = [&](const char *candidate) {
        size_t d = distance(folded, upper(candidate), bestDistance - 1);
        if (d < bestDistance) {
            bestDistance = d;
            best = candidate;
        }
    };
    for (const DirectiveStep &d : kFullRun)
        consider(d.key);
    if (use != REMOVAL_SECTION)
        for (const char *k : kComponentKeys)
            consider(k);
    return best;
}

void checkKeys(Checker &c, const KitInf &inf, const char *section, SectionUse use)
{
    if (!firstVisit(c, say("keys|%s|%s|%d", upper(inf.shown.c_str()).c_str(), upper(section).c_str(), (int)use)))
        return;
    for (InfLine line = findSection(inf.image, section); line != nullptr; line = nextLine(line)) {
        char key[kPathSize] = "";
        if (!getLineField(line, 0, key)) {
            warning(c, inf, line, say("[%s] is an install section, and this line is no key=value: the driver reads "
                                      "nothing from it",
                                      section));
            continue;
        }
        if (knownKey(key, use))
            continue;
        if (use == REMOVAL_SECTION && inTable(kFullRun, key)) {
            warning(c, inf, line,
                    say("%s is not read in an Uninstall section: the driver runs only DelFiles, DelReg, AddReg and "
                        "UpdateInis there",
                        key));
            continue;
        }
        std::string hint = meant(key, use);
        warning(c, inf, line,
                say("%s is no key the setup program reads in an install section: nothing runs it%s", key,
                    hint.empty() ? "" : (" (" + hint + "?)").c_str()));
    }
}

bool isFileList(DirectiveKind kind)
{
    return kind == DEL_FILES || kind == COPY_FILES || kind == MERGE_FILES;
}

bool isAbsolute(const char *path)
{
    return path[0] == '\\' || (path[0] != '\0' && path[1] == ':');
}

// The [DestinationDirs] entry of a file-list section, resolved by the
// engine's own rule and then expanded, as the file directives do.
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
    long id = 0;
    if (chooseDestinationDir(line, dir, sizeof dir, &id) == 0) {
        warning(c, inf, line, say("[DestinationDirs] %s names no directory: its files go to the Windows directory",
                                  section));
        return;
    }
    std::string empty = say("the directory comes out empty: the engine handles none of [%s]'s files and ends the "
                            "install section there",
                            section);
    if (!expandChecked(c, inf, line, dir, true, "the directory is", empty.c_str()))
        return;
    // A field that names the id's own directory some other way (%10%) is
    // taken as meant.
    char idDir[kPathSize], written[kPathSize];
    resolveDirId(id, idDir);
    copyText(written, where);
    expandStrings(written, inf.image);
    if (dir[0] == '\0') {
        error(c, inf, line, say("[DestinationDirs] %s: %s", section, empty.c_str()));
    } else if (id != 0 && say("%ld", id) != where && !same(written, idDir)) {
        warning(c, inf, line,
                say("[DestinationDirs] %s: \"%s\" is no directory id, but it holds the digits of %ld, which the "
                    "engine takes: the files go to %s",
                    section, where, id, dir));
    } else if (id == 0 && !isAbsolute(dir)) {
        error(c, inf, line,
              say("[DestinationDirs] %s: %s is no directory id and holds none: the engine takes \"%s\" as a path "
                  "relative to its current directory",
                  section, where, dir));
    } else if (id == 0) {
        warning(c, inf, line,
                say("[DestinationDirs] %s: \"%s\" holds no directory id: the engine takes the path %s as it stands",
                    section, where, dir));
    }
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

// What start-up AddReg lines leave under HKLM; they never overwrite, so the
// first line that writes a value wins.
void recordRegistry(Product &p, KitInf &inf, InfLine line, char (*fields)[kPathSize])
{
    if (regRootFromField(fields[0]) != REG_ROOT_MACHINE)
        return;
    RegKey &key = p.registry[upper(fields[1])];
    if (key.byName.add(fields[2], key.values.size()))
        key.values.push_back(RegValue{fields[2], fields[4], &inf, line});
}

}  // namespace

void noteRegistryKey(Checker &c, RegRoot root, const char *subkey)
{
    static const char *const kRootNames[] = {"", "HKCR", "HKCU", "HKLM", "HKU"};
    std::string key = kRootNames[root];
    if (subkey[0] != '\0')
        key += std::string("\\") + subkey;
    c.report.registryKeys.push_back(key);
}

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

namespace {

void checkRegistryLine(Checker &c, Product &p, KitInf &inf, InfLine line, DirectiveKind kind, const RunContext &run)
{
    char fields[5][kPathSize];
    if (!cutFields(c, inf, line, fields, kind == ADD_REG ? 5 : 3))
        return;
    if (regRootFromField(fields[0]) == REG_ROOT_NONE) {
        error(c, inf, line,
              say("root \"%s\" names no registry root (HKCR, HKCU, HKLM, HKU): the line is skipped", fields[0]));
        return;
    }
    if (kind == DEL_REG) {
        // The value name is taken as written.
        expandChecked(c, inf, line, fields[1], true, "the key deleted from is");
        noteRegistryKey(c, regRootFromField(fields[0]), fields[1]);
        return;
    }
    expandChecked(c, inf, line, fields[1], true, "the key written is");
    noteRegistryKey(c, regRootFromField(fields[0]), fields[1]);
    stripQuotes(fields[2]);
    expandChecked(c, inf, line, fields[2], true, "the value name written is");
    stripQuotes(fields[4]);
    expandChecked(c, inf, line, fields[4], true, "the value written is");
    if (run.startup)
        recordRegistry(p, inf, line, fields);
}

void checkIniLine(Checker &c, const KitInf &inf, InfLine line, DirectiveKind kind)
{
    static const char *const kIniFields[] = {"the file name is", "the section is", "the old entry is",
                                             "the new entry is"};
    static const char *const kIniFieldFields[] = {"the file name is", "the section is", "the key is",
                                                  "the old field is", "the new field is"};
    char fields[6][kPathSize];
    if (!cutFields(c, inf, line, fields, kind == UPDATE_INIS ? 5 : 6))
        return;
    int expanded = kind == UPDATE_INIS ? 4 : 5;
    for (int f = 0; f < expanded; ++f)
        expandChecked(c, inf, line, fields[f], true, kind == UPDATE_INIS ? kIniFields[f] : kIniFieldFields[f]);
    if (kind != UPDATE_INIS)
        return;
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
    if (!firstVisit(c, key))
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

// The directives of one section in the order of the driver's table.
template <size_t N>
void checkDirectives(Checker &c, Product &p, KitInf &inf, const char *section, const DirectiveStep (&table)[N],
                     const RunContext &run)
{
    for (const DirectiveStep &d : table) {
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

}  // namespace

bool hasDirectives(InfImage *image, const char *section)
{
    char value[kPathSize];
    for (const DirectiveStep &d : kFullRun)
        if (getProfileString(section, d.key, "", value, image) > 0)
            return true;
    return false;
}

void runBaseWinOptions(Checker &c, Product &p, KitInf &inf)
{
    RunContext run = {true, false, "start-up"};
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
        checkKeys(c, inf, line, STARTUP_SECTION);
        checkDirectives(c, p, inf, line, kFullRun, run);
    }
}

void checkComponentSections(Checker &c, Product &p, KitInf &inf, const char *section, const RunContext &run)
{
    checkKeys(c, inf, section, COMPONENT_SECTION);
    checkDirectives(c, p, inf, section, kFullRun, run);
    char removal[kSectionNameLimit + 2] = "";
    size_t length = getProfileString(section, "Uninstall", "", removal, inf.image);
    InfLine at = keyLine(inf, section, "Uninstall");
    if (length > kSectionNameLimit) {
        error(c, inf, at, "Uninstall names a section longer than 63 bytes");
    } else if (length > 0 && countSectionLines(removal, inf.image) <= 0) {
        error(c, inf, at, say("Uninstall names [%s], which is missing or empty", removal));
    } else if (length > 0) {
        checkKeys(c, inf, removal, REMOVAL_SECTION);
        checkDirectives(c, p, inf, removal, kRemoval, run);
    }
}
