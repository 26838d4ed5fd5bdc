// A user's hands for the engine's dialogs, and floppy disks: the dialogs run
// modal in the test's thread while a second thread finds them by title,
// reads them and presses their buttons; disks go in and out of drives A:
// and B:, which ctest maps to folders of the prefix (C:\kit-floppies\drive_a
// and drive_b, symlinks in its dosdevices folder made by the step
// floppy_map_drives).
//
// Measured under Wine 8: such a symlink is seen at once by a running
// program, and so is a change behind it; DefineDosDevice succeeds but file
// opens ignore it, and a colon is no part of a name a Windows program can
// create, so the mapping is made outside. A disk is inserted by renaming its
// folder to drive_a or drive_b, which takes effect at the next open.
#pragma once
#include "support/win_support.h"
#include "win/engine/engine_test_util.h"

#include <windows.h>

#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace testsupport {

// A message box as the user sees it, answered with a button.
struct Box {
    bool came = false;
    std::string text;
    HWND owner = nullptr;
    bool yesNo = false;   // Yes and No buttons, no OK
    bool gone = false;
};

// Reads the box in window (null: none came) and presses button.
inline Box answerBoxWindow(HWND window, int button)
{
    Box box;
    if (window == nullptr)
        return box;
    box.came = true;
    box.text = itemText(window, 0xFFFF);
    box.owner = GetWindow(window, GW_OWNER);
    box.yesNo = GetDlgItem(window, IDYES) != nullptr && GetDlgItem(window, IDNO) != nullptr &&
                GetDlgItem(window, IDOK) == nullptr;
    pressButton(window, button);
    box.gone = waitGone(window);
    return box;
}

inline Box answerBox(const char *title, int button)
{
    return answerBoxWindow(waitForDialog(0, title, kAppear), button);
}

// The user's hands: steps run in a second thread while the test's thread
// sits in the modal dialog; joined when the scope ends.
class User {
public:
    explicit User(std::function<void()> steps) : thread_(std::move(steps)) {}
    ~User() { thread_.join(); }

private:
    std::thread thread_;
};

// Drives A: and B: with disks to put in and take out.
class FloppyDrives {
public:
    const std::string root = "C:\\kit-floppies";

    // Empty drives; "" when both reach their folders, else what is wrong.
    std::string mapDrives()
    {
        removeTree(root);
        if (!CreateDirectoryA(root.c_str(), nullptr))
            return "cannot make " + root;
        inDrive[0] = inDrive[1] = "";
        for (char drive : {'a', 'b'}) {
            std::string probe = drivePath(drive) + "\\mapped";
            bool reached = CreateDirectoryA(drivePath(drive).c_str(), nullptr) && writeFile(probe, "") &&
                           fileExists(std::string(1, drive) + ":\\mapped");
            DeleteFileA(probe.c_str());
            if (!reached)
                return std::string("drive ") + drive + ": does not reach " + drivePath(drive) +
                       " (the ctest step floppy_map_drives maps it)";
        }
        return "";
    }
    void unmapDrives() { removeTree(root); }

    std::string drivePath(char drive) const { return root + "\\drive_" + drive; }

    // A disk: a folder of its own with the given files until it is inserted.
    bool makeDisk(const std::string &name, const std::vector<std::pair<std::string, std::string>> &files)
    {
        std::string dir = root + "\\" + name;
        if (!CreateDirectoryA(dir.c_str(), nullptr))
            return false;
        for (const auto &file : files) {
            size_t slash = file.first.rfind('\\');
            if (slash != std::string::npos)
                CreateDirectoryA((dir + "\\" + file.first.substr(0, slash)).c_str(), nullptr);
            if (!writeFile(dir + "\\" + file.first, file.second))
                return false;
        }
        return true;
    }

    // Takes out whatever disk is in the drive and puts the named one in.
    bool insert(char drive, const std::string &name)
    {
        std::string &current = inDrive[drive - 'a'];
        std::string from = current.empty() ? root + "\\empty-" + drive : root + "\\" + current;
        if (!MoveFileA(drivePath(drive).c_str(), from.c_str()))
            return false;
        current = name;
        return MoveFileA((root + "\\" + name).c_str(), drivePath(drive).c_str()) != FALSE;
    }

    std::string inDrive[2];
};

}  // namespace testsupport
