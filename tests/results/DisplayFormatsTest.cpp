#include "results/ActionStates.h"
#include "results/DisplayFormats.h"
#include "results/StatusTexts.h"

#include <gtest/gtest.h>

#include <map>

using namespace quarrow;

namespace {

const TLocaleFormat& English() {
    static const TLocaleFormat format = TLocaleFormat::Load(L"en-US");
    return format;
}
const TLocaleFormat& German() {
    static const TLocaleFormat format = TLocaleFormat::Load(L"de-DE");
    return format;
}

TDateTime Seconds(double seconds) {
    return seconds / 86400.0;
}

} // namespace

TEST(DisplayFormats, CountsAreGroupedByTheLocale) {
    EXPECT_EQ(L"0", FormatCount(0, English()));
    EXPECT_EQ(L"999", FormatCount(999, English()));
    EXPECT_EQ(L"12,345", FormatCount(12345, English()));
    EXPECT_EQ(L"10,737,418,240,000", FormatCount(10737418240000LL, English()));
    EXPECT_EQ(L"1.234.567", FormatCount(1234567, German()));
}

TEST(DisplayFormats, SizesAreKilobytesRoundedUpAndNeverZero) {
    EXPECT_EQ(L"1 KB", SizeText(0, English()));
    EXPECT_EQ(L"1 KB", SizeText(1, English()));
    EXPECT_EQ(L"1 KB", SizeText(1024, English()));
    EXPECT_EQ(L"2 KB", SizeText(1025, English()));
    EXPECT_EQ(L"1,500 KB", SizeText(1536000, English()));
    EXPECT_EQ(L"5,242,880 KB", SizeText(5368709120LL, English()));
    EXPECT_EQ(L"1.500 KB", SizeText(1536000, German()));
    EXPECT_EQ(0, KilobytesRoundedUp(0));
    EXPECT_EQ(3, KilobytesRoundedUp(2049));
}

TEST(DisplayFormats, DatesUseDayMonthYearWithTheLocaleSeparators) {
    const TDateTime value = EncodeDateTime(2006, 12, 31, 23, 59, 58);
    EXPECT_EQ(L"31/12/2006 23:59", DateText(value, English()));
    EXPECT_EQ(L"31.12.2006 23:59", DateText(value, German()));
    EXPECT_EQ(L"01/02/1999 07:05", DateText(EncodeDateTime(1999, 2, 1, 7, 5, 0), English()));
    // 10:00 stored as a double must not read back as 09:59.
    EXPECT_EQ(L"28/02/2024 10:00", DateText(EncodeDateTime(2024, 2, 28, 10, 0, 0), English()));
}

TEST(DisplayFormats, ElapsedTimeShowsMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(L"01:15:500", ElapsedTimeText(Seconds(75.5), English()));
    EXPECT_EQ(L"00:00:000", ElapsedTimeText(0, English()));
    EXPECT_EQ(L"02:03:456", ElapsedTimeText(Seconds(3723.456), English())); // the hour is not shown
    EXPECT_EQ(L"00:00:001", ElapsedTimeText(Seconds(0.0009), English()));   // rounded to the millisecond
}

TEST(StatusTexts, SelectionSummary) {
    EXPECT_EQ(L"No files selected", SelectionSummaryText(0, 0, English()));
    EXPECT_EQ(L"Selected: 1 file", SelectionSummaryText(1, 0, English()));
    EXPECT_EQ(L"Selected: 1 file (1 KB)", SelectionSummaryText(1, 1, English()));
    EXPECT_EQ(L"Selected: 2 files (2 KB)", SelectionSummaryText(2, 1025, English()));
    EXPECT_EQ(L"Selected: 1,200 files (1,024 KB)", SelectionSummaryText(1200, 1048576, English()));
}

TEST(StatusTexts, PanelsByMode) {
    TStatusSnapshot snapshot;
    snapshot.ResultCount = 12345;
    snapshot.TotalSelectedFiles = 2;
    snapshot.TotalSelectedSize = 1025;
    snapshot.ElapsedTime = Seconds(75.5);

    EXPECT_EQ(L"", InfoPanelText(0, snapshot, English()));
    EXPECT_EQ(L"", InfoPanelText(1, snapshot, English()));
    EXPECT_EQ(L"Search time: 01:15:500", InfoPanelText(2, snapshot, English()));
    EXPECT_EQ(L"Selected: 2 files (2 KB)", InfoPanelText(3, snapshot, English()));
    EXPECT_FALSE(InfoPanelText(4, snapshot, English()).has_value());
    snapshot.FindStopped = true;
    EXPECT_EQ(L"Search time: 01:15:500 (stopped)", InfoPanelText(2, snapshot, English()));

    EXPECT_EQ(L"", CountPanelText(0, snapshot, English()));
    EXPECT_EQ(L"Searching...", CountPanelText(1, snapshot, English()));
    EXPECT_EQ(L"Found: 12,345 files", CountPanelText(2, snapshot, English()));
    EXPECT_EQ(L"Found: 12,345 files", CountPanelText(3, snapshot, English()));
    EXPECT_FALSE(CountPanelText(4, snapshot, English()).has_value());
    snapshot.ResultCount = 1;
    EXPECT_EQ(L"Found: 1 file", CountPanelText(2, snapshot, English()));
    snapshot.ResultCount = 0;
    EXPECT_EQ(L"No files found", CountPanelText(3, snapshot, English()));

    // What could not be searched follows the count, and only then.
    snapshot.NotSearchedCount = 1;
    EXPECT_EQ(L"No files found (1 not searched)", CountPanelText(2, snapshot, English()));
    snapshot.ResultCount = 12;
    snapshot.NotSearchedCount = 3;
    EXPECT_EQ(L"Found: 12 files (3 not searched)", CountPanelText(2, snapshot, English()));
    snapshot.NotSearchedCount = 12345;
    EXPECT_EQ(L"Found: 12 files (12,345 not searched)", CountPanelText(3, snapshot, English()));
    EXPECT_EQ(L"Searching...", CountPanelText(1, snapshot, English()));
    EXPECT_EQ(L"", CountPanelText(0, snapshot, English()));

    EXPECT_EQ(TStatusLight::Green, StatusLightFor(0));
    EXPECT_EQ(TStatusLight::Red, StatusLightFor(1));
    EXPECT_EQ(TStatusLight::Green, StatusLightFor(2));
    EXPECT_EQ(TStatusLight::Gray, StatusLightFor(3));
    EXPECT_FALSE(StatusLightFor(4).has_value());
}

TEST(ActionStates, FollowResultsSelectionAndEditor) {
    using A = TActionId;
    auto states = [](int results, int selected, bool editor, bool pane = false, bool content = false) {
        std::map<A, bool> map;
        for (const auto& [id, enabled] : ComputeActionStates({results, selected, editor, 0, pane, content}))
            map[id] = enabled;
        return map;
    };
    const std::vector<A> needResults = {A::ActionActionSelectAll, A::ActionActionInvertSelection,
                                        A::ActionExportAlltemsToClipboard, A::ActionExportAlltemsToTextFile,
                                        A::ActionExportAlltemsToCommaDelimitedFile};
    const std::vector<A> needAny = {A::ActionActionCopy, A::ActionActionCut, A::ActionActionProperties,
                                    A::ActionActionDelete, A::ActionExportSelectedItemsToClipboard};
    const std::vector<A> needOne = {A::ActionActionRename, A::ActionActionOpenContainingFolder,
                                    A::ActionActionOpen};

    const auto none = states(0, 0, true);
    EXPECT_EQ(17u, none.size());
    for (const auto& [id, enabled] : none)
        EXPECT_FALSE(enabled) << ActionInfo(id).Name;
    EXPECT_EQ(0u, none.count(A::ActionFileExit) + none.count(A::ActionHelpHelp) +
                      none.count(A::ActionHelpAbout) + none.count(A::ActionToolsPreferences));

    const auto resultsOnly = states(3, 0, true);
    for (A id : needResults)
        EXPECT_TRUE(resultsOnly.at(id)) << ActionInfo(id).Name;
    for (A id : needAny)
        EXPECT_FALSE(resultsOnly.at(id)) << ActionInfo(id).Name;

    const auto one = states(3, 1, true);
    for (A id : needAny)
        EXPECT_TRUE(one.at(id)) << ActionInfo(id).Name;
    for (A id : needOne)
        EXPECT_TRUE(one.at(id)) << ActionInfo(id).Name;
    EXPECT_TRUE(one.at(A::ActionActionEdit));
    EXPECT_FALSE(states(3, 1, false).at(A::ActionActionEdit));

    const auto two = states(3, 2, true);
    for (A id : needAny)
        EXPECT_TRUE(two.at(id)) << ActionInfo(id).Name;
    for (A id : needOne)
        EXPECT_FALSE(two.at(id)) << ActionInfo(id).Name;
    EXPECT_FALSE(two.at(A::ActionActionEdit));

    // Going from match to match needs the preview pane and the results of a search for a text.
    for (const bool pane : {false, true}) {
        for (const bool content : {false, true}) {
            const auto matches = states(3, 0, false, pane, content);
            EXPECT_EQ(pane && content, matches.at(A::ActionViewNextMatch));
            EXPECT_EQ(pane && content, matches.at(A::ActionViewPreviousMatch));
        }
    }
    EXPECT_FALSE(states(0, 0, false, true, true).at(A::ActionViewNextMatch));

    // Not Searched... follows what the last search could not search, and nothing else.
    for (const auto& [id, enabled] : ComputeActionStates({0, 0, false, 1}))
        EXPECT_EQ(enabled, id == A::ActionToolsNotSearched) << ActionInfo(id).Name;
    for (const auto& [id, enabled] : ComputeActionStates({3, 2, true, 0}))
        EXPECT_TRUE(id != A::ActionToolsNotSearched || !enabled);
}
