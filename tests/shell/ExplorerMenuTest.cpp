// "Search with Quarrow" in the registry: three commands, for this user only, removed
// without a trace.

#include "shell/ExplorerMenu.h"

#include "base/Handles.h"
#include "base/SystemError.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

// A classes key of the test's own below the current user's, removed at the end.
class ExplorerMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, TestRoot);
        place_.Classes = std::wstring(TestRoot) + L"\\Classes";
    }
    void TearDown() override { RegDeleteTreeW(HKEY_CURRENT_USER, TestRoot); }

    bool KeyExists(const std::wstring& key) const {
        HKEY handle = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, (place_.Classes + L"\\" + key).c_str(), 0, KEY_READ, &handle) !=
            ERROR_SUCCESS)
            return false;
        RegCloseKey(handle);
        return true;
    }
    std::wstring DefaultValue(const std::wstring& key) const {
        wchar_t value[512] = {};
        DWORD size = sizeof(value);
        if (RegGetValueW(HKEY_CURRENT_USER, (place_.Classes + L"\\" + key).c_str(), nullptr, RRF_RT_REG_SZ,
                         nullptr, value, &size) != ERROR_SUCCESS)
            return L"<none>";
        return value;
    }

    static constexpr wchar_t TestRoot[] = L"Software\\QuarrowTests";
    TExplorerMenuPlace place_;
};

TEST_F(ExplorerMenuTest, FoldersDrivesAndBackgroundsOpenTheWindowOnTheirFolder) {
    const std::wstring program = L"C:\\Tools\\Quarrow 2\\quarrow.exe";
    EXPECT_FALSE(ExplorerMenuPresent(place_));
    RegisterExplorerMenu(program, place_);
    EXPECT_TRUE(ExplorerMenuPresent(place_));
    EXPECT_TRUE(ExplorerMenuRegistered(program, place_));
    EXPECT_FALSE(ExplorerMenuRegistered(L"D:\\elsewhere\\quarrow.exe", place_));
    for (const wchar_t* key : {L"Directory", L"Drive", L"Directory\\Background"}) {
        const std::wstring verb = std::wstring(key) + L"\\shell\\QuarrowSearch";
        EXPECT_EQ(L"Search with Quarrow", DefaultValue(verb)) << key;
    }
    EXPECT_EQ(L"\"C:\\Tools\\Quarrow 2\\quarrow.exe\" \"%1\"",
              DefaultValue(L"Directory\\shell\\QuarrowSearch\\command"));
    EXPECT_EQ(L"\"C:\\Tools\\Quarrow 2\\quarrow.exe\" \"%1\"",
              DefaultValue(L"Drive\\shell\\QuarrowSearch\\command"));
    EXPECT_EQ(L"\"C:\\Tools\\Quarrow 2\\quarrow.exe\" \"%V\"",
              DefaultValue(L"Directory\\Background\\shell\\QuarrowSearch\\command"));

    // Registering again, for a program that moved, replaces the commands.
    RegisterExplorerMenu(L"D:\\quarrow.exe", place_);
    EXPECT_TRUE(ExplorerMenuRegistered(L"D:\\quarrow.exe", place_));

    UnregisterExplorerMenu(place_);
    EXPECT_FALSE(ExplorerMenuPresent(place_));
    EXPECT_FALSE(KeyExists(L"Directory")) << "an emptied key is left behind";
    EXPECT_FALSE(KeyExists(L"Drive"));
    UnregisterExplorerMenu(place_); // nothing left to remove
}

TEST_F(ExplorerMenuTest, OtherEntriesOfTheUsersClassesStay) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, (place_.Classes + L"\\Directory\\shell\\Other").c_str(), 0,
                              nullptr, 0, KEY_WRITE, nullptr, &key, nullptr));
    RegCloseKey(key);
    RegisterExplorerMenu(L"C:\\quarrow.exe", place_);
    UnregisterExplorerMenu(place_);
    EXPECT_TRUE(KeyExists(L"Directory\\shell\\Other"));
    EXPECT_FALSE(KeyExists(L"Directory\\shell\\QuarrowSearch"));
    EXPECT_FALSE(KeyExists(L"Drive"));
}

TEST_F(ExplorerMenuTest, ARefusedWriteLeavesNothingAndSaysWhere) {
    // A root that is no key refuses every write.
    TExplorerMenuPlace readOnly;
    readOnly.Root = nullptr;
    readOnly.Classes = place_.Classes;
    try {
        RegisterExplorerMenu(L"C:\\quarrow.exe", readOnly);
        FAIL() << "no error";
    } catch (const QuarrowError& error) {
        EXPECT_EQ(0u, error.Message().find(L"Unable to write to ")) << error.Message().c_str();
    }
    EXPECT_FALSE(ExplorerMenuPresent(place_));
}

} // namespace
