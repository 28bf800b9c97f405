// Where the results list's type-ahead moves: the list sends the typed letters and the row to
// start from, the records answer.

#include "results/ResultFinding.h"

#include <gtest/gtest.h>

using namespace quarrow;

namespace {

TIDList Named(std::initializer_list<const wchar_t*> names) {
    static const TFolderText folder = std::make_shared<const std::wstring>(L"C:\\Data\\");
    TIDList records;
    for (const wchar_t* name : names) {
        auto item = std::make_unique<TShellItem>();
        item->Name = name;
        item->FolderText = folder;
        records.Add(std::move(item));
    }
    return records;
}

int Find(const TIDList& records, const wchar_t* text, int start, bool partial = true, bool wrap = true) {
    return FindResultRow(records, {text, start, partial, wrap});
}

} // namespace

TEST(ResultFinding, TheNextNameBeginningWithTheTextWrappingRoundIgnoringCase) {
    const TIDList records =
        Named({L"alpha.txt", L"Beta.txt", L"bingo.txt", L"\u00C9t\u00E9.txt", L"bravo.txt"});
    EXPECT_EQ(1, Find(records, L"b", 0));
    EXPECT_EQ(2, Find(records, L"B", 2));
    EXPECT_EQ(2, Find(records, L"bi", 3)); // round the end to the first
    EXPECT_EQ(-1, Find(records, L"bi", 3, true, false));
    EXPECT_EQ(4, Find(records, L"BR", 0));
    EXPECT_EQ(3, Find(records, L"\u00E9T", 0));
    EXPECT_EQ(-1, Find(records, L"z", 0));
    EXPECT_EQ(-1, Find(records, L"alpha.txtx", 0));
    EXPECT_EQ(-1, Find(records, L"", 0));
    EXPECT_EQ(0, Find(records, L"a", 99)); // a start past the end looks from the first row

    // Without the partial flag the whole name must match.
    EXPECT_EQ(-1, Find(records, L"beta", 0, false));
    EXPECT_EQ(1, Find(records, L"BETA.TXT", 0, false));
    EXPECT_EQ(-1, Find(Named({}), L"a", 0));
}

TEST(ResultFinding, ALetterTypedAgainMovesToTheNextNameBeginningWithIt) {
    const TIDList records = Named({L"b1", L"a", L"b2", L"bb", L"b3"});
    // The list looks from the current row while the text grows: "bb" names "bb" itself.
    EXPECT_EQ(3, Find(records, L"bb", 2));
    const TIDList noDouble = Named({L"b1", L"a", L"b2", L"b3"});
    EXPECT_EQ(3, Find(noDouble, L"bb", 2));
    EXPECT_EQ(0, Find(noDouble, L"BBB", 3));
    EXPECT_EQ(-1, Find(noDouble, L"bb", 3, true, false));
    EXPECT_EQ(-1, Find(noDouble, L"ba", 0)); // different letters are a name, not a repeat
}
