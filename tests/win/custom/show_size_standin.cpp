// A stand-in for the wizard's size service, for the custom page's tests
// while they are built without the wizard: the figure rounded up to the next
// tenth of a megabyte, and the wizard buttons for control 1025.
#include "setup/shell/setup_state.h"
#include "setup/wizard/wizard.h"

#include <commctrl.h>
#include <stdio.h>

void showSize(HWND window, uint64_t bytes, int id)
{
    uint64_t kilobytes = bytes / 1024 + (bytes % 1024 != 0);
    uint64_t megabytes = kilobytes / 1024;
    uint64_t tenths = (kilobytes % 1024) * 10;
    uint64_t digit = tenths / 1024 + (tenths % 1024 != 0);
    if (digit >= 10) {
        digit -= 10;
        ++megabytes;
    }
    char text[40];
    snprintf(text, sizeof text, "%llu.%llu MB", (unsigned long long)megabytes, (unsigned long long)digit);
    SetDlgItemTextA(window, id, text);
    if (id == 1025)
        PostMessageA(GetParent(window), PSM_SETWIZBUTTONS, 0,
                     bytes < setupState.freeDiskBytes ? PSWIZB_BACK | PSWIZB_NEXT : PSWIZB_BACK);
}
