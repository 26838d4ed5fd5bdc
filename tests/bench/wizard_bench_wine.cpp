// Under Wine: what the progress page costs. A kit of 500 small files in 50
// components installed through the wizard's progress page (message pumping
// and bar included), against the same components handed to runComponent
// directly, in the same process and prefix. Each round starts from an empty
// destination; the best of several rounds is printed. The machine is shared,
// so single rounds scatter widely.
#include "setup/components/component_catalogue.h"
#include "setup/engine/install_driver.h"
#include "setup/resources/resource.h"
#include "win/wizard/wizard_kit.h"

#include <windows.h>

#include <stdio.h>
#include <string>

using namespace testsupport;

namespace {

const int kComponents = 50;
const int kFilesEach = 10;
const int kRounds = 9;

double now()
{
    LARGE_INTEGER count, frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    return (double)count.QuadPart / (double)frequency.QuadPart;
}

// Every selected component through the engine, in tree order: the run of
// the progress page without the page.
double direct()
{
    copyText(wizardState.modelKey, "4410Q");   // what the wizard's pages choose
    double start = now();
    applyDetectedSelection();
    for (int i = 0; i < componentTree.count; ++i)
        if (componentTree.records[i].State == kStateOn)
            runComponent(componentTree.records[i].Section, componentTree.records[i].INF, 1);
    return now() - start;
}

BOOL CALLBACK findProgressPage(HWND child, LPARAM found)
{
    if (GetDlgItem(child, 1023) == nullptr)
        return TRUE;
    *(HWND *)found = child;
    return FALSE;
}

// From the progress page's arrival to the end of its run: the run with its
// message pumping and bar. The page is watched without messages (a message to the sheet's
// thread would itself be work for the pump being measured).
double throughTheWizard()
{
    double start = 0, end = 0;
    runDrivenWizard([&](HWND sheet, DWORD) {
        waitForPage(sheet, IDD_PAGE_WELCOME);
        const int pages[] = {IDD_PAGE_NICKNAME, IDD_PAGE_MODEL, IDD_PAGE_CONFIRM, IDD_PAGE_STANDARD};
        for (int page : pages) {
            pressSheet(sheet, PSBTN_NEXT);
            waitForPage(sheet, page);
        }
        waitForButtons(sheet, "BN");
        double pressed = now();
        pressSheet(sheet, PSBTN_NEXT);
        HWND progress = nullptr;
        while ((progress == nullptr || !IsWindowVisible(progress)) && now() - pressed < 600) {
            if (progress == nullptr)
                EnumChildWindows(sheet, findProgressPage, (LPARAM)&progress);
            Sleep(1);
        }
        // The run ends where the page disables Cancel, before it moves on.
        start = now();
        HWND cancel = GetDlgItem(sheet, IDCANCEL);
        while (IsWindowEnabled(cancel) && now() - start < 600)
            Sleep(1);
        end = now();
        waitForPage(sheet, IDD_PAGE_FINISH);
        pressSheet(sheet, PSBTN_FINISH);
    });
    return end - start;
}

}  // namespace

int main()
{
    WizardKit kit;
    for (int i = 1; i <= kComponents; ++i) {
        char name[8];
        wsprintfA(name, "C%02d", i);
        kit.components.push_back(kitComponent(name, "4410Q", name, 2, true, kFilesEach));
    }
    ScopedFileRestore keep({kit.configSys});
    DeleteFileA(kit.configSys.c_str());
    std::string problem = kit.write();
    if (!problem.empty()) {
        printf("kit: %s\n", problem.c_str());
        return 1;
    }
    double bestDirect = 1e9, bestWizard = 1e9;
    bool complete = true;
    for (int round = 0; round < kRounds; ++round) {
        // Each way goes first in every other round, so that neither always
        // meets the warmer caches.
        for (int turn = 0; turn < 2; ++turn) {
            int way = (round + turn) % 2;
            removeTree(kit.destRoot);
            CreateDirectoryA(kit.destRoot.c_str(), nullptr);
            problem = kit.start();
            if (!problem.empty()) {
                printf("start: %s\n", problem.c_str());
                return 1;
            }
            double time = way == 0 ? direct() : throughTheWizard();
            for (const KitComponent &c : kit.components)
                complete = complete && kit.installedAll(c);
            double &best = way == 0 ? bestDirect : bestWizard;
            if (time < best)
                best = time;
        }
    }
    kit.clean();
    printf("%d files in %d components, best of %d rounds%s\n", kComponents * kFilesEach, kComponents, kRounds,
           complete ? "" : " (INCOMPLETE: some files were not installed)");
    printf("runComponent directly:     %.3f s\n", bestDirect);
    printf("through the progress page: %.3f s\n", bestWizard);
    printf("ratio:                     %.3f\n", bestWizard / bestDirect);
    return complete ? 0 : 1;
}
