// The custom page's test bench: small component trees made in the test, the
// page shown in a real wizard-mode property sheet on the test's main thread
// (between two blank pages), and the hands that drive it from a second
// thread as a user would: mouse buttons on the list at pixel positions, the
// space bar, the Details, OK and Cancel buttons. The hands read the texts
// and the check pictures as painted on the screen.
#pragma once
#include "setup/components/components.h"
#include "setup/inf/text.h"
#include "setup/resources/resource.h"
#include "setup/shell/setup_state.h"
#include "setup/wizard/custom_page.h"
#include "setup/wizard/wizard_state.h"
#include "portable/components/component_tree_util.h"
#include "support/win_support.h"

#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

const DWORD kWindowWait = 10000;   // ms for a window to come or go on a loaded machine
const int kSheetNext = 0x3024;     // the wizard's Next and Back buttons
const int kSheetBack = 0x3023;

// One component of a test tree. Sizes of parents come from their children,
// as the build makes them.
struct Part {
    const char *section;
    const char *parent;
    const char *description;
    uint64_t size;
    int installed;
    int available;
    const char *tip;
};

inline Part leaf(const char *section, const char *parent, const char *description, uint64_t size, int installed,
                 int available = 1, const char *tip = "")
{
    return Part{section, parent, description, size, installed, available, tip};
}

// A tree in componentTree for the scope, built as the catalogue builds it
// after loading: child counts, initial states, sizes.
class TestTree {
public:
    explicit TestTree(std::initializer_list<Part> parts) : records_(parts.size() + 1)
    {
        size_t i = 0;
        for (const Part &part : parts) {
            ComponentRecord &record = records_[i++];
            copyText(record.Section, part.section);
            copyText(record.Parent, part.parent);
            copyText(record.OptionDesc, part.description);
            copyText(record.Tip, part.tip);
            copyText(record.INF, "TEST.INF");
            record.Installed = part.installed;
            record.Available = part.available;
            record.Size = part.available ? part.size : 0;
        }
        componentTree.records = records_.data();
        componentTree.count = (int)parts.size();
        componentTree.capacity = (int)records_.size();
        buildTree(componentTree);
    }
    ~TestTree() { componentTree = ComponentTree{}; }
    TestTree(const TestTree &) = delete;
    TestTree &operator=(const TestTree &) = delete;

    ComponentRecord &operator[](const char *section)
    {
        for (ComponentRecord &record : records_)
            if (lstrcmpiA(record.Section, section) == 0)
                return record;
        ADD_FAILURE() << "no component " << section;
        return records_.back();
    }
    int state(const char *section) { return (*this)[section].State; }

private:
    std::vector<ComponentRecord> records_;
};

// ---- the sheet

namespace bench {

inline std::atomic<long> &markersSeen()
{
    static std::atomic<long> seen{0};
    return seen;
}

inline LRESULT CALLBACK markerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_APP) {
        ++markersSeen();
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Which blank page was activated last: 1 before the custom page, 3 after it.
inline std::atomic<int> &blankShown()
{
    static std::atomic<int> shown{0};
    return shown;
}

inline INT_PTR CALLBACK blankPageProc(HWND page, UINT message, WPARAM, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(page, DWLP_USER, ((const PROPSHEETPAGEA *)lParam)->lParam);
        return TRUE;
    }
    if (message == WM_NOTIFY && ((const NMHDR *)lParam)->code == PSN_SETACTIVE) {
        blankShown() = (int)GetWindowLongPtrA(page, DWLP_USER);
        PostMessageA(GetParent(page), PSM_SETWIZBUTTONS, 0, PSWIZB_BACK | PSWIZB_NEXT);
        SetWindowLongPtrA(page, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

// An empty child page template in memory, in the size and font of the
// program's pages (the sheet takes its size from them).
struct BlankTemplate {
    DLGTEMPLATE dialog;
    WORD menu, windowClass, title, pointSize;
    WCHAR face[9];
};

inline const DLGTEMPLATE *blankTemplate()
{
    alignas(DWORD) static BlankTemplate blank = {
        {DS_SETFONT | WS_CHILD, 0, 0, 0, 0, 276, 147}, 0, 0, 0, 9, L"ＭＳ Ｐゴシック"};
    return &blank.dialog;
}

}  // namespace bench

// The user's hands on the sheet and its details dialogs.
class Hands {
public:
    HWND sheet = nullptr;
    HWND page = nullptr;   // the custom page, once it has been shown
    HWND marker = nullptr;

    static HWND list(HWND dialog) { return GetDlgItem(dialog, IDC_CHECK_LIST); }

    // Waits until everything the main thread was asked so far has been
    // handled, messages it posted to itself meanwhile included, and the
    // window has painted.
    void settle(HWND window = nullptr)
    {
        sync();
        if (window != nullptr)
            RedrawWindow(window, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
        sync();
    }

    RECT entryRect(HWND listBox, int index)
    {
        RECT rect = {};
        SendMessageA(listBox, LB_GETITEMRECT, index, (LPARAM)&rect);
        return rect;
    }
    int indexOf(HWND listBox, const char *text)
    {
        return (int)SendMessageA(listBox, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)text);
    }
    int selection(HWND listBox) { return (int)SendMessageA(listBox, LB_GETCURSEL, 0, 0); }

    // The left button pressed and let go at x pixels from the list's left
    // edge, in the middle of the entry.
    void press(HWND listBox, int index, int x)
    {
        LPARAM at = pointIn(listBox, index, x);
        SendMessageA(listBox, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(listBox, WM_LBUTTONUP, 0, at);
        settle(GetParent(listBox));
    }
    void press(HWND listBox, const char *text, int x) { press(listBox, indexOf(listBox, text), x); }

    // What the platform makes of two quick presses: down, up, double-click, up.
    void doubleClick(HWND listBox, int index, int x)
    {
        LPARAM at = pointIn(listBox, index, x);
        SendMessageA(listBox, WM_LBUTTONDOWN, MK_LBUTTON, at);
        SendMessageA(listBox, WM_LBUTTONUP, 0, at);
        SendMessageA(listBox, WM_LBUTTONDBLCLK, MK_LBUTTON, at);
        SendMessageA(listBox, WM_LBUTTONUP, 0, at);
        settle(GetParent(listBox));
    }

    void spaceBar(HWND listBox)
    {
        SendMessageA(listBox, WM_KEYDOWN, VK_SPACE, 0x00390001);
        SendMessageA(listBox, WM_CHAR, ' ', 0x00390001);
        SendMessageA(listBox, WM_KEYUP, VK_SPACE, 0xC0390001);
        settle(GetParent(listBox));
    }

    // The check picture painted on the entry: 402 to 405, or 0 for none of them.
    int picture(HWND listBox, int index)
    {
        settle(listBox);
        RECT rect = entryRect(listBox, index);
        std::vector<DWORD> shown = capture(listBox, rect.left, rect.top, 16, 16);
        for (int id : {IDB_CHECK_ON, IDB_CHECK_PARTLY, IDB_CHECK_OFF, IDB_CHECK_UNAVAILABLE})
            if (sameInside(shown, bitmapPixels(id)))
                return id;
        return 0;
    }
    // The focus rectangle of the entry runs over the picture's left column
    // and its top and bottom rows: the rest must match.
    static bool sameInside(const std::vector<DWORD> &shown, const std::vector<DWORD> &picture)
    {
        if (shown.size() != 256 || picture.size() != 256)
            return false;
        for (int y = 1; y < 15; ++y)
            for (int x = 1; x < 16; ++x)
                if (shown[y * 16 + x] != picture[y * 16 + x])
                    return false;
        return true;
    }
    int picture(HWND listBox, const char *text) { return picture(listBox, indexOf(listBox, text)); }

    std::string text(HWND dialog, int id)
    {
        settle();
        return itemText(dialog, id);
    }
    bool enabled(HWND dialog, int id)
    {
        settle();
        return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
    }
    bool nextEnabled() { return enabled(sheet, kSheetNext); }

    // Selects the entry by a press on its text, presses Details and waits
    // for the dialog, whose caption is the entry's text.
    HWND openDetails(HWND dialog, const char *entry)
    {
        press(list(dialog), entry, 40);
        pressButton(dialog, IDC_DETAILS);
        HWND details = waitForDialog(0, entry, kWindowWait);
        if (details != nullptr)
            settle(details);
        return details;
    }
    bool close(HWND details, int button)
    {
        pressButton(details, button);
        DWORD start = GetTickCount();
        while (IsWindow(details)) {
            if (GetTickCount() - start > kWindowWait)
                return false;
            Sleep(10);
        }
        settle(sheet);
        return true;
    }
    bool ok(HWND details) { return close(details, IDC_DETAILS_OK); }
    bool cancel(HWND details) { return close(details, IDCANCEL); }

    // Back or Next on the sheet, and the page it then shows.
    HWND sheetButton(int button)
    {
        PostMessageA(sheet, PSM_PRESSBUTTON, button, 0);
        settle(sheet);
        return currentPage();
    }
    HWND currentPage() { return (HWND)SendMessageA(sheet, PSM_GETCURRENTPAGEHWND, 0, 0); }

    // 32-bit pixels (0x00RRGGBB) of a width by height area of window's client.
    static std::vector<DWORD> capture(HWND window, int x, int y, int width, int height)
    {
        std::vector<DWORD> pixels;
        HDC windowDc = GetDC(window);
        HDC memory = CreateCompatibleDC(windowDc);
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void *bits = nullptr;
        HBITMAP section = CreateDIBSection(windowDc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        if (section != nullptr) {
            HGDIOBJ old = SelectObject(memory, section);
            BitBlt(memory, 0, 0, width, height, windowDc, x, y, SRCCOPY);
            GdiFlush();
            const DWORD *p = (const DWORD *)bits;
            for (int i = 0; i < width * height; ++i)
                pixels.push_back(p[i] & 0xFFFFFF);
            SelectObject(memory, old);
            DeleteObject(section);
        }
        DeleteDC(memory);
        ReleaseDC(window, windowDc);
        return pixels;
    }

    // The pixels of one of the program's 16 by 16 pictures, as a screen shows them.
    static std::vector<DWORD> bitmapPixels(int id)
    {
        std::vector<DWORD> pixels(256);
        HBITMAP bitmap = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        if (bitmap == nullptr)
            return {};
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = 16;
        info.bmiHeader.biHeight = -16;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        HDC screen = GetDC(nullptr);
        int rows = GetDIBits(screen, bitmap, 0, 16, pixels.data(), &info, DIB_RGB_COLORS);
        ReleaseDC(nullptr, screen);
        DeleteObject(bitmap);
        if (rows != 16)
            return {};
        for (DWORD &p : pixels)
            p &= 0xFFFFFF;
        return pixels;
    }

    static DWORD colour(int index)
    {
        COLORREF c = GetSysColor(index);
        return (DWORD)(GetRValue(c) << 16 | GetGValue(c) << 8 | GetBValue(c));
    }

private:
    LPARAM pointIn(HWND listBox, int index, int x)
    {
        RECT rect = entryRect(listBox, index);
        return MAKELPARAM(x, (rect.top + rect.bottom) / 2);
    }

    void sync()
    {
        long target = bench::markersSeen() + 1;
        PostMessageA(marker, WM_APP, 0, 0);
        DWORD start = GetTickCount();
        while (bench::markersSeen() < target && GetTickCount() - start < kWindowWait)
            Sleep(2);
    }
};

// Every visible dialog of this process but the sheet, the nested ones last.
inline std::vector<HWND> openDialogs(HWND sheet)
{
    struct Found {
        HWND sheet;
        std::vector<HWND> dialogs;
    } found{sheet, {}};
    EnumThreadWindows(
        GetWindowThreadProcessId(sheet, nullptr),
        [](HWND window, LPARAM param) -> BOOL {
            Found &f = *(Found *)param;
            char name[16] = "";
            GetClassNameA(window, name, sizeof name);
            if (window != f.sheet && IsWindowVisible(window) && lstrcmpA(name, "#32770") == 0)
                f.dialogs.push_back(window);
            return TRUE;
        },
        (LPARAM)&found);
    return found.dialogs;
}

// Shows the sheet (blank page, custom page, blank page) on this thread,
// starting at startPage, while steps run in a second thread; the hands then
// cancel whatever details dialogs are left and the sheet. Returns the
// sheet's result.
inline INT_PTR runSheet(int startPage, const std::function<void(Hands &)> &steps)
{
    static ATOM markerClass = 0;
    if (markerClass == 0) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = bench::markerProc;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "CustomPageTestMarker";
        markerClass = RegisterClassA(&windowClass);
    }
    InitCommonControls();
    Hands hands;
    hands.marker = CreateWindowExA(0, "CustomPageTestMarker", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleA(nullptr), nullptr);
    bench::blankShown() = 0;

    PROPSHEETPAGEA pages[3] = {};
    for (int i = 0; i < 3; ++i) {
        pages[i].dwSize = sizeof pages[i];
        pages[i].hInstance = GetModuleHandleA(nullptr);
        pages[i].lParam = i + 1;
        if (i == 1) {
            pages[i].pszTemplate = MAKEINTRESOURCEA(IDD_PAGE_CUSTOM);
            pages[i].pfnDlgProc = customPageProc;
        } else {
            pages[i].dwFlags = PSP_DLGINDIRECT;
            pages[i].pResource = bench::blankTemplate();
            pages[i].pfnDlgProc = bench::blankPageProc;
        }
    }
    PROPSHEETHEADERA header = {};
    header.dwSize = sizeof header;
    header.dwFlags = PSH_PROPSHEETPAGE | PSH_WIZARD | PSH_NOAPPLYNOW;
    header.hInstance = GetModuleHandleA(nullptr);
    header.pszCaption = "カスタムページ試験";
    header.nPages = 3;
    header.nStartPage = startPage;
    header.ppsp = pages;

    DWORD mainThread = GetCurrentThreadId();
    std::thread user([&] {
        DWORD start = GetTickCount();
        while (hands.sheet == nullptr && GetTickCount() - start < kWindowWait) {
            EnumThreadWindows(
                mainThread,
                [](HWND window, LPARAM param) -> BOOL {
                    Hands &h = *(Hands *)param;
                    if (IsWindowVisible(window) && SendMessageA(window, PSM_GETCURRENTPAGEHWND, 0, 0) != 0) {
                        h.sheet = window;
                        return FALSE;
                    }
                    return TRUE;
                },
                (LPARAM)&hands);
            Sleep(10);
        }
        if (hands.sheet == nullptr) {
            ADD_FAILURE() << "the sheet did not come";
            return;
        }
        hands.settle(hands.sheet);
        HWND current = hands.currentPage();
        if (GetDlgItem(current, IDC_CHECK_LIST) != nullptr)
            hands.page = current;
        if (startPage == 1 && hands.page == nullptr)
            ADD_FAILURE() << "the sheet does not start on the custom page";
        else
            steps(hands);
        for (int round = 0; round < 10; ++round) {
            std::vector<HWND> left = openDialogs(hands.sheet);
            if (left.empty())
                break;
            for (HWND dialog : left)
                if (IsWindowEnabled(dialog))
                    hands.cancel(dialog);
        }
        PostMessageA(hands.sheet, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    });
    INT_PTR result = PropertySheetA(&header);
    user.join();
    DestroyWindow(hands.marker);
    return result;
}

}  // namespace testsupport
