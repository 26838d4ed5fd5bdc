// Single-file install with the Windows version library, and deferred
// replacement or deletion of files that are in use.
#include "setup/engine/file_install.h"

#include "setup/engine/install_decision.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/install_log.h"
#include "setup/shell/setup_state.h"
#include "setup/sysconfig/ini_updates.h"

#include <windows.h>
#include <lzexpand.h>
#include <winver.h>

#include <string.h>

static_assert(kVifTempFile == VIF_TEMPFILE && kVifMismatch == VIF_MISMATCH && kVifSrcOld == VIF_SRCOLD &&
                  kVifDiffLang == VIF_DIFFLANG && kVifDiffCodePage == VIF_DIFFCODEPG && kVifDiffType == VIF_DIFFTYPE,
              "version conflict bits");
static_assert(kVifWriteProt == VIF_WRITEPROT && kVifFileInUse == VIF_FILEINUSE && kVifOutOfSpace == VIF_OUTOFSPACE &&
                  kVifAccessViolation == VIF_ACCESSVIOLATION && kVifSharingViolation == VIF_SHARINGVIOLATION &&
                  kVifCannotCreate == VIF_CANNOTCREATE && kVifCannotDelete == VIF_CANNOTDELETE &&
                  kVifCannotRename == VIF_CANNOTRENAME && kVifCannotDeleteCur == VIF_CANNOTDELETECUR &&
                  kVifOutOfMemory == VIF_OUTOFMEMORY && kVifCannotReadSrc == VIF_CANNOTREADSRC &&
                  kVifCannotReadDst == VIF_CANNOTREADDST && kVifBuffTooSmall == VIF_BUFFTOOSMALL,
              "installer error bits");

namespace {

// Read-only is never carried over to an installed file.
void takeAttributes(const char *from, const char *to)
{
    DWORD attributes = GetFileAttributesA(from);
    if (attributes == INVALID_FILE_ATTRIBUTES)
        attributes = FILE_ATTRIBUTE_NORMAL;
    attributes &= ~(DWORD)FILE_ATTRIBUTE_READONLY;
    SetFileAttributesA(to, attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL);
}

// The installer's temporary copy, named relative to the destination folder.
void deleteTempFile(const char *destDir, const char *temp)
{
    char path[kPathSize];
    if (temp[0] != '\0' && joinPath(path, destDir, temp[0] == '\\' ? temp + 1 : temp))
        DeleteFileA(path);
}

// Copies source to target, expanding a file compressed with the platform's
// LZ compression (a plain file is copied as it is): a deferred copy must be
// the file that is to be installed, not its compressed form.
bool copyExpanded(const char *source, const char *target)
{
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return false;
    INT lzIn = LZInit((INT)(INT_PTR)in);
    if (lzIn < 0) {
        CloseHandle(in);
        return false;
    }
    HANDLE out = CreateFileA(target, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        LZClose(lzIn);
        return false;
    }
    LONG copied = LZCopy(lzIn, (INT)(INT_PTR)out);
    LZClose(lzIn);
    CloseHandle(out);
    if (copied < 0) {
        DeleteFileA(target);
        return false;
    }
    return true;
}

// copyNewFile's answer when the file is not simply new: it exists, its
// source is stored compressed (the platform installer expands it), or the
// source cannot be read (the installer reports that).
const int kLeftToInstaller = 2;

// The header of a file compressed with the platform's LZ compression.
const unsigned char kLzMagic[8] = {'S', 'Z', 'D', 'D', 0x88, 0xF0, 0x27, 0x33};

// A new file needs no version check, so one that is not stored compressed is
// copied here, straight from handle to handle, as the installer would copy
// it: the same bytes, the source's attributes without read-only, and its
// time. Making the file is also the test that it is new. Under Wine this
// takes a third of the installer's time. 1: copied; -1: the file cannot be
// made or written (a partial one is removed); else kLeftToInstaller.
int copyNewFile(const char *source, const char *dest)
{
    // The attributes by name and the time by handle: under Wine,
    // GetFileInformationByHandle costs more than the whole copy.
    DWORD attributes = GetFileAttributesA(source);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return kLeftToInstaller;
    HANDLE in = CreateFileA(source, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (in == INVALID_HANDLE_VALUE)
        return kLeftToInstaller;
    FILETIME written;
    char buffer[32768];
    DWORD got = 0;
    if (!GetFileTime(in, nullptr, nullptr, &written) || !ReadFile(in, buffer, sizeof buffer, &got, nullptr) ||
        (got >= sizeof kLzMagic && memcmp(buffer, kLzMagic, sizeof kLzMagic) == 0)) {
        CloseHandle(in);
        return kLeftToInstaller;
    }
    attributes &= FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    HANDLE out = CreateFileA(dest, GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                             attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL, nullptr);
    if (out == INVALID_HANDLE_VALUE) {
        DWORD error = GetLastError();
        CloseHandle(in);
        return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS ? kLeftToInstaller : -1;
    }
    bool whole = true;
    while (got > 0) {
        DWORD put = 0;
        if (!WriteFile(out, buffer, got, &put, nullptr) || put != got ||
            !ReadFile(in, buffer, sizeof buffer, &got, nullptr)) {
            whole = false;
            break;
        }
    }
    if (whole)
        SetFileTime(out, nullptr, nullptr, &written);
    CloseHandle(out);
    CloseHandle(in);
    if (!whole) {
        DeleteFileA(dest);
        return -1;
    }
    return 1;
}

// Calls the installer until its answer is final: a version conflict is
// overridden once with the force flag. A temporary copy left by the call
// that was overridden is deleted once the forced call is done with it.
DWORD runInstaller(const char *sourceDir, const char *sourceName, const char *destDir, const char *destName,
                   const char *currentDir, char (&temp)[kPathSize], InstallStep &step, bool &forced)
{
    forced = false;
    DWORD flags = VIFF_DONTDELETEOLD;
    DWORD result = 0;
    char overridden[kPathSize] = "";
    for (int call = 0;; ++call) {
        UINT tempLength = kPathSize;
        result = VerInstallFileA(flags, (LPSTR)sourceName, (LPSTR)destName, (LPSTR)sourceDir, (LPSTR)destDir,
                                 (LPSTR)currentDir, temp, &tempLength);
        step = decideInstall(result, call > 0);
        if (step != INSTALL_FORCE)
            break;
        forced = true;
        if (result & VIF_TEMPFILE)
            copyText(overridden, temp);
        flags |= VIFF_FORCEINSTALL;
    }
    if (overridden[0] != '\0' && (!(result & VIF_TEMPFILE) || lstrcmpiA(overridden, temp) != 0))
        deleteTempFile(destDir, overridden);
    return result;
}

// The short (8.3) form of a path. Windows 95 and 98 carry out wininit.ini
// before long file names are available and ignore a line that holds one. A
// file that does not exist yet (one to be moved in) has no short name: its
// folder's short name and its own name are used.
void shortPath(const char *path, char (&out)[kPathSize])
{
    DWORD length = GetShortPathNameA(path, out, kPathSize);
    if (length != 0 && length < kPathSize)
        return;
    char folder[kPathSize];
    copyText(folder, path);
    folder[fileNamePart(path) - path] = '\0';   // keeps the backslash
    length = GetShortPathNameA(folder, out, kPathSize);
    if (length == 0 || length >= kPathSize || !appendText(out, fileNamePart(path)))
        copyText(out, path);
}

// The NT family moves and deletes at the next start itself, with long
// names; Windows 95 and 98 export MoveFileExA without carrying it out, so it
// is asked for only there. target null: delete. false: write wininit.ini.
bool moveAtRestart(const char *path, const char *target)
{
    if (GetVersion() & 0x80000000u)
        return false;
    typedef BOOL(WINAPI * MoveFileExFunction)(LPCSTR, LPCSTR, DWORD);
    FARPROC found = GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "MoveFileExA");
    if (found == nullptr)
        return false;
    MoveFileExFunction moveFileEx = reinterpret_cast<MoveFileExFunction>(reinterpret_cast<void (*)()>(found));
    DWORD flags = MOVEFILE_DELAY_UNTIL_REBOOT | (target != nullptr ? MOVEFILE_REPLACE_EXISTING : 0);
    return moveFileEx(path, target, flags) != FALSE;
}

// What became of one file, for the install log.
struct InstallReport {
    const char *how = "";
    unsigned long bits = 0;   // the installer's result, where it was asked
    bool asked = false;
};

// The reasons an installer error names, in the order of its bits.
void addFailureReasons(TextBuilder &text, unsigned long bits)
{
    struct Reason {
        unsigned long bit;
        const char *text;
    } reasons[] = {
        {kVifWriteProt, " 書き込み禁止"},        {kVifFileInUse, " 使用中"},
        {kVifOutOfSpace, " 空き容量の不足"},     {kVifAccessViolation, " アクセスの拒否"},
        {kVifSharingViolation, " 共有違反"},     {kVifCannotCreate, " 作成できない"},
        {kVifCannotRename, " 名前を変えられない"}, {kVifCannotDeleteCur, " 既存のファイルを削除できない"},
        {kVifOutOfMemory, " メモリ不足"},        {kVifCannotReadDst, " 既存のファイルを読めない"},
        {kVifConflicts, " 強制しても版が合わない"},
    };
    for (const Reason &reason : reasons)
        if (bits & reason.bit)
            addText(text, reason.text);
}

void logInstall(const char *source, const char *dest, int result, const InstallReport &report)
{
    char what[320];
    TextBuilder text = startText(what);
    addText(text, report.how);
    if (result == -1 && report.asked)
        addFailureReasons(text, report.bits);
    if (report.asked) {
        addText(text, " (VerInstallFile ");
        addText(text, LogHex(report.bits));
        addText(text, ")");
    }
    logLine("ファイル ", dest, ": ", what, " ← ", source);
}

int installOne(const char *sourceDir, const char *sourceName, const char *destDir, char *destName, size_t destNameSize,
               char (&source)[kPathSize], char (&dest)[kPathSize], InstallReport &report)
{
    if (!joinPath(source, sourceDir, sourceName) || !joinPath(dest, destDir, destName)) {
        report.how = "失敗: パスが長すぎます";
        return -1;
    }
    const char *windows = setupState.windowsDir;
    char temp[kPathSize] = "ospritmp.tmp";
    InstallStep step;
    DWORD result;
    bool forced = false;
    bool wasNew = false;

    // The common case first: a new file that is not stored compressed.
    char upper[kPathSize], upperDest[kPathSize];
    copyText(upper, destName);
    CharUpperA(upper);
    if (lstrcmpA(upper, "KORVENT.DLL") != 0 && joinPath(upperDest, destDir, upper)) {
        int copied = copyNewFile(source, upperDest);
        if (copied != kLeftToInstaller) {
            copyTextN(destName, destNameSize, upper);
            copyText(dest, upperDest);
            report.how = copied == 1 ? "コピーしました (新しいファイル)" : "失敗: 書き込めません";
            return copied;
        }
    }

    if (GetFileAttributesA(dest) == INVALID_FILE_ATTRIBUTES) {
        wasNew = true;
        // A new file is created under its name in upper case.
        CharUpperA(destName);
        joinPath(dest, destDir, destName);
        if (lstrcmpA(destName, "KORVENT.DLL") == 0) {
            // Its old copy lives in DROVEL on the root of the same drive; the
            // new one takes over only at the next start of Windows.
            char old[kPathSize];
            TextBuilder path = startText(old);
            addText(path, dest, 3);
            addText(path, "DROVEL\\");
            addText(path, destName);
            scheduleDelete(old);
            report.how = "KORVENT.DLL は再起動時に置き換えます";
            return scheduleReplace(source, dest);
        }
        result = runInstaller(sourceDir, sourceName, destDir, destName, windows, temp, step, forced);
    } else {
        SetCurrentDirectoryA(windows);
        char currentDir[kPathSize], suggestedDir[kPathSize];
        UINT currentLength = kPathSize, suggestedLength = kPathSize;
        DWORD found = VerFindFileA(VFFF_ISSHAREDFILE, destName, (LPSTR)windows, (LPSTR)destDir, currentDir,
                                   &currentLength, suggestedDir, &suggestedLength);
        if (found & VFF_BUFFTOOSMALL) {
            report.how = "失敗: 既存のファイルの場所を調べられません";
            return -1;
        }
        if (found & VFF_FILEINUSE) {
            report.how = "使用中のため、再起動時に置き換えます";
            return scheduleReplace(source, dest);
        }
        result = runInstaller(sourceDir, sourceName, destDir, destName, currentDir, temp, step, forced);
    }
    report.asked = true;
    report.bits = result;

    switch (step) {
    case INSTALL_SCHEDULE:
        // The installer's copy beside the destination is not needed: the
        // deferred copy is made from the source.
        if (result & VIF_TEMPFILE)
            deleteTempFile(destDir, temp);
        report.how = "既存のファイルを削除できない (使用中) ため、再起動時に置き換えます";
        return scheduleReplace(source, dest);
    case INSTALL_FAIL:
        if (result & VIF_TEMPFILE)
            deleteTempFile(destDir, temp);
        report.how = "失敗:";
        return -1;
    case INSTALL_UNREADABLE:
        report.how = "元のファイルを読めないため、飛ばしました";
        return 0;
    case INSTALL_FORCE:
    case INSTALL_COMPLETE:
        break;
    }
    if (result & VIF_TEMPFILE)
        deleteTempFile(destDir, temp);
    takeAttributes(source, dest);
    // The installer never keeps a newer file here: an older or otherwise
    // different version is installed over it on a forced second call.
    report.how = forced ? "上書きしました (既存のファイルとは版が違うため、強制して)" : "上書きしました (版を確かめて)";
    if (wasNew)
        report.how = "コピーしました (新しいファイル、展開して)";
    return 1;
}

}  // namespace

int installFile(const char *sourceDir, const char *sourceName, const char *destDir, char *destName,
                size_t destNameSize)
{
    char source[kPathSize] = "", dest[kPathSize] = "";
    InstallReport report;
    int result = installOne(sourceDir, sourceName, destDir, destName, destNameSize, source, dest, report);
    if (installLogOpen())
        logInstall(source, dest, result, report);
    return result;
}

int scheduleReplace(const char *sourcePath, const char *targetPath)
{
    for (int n = 0; n < 1000; ++n) {
        char candidate[kPathSize];
        if (!deferredCopyName(targetPath, n, candidate, sizeof candidate))
            return -1;
        WIN32_FIND_DATAA data;
        HANDLE found = FindFirstFileA(candidate, &data);
        if (found != INVALID_HANDLE_VALUE) {
            FindClose(found);
            continue;
        }
        if (!copyExpanded(sourcePath, candidate))
            return -1;
        setupState.restartNeeded = true;
        takeAttributes(candidate, candidate);
        if (moveAtRestart(candidate, targetPath)) {
            logLine("再起動時の置き換え (MoveFileEx): ", targetPath, " ← ", candidate);
            return 1;
        }
        // Both files exist now (or the target's folder does), so both have
        // short names.
        char shortTarget[kPathSize], shortCandidate[kPathSize];
        shortPath(targetPath, shortTarget);
        shortPath(candidate, shortCandidate);
        char line[2 * kPathSize + 4];
        TextBuilder text = startText(line);
        addText(text, shortTarget);
        addText(text, " = ");
        addText(text, shortCandidate);
        appendSectionLine("rename", line, "wininit.ini", text.length);
        logLine("再起動時の置き換え (wininit.ini): ", line);
        return 1;
    }
    logLine("再起動時の置き換えを準備できません: ", targetPath);
    return -1;
}

int scheduleDelete(const char *path)
{
    setupState.restartNeeded = true;
    if (moveAtRestart(path, nullptr)) {
        logLine("再起動時の削除 (MoveFileEx): ", path);
        return 1;
    }
    char shortName[kPathSize];
    shortPath(path, shortName);
    char line[kPathSize + 8];
    TextBuilder text = startText(line);
    addText(text, "NUL = ");
    addText(text, shortName);
    appendSectionLine("rename", line, "wininit.ini", text.length);
    logLine("再起動時の削除 (wininit.ini): ", line);
    return 1;
}

unsigned long tryDeleteFile(const char *path)
{
    if (DeleteFileA(path))
        return 0;
    return GetLastError();
}
