// The source prompts: the tag-file check of a kit floppy, the disk-change
// dialog (1030) and the locate-source dialog (1015) with its browse button.
#include "setup/engine/source_prompts.h"

#include "setup/engine/engine_state.h"
#include "setup/inf/charset.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/messages.h"

#include <windows.h>
#include <commdlg.h>

namespace {

// The INF name as the prompts show it: a lower-case copy of the name given
// to the locate-source dialog. The browse hook reads it.
char promptInfName[kPathSize];

bool isAsciiLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

char upperAscii(char c)
{
    return c >= 'a' && c <= 'z' ? (char)(c - 'a' + 'A') : c;
}

// Lower-cases the single-byte letters, stepping by whole characters: the
// second byte of a double-byte character can lie in 'A'..'Z' (ア is 83 41)
// and must stay as it is.
void lowerAsciiLetters(char *text)
{
    for (char *p = text; *p != '\0'; p = (char *)charNext(p))
        if (*p >= 'A' && *p <= 'Z')
            *p = (char)(*p - 'A' + 'a');
}

// The pattern with every "%s" or "%d" replaced by value and "%%" by "%", cut
// at a character boundary where it does not fit. wsprintfA would stop at
// 1024 bytes, not at the buffer: a long INF name could run past it.
template <size_t N> void formatText(char (&out)[N], const char *pattern, const char *value)
{
    TextBuilder text = startText(out);
    const char *p = pattern;
    while (*p != '\0') {
        const char *next = charNext(p);
        if (*p == '%' && (p[1] == 's' || p[1] == 'd')) {
            addText(text, value);
            next = p + 2;
        } else if (*p == '%' && p[1] == '%') {
            addText(text, "%");
            next = p + 2;
        } else {
            addText(text, p, (size_t)(next - p));
        }
        p = next;
    }
}

// Moves the focus as the dialog manager does, so that the default button
// follows it.
void focusItem(HWND dialog, int id)
{
    SendMessageA(dialog, WM_NEXTDLGCTL, (WPARAM)GetDlgItem(dialog, id), TRUE);
}

// ---- disk-change dialog

void onDiskStart(HWND dialog, char *sourceDir)
{
    SetWindowLongPtrA(dialog, DWLP_USER, (LONG_PTR)sourceDir);
    centreWindow(dialog);

    char pattern[kPathSize];
    char number[16];
    char prompt[kPathSize];
    loadString(IDS_INSERT_DISK, pattern, sizeof pattern);
    wsprintfA(number, "%d", engineState.currentFileDisk);   // at most 11 characters
    formatText(prompt, pattern, number);
    SetDlgItemTextA(dialog, IDC_DISK_PROMPT, prompt);

    char drive[3];   // the first two characters: the drive, such as A:
    copyText(drive, sourceDir);
    SetDlgItemTextA(dialog, IDC_SOURCE_EDIT, drive);
}

// Only a drive letter is taken: anything else in the first place of the path
// (an empty edit, a digit, the first byte of a double-byte character that
// the path's ':' would then complete) leaves the drive as it was.
void onDiskOk(HWND dialog, char *sourceDir)
{
    char drive[3];   // at most two characters are read
    GetDlgItemTextA(dialog, IDC_SOURCE_EDIT, drive, sizeof drive);
    if (isAsciiLetter(drive[0]))
        sourceDir[0] = upperAscii(drive[0]);
    EndDialog(dialog, 1);
}

void onDiskAbort(HWND dialog)
{
    if (showMessage(setupState.wizardWindow, "中断しますか?", setupState.productCaption, MB_YESNO | MB_ICONEXCLAMATION,
                    IDYES) != IDYES)
        return;
    engineState.cancelRequested = true;
    EndDialog(dialog, 0);
}

INT_PTR CALLBACK diskChangeProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onDiskStart(dialog, (char *)lParam);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onDiskOk(dialog, (char *)GetWindowLongPtrA(dialog, DWLP_USER));
            return TRUE;
        case IDCANCEL:   // the close box (and Esc): the caller checks the same drive again
            EndDialog(dialog, 1);
            return TRUE;
        case IDC_DISK_ABORT:
            onDiskAbort(dialog);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

// ---- locate-source dialog

void onLocateStart(HWND dialog, const char *infFileName)
{
    copyText(promptInfName, infFileName);
    lowerAsciiLetters(promptInfName);
    if (promptInfName[0] != '\0') {
        char pattern[kPathSize];
        char prompt[kPathSize];
        loadString(IDS_LOCATE_NAMED_INF, pattern, sizeof pattern);
        formatText(prompt, pattern, promptInfName);
        SetDlgItemTextA(dialog, IDC_LOCATE_PROMPT, prompt);
    }
    SendDlgItemMessageA(dialog, IDC_SOURCE_EDIT, EM_LIMITTEXT, kPathSize - 1, 0);
    focusItem(dialog, IDC_SOURCE_EDIT);
    centreWindow(dialog);
}

void refuseDirectory(HWND dialog, UINT messageId)
{
    errorBox(dialog, messageId, MB_OK | MB_ICONEXCLAMATION);
    focusItem(dialog, IDC_SOURCE_EDIT);
    SendDlgItemMessageA(dialog, IDC_SOURCE_EDIT, EM_SETSEL, 0, -1);
}

void onLocateOk(HWND dialog)
{
    // Read with room to spare: a text longer than a path (one set by other
    // means than typing) is refused, never cut into the name of another
    // directory.
    char typed[kPathSize * 2];
    GetDlgItemTextA(dialog, IDC_SOURCE_EDIT, typed, sizeof typed);
    if (typed[0] == '\0') {
        errorBox(dialog, IDS_NO_PATH, MB_OK | MB_ICONEXCLAMATION);
        focusItem(dialog, IDC_SOURCE_EDIT);
        return;
    }

    // The directory, a backslash unless it ends with one, and "*.*". A
    // directory of kPathSize - 1 bytes still fits with the wildcard, so
    // whatever fits here fits sourceDir once the wildcard is cut off; a
    // longer one is cut, and refused.
    char pattern[kPathSize + 4];
    TextBuilder text = startText(pattern);
    addText(text, typed);
    if (!endsWithBackslash(typed))
        addText(text, "\\");
    addText(text, "*.*");

    WIN32_FIND_DATAA found;
    HANDLE search = text.cut ? INVALID_HANDLE_VALUE : FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) {
        refuseDirectory(dialog, IDS_PATH_NOT_FOUND);
        return;
    }
    FindClose(search);

    // Kept as a full path: a relative one would name another folder as soon
    // as the current directory moves (installing over an existing file makes
    // the Windows directory current).
    char full[kPathSize + 4];
    char *namePart = nullptr;
    DWORD length = GetFullPathNameA(pattern, sizeof full, full, &namePart);
    char dir[kPathSize];
    if (length == 0 || length >= sizeof full || !copyText(dir, pathDirPart(full))) {
        refuseDirectory(dialog, IDS_PATH_NOT_FOUND);
        return;
    }
    copyText(setupState.sourceDir, dir);
    copyText(setupState.kitSourceDir, dir);
    EndDialog(dialog, 1);
}

// The old-style file-open dialog calls this hook; it acts only at the start.
UINT_PTR CALLBACK browseHook(HWND dialog, UINT message, WPARAM, LPARAM)
{
    if (message != WM_INITDIALOG)
        return 0;
    char title[kPathSize];
    if (promptInfName[0] != '\0') {
        char pattern[kPathSize];
        loadString(IDS_PICK_NAMED_INF, pattern, sizeof pattern);
        formatText(title, pattern, promptInfName);
    } else {
        loadString(IDS_PICK_INF, title, sizeof title);
    }
    SetWindowTextA(dialog, title);
    SetDlgItemTextA(dialog, IDC_OPEN_FILE_NAME, "");
    return TRUE;
}

// The platform's filter list from string 2000: its last character is the
// separator, and each one becomes a NUL. The buffer has room for the second
// NUL that ends the list.
const char *loadFilter(char (&filter)[kPathSize + 2])
{
    ZeroMemory(filter, sizeof filter);
    loadString(IDS_INF_FILTER, filter, kPathSize);
    size_t length = textLength(filter);
    if (length == 0)
        return nullptr;
    const char *last = charPrev(filter, filter + length);
    if (filter + length - last != 1)
        return nullptr;   // a double-byte last character cannot be a separator
    char separator = *last;
    for (char *p = filter; *p != '\0'; p = (char *)charNext(p))
        if (*p == separator)
            *p = '\0';
    return filter;
}

// The file-open dialog starts in the directory typed into the edit when it
// names one; otherwise where the platform starts it, the current directory.
bool typedDirectory(HWND dialog, char (&dir)[kPathSize])
{
    char typed[kPathSize * 2];
    GetDlgItemTextA(dialog, IDC_SOURCE_EDIT, typed, sizeof typed);
    if (typed[0] == '\0' || !copyText(dir, typed))
        return false;
    DWORD attributes = GetFileAttributesA(dir);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void onBrowse(HWND dialog)
{
    char filter[kPathSize + 2];
    char file[kPathSize] = "";
    char fileTitle[kPathSize] = "";
    char initialDir[kPathSize];

    OPENFILENAMEA open;
    ZeroMemory(&open, sizeof open);
    open.lStructSize = OPENFILENAME_SIZE_VERSION_400A;   // the size Windows 95 and NT 4 accept
    open.hwndOwner = dialog;
    open.lpstrFilter = loadFilter(filter);
    open.nFilterIndex = 1;
    open.lpstrFile = file;
    open.nMaxFile = sizeof file;
    open.lpstrFileTitle = fileTitle;
    open.nMaxFileTitle = sizeof fileTitle;
    open.lpstrInitialDir = typedDirectory(dialog, initialDir) ? initialDir : nullptr;
    open.Flags = OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_PATHMUSTEXIST | OFN_NONETWORKBUTTON;
    open.lpfnHook = browseHook;

    // A failure other than Cancel (a name too long for the buffer) leaves
    // the needed size in the buffer's first bytes, not a name.
    if (!GetOpenFileNameA(&open))
        file[0] = '\0';
    pathDirPart(file);
    SetDlgItemTextA(dialog, IDC_SOURCE_EDIT, file);
    focusItem(dialog, IDOK);
}

INT_PTR CALLBACK locateSourceProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        onLocateStart(dialog, (const char *)lParam);
        return FALSE;   // the focus is set
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            onLocateOk(dialog);
            return TRUE;
        case IDCANCEL:
            EndDialog(dialog, 0);
            return TRUE;
        case IDC_BROWSE:
            onBrowse(dialog);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

}  // namespace

int diskTagPresent(unsigned diskNumber, const char *sourceDir)
{
    // A network path (\\server\share) or any other start that is not a drive
    // letter gives no tag path.
    if (sourceDir == nullptr || !isAsciiLetter(sourceDir[0]))
        return 0;
    char tag[16];   // "DISK" and at most ten digits
    wsprintfA(tag, "DISK%u", diskNumber);
    char path[24];
    wsprintfA(path, "%c:\\%s", sourceDir[0], tag);

    // An empty floppy drive must not bring up the system's own "not ready"
    // box: the disk-change dialog is what the user is to see. (SetErrorMode
    // answers with the mode before, which is kept and put back.)
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
    SetErrorMode(oldMode | SEM_FAILCRITICALERRORS);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    SetErrorMode(oldMode);
    if (file == INVALID_HANDLE_VALUE)
        return 0;

    DWORD wanted = (DWORD)textLength(tag);
    char text[sizeof tag];
    DWORD total = 0;
    DWORD got = 0;
    while (total < wanted && ReadFile(file, text + total, wanted - total, &got, nullptr) && got > 0)
        total += got;
    CloseHandle(file);
    return total == wanted && equalNoCase(text, total, tag, wanted) ? 1 : 0;
}

int askForDisk(char (&sourceDir)[kPathSize])
{
    INT_PTR result = DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_DISK_CHANGE), setupState.wizardWindow,
                                     diskChangeProc, (LPARAM)sourceDir);
    if (result == -1) {
        // Without the dialog the user can neither change the disk nor stop:
        // asking again would never end, so the installation stops.
        engineState.cancelRequested = true;
        return 0;
    }
    return result == 0 ? 0 : 1;
}

int locateSource(const char *infFileName)
{
    INT_PTR result = DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_LOCATE_SOURCE), setupState.wizardWindow,
                                     locateSourceProc, (LPARAM)(infFileName != nullptr ? infFileName : ""));
    return result == 1 ? 1 : 0;
}
