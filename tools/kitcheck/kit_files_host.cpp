// The kit checker's file access natively: POSIX directories and stdio.
#include "tools/kitcheck/kit_files.h"

#include <dirent.h>
#include <stdio.h>
#include <sys/stat.h>

bool listKitDirectory(const std::string &dir, std::vector<KitDirEntry> &entries)
{
    DIR *d = opendir(dir.c_str());
    if (d == nullptr)
        return false;
    while (struct dirent *e = readdir(d)) {
        std::string name = e->d_name;
        if (name == "." || name == "..")
            continue;
        struct stat st;
        if (stat(kitPath(dir, name).c_str(), &st) != 0)
            continue;
        entries.push_back(KitDirEntry{name, (uint64_t)st.st_size, S_ISDIR(st.st_mode)});
    }
    closedir(d);
    return true;
}

bool readKitFile(const std::string &path, std::string &bytes, size_t limit)
{
    FILE *f = fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    bytes.resize(limit);
    size_t got = fread(&bytes[0], 1, limit, f);
    bool failed = ferror(f) != 0;
    fclose(f);
    bytes.resize(got);
    return !failed;
}

std::string kitPath(const std::string &dir, const std::string &name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// The native layer already steps by code page 932.
void useKitCodePage() {}
