// What the kit checker needs from the platform: the entries of a directory
// and the bytes of a file. Natively POSIX dirent and stdio; Win32
// FindFirstFileA and CreateFileA. Paths use the platform's own separator.
#pragma once
#include <stdint.h>

#include <string>
#include <vector>

struct KitDirEntry {
    std::string name;
    uint64_t size;
    bool isDirectory;
    bool isFile;   // a plain file: only these are read (a FIFO or device would block or never end)
};

// The entries of dir (no "." or ".."); false when it cannot be listed.
bool listKitDirectory(const std::string &dir, std::vector<KitDirEntry> &entries);

// Up to limit bytes of the file into bytes; false when it cannot be read or
// is not a plain file.
bool readKitFile(const std::string &path, std::string &bytes, size_t limit);

// dir and name joined with the platform's separator.
std::string kitPath(const std::string &dir, const std::string &name);

// Kit text is code page 932 whatever the machine's own code page: the
// character-stepping layer is set to it before any INF is read.
void useKitCodePage();
