#include "base/FileSystem.h"
#include "shell/ShellPaths.h"
#include "shell/Vantor.h"

#include "ShellTestKit.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <oleidl.h>

using namespace quarrow;
using quarrow::test::CDriveDir;
using quarrow::test::DialogAnswerer;
using quarrow::test::TempDir;

namespace {

using Paths = std::vector<std::wstring>;

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Runs `verb` after `handOver` and reads the clipboard as a paste would. Another program
// may write the clipboard in between; the verb is then repeated.
test::ClipboardContent VerbOnClipboard(TVantor& vantor, const std::function<void()>& handOver,
                                       const std::wstring& verb, bool& result) {
    test::ClipboardContent content;
    for (int attempt = 0; attempt < 3; ++attempt) {
        test::ResetClipboard();
        handOver();
        result = vantor.InvokeVerb(verb);
        content = test::ReadClipboard();
        if (content.ownedByThisProcess)
            break;
    }
    return content;
}

bool SaysMove(const test::ClipboardContent& content) {
    return content.hasDropEffect && (content.dropEffect & DROPEFFECT_MOVE) != 0;
}

} // namespace

TEST(VantorVerbs, CopyAndCutPutTheObjectOnTheClipboardAndCutSaysMove) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"b.txt");
    TVantor vantor;
    bool result = false;

    auto content = VerbOnClipboard(
        vantor, [&] { vantor.SetObjectName(a); }, L"copy", result);
    EXPECT_TRUE(result);
    EXPECT_EQ(Paths{a}, content.files);
    EXPECT_FALSE(SaysMove(content));

    content = VerbOnClipboard(
        vantor, [&] { vantor.SetObjectName(a); }, L"cut", result);
    EXPECT_TRUE(result);
    EXPECT_EQ(Paths{a}, content.files);
    EXPECT_TRUE(SaysMove(content));

    content = VerbOnClipboard(
        vantor,
        [&] {
            vantor.MultiObjects() = {b, a};
        },
        L"cut", result);
    EXPECT_TRUE(result);
    EXPECT_EQ((Paths{b, a}), content.files);
    EXPECT_TRUE(SaysMove(content));
    EXPECT_TRUE(Exists(a) && Exists(b)) << "cut only marks the files";
}

TEST(VantorVerbs, ObjectsOfSeveralFoldersAndDrivesReachTheClipboardTogether) {
    CDriveDir cDrive;
    TempDir zDrive(L"verbs");
    const std::wstring c1 = cDrive.WriteFile(L"sub\\c1.txt");
    const std::wstring z1 = zDrive.WriteFile(L"one\\z1.txt");
    const std::wstring z2 = zDrive.WriteFile(L"two\\deeper\\z2.txt");
    const std::wstring c2 = cDrive.WriteFile(L"c2.txt");
    TVantor vantor;
    bool result = false;

    auto content = VerbOnClipboard(
        vantor,
        [&] {
            vantor.MultiObjects() = {c1, z1, z2, c2};
        },
        L"copy", result);
    EXPECT_TRUE(result);
    EXPECT_EQ((Paths{c1, z1, z2, c2}), content.files);
    EXPECT_FALSE(SaysMove(content));

    content = VerbOnClipboard(
        vantor,
        [&] {
            vantor.MultiObjects() = {z2, c1};
        },
        L"cut", result);
    EXPECT_TRUE(result);
    EXPECT_EQ((Paths{z2, c1}), content.files);
    EXPECT_TRUE(SaysMove(content));
}

TEST(VantorVerbs, DeleteAnsweredYesRemovesTheObjectsAndNoKeepsThem) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"b.txt");
    const std::wstring keep = dir.WriteFile(L"keep.txt");
    TVantor vantor;
    {
        DialogAnswerer no(IDNO);
        vantor.SetObjectName(a);
        EXPECT_FALSE(vantor.InvokeVerb(L"delete"));
        EXPECT_EQ(1, no.Answered());
    }
    EXPECT_TRUE(Exists(a));
    {
        DialogAnswerer yes(IDYES);
        vantor.SetObjectName(a);
        EXPECT_TRUE(vantor.InvokeVerb(L"delete"));
        EXPECT_EQ(1, yes.Answered());
    }
    EXPECT_FALSE(Exists(a));
    {
        DialogAnswerer no(IDNO);
        vantor.MultiObjects() = {b, keep};
        EXPECT_FALSE(vantor.InvokeVerb(L"delete"));
    }
    EXPECT_TRUE(Exists(b) && Exists(keep));
    {
        DialogAnswerer yes(IDYES);
        vantor.MultiObjects() = {b};
        EXPECT_TRUE(vantor.InvokeVerb(L"delete"));
        EXPECT_EQ(1, yes.Answered()) << "one confirmation for the objects of one folder";
    }
    EXPECT_FALSE(Exists(b));
    EXPECT_TRUE(Exists(keep));
}

// The shell parses the ordinary form of a path: "dot." names its sibling "dot", and a path
// of 260 characters or more is cut short. Such paths never reach it.
TEST(VantorVerbs, PathsWhoseOrdinaryFormNamesAnotherFileAreRefused) {
    TempDir dir(L"refused");
    const std::wstring dotted = test::WriteFileExactly(dir.Sub(L"dot."), "dotted");
    const std::wstring sibling = test::WriteFileExactly(dir.Sub(L"dot"), "sibling");
    const std::wstring plain = test::WriteFileExactly(dir.Sub(L"plain.txt"), "plain");
    const std::wstring deep = test::WriteFileExactly(test::MakeDeepFolder(dir.Path(), 300) + L"\\deep.txt");
    TVantor vantor;
    for (const std::wstring& path : {dotted, deep}) {
        vantor.SetObjectName(plain);
        EXPECT_THROW(vantor.SetObjectName(path), EVantorError);
        EXPECT_EQ(nullptr, vantor.ObjectIDList()) << "the last object is not kept either";
        EXPECT_EQ(path, vantor.ObjectPath());
        DialogAnswerer yes(IDYES);
        EXPECT_FALSE(vantor.InvokeVerb(L"delete"));
        vantor.MultiObjects() = {plain, path};
        EXPECT_THROW(vantor.InvokeVerb(L"delete"), EVantorError);
        EXPECT_TRUE(vantor.MultiObjects().empty());
        EXPECT_EQ(0, yes.Answered());
    }
    EXPECT_EQ("sibling", test::ReadFileBytes(sibling));
    EXPECT_EQ("plain", test::ReadFileBytes(plain));
    EXPECT_EQ("dotted", test::ReadFileBytes(ExtendedLengthPath(dotted)));
    vantor.SetObjectName(plain);
    EXPECT_EQ(plain, vantor.ObjectPath());
    vantor.SetFolder(L"");
    EXPECT_EQ(L"", vantor.ObjectPath());
}

TEST(VantorVerbs, DeleteOnTwoDrivesActsOnExactlyTheHandedOverFiles) {
    CDriveDir cDrive;
    TempDir zDrive(L"verbs");
    const std::wstring c = cDrive.WriteFile(L"sub\\c.txt");
    const std::wstring z = zDrive.WriteFile(L"sub\\deeper\\z.txt");
    const std::wstring cSibling = cDrive.WriteFile(L"sub\\sibling.txt");
    const std::wstring zSibling = zDrive.WriteFile(L"sub\\deeper\\sibling.txt");
    TVantor vantor;
    DialogAnswerer yes(IDYES);
    vantor.MultiObjects() = {c, z};
    EXPECT_TRUE(vantor.InvokeVerb(L"delete"));
    EXPECT_EQ(2, yes.Answered()) << "one confirmation per folder";
    EXPECT_FALSE(Exists(c));
    EXPECT_FALSE(Exists(z));
    EXPECT_TRUE(Exists(cSibling));
    EXPECT_TRUE(Exists(zSibling));
    EXPECT_TRUE(vantor.MultiObjects().empty());
}

TEST(VantorVerbs, DeleteOfOneObjectThatCannotBeDeletedDoesNothing) {
    TVantor vantor;
    vantor.SetObjectName(L"C:\\"); // a drive has no can-delete attribute
    DialogAnswerer no(IDNO);
    EXPECT_FALSE(vantor.InvokeVerb(L"delete"));
    EXPECT_FALSE(vantor.InvokeVerb(L"DeLeTe"));
    EXPECT_EQ(0, no.Answered());
    EXPECT_EQ(L"C:\\", vantor.ObjectName());
}

TEST(VantorVerbs, AVetoLeavesEverythingAsItWas) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"b.txt");
    TVantor vantor;
    std::vector<std::wstring> offered;
    vantor.OnContextMenuSelect = [&](const std::wstring& command, bool& execute) {
        offered.push_back(command);
        execute = false;
    };
    vantor.MultiObjects() = {a, b};
    test::ResetClipboard();
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_FALSE(vantor.InvokeVerb(L"copy"));
    EXPECT_FALSE(vantor.InvokeVerb(L""));
    EXPECT_EQ((Paths{L"copy", L""}), offered) << "the verb arrives before an empty one becomes \"default\"";
    EXPECT_EQ((Paths{a, b}), vantor.MultiObjects());
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
}

TEST(VantorVerbs, RenameCallsOnRenameOnceAndNeverTheShell) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"one\\a.txt");
    const std::wstring b = dir.WriteFile(L"two\\b.txt");
    TVantor vantor;
    DialogAnswerer cancel(IDCANCEL);

    // Without a handler the verb still succeeds: the shell, which refuses a rename from
    // here, is not asked.
    vantor.SetObjectName(a);
    EXPECT_TRUE(vantor.InvokeVerb(L"rename"));

    int calls = 0;
    vantor.OnRename = [&](TVantor& sender) {
        EXPECT_EQ(&vantor, &sender);
        ++calls;
    };
    EXPECT_TRUE(vantor.InvokeVerb(L"ReNaMe"));
    EXPECT_EQ(1, calls);
    vantor.MultiObjects() = {a, b};
    EXPECT_TRUE(vantor.InvokeVerb(L"RENAME"));
    EXPECT_EQ(2, calls);
    EXPECT_TRUE(Exists(a) && Exists(b));
    EXPECT_EQ(0, cancel.Answered());
}

TEST(VantorVerbs, ASecondVerbAfterAListDoesNothingButASingleObjectStays) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring b = dir.WriteFile(L"b.txt");
    TVantor vantor;
    vantor.MultiObjects() = {a, b};
    EXPECT_TRUE(vantor.InvokeVerb(L"copy"));
    EXPECT_TRUE(vantor.MultiObjects().empty());
    test::ResetClipboard();
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_FALSE(vantor.InvokeVerb(L"copy"));
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());

    bool result = false;
    vantor.SetObjectName(a);
    ASSERT_TRUE(vantor.InvokeVerb(L"copy"));
    const auto content = VerbOnClipboard(
        vantor, [] {}, L"copy", result);
    EXPECT_TRUE(result);
    EXPECT_EQ(Paths{a}, content.files);
}

TEST(VantorVerbs, AListVerbKeepsTheObjectOnlyWhereItStillMeansTheSame) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"one\\a.txt");
    const std::wstring b = dir.WriteFile(L"one\\b.txt");
    const std::wstring c = dir.WriteFile(L"two\\c.txt");
    TVantor vantor;
    vantor.SetObjectName(a);
    vantor.MultiObjects() = {b};
    EXPECT_TRUE(vantor.InvokeVerb(L"rename"));
    EXPECT_EQ(L"a.txt", vantor.ObjectName()) << "same folder: the object is kept";

    vantor.MultiObjects() = {c};
    EXPECT_TRUE(vantor.InvokeVerb(L"rename"));
    EXPECT_EQ(L"", vantor.ObjectName()) << "another folder: the object no longer applies";
    EXPECT_FALSE(vantor.InvokeVerb(L"rename"));

    // Copy and cut of a list bind no folder: the object stays what it was.
    vantor.SetObjectName(a);
    vantor.MultiObjects() = {c};
    EXPECT_TRUE(vantor.InvokeVerb(L"copy"));
    EXPECT_EQ(dir.Sub(L"one\\"), vantor.Folder());
    EXPECT_EQ(L"a.txt", vantor.ObjectName());
}

TEST(VantorVerbs, AMissingEntryRaisesBeforeAnythingIsDoneAndEmptiesTheList) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    const std::wstring gone = dir.Sub(L"gone.txt");
    TVantor vantor;
    vantor.MultiObjects() = {a, gone};
    test::ResetClipboard();
    const DWORD sequence = GetClipboardSequenceNumber();
    try {
        vantor.InvokeVerb(L"copy");
        FAIL() << "no error";
    } catch (const EVantorError& error) {
        EXPECT_EQ(L"Error! Cannot find Object \"gone.txt\" in Folder \"" + dir.Path() + L"\\\"",
                  error.Message());
    }
    EXPECT_TRUE(vantor.MultiObjects().empty());
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
}

TEST(VantorVerbs, PropertiesShowTheShellsSheet) {
    TempDir dir(L"verbs");
    const std::wstring a = dir.WriteFile(L"a.txt");
    TVantor vantor;
    DialogAnswerer cancel(IDCANCEL);
    vantor.SetObjectName(a);
    EXPECT_TRUE(vantor.InvokeVerb(L"properties"));
    // The sheet is modal here and modeless on Windows: wait for it either way.
    for (int i = 0; i < 100 && cancel.Answered() == 0; ++i)
        Sleep(50);
    EXPECT_EQ(1, cancel.Answered());
}

TEST(VantorVerbs, DefaultOpensFilesOnBothDrivesWithTheirProgram) {
    CDriveDir cDrive;
    TempDir zDrive(L"verbs");
    const std::wstring c = cDrive.WriteFile(L"quarrow-c-" + std::to_wstring(GetCurrentProcessId()) + L".txt");
    const std::wstring z = zDrive.WriteFile(L"quarrow-z-" + std::to_wstring(GetCurrentProcessId()) + L".txt");
    TVantor vantor;
    std::vector<std::wstring> offered;
    vantor.OnContextMenuSelect = [&](const std::wstring& command, bool&) { offered.push_back(command); };

    vantor.SetObjectName(c);
    EXPECT_TRUE(vantor.InvokeVerb(L"")); // an empty verb is "default"
    HWND first = test::WaitForOtherProcessWindow(FileNamePart(c));
    ASSERT_NE(nullptr, first);
    EXPECT_TRUE(test::CloseAndWait(first));

    vantor.MultiObjects() = {z, c};
    EXPECT_TRUE(vantor.InvokeVerb(L"DEFAULT"));
    for (const std::wstring& path : {z, c}) {
        HWND window = test::WaitForOtherProcessWindow(FileNamePart(path));
        EXPECT_NE(nullptr, window) << "no window for " << FileNamePart(path);
        if (window != nullptr) {
            EXPECT_TRUE(test::CloseAndWait(window));
        }
    }
    EXPECT_EQ((Paths{L"", L"DEFAULT"}), offered);
}

TEST(VantorVerbs, DefaultOpensAFolder) {
    TempDir dir(L"verbs");
    const std::wstring folder = dir.MakeDir(L"quarrow-folder-" + std::to_wstring(GetCurrentProcessId()));
    TVantor vantor;
    vantor.SetObjectName(folder);
    EXPECT_TRUE(vantor.InvokeVerb(L"default"));
    HWND window = test::WaitForOtherProcessWindow(FileNamePart(folder));
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(test::CloseAndWait(window));
}
