// The window's command line: a location and the three options.

#include "settings/LaunchArguments.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

TEST(LaunchArguments, LocationAndOptionsInAnyOrder) {
    const TLaunchArguments none = ParseLaunchArguments({});
    EXPECT_EQ(L"", none.Location);
    EXPECT_FALSE(none.Search);
    EXPECT_EQ(L"", none.Error);

    const TLaunchArguments all =
        ParseLaunchArguments({L"--text", L"to do", L"D:\\Work", L"--name=*.txt", L"--search"});
    EXPECT_EQ(L"D:\\Work", all.Location);
    EXPECT_EQ(L"*.txt", all.Name);
    EXPECT_EQ(L"to do", all.Text);
    EXPECT_TRUE(all.Search);
    EXPECT_EQ(L"", all.Error);

    // The location is taken as given, and after "--" anything is one.
    EXPECT_EQ(L"--odd folder", ParseLaunchArguments({L"--", L"--odd folder"}).Location);
    EXPECT_EQ(L"..\\x", ParseLaunchArguments({L"..\\x"}).Location);
}

TEST(LaunchArguments, WhatIsNotUnderstoodIsReportedAndTheRestKept) {
    const TLaunchArguments unknown = ParseLaunchArguments({L"C:\\", L"--serach"});
    EXPECT_EQ(L"Unknown option: --serach", unknown.Error);
    EXPECT_EQ(L"C:\\", unknown.Location);
    EXPECT_EQ(L"The option --name needs a value.", ParseLaunchArguments({L"--name"}).Error);
    const TLaunchArguments two = ParseLaunchArguments({L"C:\\", L"D:\\"});
    EXPECT_EQ(L"Only one location can be given: D:\\", two.Error);
    EXPECT_EQ(L"C:\\", two.Location);
    EXPECT_EQ(L"Unknown option: --search=yes", ParseLaunchArguments({L"--search=yes"}).Error);
}

} // namespace
