// Under Wine: the cost of installing files. installFile for 1,000 files of
// 4 KB against a bare CopyFileA loop; and a CopyFiles section of the same
// files through the install engine against the platform's setupapi
// (SetupInstallFromInfSectionA, files only) on an equivalent INF, in the
// same process. Best of several rounds, each into a fresh folder.
#include "setup/engine/directives.h"
#include "setup/engine/engine_state.h"
#include "setup/engine/file_install.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"

#include <windows.h>
#include <setupapi.h>
#include <winver.h>

#include <stdio.h>
#include <string>
#include <vector>

namespace {

const int kFiles = 1000;
const int kRounds = 5;

double seconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (double)(to.QuadPart - from.QuadPart) / (double)frequency.QuadPart;
}

void removeTree(const std::string &dir)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string name = data.cFileName;
            if (name != "." && name != "..")
                DeleteFileA((dir + "\\" + name).c_str());
        } while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(dir.c_str());
}

std::string fileName(int i)
{
    char name[16];
    wsprintfA(name, "F%04d.DAT", i);
    return name;
}

bool writeText(const std::string &path, const std::string &text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, text.data(), (DWORD)text.size(), &written, nullptr);
    CloseHandle(file);
    return written == text.size();
}

int countFiles(const std::string &dir)
{
    int count = 0;
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((dir + "\\*.DAT").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            ++count;
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    return count;
}

// Runs fill into a fresh dest each round; the best time, and whether every
// round left all files there.
template <typename Fill> double bestOf(const std::string &dest, Fill fill, bool &complete)
{
    double best = 1e9;
    complete = true;
    for (int round = 0; round < kRounds; ++round) {
        removeTree(dest);
        CreateDirectoryA(dest.c_str(), nullptr);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        fill();
        QueryPerformanceCounter(&end);
        if (countFiles(dest) != kFiles)
            complete = false;
        if (seconds(start, end) < best)
            best = seconds(start, end);
    }
    removeTree(dest);
    return best;
}

UINT CALLBACK quietQueue(void *context, UINT notification, UINT_PTR param1, UINT_PTR param2)
{
    return SetupDefaultQueueCallbackA(context, notification, param1, param2);
}

}  // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
    std::string root = std::string(temp) + "kit-copy-bench";
    std::string src = root + "\\src";
    CreateDirectoryA(root.c_str(), nullptr);
    CreateDirectoryA(src.c_str(), nullptr);
    std::string content(4096, 'x');
    std::string lines, layout;
    for (int i = 0; i < kFiles; ++i) {
        content[0] = (char)('a' + i % 26);
        writeText(src + "\\" + fileName(i), content);
        lines += fileName(i) + "\r\n";
        layout += fileName(i) + "=1\r\n";
    }
    std::string windows = setupState.windowsDir;

    bool complete[5];
    std::string bare = root + "\\bare";
    auto copyFileRound = [&] {
        for (int i = 0; i < kFiles; ++i)
            CopyFileA((src + "\\" + fileName(i)).c_str(), (bare + "\\" + fileName(i)).c_str(), FALSE);
    };
    double copyFileTime = bestOf(bare, copyFileRound, complete[0]);

    std::string own = root + "\\own";
    double installTime = bestOf(own, [&] {
        for (int i = 0; i < kFiles; ++i) {
            char name[kPathSize];
            copyText(name, fileName(i).c_str());
            installFile(src.c_str(), name, own.c_str(), name);
        }
    }, complete[1]);

    // Over files that are already there, the version library decides.
    double overTime = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        removeTree(own);
        CreateDirectoryA(own.c_str(), nullptr);
        for (int i = 0; i < kFiles; ++i)
            CopyFileA((src + "\\" + fileName(i)).c_str(), (own + "\\" + fileName(i)).c_str(), FALSE);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < kFiles; ++i) {
            char name[kPathSize];
            copyText(name, fileName(i).c_str());
            installFile(src.c_str(), name, own.c_str(), name);
        }
        QueryPerformanceCounter(&end);
        if (seconds(start, end) < overTime)
            overTime = seconds(start, end);
    }
    removeTree(own);

    std::string raw = root + "\\raw";
    double rawTime = bestOf(raw, [&] {
        for (int i = 0; i < kFiles; ++i) {
            char tempName[kPathSize] = "ospritmp.tmp";
            UINT length = kPathSize;
            std::string name = fileName(i);
            VerInstallFileA(VIFF_DONTDELETEOLD, (LPSTR)name.c_str(), (LPSTR)name.c_str(), (LPSTR)src.c_str(),
                            (LPSTR)raw.c_str(), (LPSTR)windows.c_str(), tempName, &length);
        }
    }, complete[4]);

    // The same CopyFiles section for both, into a folder below the Windows
    // directory; setupapi also needs to be told where its one disk is.
    std::string ownInf = root + "\\own.inf";
    writeText(ownInf, "[DestinationDirs]\r\nBench.Files=10,kit-bench-own\r\n[Bench.Install]\r\n"
                      "CopyFiles=Bench.Files\r\n[Bench.Files]\r\n" + lines);
    std::string platformInf = root + "\\platform.inf";
    writeText(platformInf, "[Version]\r\nSignature=\"$Chicago$\"\r\n[SourceDisksNames]\r\n1=\"Bench\",,,\r\n"
                           "[SourceDisksFiles]\r\n" + layout +
                           "[DestinationDirs]\r\nBench.Files=10,kit-bench-setupapi\r\n[Bench.Install]\r\n"
                           "CopyFiles=Bench.Files\r\n[Bench.Files]\r\n" + lines);

    copyText(setupState.kitSourceDir, src.c_str());
    char path[kPathSize];
    copyText(path, ownInf.c_str());
    InfImage *image = openInf(path);
    double sectionTime = bestOf(windows + "\\kit-bench-own", [&] {
        engineState.keepInstalling = true;
        copyFiles("Bench.Files", countSectionLines("Bench.Files", image), path, image, 0);
    }, complete[2]);
    freeInf(image);

    double setupapiTime = bestOf(windows + "\\kit-bench-setupapi", [&] {
        HINF inf = SetupOpenInfFileA(platformInf.c_str(), nullptr, INF_STYLE_WIN4, nullptr);
        void *context = SetupInitDefaultQueueCallbackEx(nullptr, (HWND)INVALID_HANDLE_VALUE, 0, 0, nullptr);
        SetupInstallFromInfSectionA(nullptr, inf, "Bench.Install", SPINST_FILES, nullptr, src.c_str(),
                                    SP_COPY_NOPRUNE, quietQueue, context, nullptr, nullptr);
        SetupTermDefaultQueueCallback(context);
        SetupCloseInfFile(inf);
    }, complete[3]);

    // Once more after the others, so that neither side gains from going first.
    double again = bestOf(bare, copyFileRound, complete[0]);
    if (again < copyFileTime)
        copyFileTime = again;

    printf("%d files of 4 KB, best of %d rounds\n", kFiles, kRounds);
    printf("CopyFileA loop        %8.1f ms%s\n", copyFileTime * 1000, complete[0] ? "" : "  (files missing)");
    printf("VerInstallFileA alone %8.1f ms%s  %.2fx the bare copy\n", rawTime * 1000,
           complete[4] ? "" : "  (files missing)", rawTime / copyFileTime);
    printf("installFile loop      %8.1f ms%s  %.2fx the bare copy\n", installTime * 1000,
           complete[1] ? "" : "  (files missing)", installTime / copyFileTime);
    printf("installFile over them %8.1f ms  %.2fx the bare copy (version check by the platform)\n",
           overTime * 1000, overTime / copyFileTime);
    printf("CopyFiles section     %8.1f ms%s\n", sectionTime * 1000, complete[2] ? "" : "  (files missing)");
    printf("setupapi section      %8.1f ms%s  ours is %.2fx setupapi\n", setupapiTime * 1000,
           complete[3] ? "" : "  (files missing)", sectionTime / setupapiTime);
    removeTree(src);
    DeleteFileA(ownInf.c_str());
    DeleteFileA(platformInf.c_str());
    RemoveDirectoryA(root.c_str());
    return 0;
}
