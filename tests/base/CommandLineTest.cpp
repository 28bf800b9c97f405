// The command line split into arguments: the platform's rules, and a quoted folder that
// ends in a backslash.

#include "base/CommandLine.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

using Arguments = std::vector<std::wstring>;

TEST(CommandLine, SplitsAsThePlatformDoes) {
    EXPECT_EQ((Arguments{L"C:\\Program Files\\q.exe", L"a", L"b c", L"d"}),
              SplitCommandLine(L"\"C:\\Program Files\\q.exe\" a \"b c\"   d"));
    EXPECT_EQ((Arguments{L"q", L"say \"hi\""}), SplitCommandLine(L"q \"say \\\"hi\\\"\""));
    EXPECT_EQ((Arguments{L"q", L"a\\\\b", L"c\\"}), SplitCommandLine(L"q a\\\\b c\\"));
    EXPECT_EQ((Arguments{L"q", L"x\\", L"y"}), SplitCommandLine(L"q \"x\\\\\" y"));
    EXPECT_EQ((Arguments{L"q", L"a\"b"}), SplitCommandLine(L"q \"a\"\"b\""));
    EXPECT_EQ((Arguments{L"q", L""}), SplitCommandLine(L"q \"\""));
    EXPECT_EQ((Arguments{L"q"}), SplitCommandLine(L"q   "));
    EXPECT_EQ((Arguments{L"q", L"--name=*.txt", L"\t"}), SplitCommandLine(L"q\t--name=*.txt \"\t\""));
}

// What Explorer passes for a drive ("%1" of D:\) and what people type in a console.
TEST(CommandLine, AQuotedFolderMayEndInABackslash) {
    EXPECT_EQ((Arguments{L"q", L"D:\\"}), SplitCommandLine(L"q \"D:\\\""));
    EXPECT_EQ((Arguments{L"q", L"D:\\", L"--search"}), SplitCommandLine(L"q \"D:\\\" --search"));
    EXPECT_EQ((Arguments{L"q", L"C:\\My Files\\", L"--name", L"*.txt"}),
              SplitCommandLine(L"q \"C:\\My Files\\\" --name *.txt"));
    // A quote inside the text still needs its backslash.
    EXPECT_EQ((Arguments{L"q", L"a\"b c"}), SplitCommandLine(L"q \"a\\\"b c\""));
}

} // namespace
