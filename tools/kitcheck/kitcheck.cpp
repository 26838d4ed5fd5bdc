// The walk of a kit, in the order the setup program meets it: the medium,
// the setup INFs it finds, and for each product its version data, the
// start-up sections (the setup INF's [BaseWinOptions] first, then those of
// each [load_inf] INF), the machine list and the catalogue with every
// component. The rooms named in kit_checker.h do the checking.
#include "tools/kitcheck/kitcheck.h"

#include "setup/inf/text.h"
#include "tools/kitcheck/kit_checker.h"

#include <algorithm>

namespace {

void checkProduct(Checker &c, Product &p)
{
    readVersion(c, p);
    std::vector<KitInf *> more = loadInfs(c, p);
    // A floppy kit reads every INF after the setup INF's own start-up from
    // the copies in the temporary directory.
    if (c.floppy) {
        readTempCopies(c, p);
        readDiskCount(c, p);
    }
    runBaseWinOptions(c, p, *p.setupInf);
    for (KitInf *inf : more)
        runBaseWinOptions(c, p, *inf);
    readMachineList(c, p);
    checkCatalogue(c, p);
}

std::vector<std::unique_ptr<Product>> findProducts(Checker &c)
{
    std::vector<std::unique_ptr<Product>> products;
    std::vector<std::string> names;   // upper case, in order
    for (const KitDirEntry &e : listing(c, c.setupMedium().dir).entries)
        if (!e.isDirectory && isSetupInfName(e.name))
            names.push_back(upper(e.name.c_str()));
    std::sort(names.begin(), names.end());
    for (const std::string &name : names) {
        KitInf *inf = loadInf(c, c.setupMedium(), name.c_str());
        if (inf == nullptr)
            continue;
        int kind = setupInfKind(c, *inf);
        if (kind == 0)
            continue;
        if (kind == 2 && !c.floppy)
            error(c, *inf, keyLine(*inf, "version", "signature"),
                  "$UPGKITFD$ marks a floppy kit, but the kit has no disk1 folder");
        if (kind == 1 && c.floppy)
            error(c, *inf, keyLine(*inf, "version", "signature"),
                  "the kit is on disks, but $UPGKIT$ does not mark a floppy kit: the disks are never asked for");
        products.emplace_back(new Product());
        products.back()->setupInf = inf;
    }
    if (products.empty())
        add(c, c.setupMedium().shown + "OSPRIN*.INF", 0, true,
            "no setup INF (OSPRIN*.INF with signature $UPGKIT$ or $UPGKITFD$): setup ends at once");
    return products;
}

}  // namespace

KitReport checkKit(const std::string &kitDir)
{
    // Directory ids read as a machine's directories in the findings.
    copyText(setupState.windowsDir, "C:\\WINDOWS");
    copyText(setupState.systemDir, "C:\\WINDOWS\\SYSTEM");
    Checker c;
    c.kitDir = kitDir;
    c.report = KitReport();
    if (!listing(c, kitDir).readable) {
        c.report.unreadable = true;
        add(c, kitDir, 0, true, "cannot read the kit directory");
        return c.report;
    }
    findDisks(c);
    std::vector<std::unique_ptr<Product>> products = findProducts(c);
    for (auto &p : products) {
        checkProduct(c, *p);
        if (!p->setupClass.empty())
            noteRegistryKey(c, REG_ROOT_MACHINE, ("SOFTWARE\\QEL\\" + p->setupClass + "\\Setup").c_str());
    }
    pruneRegistryKeys(c.report.registryKeys);
    checkProductList(c, products);

    for (auto &entry : c.infs)
        if (entry.second->image != nullptr)
            freeInf(entry.second->image);
    // By file and line; findings of one line stay in the order they were
    // met. A line met on several ways (a section listed twice) says it once.
    std::vector<KitFinding> &findings = c.report.findings;
    std::stable_sort(findings.begin(), findings.end(), [](const KitFinding &a, const KitFinding &b) {
        return a.file != b.file ? a.file < b.file : a.line < b.line;
    });
    std::vector<KitFinding> unique;
    for (const KitFinding &f : findings) {
        bool seen = false;
        for (auto u = unique.rbegin(); u != unique.rend() && u->file == f.file && u->line == f.line && !seen; ++u)
            seen = u->error == f.error && u->text == f.text;
        if (!seen)
            unique.push_back(f);
    }
    findings.swap(unique);
    c.report.errors = c.report.warnings = 0;
    for (const KitFinding &f : findings)
        ++(f.error ? c.report.errors : c.report.warnings);
    return c.report;
}
