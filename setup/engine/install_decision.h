// What a result of the platform's version-checking installer means for the
// file being installed, and the names of deferred copies. Plain logic, so
// that every result bit can be tried, also those Wine never reports.
#pragma once
#include <stddef.h>

// The installer's result bits, as the platform numbers them.
enum : unsigned long {
    kVifTempFile = 0x00000001,
    kVifMismatch = 0x00000002,
    kVifSrcOld = 0x00000004,
    kVifDiffLang = 0x00000008,
    kVifDiffCodePage = 0x00000010,
    kVifDiffType = 0x00000020,
    kVifWriteProt = 0x00000040,
    kVifFileInUse = 0x00000080,
    kVifOutOfSpace = 0x00000100,
    kVifAccessViolation = 0x00000200,
    kVifSharingViolation = 0x00000400,
    kVifCannotCreate = 0x00000800,
    kVifCannotDelete = 0x00001000,
    kVifCannotRename = 0x00002000,
    kVifCannotDeleteCur = 0x00004000,
    kVifOutOfMemory = 0x00008000,
    kVifCannotReadSrc = 0x00010000,
    kVifCannotReadDst = 0x00020000,
    kVifBuffTooSmall = 0x00040000,
};

// The installer errors that leave the file not installed.
const unsigned long kVifErrors = kVifWriteProt | kVifFileInUse | kVifOutOfSpace | kVifAccessViolation |
                                 kVifSharingViolation | kVifCannotCreate | kVifCannotRename | kVifCannotDeleteCur |
                                 kVifOutOfMemory | kVifCannotReadDst;
// The version conflicts that a forced second call overrides.
const unsigned long kVifConflicts = kVifMismatch | kVifSrcOld | kVifDiffLang | kVifDiffCodePage | kVifDiffType;

enum InstallStep {
    INSTALL_COMPLETE,    // installed: finish with the completion steps
    INSTALL_SCHEDULE,    // the destination cannot be deleted now: replace it at restart
    INSTALL_FAIL,        // cannot be installed (-1, the caller shows message 2012)
    INSTALL_FORCE,       // a version conflict: call again with the force flag
    INSTALL_UNREADABLE,  // the source cannot be read (0, the file is skipped)
};

// The step after one installer call. forced: this was the forced second call.
// The order of the tests is the order of precedence.
InstallStep decideInstall(unsigned long result, bool forced);

// The name of the nth deferred copy of target (0 to 999): target cut after
// the last '.' of its file name, then n in three digits: C:\SYS\FOO.DLL
// gives C:\SYS\FOO.000. false when it does not fit.
bool deferredCopyName(const char *target, int n, char *out, size_t size);
