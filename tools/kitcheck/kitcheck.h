// The kit checker: reads a kit directory as the setup program would meet it,
// with the program's own INF reader, field rules and directory ids, and
// reports what would go wrong before the kit ships. Portable; the platform's
// file access is kit_files.h.
#pragma once
#include <string>
#include <vector>

struct KitFinding {
    std::string file;   // relative to the kit directory, with "/" between folders
    unsigned line;      // 1-based; 0 for a finding about the file as a whole
    bool error;         // false: a warning
    std::string text;
};

struct KitReport {
    std::vector<KitFinding> findings;
    bool unreadable;    // the kit directory itself could not be read
    int errors;
    int warnings;
    // The registry keys the kit writes, as ROOT\subkey (HKCR, HKCU, HKLM,
    // HKU): those of its AddReg and DelReg lines in the sections the setup
    // program runs, and each product's Setup key, where the program keeps
    // SourcePath and the catalogue. No key lies below another of the list.
    std::vector<std::string> registryKeys;
};

KitReport checkKit(const std::string &kitDir);

// "file:line: error|warning: text" lines and a closing count, or one JSON
// object; bytes outside ASCII appear in JSON as \u00XX, one per byte.
std::string formatReport(const KitReport &report, bool json);

// The registry keys, one a line.
std::string formatRegistryKeys(const KitReport &report);

// 0 no error, 1 errors, 2 the kit cannot be read.
int reportExitCode(const KitReport &report);
