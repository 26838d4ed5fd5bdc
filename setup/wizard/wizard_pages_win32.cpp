// The wizard's pages around the installation: welcome, nickname, model,
// confirmation, standard setup and finish.
#include "setup/components/components.h"
#include "setup/inf/inf.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/wizard/answers.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_pages.h"
#include "setup/wizard/wizard_state.h"
#include "setup/wizard/wizard_text.h"
#include "setup/shell/messages.h"
#include "runtime/bytes.h"

#include <prsht.h>
#include <string.h>

namespace {

const int kSidePanelControl = 1011;
const int kListCombo = 1031;
const int kStandardRadio = 1004;
const int kCustomRadio = 1005;

UINT notificationCode(LPARAM lParam)
{
    return ((const NMHDR *)lParam)->code;
}

void paintPage(HWND page)
{
    paintSidePanel(page, IDB_SIDE_PANEL, kSidePanelControl);
}

// The machine list of the kit, kept for the page's lifetime: null when the
// source directory has none.
InfImage *openMachineList()
{
    char name[kShortSize];
    loadString(IDS_MACHINE_INF, name, sizeof name);
    char path[kPathSize];
    if (!joinPath(path, sizeof path, setupState.sourceDir, name) || GetFileAttributesA(path) == INVALID_FILE_ATTRIBUTES)
        return NULL;
    InfImage *image = openInf(path);
    return image == INF_NONE ? NULL : image;
}

// Fills the page's combo box from a section of the machine list. In the
// floppy kit the entries start at the section's ninth line, the line that
// choosing the first entry takes (index + offset + 1).
void fillList(HWND page, InfImage *image, const char *section, int offset)
{
    HWND combo = GetDlgItem(page, kListCombo);
    int count = countSectionLines(section, image);
    for (int n = offset + 1; n <= count; ++n) {
        char line[kPathSize], display[kPathSize], key[kShortSize];
        if (!getSectionLine(section, n, line, image))
            continue;
        splitListLine(line, display, sizeof display, key, sizeof key);
        SendMessageA(combo, CB_ADDSTRING, 0, (LPARAM)display);
    }
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
}

// The chosen entry's line: 1 with its display text and key when the line
// has a comma, else 0; line receives the line itself ("" when none).
int chosenLine(HWND page, InfImage *image, const char *section, int offset, char (&display)[kShortSize],
               char (&key)[kShortSize], char (&line)[kPathSize])
{
    line[0] = '\0';
    if (image == NULL)
        return 0;
    LRESULT index = SendDlgItemMessageA(page, kListCombo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR)
        return 0;
    if (!getSectionLine(section, (int)index + offset + 1, line, image))
        return 0;
    return splitListLine(line, display, sizeof display, key, sizeof key) ? 1 : 0;
}

void chooseSetup(HWND page, int id)
{
    CheckRadioButton(page, kStandardRadio, kCustomRadio, id);
    wizardState.standardChosen = id == kStandardRadio;
}

bool handleSetupChoice(HWND page, WPARAM wParam)
{
    int id = LOWORD(wParam);
    if (id != kStandardRadio && id != kCustomRadio)
        return false;
    chooseSetup(page, id);
    return true;
}

// ---- welcome

// The title's font: bold, as large as lets the caption fill the title's
// width, measured once against 12 points.
void applyTitleFont(HWND page)
{
    HWND title = GetDlgItem(page, 1013);
    if (wizardState.titleFont == NULL) {
        HDC dc = GetDC(title);
        int dpi = GetDeviceCaps(dc, LOGPIXELSY);
        LOGFONTA measure;
        ZeroMemory(&measure, sizeof measure);
        measure.lfHeight = -(12 * dpi / 72);
        measure.lfWeight = FW_BOLD;
        measure.lfCharSet = SHIFTJIS_CHARSET;
        copyText(measure.lfFaceName, "ＭＳ Ｐゴシック");
        HFONT measuring = CreateFontIndirectA(&measure);
        HGDIOBJ previous = SelectObject(dc, measuring);
        SIZE extent = {0, 0};
        GetTextExtentPoint32A(dc, setupState.productCaption, (int)textLength(setupState.productCaption), &extent);
        SelectObject(dc, previous);
        DeleteObject(measuring);
        ReleaseDC(title, dc);

        RECT client;
        GetClientRect(title, &client);
        int points = extent.cx > 0 ? client.right * 12 / extent.cx : 12;
        // A short caption would grow past the title's height and be cut off
        // at the bottom: the font stays as high as the title is.
        int tallest = dpi > 0 ? client.bottom * 72 / dpi : 12;
        if (points > tallest)
            points = tallest;
        if (points < 1)
            points = 1;

        LOGFONTA font;
        HFONT current = (HFONT)SendMessageA(title, WM_GETFONT, 0, 0);
        if (current == NULL || GetObjectA(current, sizeof font, &font) == 0)
            font = measure;
        font.lfCharSet = SHIFTJIS_CHARSET;
        font.lfWeight = FW_BOLD;
        copyText(font.lfFaceName, "ＭＳ Ｐゴシック");
        font.lfHeight = -(points * dpi / 72);
        font.lfWidth = 0;
        wizardState.titleFont = CreateFontIndirectA(&font);
    }
    SendMessageA(title, WM_SETFONT, (WPARAM)wizardState.titleFont, TRUE);
}

}  // namespace

INT_PTR CALLBACK welcomePageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND sheet = GetParent(page);
        setupState.wizardWindow = sheet;
        char text[512];
        loadString(IDS_WELCOME, text, sizeof text);
        SetDlgItemTextA(page, 1017, text);
        SetDlgItemTextA(page, 1013, setupState.productCaption);
        SetWindowTextA(sheet, setupState.productCaption);
        centreWindow(sheet);
        return TRUE;
    }
    case WM_PAINT:
        paintPage(page);
        return FALSE;
    case WM_NOTIFY:
        switch (notificationCode(lParam)) {
        case PSN_SETACTIVE:
            applyTitleFont(page);
            postWizardButtons(page, PSWIZB_NEXT);
            return reply(page, 0);
        case PSN_WIZNEXT:
        case PSN_RESET:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}

// ---- nickname and model: the two pages of the machine list

namespace {

// One page's list: the machine list (kept for the page's lifetime), the
// section it shows, its offset, and where the chosen line's key goes.
struct MachineListPage {
    InfImage *image;
    char section[kShortSize];
    int *offset;
    char *key;
    size_t keySize;
};
MachineListPage nicknames = {NULL, "", &wizardState.nicknameListOffset, wizardState.familyKey,
                             sizeof wizardState.familyKey};
MachineListPage models = {NULL, "", &wizardState.modelListOffset, wizardState.modelKey, sizeof wizardState.modelKey};

void sectionName(UINT id, char (&out)[kShortSize])
{
    loadString(id, out, sizeof out);
}

// What the two pages do alike; FALSE for the messages each page handles
// itself.
INT_PTR machineListProc(MachineListPage &list, HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_DESTROY:
        if (list.image != NULL)
            freeInf(list.image);
        list.image = NULL;
        break;
    case WM_PAINT:
        paintPage(page);
        break;
    case WM_COMMAND:
        return handleSetupChoice(page, wParam);
    case WM_NOTIFY:
        switch (notificationCode(lParam)) {
        case PSN_WIZNEXT: {
            char display[kShortSize], key[kShortSize], line[kPathSize];
            bool keyed = chosenLine(page, list.image, list.section, *list.offset, display, key, line) != 0;
            if (&list == &nicknames)
                copyText(wizardState.nicknameLine, line);
            if (keyed) {
                copyTextN(list.key, list.keySize, key);
                copyText(wizardState.modelDisplayName, display);
            }
            if (wizardState.modelKey[0] == '\0')
                copyText(wizardState.modelKey, kDefaultModel);
            return reply(page, 0);
        }
        case PSN_RESET:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}

// Lists the models of the chosen family. The choice between standard and
// custom setup, made one page before, stays as it is.
void loadModels(HWND page, bool reload)
{
    if (reload)
        SendDlgItemMessageA(page, kListCombo, CB_RESETCONTENT, 0, 0);
    wizardState.modelListOffset = setupState.floppyKit ? kFloppyListOffset : 0;
    if (models.image == NULL)
        models.image = openMachineList();
    if (models.image == NULL)
        return;
    for (const ModelFamily &family : kModelFamilies) {
        if (sameBytes(wizardState.familyKey, family.key)) {
            sectionName(family.sectionString, models.section);
            break;
        }
    }
    copyText(wizardState.shownFamilyKey, wizardState.familyKey);
    fillList(page, models.image, models.section, wizardState.modelListOffset);
}

}  // namespace

namespace {

// The lines a page's list offers: the section's lines from offset + 1 on.
struct OfferedLines {
    InfImage *image;
    const char *section;
    int offset;
    int count() const { return image != NULL ? countSectionLines(section, image) : 0; }
    bool line(int n, char (&out)[kPathSize]) const { return getSectionLine(section, n, out, image) != 0; }
};

bool refuseAnswer(char *reason, size_t size, const char *text)
{
    copyTextN(reason, size, text);
    return false;
}

}  // namespace

bool takeMachineAnswers(const char *nicknameLine, const char *model, char *reason, size_t size)
{
    wizardState.nicknameListOffset = wizardState.modelListOffset = setupState.floppyKit ? kFloppyListOffset : 0;
    InfImage *image = openMachineList();
    char nicknameSection[kShortSize];
    sectionName(IDS_SECTION_MACHINEMODELS, nicknameSection);

    // The nickname page: the line must be one it offers, as it stands.
    OfferedLines nicknameList = {image, nicknameSection, wizardState.nicknameListOffset};
    bool found = nicknameLine[0] == '\0' && nicknameList.count() <= nicknameList.offset;
    for (int n = nicknameList.offset + 1; !found && n <= nicknameList.count(); ++n) {
        char line[kPathSize];
        found = nicknameList.line(n, line) && sameBytes(line, nicknameLine);
    }
    if (!found) {
        if (image != NULL)
            freeInf(image);
        return refuseAnswer(reason, size, "MACHINE.INF の愛称の一覧に、記録された愛称がありません");
    }
    copyText(wizardState.nicknameLine, nicknameLine);
    char display[kShortSize], key[kShortSize];
    if (nicknameLine[0] != '\0' && splitListLine(nicknameLine, display, sizeof display, key, sizeof key)) {
        copyText(wizardState.familyKey, key);
        copyText(wizardState.modelDisplayName, display);
    }
    if (wizardState.modelKey[0] == '\0')
        copyText(wizardState.modelKey, kDefaultModel);

    // The model page: the family's section, and a line of it with the key.
    char modelSection[kShortSize] = "";
    for (const ModelFamily &family : kModelFamilies) {
        if (sameBytes(wizardState.familyKey, family.key)) {
            sectionName(family.sectionString, modelSection);
            break;
        }
    }
    copyText(wizardState.shownFamilyKey, wizardState.familyKey);
    OfferedLines modelList = {image, modelSection, wizardState.modelListOffset};
    // A list without lines, or a chosen line without a comma, leaves the key
    // as the nickname page set it.
    found = modelList.count() <= modelList.offset && sameBytes(model, wizardState.modelKey);
    for (int n = modelList.offset + 1; !found && n <= modelList.count(); ++n) {
        char line[kPathSize];
        if (!modelList.line(n, line))
            continue;
        if (!splitListLine(line, display, sizeof display, key, sizeof key))
            found = sameBytes(model, wizardState.modelKey);
        else if (sameBytes(key, model)) {
            found = true;
            copyText(wizardState.modelKey, key);
            copyText(wizardState.modelDisplayName, display);
        }
    }
    if (image != NULL)
        freeInf(image);
    if (!found)
        return refuseAnswer(reason, size, "MACHINE.INF の機種の一覧に、記録された機種がありません");
    return true;
}

INT_PTR CALLBACK nicknamePageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        wizardState.nicknameListOffset = setupState.floppyKit ? kFloppyListOffset : 0;
        chooseSetup(page, kStandardRadio);
        sectionName(IDS_SECTION_MACHINEMODELS, nicknames.section);
        nicknames.image = openMachineList();
        if (nicknames.image != NULL)
            fillList(page, nicknames.image, nicknames.section, wizardState.nicknameListOffset);
        return TRUE;
    }
    if (message == WM_NOTIFY && notificationCode(lParam) == PSN_SETACTIVE) {
        postWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return reply(page, 0);
    }
    return machineListProc(nicknames, page, message, wParam, lParam);
}

INT_PTR CALLBACK modelPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        models.section[0] = '\0';   // a family key not known leaves the section as it was: empty at first
        loadModels(page, false);
        return TRUE;
    }
    if (message == WM_NOTIFY && notificationCode(lParam) == PSN_SETACTIVE) {
        if (!sameBytes(wizardState.familyKey, wizardState.shownFamilyKey))
            loadModels(page, true);
        else
            postWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
        return reply(page, 0);
    }
    return machineListProc(models, page, message, wParam, lParam);
}

// ---- confirmation

INT_PTR CALLBACK confirmPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return TRUE;
    case WM_NOTIFY:
        // Back from a standard page that lacked space must not leave Next
        // disabled here: the buttons are set, not inherited.
        if (notificationCode(lParam) == PSN_SETACTIVE) {
            postWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
            return reply(page, 0);
        }
        break;
    case WM_PAINT: {
        char text[kPathSize];
        loadString(IDS_MODEL_LABEL, text, sizeof text);
        appendText(text, wizardState.modelDisplayName);
        SetDlgItemTextA(page, 1033, text);
        paintPage(page);
        return FALSE;
    }
    }
    return FALSE;
}

// ---- standard setup

INT_PTR CALLBACK standardPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG: {
        HWND list = GetDlgItem(page, 1006);
        int listed = 0;
        for (int i = 0; i < componentTree.count; ++i) {
            const ComponentRecord &record = componentTree.records[i];
            if (record.InstallType & kInstallStandard) {
                SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)record.OptionDesc);
                ++listed;
            }
        }
        if (listed == 0) {
            char text[kPathSize];
            loadString(IDS_NO_STANDARD_FILE, text, sizeof text);
            SendMessageA(list, LB_ADDSTRING, 0, (LPARAM)text);
        }
        showSize(page, setupState.freeDiskBytes, 1026);
        return TRUE;
    }
    case WM_PAINT:
        paintPage(page);
        return FALSE;
    case WM_NOTIFY:
        switch (notificationCode(lParam)) {
        case PSN_SETACTIVE:
            postWizardButtons(page, PSWIZB_BACK | PSWIZB_NEXT);
            // The figure the tree build stored: summed now, after the parents
            // took their children's sizes, each child would count twice.
            showSize(page, componentTree.standardSize, 1025);
            return reply(page, wizardState.standardChosen ? 0 : -1);
        case PSN_WIZNEXT:
            selectStandardSet(componentTree);
            return reply(page, 0);
        case PSN_WIZBACK:
        case PSN_RESET:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}

// ---- finish

namespace {
const char kCompletedText[] = "セットアップが完了しました。";
const char kStoppedText[] = "セットアップが中断されました。\n\nユーザー処理により、セットアップが中断されました。\n"
                            "再度セットアップを起動し、正しい設定でセットアップを行ってください。";
const char kNoSpaceText[] = "セットアップを中断します。\n\n空き容量の不足により、セットアップが中断されました。\n"
                            "必要な空き容量を確保し再度セットアップを行ってください。";
const char kIncompleteText[] = "セットアップを中断します。\n\nセットアップに必要なファイルが見つからないため、"
                               "セットアップが中断されました。\nインストール媒体を確認し、再度セットアップを行ってください。";

const char kFailedHead[] = "セットアップが終了しました。\n\n次のコンポーネントはセットアップされませんでした。\n";
const char kFailedTail[] = "\nインストール媒体を確認し、再度セットアップを行ってください。";
const int kFailedListed = 4;   // names shown; the rest are counted

void disableSheetCancel(HWND page)
{
    EnableWindow(GetDlgItem(GetParent(page), IDCANCEL), FALSE);
}

// The end of a run in which some components were not set up: their names
// (OptionDesc, or the Section of one without), the first few of them.
void failedText(char (&text)[512])
{
    TextBuilder out = startText(text);
    addText(out, kFailedHead);
    int listed = 0;
    for (int i = 0; i < componentTree.count; ++i) {
        const ComponentRecord &record = componentTree.records[i];
        if (record.RunOutcome >= 0)
            continue;
        if (listed == kFailedListed)
            break;
        addText(out, "・");
        addText(out, record.OptionDesc[0] != '\0' ? record.OptionDesc : record.Section);
        addText(out, "\n");
        ++listed;
    }
    if (wizardState.failedComponents > listed) {
        char more[16];
        formatDecimal((uint64_t)(wizardState.failedComponents - listed), more, sizeof more);
        addText(out, "・ほか");
        addText(out, more);
        addText(out, "個\n");
    }
    addText(out, kFailedTail);
}

// The end of the wizard, by Finish or however else the sheet closes: no
// restart after a run that stopped or never started, else the user's word
// on it when one is needed.
void settleFinish(HWND page)
{
    if (wizardState.setupResult == 1 || wizardState.setupResult == kSetupIncomplete) {
        setupState.restartNeeded = false;
    } else if (setupState.restartNeeded && wizardState.restartAnswer == 0) {
        char question[kPathSize];
        loadString(IDS_RESTART_QUESTION, question, sizeof question);
        wizardState.restartAnswer =
            showMessage(page, question, setupState.productCaption, MB_ICONQUESTION | MB_YESNO) == IDYES ? IDYES
                                                                                                        : IDNO;
        if (wizardState.restartAnswer == IDNO)
            setupState.restartNeeded = false;
        recordRestartAnswer();
    }
}
}  // namespace

INT_PTR CALLBACK finishPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        disableSheetCancel(page);
        return TRUE;
    case WM_PAINT: {
        paintPage(page);
        static char failed[512];
        const char *text = kCompletedText;
        if (wizardState.setupResult == 1) {
            text = kStoppedText;
        } else if (wizardState.setupResult == 2) {
            text = kNoSpaceText;
        } else if (wizardState.setupResult == kSetupIncomplete) {
            text = kIncompleteText;
        } else if (wizardState.failedComponents > 0) {
            failedText(failed);
            text = failed;
        }
        SetDlgItemTextA(page, 1035, text);
        return FALSE;
    }
    case WM_NOTIFY:
        switch (notificationCode(lParam)) {
        case PSN_SETACTIVE:
            postWizardButtons(page, PSWIZB_FINISH);
            disableSheetCancel(page);
            return reply(page, 0);
        case PSN_QUERYCANCEL:
            // Esc, Alt+F4 and the close box: Cancel is greyed out here, and
            // Finish is the only way out.
            return reply(page, TRUE);
        case PSN_WIZFINISH:
        case PSN_RESET:
            settleFinish(page);
            return reply(page, 0);
        case PSN_WIZNEXT:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}
