// Registry catalogues and component INFs on disk for the catalogue's Win32
// tests: a setup class of its own under HKLM\SOFTWARE\QEL, a scratch source
// directory, and a layout INF with the file sizes.
#pragma once
#include "setup/components/component_catalogue.h"
#include "setup/inf/inf_fields.h"
#include "setup/inf/text.h"
#include "setup/shell/setup_state.h"
#include "support/win_support.h"

#include <gtest/gtest.h>

#include <string>

const char kTestClass[] = "KitComponentsTest";
const char kComponentsKey[] = "SOFTWARE\\QEL\\KitComponentsTest\\Setup\\OptionalComponents";
const char kSourceDir[] = "C:\\kit-components\\source";

// One registry entry of the catalogue. Values left null are not written.
struct Entry {
    const char *valueName;   // also the subkey's name
    const char *inf;
    const char *section;
    const char *installed = nullptr;
    const char *available = nullptr;
};

inline void setString(HKEY key, const char *name, const char *text)
{
    RegSetValueExA(key, name, 0, REG_SZ, (const BYTE *)text, (DWORD)textLength(text) + 1);
}

inline void setNumber(HKEY key, const char *name, DWORD number)
{
    RegSetValueExA(key, name, 0, REG_DWORD, (const BYTE *)&number, sizeof number);
}

// The value of the list itself (its data is not used) and its subkey.
inline void addEntry(const Entry &entry, const std::string &listData = "x")
{
    HKEY list, sub;
    ASSERT_EQ(RegCreateKeyA(HKEY_LOCAL_MACHINE, kComponentsKey, &list), ERROR_SUCCESS);
    RegSetValueExA(list, entry.valueName, 0, REG_SZ, (const BYTE *)listData.c_str(), (DWORD)listData.size() + 1);
    ASSERT_EQ(RegCreateKeyA(list, entry.valueName, &sub), ERROR_SUCCESS);
    if (entry.inf != nullptr)
        setString(sub, "INF", entry.inf);
    if (entry.section != nullptr)
        setString(sub, "Section", entry.section);
    if (entry.installed != nullptr)
        setString(sub, "Installed", entry.installed);
    if (entry.available != nullptr)
        setString(sub, "Available", entry.available);
    RegCloseKey(sub);
    RegCloseKey(list);
}

inline HKEY openEntry(const char *name)
{
    HKEY key = nullptr;
    std::string path = std::string(kComponentsKey) + "\\" + name;
    RegOpenKeyA(HKEY_LOCAL_MACHINE, path.c_str(), &key);
    return key;
}

inline std::string sourceFile(const char *name)
{
    return std::string(kSourceDir) + "\\" + name;
}

// The setup state a build runs in, the catalogue key emptied before and
// after, the source directory emptied, and the files' sizes in a layout INF.
class CatalogueTest : public testing::Test {
protected:
    void SetUp() override
    {
        CreateDirectoryA("C:\\kit-components", nullptr);
        CreateDirectoryA(kSourceDir, nullptr);
        copyText(setupState.setupClass, kTestClass);
        copyText(setupState.sourceDir, kSourceDir);
        GetWindowsDirectoryA(setupState.windowsDir, sizeof setupState.windowsDir);
        setupState.floppyKit = false;
        setupState.preparingProgress = nullptr;
        setupState.auxInf = INF_NONE;
        static const char layout[] = "[SourceDisksFiles]\r\na.dll=1,,1000\r\nb.dll=1,,200\r\nc.dll=1,,30\r\n"
                                     "big.dat=1,,4000000000\r\n";
        setupState.layoutInf = buildInfImage(layout, sizeof layout - 1);
    }
    void TearDown() override
    {
        freeComponents(componentTree);
        freeInf(setupState.layoutInf);
        setupState.layoutInf = INF_NONE;
        removeSourceFiles();
    }
    static void removeSourceFiles()
    {
        WIN32_FIND_DATAA found;
        HANDLE search = FindFirstFileA(sourceFile("*").c_str(), &found);
        if (search == INVALID_HANDLE_VALUE)
            return;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                DeleteFileA(sourceFile(found.cFileName).c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    testsupport::ScopedRegistryTree keepKey{HKEY_LOCAL_MACHINE, "SOFTWARE\\QEL\\KitComponentsTest"};
    testsupport::Watchdog watchdog{30000, testing::UnitTest::GetInstance()->current_test_info()->name()};
};

inline const ComponentRecord *findRecord(const char *section)
{
    for (int i = 0; componentTree.records != nullptr && i < componentTree.count; ++i)
        if (lstrcmpA(componentTree.records[i].Section, section) == 0)
            return &componentTree.records[i];
    return nullptr;
}
