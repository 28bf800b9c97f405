#include "shell/IDList.h"
#include "shell/ShellPaths.h"
#include "shell/ShellUnit.h"

#include "ShellTestKit.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace quarrow;

namespace {

// A list made of items whose payloads are the given texts.
UniqueIDList MakeList(std::initializer_list<std::string> payloads) {
    std::string bytes;
    for (const std::string& payload : payloads) {
        const USHORT length = static_cast<USHORT>(payload.size() + sizeof(USHORT));
        bytes.append(reinterpret_cast<const char*>(&length), sizeof(length));
        bytes += payload;
    }
    bytes.append(2, '\0');
    void* memory = CoTaskMemAlloc(bytes.size());
    std::memcpy(memory, bytes.data(), bytes.size());
    return UniqueIDList(static_cast<LPITEMIDLIST>(memory));
}

std::string Bytes(LPCITEMIDLIST list) {
    return std::string(reinterpret_cast<const char*>(list), IDListSize(list));
}

} // namespace

TEST(IDList, SizeAndCountFollowTheItemLengths) {
    const UniqueIDList list = MakeList({"ab", "cde", "f"});
    EXPECT_EQ(3, IDListCount(list.Get()));
    EXPECT_EQ(4u + 5u + 3u + 2u, IDListSize(list.Get()));
    EXPECT_EQ(0, IDListCount(nullptr));
    EXPECT_EQ(0u, IDListSize(nullptr));
    const UniqueIDList empty = EmptyIDList();
    EXPECT_EQ(0, IDListCount(empty.Get()));
    EXPECT_EQ(2u, IDListSize(empty.Get()));
}

TEST(IDList, CopyConcatenateAndCut) {
    const UniqueIDList list = MakeList({"ab", "cde", "f"});
    const UniqueIDList copy = CopyIDList(list.Get());
    EXPECT_NE(list.Get(), copy.Get());
    EXPECT_EQ(Bytes(list.Get()), Bytes(copy.Get()));
    EXPECT_FALSE(CopyIDList(nullptr));

    const UniqueIDList first = MakeList({"ab"});
    const UniqueIDList second = MakeList({"cde", "f"});
    EXPECT_EQ(Bytes(list.Get()), Bytes(ConcatIDLists(first.Get(), second.Get()).Get()));
    EXPECT_EQ(Bytes(second.Get()), Bytes(ConcatIDLists(nullptr, second.Get()).Get()));
    EXPECT_EQ(Bytes(first.Get()), Bytes(ConcatIDLists(first.Get(), EmptyIDList().Get()).Get()));
    EXPECT_FALSE(ConcatIDLists(nullptr, nullptr));

    EXPECT_EQ(Bytes(MakeList({"ab", "cde"}).Get()), Bytes(CopyFirstItems(list.Get(), 2).Get()));
    EXPECT_EQ(2u, IDListSize(CopyFirstItems(list.Get(), 0).Get()));
    EXPECT_EQ(Bytes(list.Get()), Bytes(CopyFirstItems(list.Get(), 9).Get()));
    EXPECT_EQ(Bytes(MakeList({"cde"}).Get()), Bytes(CopyItem(list.Get(), 1).Get()));
    EXPECT_EQ(Bytes(MakeList({"f"}).Get()), Bytes(CopyItem(list.Get(), 2).Get()));
    EXPECT_FALSE(CopyItem(list.Get(), 3));
    EXPECT_FALSE(CopyItem(list.Get(), -1));
}

TEST(IDList, SplittingAShellPathAndJoiningItAgainNamesTheSameObject) {
    test::TempDir dir(L"idlist");
    const std::wstring file = dir.WriteFile(L"sub\\a.txt", "a");
    const UniqueIDList absolute = ParseName(nullptr, file);
    ASSERT_TRUE(absolute);
    const int count = IDListCount(absolute.Get());
    const UniqueIDList parent = CopyFirstItems(absolute.Get(), count - 1);
    const UniqueIDList last = CopyItem(absolute.Get(), count - 1);
    EXPECT_EQ(dir.Sub(L"sub"), PathFromIDList(parent.Get()));
    const UniqueIDList joined = ConcatIDLists(parent.Get(), last.Get());
    EXPECT_TRUE(SameIDList(absolute.Get(), joined.Get()));
    EXPECT_FALSE(SameIDList(absolute.Get(), parent.Get()));
    EXPECT_EQ(file, PathFromIDList(joined.Get()));
}

TEST(IDList, EmptyNameParsesAsMyComputerAndAMissingPathFails) {
    const UniqueIDList drives = ParseName(nullptr, L"");
    EXPECT_TRUE(SameIDList(drives.Get(), SpecialFolderLocation(CSIDL_DRIVES).Get()));
    test::TempDir dir(L"idlist");
    SetLastError(0);
    EXPECT_FALSE(ParseName(nullptr, dir.Sub(L"missing.txt")));
    EXPECT_TRUE(FAILED(static_cast<HRESULT>(GetLastError())));
}

TEST(ShellPaths, DrivePartAndRoots) {
    EXPECT_EQ(L"C:", DrivePart(L"C:\\dir\\file.txt"));
    EXPECT_EQ(L"C:", DrivePart(L"C:"));
    EXPECT_EQ(L"\\\\server\\share", DrivePart(L"\\\\server\\share\\dir\\f"));
    EXPECT_EQ(L"\\\\server\\share", DrivePart(L"\\\\server\\share"));
    EXPECT_EQ(L"", DrivePart(L"dir\\file"));
    EXPECT_EQ(L"", DrivePart(L""));

    for (const wchar_t* root : {L"C:\\", L"C:", L"\\\\server\\share", L"\\\\server\\share\\"})
        EXPECT_TRUE(IsDriveRoot(root)) << root;
    for (const wchar_t* other : {L"C:\\dir", L"C:\\dir\\", L"\\\\server\\share\\x", L"dir", L""})
        EXPECT_FALSE(IsDriveRoot(other)) << other;
}

TEST(ShellPaths, PathAndNameParts) {
    EXPECT_EQ(L"C:\\dir\\", FilePathPart(L"C:\\dir\\file.txt"));
    EXPECT_EQ(L"file.txt", FileNamePart(L"C:\\dir\\file.txt"));
    EXPECT_EQ(L"C:", FilePathPart(L"C:file.txt"));
    EXPECT_EQ(L"file.txt", FileNamePart(L"C:file.txt"));
    EXPECT_EQ(L"", FilePathPart(L"file.txt"));
    EXPECT_EQ(L"file.txt", FileNamePart(L"file.txt"));
    EXPECT_EQ(L"", FileNamePart(L"C:\\dir\\"));
}

TEST(ShellPaths, ObjectExists) {
    test::TempDir dir(L"paths");
    const std::wstring file = dir.WriteFile(L"a.txt", "a");
    EXPECT_TRUE(ObjectExists(file));
    EXPECT_TRUE(ObjectExists(dir.Path()));
    EXPECT_TRUE(ObjectExists(dir.Path() + L"\\"));
    EXPECT_FALSE(ObjectExists(dir.Sub(L"b.txt")));
    EXPECT_TRUE(ObjectExists(L"Q:\\")); // a root always counts as existing
    EXPECT_FALSE(ObjectExists(L""));
}
