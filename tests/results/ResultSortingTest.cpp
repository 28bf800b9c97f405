#include "results/ResultSorting.h"

#include "base/DateTime.h"
#include "base/Text.h"

#include <gtest/gtest.h>

#include <random>

using namespace quarrow;

namespace {

const wchar_t* const English = L"en-US";
const wchar_t* const German = L"de-DE";

TShellItem Item(const std::wstring& name, int64_t size = 0, TDateTime modified = 0,
                const std::wstring& folder = L"C:\\a\\", const std::wstring& type = L"") {
    TShellItem item;
    item.Name = name;
    item.FolderText = std::make_shared<const std::wstring>(folder);
    item.Size = size;
    item.Modified = modified;
    item.FileType = type;
    return item;
}

// Names that exercise the locale's rules: letter case, digits, blanks, dots, underscores,
// hyphens and apostrophes (which the locale weighs apart), letters with diacritics, the
// German sharp s, and letter pairs that some locales sort as one letter.
std::wstring RandomName(std::mt19937& rng) {
    static const std::wstring pieces[] = {L"a", L"B",  L"c", L"ch", L"CH", L"aa", L"Z",  L"z",  L"0",
                                          L"9", L"10", L" ", L".",  L"_",  L"-",  L"'",  L"ä",  L"Ä",
                                          L"ß", L"ss", L"é", L"e",  L"ö",  L"o",  L"ll", L"dz", L"~"};
    std::wstring name;
    const size_t length = 1 + rng() % 6;
    for (size_t i = 0; i < length; ++i)
        name += pieces[rng() % std::size(pieces)];
    return name;
}

TIDList RandomList(std::mt19937& rng, int count) {
    std::vector<TFolderText> folders;
    for (int i = 0; i < 12; ++i)
        folders.push_back(std::make_shared<const std::wstring>(L"C:\\" + RandomName(rng) + L"\\"));
    TIDList list;
    for (int i = 0; i < count; ++i) {
        auto item = std::make_unique<TShellItem>(Item(
            RandomName(rng), static_cast<int64_t>(rng() % 5) << (rng() % 40), 40000 + (rng() % 40) / 4.0));
        item->FolderText = folders[rng() % folders.size()];
        item->FileType = RandomName(rng).substr(0, 3);
        item->ImageIndex = i; // the record's place before the sort
        list.Add(std::move(item));
    }
    return list;
}

} // namespace

TEST(ResultComparisons, TextsFollowTheLocaleAndIgnoreLetterCase) {
    EXPECT_EQ(0, CompareNames(Item(L"Report.TXT"), Item(L"report.txt"), English));
    EXPECT_EQ(-1, CompareNames(Item(L"apple"), Item(L"Banana"), English)); // not by character codes
    EXPECT_EQ(1, CompareNames(Item(L"cherry"), Item(L"Banana"), English));
    EXPECT_EQ(1, CompareNames(Item(L"file9"), Item(L"file10"), English)); // digit by digit, not as numbers
    EXPECT_EQ(-1, CompareNames(Item(L"b"), Item(L"ba"), English));

    // German: umlauts sort with their base letter, after it when all else is equal.
    EXPECT_EQ(-1, CompareNames(Item(L"Äpfel"), Item(L"Birnen"), German));
    EXPECT_EQ(-1, CompareNames(Item(L"Apfel"), Item(L"Äpfel"), German));
    EXPECT_EQ(-1, CompareNames(Item(L"Zähler"), Item(L"zz"), German));
    EXPECT_EQ(0, CompareNames(Item(L"ÜBER"), Item(L"über"), German));
    EXPECT_EQ(-1, CompareNames(Item(L"Österreich"), Item(L"Ozean"), German));

    EXPECT_EQ(0, CompareFolders(Item(L"x", 0, 0, L"C:\\Data\\"), Item(L"y", 0, 0, L"c:\\DATA\\"), German));
    EXPECT_EQ(-1, CompareFolders(Item(L"x", 0, 0, L"C:\\Ärger\\"), Item(L"y", 0, 0, L"C:\\Bach\\"), German));
    EXPECT_EQ(
        0, CompareFileTypes(Item(L"a", 0, 0, L"C:\\", L"TXT"), Item(L"b", 0, 0, L"C:\\", L"txt"), English));
    EXPECT_EQ(-1,
              CompareFileTypes(Item(L"a", 0, 0, L"C:\\", L""), Item(L"b", 0, 0, L"C:\\", L"doc"), English));
    EXPECT_EQ(1, CompareResults(ColumnType, Item(L"a", 0, 0, L"C:\\", L"txt"),
                                Item(L"b", 0, 0, L"C:\\", L"doc"), English));
}

TEST(ResultComparisons, SizesAreWhole64BitNumbersAndDatesCalendarDays) {
    const int64_t fiveGiB = int64_t{5} << 30;
    EXPECT_EQ(1, CompareSizes(Item(L"a", fiveGiB), Item(L"b", 1024)));
    EXPECT_EQ(-1, CompareSizes(Item(L"a", 1024), Item(L"b", fiveGiB)));
    EXPECT_EQ(1, CompareSizes(Item(L"a", fiveGiB + 1), Item(L"b", fiveGiB)));
    EXPECT_EQ(0, CompareSizes(Item(L"a", 0), Item(L"folder", 0)));

    const TDateTime morning = EncodeDateTime(2021, 3, 4, 0, 0, 1);
    const TDateTime evening = EncodeDateTime(2021, 3, 4, 23, 59, 58);
    const TDateTime nextDay = EncodeDateTime(2021, 3, 5, 0, 0, 0);
    EXPECT_EQ(0, CompareModified(Item(L"a", 0, morning), Item(L"b", 0, evening)));
    EXPECT_EQ(-1, CompareModified(Item(L"a", 0, evening), Item(L"b", 0, nextDay)));
    EXPECT_EQ(1, CompareResults(ColumnDateModified, Item(L"a", 0, nextDay), Item(L"b", 0, morning)));
}

// The sort orders by keys made once per record; whatever the texts, its order must be the
// one the comparisons give, ascending and descending, in English, German and in locales
// that treat letter pairs as one letter. Records that compare equal keep their order.
TEST(ResultSorting, OrdersAsTheComparisonsDoAndKeepsEqualRecordsInTheirOrder) {
    std::mt19937 rng(2024);
    for (const wchar_t* locale : {English, German, L"cs-CZ", L"da-DK", L"hu-HU"}) {
        for (int column = 0; column < ResultColumnCount; ++column) {
            for (const bool ascending : {true, false}) {
                TIDList list = RandomList(rng, 600);
                SortResults(list, static_cast<TResultColumn>(column), ascending, locale);
                ASSERT_EQ(600, list.Count());
                for (int i = 1; i < list.Count(); ++i) {
                    const int order =
                        CompareResults(static_cast<TResultColumn>(column), list[i - 1], list[i], locale);
                    ASSERT_TRUE(ascending ? order <= 0 : order >= 0)
                        << ToUtf8(locale) << " column " << column << ": \"" << ToUtf8(list[i - 1].Name)
                        << "\" before \"" << ToUtf8(list[i].Name) << "\"";
                    if (order == 0) {
                        ASSERT_LT(list[i - 1].ImageIndex, list[i].ImageIndex)
                            << ToUtf8(locale) << " column " << column;
                    }
                }
            }
        }
    }
}

TEST(ResultSorting, SortingTwiceTheOtherWayReversesAllButEqualRecords) {
    TIDList list;
    for (const auto& [name, size] : std::vector<std::pair<std::wstring, int64_t>>{
             {L"b.txt", 10}, {L"A.txt", 30}, {L"c.txt", 10}, {L"a.TXT", 20}})
        list.Add(std::make_unique<TShellItem>(Item(name, size)));
    SortResults(list, ColumnName, true, English);
    EXPECT_EQ(L"A.txt", list[0].Name); // equal to "a.TXT" and found first
    EXPECT_EQ(L"a.TXT", list[1].Name);
    EXPECT_EQ(L"b.txt", list[2].Name);
    SortResults(list, ColumnSize, false, English);
    EXPECT_EQ(L"A.txt", list[0].Name);
    EXPECT_EQ(L"a.TXT", list[1].Name);
    EXPECT_EQ(L"b.txt", list[2].Name); // the two of 10 bytes keep their order
    EXPECT_EQ(L"c.txt", list[3].Name);
}
