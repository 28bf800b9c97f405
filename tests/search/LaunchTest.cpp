#include "search/SearchTestKit.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <stdexcept>

using namespace quarrow;
using namespace quarrow::test;

namespace {

class Launch : public ::testing::Test {
protected:
    Launch() {
        dir.WriteFile(L"report.txt");
        dir.WriteFile(L"MyReport.doc");
        dir.WriteFile(L"repo.txt");
        dir.WriteFile(L"sub\\REPORT-1.TXT");
        input.LocationText = dir.Path();
    }
    std::vector<std::wstring> FoundNames() const {
        std::vector<std::wstring> names;
        for (const auto& item : ids.Items())
            names.push_back(item->Name);
        std::sort(names.begin(), names.end());
        return names;
    }
    // Keeps a previous result to show that a rejected launch leaves it alone.
    void AddPreviousResult() {
        auto item = std::make_unique<TShellItem>();
        item->Name = L"previous";
        ids.Add(std::move(item));
    }
    void ExpectRejectedWith(const std::wstring& message) {
        ASSERT_EQ(host.prompt.Records().size(), 1u);
        EXPECT_EQ(host.prompt.Records()[0].text, message);
        EXPECT_EQ(host.prompt.Records()[0].type, PromptType::Information);
        EXPECT_EQ(host.prompt.Records()[0].buttons, PromptButtons::Ok);
        ASSERT_EQ(ids.Count(), 1);
        EXPECT_EQ(ids[0].Name, L"previous");
    }

    TempDir dir{L"launch"};
    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    FakeSearchHost host;
    TSearchEngine engine{ids, settings, excluded, host};
    TSearchInput input;
};

using Calls = std::vector<std::wstring>;

} // namespace

TEST_F(Launch, RejectsAnEmptyOrInvalidLocationAfterThePatternHistory) {
    AddPreviousResult();
    input.PatternText = L"report";
    input.LocationText = L"";
    EXPECT_FALSE(engine.Launch(input));
    ExpectRejectedWith(L"Specify a folder to start the search in.  ");
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"pattern report", L"focus"}));

    host = {};
    input.LocationText = dir.Sub(L"missing");
    EXPECT_FALSE(engine.Launch(input));
    ExpectRejectedWith(L"The location is not valid.");
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"pattern report", L"focus"}));

    host = {};
    input.LocationText = dir.Sub(L"report.txt");
    EXPECT_FALSE(engine.Launch(input)) << "a file is not a location";
    ExpectRejectedWith(L"The location is not valid.");
}

TEST_F(Launch, RejectsBothShowSwitchesOffAfterTheLocationHistory) {
    AddPreviousResult();
    input.ShowMatchingFilenames = false;
    input.SearchForDateTime = true;
    input.ContainingText = L"x";
    EXPECT_FALSE(engine.Launch(input));
    ExpectRejectedWith(L"Both 'Show matching filenames' and 'Show matching foldernames' are unchecked.\r\n"
                       L"As a result nothing will be found.");
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"location " + dir.Path()}))
        << "no focus, date and text unread";
    EXPECT_FALSE(engine.RunState.SearchInProgress);
}

TEST_F(Launch, PlainWordFindsEveryNameContainingItAndRunsTheSteps) {
    input.PatternText = L"report";
    input.ContainingText = L"";
    engine.RunState.FindStopped = true;
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_EQ(engine.Criteria.SearchPattern, L"*report*");
    EXPECT_EQ(FoundNames(), (Calls{L"MyReport.doc", L"REPORT-1.TXT", L"report.txt"}));
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"pattern report", L"location " + dir.Path(), L"started",
                                 L"finished", L"monitor on"}));
    EXPECT_FALSE(engine.RunState.SearchInProgress);
    EXPECT_FALSE(engine.RunState.FindStopped);
    EXPECT_GT(engine.RunState.ElapsedTime, 0);
    EXPECT_LT(engine.RunState.ElapsedTime, 60.0 / 86400);

    // An empty pattern lists everything and makes no history entry; nothing found leaves
    // change monitoring off.
    host = {};
    input.PatternText = L"";
    input.ContainingText = L"text nobody wrote";
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_EQ(engine.Criteria.SearchPattern, L"*.*");
    EXPECT_TRUE(ids.Empty());
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"location " + dir.Path(), L"text text nobody wrote",
                                 L"started", L"finished"}));
}

// A word with dots, and one that only the 8.3 alias of a long name holds: the listing's own
// rules would take "abc." for "*abc" and "." for every name.
TEST_F(Launch, AWordWithoutWildcardsFindsExactlyTheNamesThatContainIt) {
    for (const wchar_t* name : {L"abc", L"xabc", L"abc.txt", L"a..b", L"long name of a file.txt"})
        dir.WriteFile(name);
    WriteFileExactly(dir.Sub(L"abcd."));
    input.SearchInSubfolders = false;
    const auto found = [&](const std::wstring& word) {
        input.PatternText = word;
        EXPECT_TRUE(engine.Launch(input));
        return FoundNames();
    };
    EXPECT_EQ(found(L"abc."), (Calls{L"abc.txt"}));
    EXPECT_EQ(found(L".."), (Calls{L"a..b"}));
    EXPECT_EQ(found(L"."), (Calls{L"MyReport.doc", L"a..b", L"abc.txt", L"abcd.", L"long name of a file.txt",
                                  L"repo.txt", L"report.txt"}));
    EXPECT_EQ(found(L"D."), (Calls{L"abcd."}));
    EXPECT_EQ(found(L"~1"), Calls{});
    // A wildcard keeps the listing's rules: this one finds names without an extension.
    const Calls noExtension = found(L"abc*.");
    EXPECT_NE(std::find(noExtension.begin(), noExtension.end(), L"abc"), noExtension.end());
    EXPECT_EQ(std::find(noExtension.begin(), noExtension.end(), L"abc.txt"), noExtension.end());
}

TEST_F(Launch, ExpandsARelativeLocationAgainstTheCurrentFolder) {
    wchar_t previous[MAX_PATH];
    GetCurrentDirectoryW(MAX_PATH, previous);
    ASSERT_TRUE(SetCurrentDirectoryW(dir.Sub(L"sub").c_str()));
    input.LocationText = L".";
    const bool launched = engine.Launch(input);
    SetCurrentDirectoryW(previous);
    ASSERT_TRUE(launched);
    EXPECT_EQ(host.calls[1], L"location " + dir.Sub(L"sub"));
    EXPECT_EQ(FoundNames(), Calls{L"REPORT-1.TXT"});
}

TEST_F(Launch, ReadsDateAndSizeCriteria) {
    input.SearchForDateTime = true;
    input.DTCount = 2;
    input.DTUnitIndex = 4; // Hours
    input.SearchForSize = true;
    input.SZLargerThan = false;
    input.SZSmallerThan = true;
    input.SZCount = 3;
    input.SZUnitIndex = 0; // GB
    const TDateTime before = NowLocal();
    ASSERT_TRUE(engine.Launch(input));
    const TSearchCriteria& c = engine.Criteria;
    EXPECT_TRUE(c.SearchOnDate && c.DTNewerThan && !c.DTOlderThan && !c.DTBetween);
    EXPECT_GE(c.DTCurrentDateAndTime, before);
    EXPECT_NEAR(c.DTSearchDateAndTime, c.DTCurrentDateAndTime - 2.0 / 24, 1e-9);
    EXPECT_TRUE(c.SearchOnSize && c.SZSmallerThan && !c.SZLargerThan);
    EXPECT_EQ(c.SZSearchSize, 3221225472LL);
    EXPECT_EQ(host.calls[2], L"counts");
    EXPECT_EQ(ids.Count(), 4) << "all files are newer than two hours and small";

    input.DSNewerThan = false;
    input.DSBetween = true;
    input.BeginDate = EncodeDateTime(2001, 2, 3, 4, 5, 6);
    input.EndDate = EncodeDateTime(2002, 2, 3, 4, 5, 6);
    input.SearchForSize = false;
    host = {};
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_TRUE(c.DTBetween && !c.SearchOnSize);
    EXPECT_EQ(c.DTBeginDate, input.BeginDate);
    EXPECT_EQ(c.DTEndDate, input.EndDate);
    EXPECT_TRUE(ids.Empty());

    input.SearchForDateTime = false;
    host = {};
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_FALSE(c.SearchOnDate);
    EXPECT_EQ(std::count(host.calls.begin(), host.calls.end(), L"counts"), 0) << "count boxes left as typed";
}

TEST_F(Launch, DriveListsTakeFixedDrivesAndThenRemoteOpticalAndRamDisks) {
    std::vector<std::wstring> asked;
    engine.BuildDriveLists([&](const std::wstring& root) -> UINT {
        asked.push_back(root);
        switch (root[0]) {
        case L'A':
            return DRIVE_REMOVABLE;
        case L'C':
        case L'Z':
            return DRIVE_FIXED;
        case L'D':
            return DRIVE_CDROM;
        case L'M':
            return DRIVE_REMOTE;
        case L'R':
            return DRIVE_RAMDISK;
        case L'U':
            return DRIVE_UNKNOWN;
        default:
            return DRIVE_NO_ROOT_DIR;
        }
    });
    ASSERT_EQ(26u, asked.size());
    EXPECT_EQ(L"A:\\", asked.front());
    EXPECT_EQ(L"Z:\\", asked.back());
    EXPECT_EQ((Calls{L"C:\\", L"Z:\\"}), engine.FixedDriveList);
    EXPECT_EQ((Calls{L"D:\\", L"M:\\", L"R:\\"}), engine.OtherDriveList);

    // Built again, the lists hold what the drives are now.
    engine.BuildDriveLists(
        [](const std::wstring& root) -> UINT { return root[0] == L'C' ? DRIVE_FIXED : DRIVE_NO_ROOT_DIR; });
    EXPECT_EQ(Calls{L"C:\\"}, engine.FixedDriveList);
    EXPECT_TRUE(engine.OtherDriveList.empty());
}

// Thousands of years back lie before every file time the platform has (1601 on), in every
// month of the year.
TEST_F(Launch, ManyYearsBackFindEveryFileNewerAndNoneOlder) {
    ASSERT_TRUE(SetLastWriteTimeUtc(dir.Sub(L"repo.txt"), 1601, 1, 2));
    ASSERT_TRUE(SetLastWriteTimeUtc(dir.Sub(L"report.txt"), 1980, 1, 1));
    input.SearchForDateTime = true;
    input.DTUnitIndex = 0; // Years
    static int month = 1;
    engine.Clock = [] { return EncodeDateTime(2090, month, 28, 12); };
    for (month = 1; month <= 12; ++month) {
        for (const int years : {2090, 3000, 10000}) {
            input.DTCount = years;
            input.DSNewerThan = true;
            input.DSOlderThan = false;
            ASSERT_TRUE(engine.Launch(input));
            EXPECT_EQ(4, ids.Count()) << years << " years, newer than, month " << month;
            input.DSNewerThan = false;
            input.DSOlderThan = true;
            ASSERT_TRUE(engine.Launch(input));
            EXPECT_EQ(0, ids.Count()) << years << " years, older than, month " << month;
        }
    }
}

TEST_F(Launch, LocalHardDrivesWalksEveryFixedDriveAndStopLeavesTheirRoots) {
    engine.BuildDriveLists();
    ASSERT_FALSE(engine.FixedDriveList.empty());
    for (size_t i = 0; i < engine.FixedDriveList.size(); ++i) {
        EXPECT_EQ(GetDriveTypeW(engine.FixedDriveList[i].c_str()), DRIVE_FIXED);
        if (i > 0) {
            EXPECT_LT(engine.FixedDriveList[i - 1], engine.FixedDriveList[i]);
        }
    }

    // Stand-ins for the drive roots keep the walk small.
    dir.WriteFile(L"d1\\one.txt");
    dir.WriteFile(L"d1\\deeper\\two.txt");
    dir.WriteFile(L"d2\\three.txt");
    dir.WriteFile(L"d2\\deeper\\four.txt");
    engine.FixedDriveList = {dir.Sub(L"d1\\"), dir.Sub(L"d2\\")};
    input.LocationText = L"Local Hard Drives";
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_EQ(FoundNames(), (Calls{L"four.txt", L"one.txt", L"three.txt", L"two.txt"}));
    EXPECT_EQ(ids[0].Name, L"one.txt");
    EXPECT_EQ(host.calls, (Calls{L"monitor off", L"started", L"finished", L"monitor on"}))
        << "no location history";

    host = {};
    host.onPump = [&](int) { engine.Stop(); };
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_EQ(FoundNames(), (Calls{L"one.txt", L"three.txt"}));
    EXPECT_TRUE(engine.RunState.FindStopped);
}

TEST_F(Launch, AnErrorInTheWalkRestoresIdleStateKeepsResultsAndPropagates) {
    engine.RunState.ElapsedTime = 0.5;
    host.onCount = [](int count) {
        if (count == 2)
            throw std::runtime_error("walk failed");
    };
    EXPECT_THROW(engine.Launch(input), std::runtime_error);
    EXPECT_EQ(host.calls,
              (Calls{L"monitor off", L"location " + dir.Path(), L"started", L"finished", L"monitor on"}));
    EXPECT_EQ(ids.Count(), 2);
    EXPECT_FALSE(engine.RunState.SearchInProgress);
    EXPECT_FALSE(engine.Walking());
    EXPECT_EQ(engine.RunState.ElapsedTime, 0.5);

    host.onCount = nullptr;
    EXPECT_TRUE(engine.Launch(input)) << "the next launch runs normally";
    EXPECT_EQ(ids.Count(), 4);
}

TEST_F(Launch, ALaunchFromInsideTheWalkIsRefused) {
    bool nested = true;
    host.onPump = [&](int) { nested = engine.Launch(input); };
    ASSERT_TRUE(engine.Launch(input));
    EXPECT_FALSE(nested);
    EXPECT_EQ(ids.Count(), 4);
}
