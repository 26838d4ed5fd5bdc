// Setup INFs and products: which files the discovery takes for setup INFs
// (by the profile reader), their version data and layout, the INFs read at
// start-up, and the product list.
#include "tools/kitcheck/kit_checker.h"

#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "tools/kitcheck/profile_reader.h"

namespace {

const char kKitSignature[] = "$UPGKIT$";
const char kFloppySignature[] = "$UPGKITFD$";

int signatureKind(const char *signature)
{
    return same(signature, kKitSignature) ? 1 : same(signature, kFloppySignature) ? 2 : 0;
}

}  // namespace

bool isSetupInfName(const std::string &name)
{
    std::string u = upper(name.c_str());
    return u.size() >= 10 && u.compare(0, 6, "OSPRIN") == 0 && u.compare(u.size() - 4, 4, ".INF") == 0;
}

int setupInfKind(Checker &c, const KitInf &inf)
{
    std::string signature;
    unsigned line = 0;
    readProfileValue(inf.bytes, "version", "signature", signature, &line);
    int kind = signatureKind(signature.c_str());
    if (kind != 0)
        return kind;
    // The setup program's own reader drops a comment that the profile
    // reader keeps: the author meant a setup INF that setup never finds.
    char own[kPathSize] = "";
    getProfileString("version", "signature", "", own, inf.image);
    if (signatureKind(own) != 0)
        add(c, inf.shown, line, true,
            say("signature reads \"%s\" to the profile reader, with which setup finds its setup INFs (it keeps what "
                "follows the value, a comment too): this file is no setup INF to it",
                signature.c_str()));
    else
        add(c, inf.shown, line != 0 ? line : lineOf(inf, headerOf(inf, "version")), false,
            say("signature \"%s\" is not %s or %s: not a setup INF", signature.c_str(), kKitSignature,
                kFloppySignature));
    return 0;
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
    const std::string &shown = inf.shown;
    if (p.tempCopies.count(upper(shown.substr(shown.rfind('/') + 1).c_str())) == 0)
        error(c, inf, headerOf(inf, "inf.Copy"),
              "the setup INF itself is not in [inf.Copy]: it cannot be opened again from the temporary directory");
}

// In a floppy kit the source directory is the temporary directory after
// start-up, which holds only what [inf.Copy] and [load_inf] copied there.
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

std::vector<KitInf *> loadInfs(Checker &c, Product &p)
{
    std::vector<KitInf *> infs;
    KitInf &inf = *p.setupInf;
    for (InfLine line = findSection(inf.image, "load_inf"); line != nullptr; line = nextLine(line)) {
        char name[kPathSize];
        copyText(name, line);
        KitInf *more = loadInf(c, c.setupMedium(), name);
        if (more != nullptr)
            infs.push_back(more);
        else if (findEntry(c, c.setupMedium().dir, name) == nullptr)
            error(c, inf, line, say("[load_inf] file %s is not beside the setup INF: start-up stops", name));
    }
    return infs;
}

// With several setup INFs the product list offers the captions that the
// profile reader reads (SetupClass, then its key in [Strings]); a product
// whose caption reads empty is never offered.
void checkProductList(Checker &c, const std::vector<std::unique_ptr<Product>> &products)
{
    if (products.size() < 2)
        return;
    std::vector<std::string> captions;
    for (const auto &p : products) {
        const KitInf &inf = *p->setupInf;
        std::string setupClass, caption;
        unsigned line = 0;
        readProfileValue(inf.bytes, "version", "SetupClass", setupClass, &line);
        if (!setupClass.empty())
            readProfileValue(inf.bytes, "Strings", setupClass.c_str(), caption);
        captions.push_back(caption);
        if (caption.empty() && p->caption.empty())
            add(c, inf.shown, line, true,
                "there are several setup INFs, and the product list offers only those with a caption: this one "
                "has none, so it is never offered");
        else if (caption.empty())
            add(c, inf.shown, line, true,
                say("the product list reads the caption with the profile reader, which takes SetupClass as \"%s\" "
                    "and finds no caption for it (it keeps what follows a value, a comment too): the product is "
                    "never offered",
                    setupClass.c_str()));
    }
    for (size_t i = 0; i < products.size(); ++i)
        for (size_t j = 0; j < i; ++j)
            if (!captions[i].empty() && same(captions[i].c_str(), captions[j].c_str()))
                error(c, *products[i]->setupInf, nullptr,
                      say("the caption \"%s\" is also that of %s: the product list cannot tell them apart",
                          captions[i].c_str(), products[j]->setupInf->shown.c_str()));
}
