// The catalogue as the build reads it from what start-up wrote, each
// component's section in its INF, the Parent links through the tree's own
// rules, the models of the machine list the wizard offers, and what the
// detection needs to find a component present.
#include "tools/kitcheck/kit_checker.h"

#include "setup/components/component_text.h"
#include "setup/components/components.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/wizard/wizard_text.h"

#include <string.h>

namespace {

const size_t kOptionDescLimit = sizeof(ComponentRecord::OptionDesc) - 1;
const size_t kTipLimit = sizeof(ComponentRecord::Tip) - 1;
const size_t kParentLimit = sizeof(ComponentRecord::Parent) - 1;

// The lines of a list section that the wizard lets the user choose: in a
// floppy kit the lists start further down. A finding when no line can be
// chosen.
InfLine chosenLines(Checker &c, const KitInf &machine, const char *section)
{
    InfLine line = findSection(machine.image, section);
    for (int skip = c.floppy ? kFloppyListOffset : 0; skip > 0 && line != nullptr; --skip)
        line = nextLine(line);
    if (line == nullptr && findSection(machine.image, section) != nullptr)
        warning(c, machine, headerOf(machine, section),
                say("[%s] has %d lines: in a floppy kit the wizard chooses from line %d on, so the list offers "
                    "nothing",
                    section, countSectionLines(section, machine.image), kFloppyListOffset + 1));
    return line;
}

bool knownFamily(const char *key)
{
    for (const ModelFamily &family : kModelFamilies)
        if (strcmp(family.key, key) == 0)
            return true;
    return false;
}

void checkDetection(Checker &c, KitInf &inf, const char *section)
{
    // The install run selects only components found present, by their
    // search file; a component with nothing to install (a parent) need not be.
    bool hasWork = hasDirectives(inf.image, section);
    InfLine header = headerOf(inf, section);
    char subdir[kPathSize] = "", dirId[kPathSize] = "", dir[kPathSize], value[kPathSize];
    if (!findKeyedLine(inf.image, section, "SearchDir", subdir, dirId)) {
        if (hasWork)
            warning(c, inf, header,
                    say("[%s] has no SearchDir: it never counts as present, so the install run never selects it",
                        section));
    } else if (!resolveDirId(decimalNumber(dirId), dir)) {
        error(c, inf, keyLine(inf, section, "SearchDir"),
              say("SearchDir \"%s\" is no directory id: the component never counts as present", dirId));
    } else {
        expandChecked(c, inf, keyLine(inf, section, "SearchDir"), subdir, true,
                      "the subdirectory it searches for its SearchFile is");
    }
    if (!findKeyedValue(inf.image, section, "SearchFile", value) && (hasWork || dirId[0] != '\0'))
        warning(c, inf, header,
                say("[%s] has no SearchFile: it never counts as present, so the install run never selects it",
                    section));
}

void checkModel(Checker &c, const Product &p, const Component &comp)
{
    const RegValue &at = *comp.sectionValue;
    const char *section = comp.section.c_str();
    char model[kModelPartSize];
    int part = modelPartOf(section, model, sizeof model);
    if (part == 0)
        error(c, *at.inf, at.line, say("Section %s has no \"_\" before a model: it is never selected", section));
    else if (part < 0)
        error(c, *at.inf, at.line,
              say("the model part of %s is longer than %u bytes: it matches no model and is never selected", section,
                  (unsigned)kModelPartSize - 1));
    else if (model[0] == '\0')
        warning(c, *at.inf, at.line, say("Section %s has an empty model part: it is never selected", section));
    else if (p.models.count(upper(model)) == 0)
        error(c, *at.inf, at.line,
              say("model \"%s\" of %s is no model the wizard lets the user choose from MACHINE.INF: the component "
                  "is never selected",
                  model, section));
}

void checkComponent(Checker &c, Product &p, Component &comp)
{
    const RegValue &infAt = *comp.infValue, &sectionAt = *comp.sectionValue;
    KitInf *inf = openFromSource(c, p, comp.inf.c_str(), *infAt.inf, infAt.line, true,
                                 "the catalogue cannot be built and setup ends");
    comp.componentInf = inf;
    if (inf == nullptr)
        return;
    const char *section = comp.section.c_str();
    if (findSection(inf->image, section) == nullptr) {
        error(c, *sectionAt.inf, sectionAt.line,
              say("component %s: [%s] is not in %s (missing or empty)", comp.valueName.c_str(), section,
                  inf->shown.c_str()));
        return;
    }
    InfLine header = headerOf(*inf, section);
    char value[kPathSize] = "";
    getProfileString(section, "OptionDesc", "", value, inf->image);
    InfLine at = keyLine(*inf, section, "OptionDesc");
    // The name is judged as shown: after its references are expanded.
    bool named = expandChecked(c, *inf, at, value, false, "the component shows as",
                               "the component shows with an empty name");
    if (named && value[0] == '\0')
        warning(c, *inf, at != nullptr ? at : header,
                say("[%s] has no OptionDesc: it shows with an empty name", section));
    else if (named && textLength(value) > kOptionDescLimit)
        warning(c, *inf, at, say("OptionDesc is longer than %u bytes and is cut", (unsigned)kOptionDescLimit));
    getProfileString(section, "Tip", "", value, inf->image);
    at = keyLine(*inf, section, "Tip");
    if (expandChecked(c, *inf, at, value, false, "its tip reads") && textLength(value) > kTipLimit)
        warning(c, *inf, at, say("Tip is longer than %u bytes and is cut", (unsigned)kTipLimit));
    getProfileString(section, "Parent", "", value, inf->image);
    comp.parent = value;
    comp.parentLine = keyLine(*inf, section, "Parent");
    if (textLength(value) > kParentLimit) {
        error(c, *inf, comp.parentLine,
              say("Parent is longer than %u bytes: the catalogue leaves the component out", (unsigned)kParentLimit));
        comp.inTree = false;
    }
    getProfileString(section, "InstallType", "", value, inf->image);
    int32_t installType = decimalNumber(value);

    checkDetection(c, *inf, section);
    checkModel(c, p, comp);

    // What the kit does not offer need not be on its medium: in a floppy kit
    // install type 16, elsewhere the registry's "Available"="0".
    bool offered = c.floppy ? (uint32_t)installType != kInstallNotOnFloppy
                            : decimalNumber(comp.available.empty() ? "1" : comp.available.c_str()) != 0;
    std::string owner = "component " + comp.section;
    RunContext run = {false, !offered, owner.c_str()};
    checkComponentSections(c, p, *inf, section, run);
}

// Parent names that match no component, and loops of Parent links, by the
// tree's own build: a record on a loop is taken as not available.
void checkParents(Checker &c, std::vector<Component> &all)
{
    NameIndex sections;
    std::vector<size_t> tree;   // indices into all of the records of the tree
    for (size_t i = 0; i < all.size(); ++i) {
        if (!all[i].inTree)
            continue;
        sections.add(all[i].section.c_str(), tree.size());
        tree.push_back(i);
    }
    std::vector<ComponentRecord> records(tree.size() + 1);
    memset(records.data(), 0, records.size() * sizeof(ComponentRecord));
    for (size_t r = 0; r < tree.size(); ++r) {
        copyText(records[r].Section, all[tree[r]].section.c_str());
        copyText(records[r].Parent, all[tree[r]].parent.c_str());
        records[r].Available = 1;
    }
    ComponentTree built = {records.data(), (int)tree.size(), (int)records.size(), 0};
    countChildren(built);

    for (size_t r = 0; r < tree.size(); ++r) {
        const Component &comp = all[tree[r]];
        if (comp.parent.empty())
            continue;
        size_t parent = sections.find(comp.parent.c_str());
        if (parent == kNoName) {
            error(c, *comp.componentInf, comp.parentLine,
                  say("Parent %s matches no component of the catalogue", comp.parent.c_str()));
            continue;
        }
        // Only a link between two records of the loop closes it.
        if (records[r].Available != 0 || records[parent].Available != 0)
            continue;
        size_t self = sections.find(comp.section.c_str());
        std::string chain = comp.section;
        size_t at = parent;
        for (int step = 0; step < 8 && at != kNoName; ++step) {
            chain += " -> " + all[tree[at]].section;
            if (at == self)
                break;
            at = all[tree[at]].parent.empty() ? kNoName : sections.find(all[tree[at]].parent.c_str());
        }
        if (at != self)
            chain += " -> ...";
        error(c, *comp.componentInf, comp.parentLine,
              "Parent loop: " + chain + ": setup takes every component on the loop, and all below it, as not available");
    }
}

}  // namespace

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
        char display[kPathSize], family[kShortSize];
        if (!splitListLine(line, display, sizeof display, family, sizeof family)) {
            warning(c, *machine, line, "no family key after a comma: choosing this nickname changes no list");
            continue;
        }
        if (!knownFamily(family)) {
            error(c, *machine, line,
                  say("family key \"%s\" is not one the wizard knows (compared exactly): its models never show",
                      family));
            continue;
        }
        // The string table names each family's section by its key.
        if (findSection(machine->image, family) == nullptr) {
            error(c, *machine, line, say("family [%s] is missing or empty", family));
            continue;
        }
        InfLine model = chosenLines(c, *machine, family);
        if (model == nullptr)
            p.models.insert(kDefaultModel);
        for (; model != nullptr; model = nextLine(model)) {
            char key[kShortSize];
            if (splitListLine(model, display, sizeof display, key, sizeof key) && key[0] != '\0') {
                p.models.insert(upper(key));
            } else {
                warning(c, *machine, model, say("no model key after a comma: the model becomes \"%s\"", kDefaultModel));
                p.models.insert(kDefaultModel);
            }
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
            if (v.name.size() >= kComponentValueNameSize || v.data.size() > kComponentValueDataSize) {
                error(c, *v.inf, v.line,
                      say("component value %s is too long (name over %u or data over %u bytes): the catalogue "
                          "stops reading here",
                          v.name.c_str(), (unsigned)kComponentValueNameSize - 1, (unsigned)kComponentValueDataSize));
                break;
            }
            // The key's own default value names no subkey but the key itself.
            if (v.name.empty())
                continue;
            listed.insert(upper(v.name.c_str()));
            auto sub = p.registry.find(base + "\\" + upper(v.name.c_str()));
            if (sub == p.registry.end()) {
                error(c, *v.inf, v.line, say("component %s has no subkey with INF and Section: it is left out",
                                             v.name.c_str()));
                continue;
            }
            const RegKey &values = sub->second;
            auto valueOf = [&](const char *name) -> const RegValue * {
                size_t at = values.byName.find(name);
                return at == kNoName ? nullptr : &values.values[at];
            };
            const RegValue *inf = valueOf("INF"), *section = valueOf("Section"), *available = valueOf("Available");
            if (inf == nullptr || inf->data.empty() || section == nullptr || section->data.empty()) {
                error(c, *v.inf, v.line,
                      say("component %s has no %s: it is left out", v.name.c_str(),
                          section == nullptr || section->data.empty() ? "Section value" : "INF value"));
                continue;
            }
            if (section->data.size() >= sizeof(ComponentRecord::Section) ||
                inf->data.size() >= sizeof(ComponentRecord::INF)) {
                error(c, *section->inf, section->line,
                      say("component %s: Section over %u or INF over %u bytes: it is left out", v.name.c_str(),
                          (unsigned)sizeof(ComponentRecord::Section) - 1, (unsigned)sizeof(ComponentRecord::INF) - 1));
                continue;
            }
            Component comp = Component();
            comp.valueName = v.name;
            comp.section = section->data;
            comp.inf = inf->data;
            comp.available = available != nullptr ? available->data : "";
            comp.infValue = inf;
            comp.sectionValue = section;
            comp.inTree = true;
            all.push_back(comp);
        }
    }
    for (const auto &key : p.registry)
        if (key.first.size() > base.size() + 1 && key.first.compare(0, base.size() + 1, base + "\\") == 0 &&
            listed.count(key.first.substr(base.size() + 1)) == 0 && !key.second.values.empty())
            warning(c, *key.second.values[0].inf, key.second.values[0].line,
                    say("component subkey %s has no value in OptionalComponents: the catalogue never lists it",
                        key.first.substr(base.size() + 1).c_str()));
    if (all.empty()) {
        add(c, p.setupInf->shown, 0, true,
            "no start-up AddReg line writes a component under HKLM\\" + keyName +
                ": where no earlier setup of this product left a catalogue, setup ends at once with message 2007 "
                "(the list cannot be made); elsewhere it offers only what that earlier setup listed");
        return;
    }
    for (Component &comp : all) {
        checkComponent(c, p, comp);
        if (comp.componentInf == nullptr)
            comp.inTree = false;
    }
    checkParents(c, all);
}
