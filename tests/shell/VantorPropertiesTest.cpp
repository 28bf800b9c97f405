#include "base/Text.h"
#include "shell/ShellUnit.h"
#include "shell/Vantor.h"

#include "ShellTestKit.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <shellapi.h>
#include <shlwapi.h>

#include <algorithm>
#include <cwctype>
#include <set>

using namespace quarrow;
using quarrow::test::TempDir;

namespace {

std::wstring SwapCase(std::wstring text) {
    for (wchar_t& c : text)
        c = std::iswupper(c) ? static_cast<wchar_t>(std::towlower(c))
                             : static_cast<wchar_t>(std::towupper(c));
    return text;
}

std::wstring WindowsFolder() {
    wchar_t path[MAX_PATH] = {};
    GetWindowsDirectoryW(path, MAX_PATH);
    return path;
}

std::set<std::wstring> WalkNames(TVantor& vantor) {
    std::set<std::wstring> names;
    while (vantor.FindNextObject())
        names.insert(vantor.ObjectName());
    return names;
}

} // namespace

TEST(VantorProperties, DefaultsAreMyComputerWithNoObject) {
    TVantor vantor;
    EXPECT_EQ(L"", vantor.Folder());
    EXPECT_EQ(L"", vantor.ObjectName());
    EXPECT_EQ(L"*", vantor.Filter());
    EXPECT_FALSE(vantor.FileSystemOnly());
    EXPECT_TRUE(vantor.ShowErrorMessages());
    EXPECT_FALSE(vantor.ShowContextMenuOnTop());
    EXPECT_TRUE(vantor.MultiObjects().empty());
    EXPECT_EQ(SF_DRIVES, vantor.SpecialFolder());
    EXPECT_EQ(L"TVantor V5.13", vantor.Version());
}

TEST(VantorProperties, FolderRoundTripsWithABackslashAndIgnoresAnotherLetterCase) {
    TempDir dir(L"vantor");
    dir.WriteFile(L"a.txt", "a");
    TVantor vantor;
    vantor.SetFolder(dir.Path());
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
    vantor.SetFolder(dir.Path() + L"\\");
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
    EXPECT_EQ(SF_FILESYSTEMFOLDER, vantor.SpecialFolder());

    // The same folder in another letter case does not rebind, so the object stays.
    vantor.SetObjectName(L"a.txt");
    const LPCITEMIDLIST boundList = vantor.FolderIDList();
    vantor.SetFolder(SwapCase(dir.Path() + L"\\"));
    EXPECT_EQ(boundList, vantor.FolderIDList());
    EXPECT_EQ(L"a.txt", vantor.ObjectName());
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());

    // The empty string always binds My Computer again.
    vantor.SetObjectName(L"C:\\");
    ASSERT_EQ(L"C:\\", vantor.ObjectName());
    vantor.SetFolder(L"");
    EXPECT_EQ(L"", vantor.ObjectName());
    EXPECT_EQ(SF_DRIVES, vantor.SpecialFolder());
}

TEST(VantorProperties, MissingFolderRaisesPathNotFoundAndKeepsTheFolder) {
    TempDir dir(L"vantor");
    dir.WriteFile(L"a.txt", "a");
    TVantor vantor;
    vantor.SetObjectName(dir.Sub(L"a.txt"));
    const std::wstring missing = dir.Sub(L"missing\\deeper");
    try {
        vantor.SetFolder(missing);
        FAIL() << "no error";
    } catch (const EVantorError& error) {
        EXPECT_EQ(SystemErrorText(ERROR_PATH_NOT_FOUND) + L"\r\n" + missing, error.Message());
    }
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
    EXPECT_EQ(L"a.txt", vantor.ObjectName());
}

TEST(VantorProperties, FolderThatCannotBeBoundRaisesAndKeepsTheBinding) {
    TempDir dir(L"vantor");
    const std::wstring file = dir.WriteFile(L"a.txt", "a");
    const UniqueIDList fileList = ParseName(nullptr, file);
    ComPtr<IShellFolder> probe;
    const HRESULT hr =
        DesktopFolder().BindToObject(fileList.Get(), nullptr, IID_IShellFolder, probe.PutVoid());
    if (SUCCEEDED(hr))
        GTEST_SKIP() << "this shell binds a file as a folder";

    TVantor vantor;
    vantor.SetObjectName(file);
    try {
        vantor.SetFolderIDList(fileList.Get());
        FAIL() << "no error";
    } catch (const EVantorError& error) {
        EXPECT_EQ(L"Vantor.SetFolderIDList: Desktop.BindToObject: Could not get IShellFolder interface. (" +
                      SystemErrorText(static_cast<DWORD>(hr)) + L")",
                  error.Message());
    }
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
    EXPECT_EQ(L"a.txt", vantor.ObjectName());
}

TEST(VantorProperties, ObjectNameAcceptsFilesFoldersAndDriveRoots) {
    TempDir dir(L"vantor");
    dir.WriteFile(L"sub\\a.txt", "a");
    TVantor vantor;

    vantor.SetObjectName(dir.Sub(L"sub\\a.txt"));
    EXPECT_EQ(dir.Sub(L"sub\\"), vantor.Folder());
    EXPECT_EQ(L"a.txt", vantor.ObjectName());

    vantor.SetObjectName(dir.Sub(L"sub\\")); // a folder with its trailing backslash
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
    EXPECT_EQ(L"sub", vantor.ObjectName());

    vantor.SetObjectName(L"C:\\"); // the drive becomes an object of My Computer
    EXPECT_EQ(L"", vantor.Folder());
    EXPECT_EQ(SF_DRIVES, vantor.SpecialFolder());
    EXPECT_EQ(L"C:\\", vantor.ObjectName());

    const std::wstring windows = WindowsFolder(); // C:\windows
    vantor.SetObjectName(windows + L"\\");
    EXPECT_EQ(L"C:\\", vantor.Folder());
    EXPECT_TRUE(SameTextIgnoreCase(windows.substr(3), vantor.ObjectName())) << vantor.ObjectName();

    vantor.SetFolder(dir.Sub(L"sub"));
    vantor.SetObjectName(L"a.txt"); // a bare name is looked up in the bound folder
    EXPECT_EQ(L"a.txt", vantor.ObjectName());
    vantor.SetObjectName(L"");
    EXPECT_EQ(L"", vantor.ObjectName());
    EXPECT_EQ(nullptr, vantor.ObjectIDList());
}

TEST(VantorProperties, MissingObjectRaisesAndClearsTheObject) {
    TempDir dir(L"vantor");
    dir.WriteFile(L"a.txt", "a");
    TVantor vantor;
    vantor.SetObjectName(dir.Sub(L"a.txt"));
    try {
        vantor.SetObjectName(dir.Sub(L"gone.txt"));
        FAIL() << "no error";
    } catch (const EVantorError& error) {
        EXPECT_EQ(L"Error! Cannot find Object \"gone.txt\" in Folder \"" + dir.Path() + L"\\\"",
                  error.Message());
    }
    EXPECT_EQ(L"", vantor.ObjectName());
    EXPECT_EQ(dir.Path() + L"\\", vantor.Folder());
}

TEST(VantorProperties, ObjectWalkFindsAnObjectByItsDisplayName) {
    // A drive's display name ("Local Disk (C:)" or the like) is no parsable name.
    const UniqueIDList drive = ParseName(nullptr, L"C:\\");
    const UniqueIDList myComputer = SpecialFolderLocation(CSIDL_DRIVES);
    ComPtr<IShellFolder> folder;
    ASSERT_HRESULT_SUCCEEDED(
        DesktopFolder().BindToObject(myComputer.Get(), nullptr, IID_IShellFolder, folder.PutVoid()));
    const UniqueIDList driveItem = CopyItem(drive.Get(), IDListCount(drive.Get()) - 1);
    STRRET value{};
    ASSERT_HRESULT_SUCCEEDED(folder->GetDisplayNameOf(driveItem.Get(), SHGDN_NORMAL, &value));
    wchar_t* text = nullptr;
    ASSERT_HRESULT_SUCCEEDED(StrRetToStrW(&value, driveItem.Get(), &text));
    const std::wstring displayName = text;
    CoTaskMemFree(text);

    TVantor vantor;
    vantor.SetObjectName(displayName);
    EXPECT_EQ(L"C:\\", vantor.ObjectName());
}

TEST(VantorProperties, FilterReadsBackItsMasks) {
    TVantor vantor;
    vantor.SetFilter(L"*.txt;*.log");
    EXPECT_EQ(L"*.txt;*.log", vantor.Filter());
    vantor.SetFilter(L"*.txt;");
    EXPECT_EQ(L"*.txt", vantor.Filter());
    vantor.SetFilter(L"a;;b");
    EXPECT_EQ(L"a;;b", vantor.Filter());
    vantor.SetFilter(L"*");
    EXPECT_EQ(L"*", vantor.Filter());
    vantor.SetFilter(L"*.txt");
    vantor.SetFilter(L"");
    EXPECT_EQ(L"*", vantor.Filter());
}

TEST(VantorProperties, ObjectWalkAppliesTheFilterAndKeepsFolders) {
    TempDir dir(L"walk");
    for (const wchar_t* name : {L"a.txt", L"b.log", L"noext", L"x.y"})
        dir.WriteFile(name, "x");
    dir.MakeDir(L"sub");
    const std::wstring hidden = dir.WriteFile(L"h.txt", "x");
    SetFileAttributesW(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN);

    TVantor vantor;
    vantor.SetFolder(dir.Path());
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"b.log", L"h.txt", L"noext", L"sub", L"x.y"}),
              WalkNames(vantor));
    vantor.SetFilter(L"*.txt;*.log");
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"b.log", L"h.txt", L"sub"}), WalkNames(vantor));
    vantor.SetFilter(L"*.*");
    EXPECT_EQ((std::set<std::wstring>{L"a.txt", L"b.log", L"h.txt", L"sub", L"x.y"}), WalkNames(vantor));
    vantor.SetFileSystemOnly(true);
    vantor.SetFilter(L"n*");
    EXPECT_EQ((std::set<std::wstring>{L"noext", L"sub"}), WalkNames(vantor));
    EXPECT_FALSE(vantor.FindNextObject() && vantor.FindNextObject() && vantor.FindNextObject())
        << "a finished walk starts again from the first object, and ends";
}

TEST(VantorProperties, SpecialFolderBindsAndReadsTheWellKnownFolders) {
    TVantor vantor;
    vantor.SetSpecialFolder(SF_DESKTOP);
    EXPECT_EQ(SF_DESKTOP, vantor.SpecialFolder());
    EXPECT_EQ(0, IDListCount(vantor.FolderIDList()));
    vantor.SetSpecialFolder(SF_PERSONAL);
    EXPECT_EQ(SF_PERSONAL, vantor.SpecialFolder());
    EXPECT_EQ(IncludeTrailingBackslash(PathFromIDList(SpecialFolderLocation(CSIDL_PERSONAL).Get())),
              vantor.Folder());
    vantor.SetSpecialFolder(SF_FILESYSTEMFOLDER); // no special folder: My Computer
    EXPECT_EQ(SF_DRIVES, vantor.SpecialFolder());
    EXPECT_EQ(L"", vantor.Folder());
}

TEST(VantorProperties, GetUIObjectNeedsTheObjectsOfOneFolder) {
    TempDir dir(L"uiobject");
    const std::wstring a = dir.WriteFile(L"one\\a.txt", "a");
    const std::wstring b = dir.WriteFile(L"one\\b.txt", "b");
    const std::wstring c = dir.WriteFile(L"two\\c.txt", "c");
    auto filesOf = [](IDataObject* data) {
        std::vector<std::wstring> files;
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        if (data == nullptr || FAILED(data->GetData(&format, &medium)))
            return files;
        HDROP drop = static_cast<HDROP>(medium.hGlobal);
        for (UINT i = 0; i < DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0); ++i) {
            wchar_t path[MAX_PATH] = {};
            DragQueryFileW(drop, i, path, MAX_PATH);
            files.push_back(path);
        }
        ReleaseStgMedium(&medium);
        return files;
    };

    TVantor vantor;
    vantor.SetObjectName(c);
    ComPtr<IDataObject> data;
    ASSERT_HRESULT_SUCCEEDED(vantor.GetUIObject(IID_IDataObject, data.PutVoid()));
    EXPECT_EQ(std::vector<std::wstring>{c}, filesOf(data.Get()));

    vantor.MultiObjects() = {a, b};
    ASSERT_HRESULT_SUCCEEDED(vantor.GetUIObject(IID_IDataObject, data.PutVoid()));
    EXPECT_EQ((std::vector<std::wstring>{a, b}), filesOf(data.Get()));
    EXPECT_TRUE(vantor.MultiObjects().empty());

    vantor.MultiObjects() = {a, c};
    EXPECT_EQ(E_INVALIDARG, vantor.GetUIObject(IID_IDataObject, data.PutVoid()));
    EXPECT_FALSE(data);
    EXPECT_TRUE(vantor.MultiObjects().empty());
}
