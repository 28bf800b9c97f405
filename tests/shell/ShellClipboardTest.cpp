#include "shell/ShellClipboard.h"

#include "ShellTestKit.h"

#include <gtest/gtest.h>

#include <oleidl.h>

using namespace quarrow;

TEST(ShellClipboard, AFileListWrittenWithoutAnOwnerOutlivesTheCall) {
    const std::vector<std::wstring> paths{L"C:\\one.txt", L"Z:\\tmp\\two words.txt"};
    ASSERT_TRUE(SetClipboardFileList(paths, DROPEFFECT_MOVE, nullptr));
    const test::ClipboardContent content = test::ReadClipboard();
    EXPECT_EQ(paths, content.files);
    EXPECT_TRUE(content.hasDropEffect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), content.dropEffect);
    EXPECT_EQ(static_cast<DWORD>(DROPEFFECT_MOVE), ClipboardDropEffect());
}
