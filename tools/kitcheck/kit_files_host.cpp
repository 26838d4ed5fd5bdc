// The kit checker's file access natively: POSIX directories and files.
#include "tools/kitcheck/kit_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

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
        entries.push_back(KitDirEntry{name, (uint64_t)st.st_size, S_ISDIR(st.st_mode), S_ISREG(st.st_mode)});
    }
    closedir(d);
    return true;
}

bool readKitFile(const std::string &path, std::string &bytes, size_t limit)
{
    bytes.clear();
    // Opened without blocking and read only when it is a plain file: a FIFO
    // under a kit's name must not hold the checker up for good.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return false;
    }
    // Room for what the file holds, not for the limit: the checker keeps
    // every INF it has read.
    bytes.reserve(std::min(limit, (size_t)st.st_size));
    bool ok = true;
    char chunk[16384];
    while (bytes.size() < limit) {
        ssize_t got = read(fd, chunk, std::min(sizeof chunk, limit - bytes.size()));
        if (got < 0) {
            ok = false;
            break;
        }
        if (got == 0)
            break;
        bytes.append(chunk, (size_t)got);
    }
    close(fd);
    return ok;
}

std::string kitPath(const std::string &dir, const std::string &name)
{
    if (!dir.empty() && dir.back() == '/')
        return dir + name;
    return dir + "/" + name;
}

// The native layer already steps by code page 932.
void useKitCodePage() {}
