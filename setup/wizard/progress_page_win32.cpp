// The progress page: installs the selected components when it becomes
// active, with a bar and a way to stop between components; then moves on to
// the finish page by itself.
#include "setup/shell/setup_state.h"
#include "setup/engine/engine_state.h"
#include "setup/resources/resource.h"
#include "setup/wizard/answers.h"
#include "setup/wizard/install_run.h"
#include "setup/wizard/wizard.h"
#include "setup/wizard/wizard_pages.h"

#include <commctrl.h>
#include <prsht.h>

namespace {

bool running;   // a run is under way: a second start message is not a second run

// The page leaves by itself: Cancel is over, Next takes the user to the
// finish page.
void moveOn(HWND page)
{
    HWND sheet = GetParent(page);
    EnableWindow(GetDlgItem(sheet, IDCANCEL), FALSE);
    PostMessageA(sheet, PSM_SETWIZBUTTONS, 0, PSWIZB_NEXT);
    PostMessageA(sheet, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
}

void run(HWND page)
{
    recordAnswers();
    runInstallation(page);
    moveOn(page);
}

void createBar(HWND page)
{
    RECT place;
    GetWindowRect(GetDlgItem(page, 1023), &place);
    MapWindowPoints(NULL, page, (POINT *)&place, 2);
    InitCommonControls();
    HWND bar = CreateWindowExA(0, PROGRESS_CLASSA, "", WS_CHILD | WS_VISIBLE, place.left, place.top,
                               place.right - place.left, place.bottom - place.top, page, NULL, setupState.instance,
                               NULL);
    SendMessageA(bar, PBM_SETRANGE, 0, MAKELPARAM(0, 100));
    SendMessageA(bar, PBM_SETSTEP, 10, 0);
    SetFocus(bar);
    setupState.preparingProgress = bar;
    SendMessageA(bar, PBM_SETPOS, 0, 0);
}

}  // namespace

INT_PTR CALLBACK progressPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        createBar(page);
        // A stop asked for before the installation (at a disk prompt of the
        // start-up) is over; one asked for from here on counts.
        engineState.cancelRequested = false;
        return TRUE;
    case WM_DESTROY:
        // The bar goes with the page; the engine must not paint a window
        // that is gone.
        setupState.preparingProgress = NULL;
        break;
    case WM_PAINT:
        paintSidePanel(page, IDB_SIDE_PANEL, 1011);
        return FALSE;
    case kRunMessage:
        if (!running) {
            running = true;
            run(page);
            running = false;
        }
        return TRUE;
    case WM_NOTIFY:
        switch (((const NMHDR *)lParam)->code) {
        case PSN_SETACTIVE:
            postWizardButtons(page, 0);
            PostMessageA(page, kRunMessage, 0, 0);
            return reply(page, 0);
        case PSN_QUERYCANCEL:
            engineState.cancelRequested = true;
            return reply(page, TRUE);
        case PSN_WIZNEXT:
        case PSN_WIZBACK:
        case PSN_RESET:
        case PSN_KILLACTIVE:
            return reply(page, 0);
        }
        break;
    }
    return FALSE;
}
