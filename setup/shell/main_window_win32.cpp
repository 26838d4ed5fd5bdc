// The main window: a popup over the whole desktop with 128 blue bands and the
// kit's shadowed title, the about box, display changes, and the end of the
// program at its destruction.
#include "setup/shell/main_window.h"

#include "setup/components/components.h"
#include "setup/inf/inf_fields.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/shell/shell_services.h"
#include "setup/shell/unattended.h"
#include "setup/wizard/wizard_state.h"

static const char kTitle[] = "QEL PCサポートキット for Windows(R) 98";
static const int kBands = 128;

bool registerMainWindowClass(HINSTANCE instance)
{
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = mainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, IDI_OSPRIN);
    windowClass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    windowClass.hbrBackground = (HBRUSH)(COLOR_BTNSHADOW + 1);
    windowClass.lpszClassName = kMainWindowClass;
    return RegisterClassA(&windowClass) != 0;
}

static HFONT titleFont(int height)
{
    LOGFONTA font = {};
    font.lfHeight = height;
    font.lfWeight = 800;
    font.lfItalic = TRUE;
    font.lfCharSet = DEFAULT_CHARSET;
    lstrcpyA(font.lfFaceName, "ＭＳ Ｐゴシック");
    return CreateFontIndirectA(&font);
}

static void paint(HWND window)
{
    PAINTSTRUCT paintStruct;
    HDC dc = BeginPaint(window, &paintStruct);
    RECT client;
    GetClientRect(window, &client);

    int band = client.bottom / kBands;
    for (int i = 0; i < kBands; ++i) {
        RECT rect = {0, i * band, client.right, (i + 1) * band};
        HBRUSH brush = CreateSolidBrush(RGB(0, 0, 128 - i));
        FillRect(dc, &rect, brush);
        DeleteObject(brush);
    }
    RECT rest = {0, kBands * band, client.right, client.bottom};
    FillRect(dc, &rest, (HBRUSH)GetStockObject(BLACK_BRUSH));

    int length = lstrlenA(kTitle);
    HFONT font = titleFont(40);
    HGDIOBJ previous = SelectObject(dc, font);
    SIZE extent = {};
    GetTextExtentPoint32A(dc, kTitle, length, &extent);
    if (extent.cx > client.right - 30 && extent.cx > 0) {
        // Narrow desktop: the height that makes the title about 50 pixels
        // narrower than the client. Below 50 pixels of width it would be 0
        // or negative, which the font mapper reads as "any size" or as a
        // character height; the title then shrinks to one pixel instead.
        int height = (40 * client.right - 2000) / extent.cx;
        SelectObject(dc, previous);
        DeleteObject(font);
        font = titleFont(height > 0 ? height : 1);
        previous = SelectObject(dc, font);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, RGB(0, 0, 0));
    TextOutA(dc, 34, 24, kTitle, length);
    SetTextColor(dc, RGB(255, 255, 255));
    TextOutA(dc, 30, 20, kTitle, length);
    SelectObject(dc, previous);
    DeleteObject(font);
    EndPaint(window, &paintStruct);
}

static void displayChanged(HWND window, LPARAM size)
{
    RECT desktop = {0, 0, LOWORD(size), HIWORD(size)};
    setupState.desktopRect = desktop;
    MoveWindow(window, 0, 0, desktop.right, desktop.bottom, TRUE);
    HWND centred[] = {setupState.logoWindow, setupState.wizardWindow};
    for (HWND other : centred) {
        if (other != NULL && IsWindow(other)) {
            centreWindow(other);
            ShowWindow(other, SW_SHOWNA);
        }
    }
}

static INT_PTR CALLBACK aboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        centreWindow(dialog);
        return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, LOWORD(wParam));
            return TRUE;
        }
        break;
    }
    return FALSE;
}

// The end of the program, in this order: the wizard's title font, the
// component tree, the INFs, a floppy kit's temporary copies, the restart.
static void destroyed()
{
    if (wizardState.titleFont != NULL) {
        DeleteObject(wizardState.titleFont);
        wizardState.titleFont = NULL;
    }
    if (componentTree.records != NULL)
        freeComponents(componentTree);
    freeAllInfs();
    if (setupState.floppyKit)
        deleteTempCopies();
    // Windows restarts only after the user's Yes to the restart question;
    // every way out has asked it (settleRestart) before the window went.
    if (setupState.restartNeeded && wizardState.restartAnswer == IDYES)
        settleExitStatus(true, restartWindows());
    setupState.mainWindow = NULL;
    PostQuitMessage(setupState.exitStatus);
}

LRESULT CALLBACK mainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT:
        paint(window);
        return 0;
    case WM_DISPLAYCHANGE:
        displayChanged(window, lParam);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDM_ABOUT) {
            DialogBoxParamA(resourceInstance(), MAKEINTRESOURCEA(IDD_ABOUT), window, aboutProc, 0);
            return 0;
        }
        break;
    case WM_DESTROY:
        destroyed();
        return 0;
    default:
        if (message >= kShowPreparing && message <= kModules && message != WM_USER + 205) {
            runStartupStep(window, message);
            return 0;
        }
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
