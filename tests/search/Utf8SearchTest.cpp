#include "base/Text.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <vector>

using namespace quarrow;

namespace {

wchar_t Lower(wchar_t c) {
    CharLowerBuffW(&c, 1);
    return c;
}

// Every occurrence, leftmost first and not overlapping, as byte offsets into the UTF-8 text,
// comparing whole characters.
std::vector<int64_t> NaiveOccurrences(const std::vector<std::wstring>& text,
                                      const std::vector<std::wstring>& pattern, bool caseSensitive) {
    std::vector<int64_t> offsets(1, 0);
    for (const std::wstring& c : text)
        offsets.push_back(offsets.back() + static_cast<int64_t>(ToUtf8(c).size()));
    std::vector<int64_t> found;
    for (size_t i = 0; i + pattern.size() <= text.size();) {
        size_t j = 0;
        while (j < pattern.size() &&
               (caseSensitive ? text[i + j] == pattern[j] : Lower(text[i + j][0]) == Lower(pattern[j][0])))
            ++j;
        if (j == pattern.size()) {
            found.push_back(offsets[i]);
            i += pattern.size();
        } else {
            ++i;
        }
    }
    return found;
}

} // namespace

// Letters of several scripts in both cases, among them pairs whose UTF-8 bytes a byte-wise
// folding through the ANSI code page would confuse (U+00CA and U+00DA; the Cyrillic pair
// changes its lead byte).
TEST(Utf8Search, MatchesWholeCharactersInEitherCaseLikeACharacterComparison) {
    const std::vector<std::wstring> alphabet = {
        L"a",      L"A",      L"x",      L" ",      L"\u00FC", L"\u00DC", L"\u00E9", L"\u00C9", L"\u00DF",
        L"\u00CA", L"\u00DA", L"\u00EA", L"\u00FA", L"\u0160", L"\u0161", L"\u0420", L"\u0440"};
    std::mt19937 rng(11);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    TBaseSearch search;
    search.SetUtf8(true);
    for (int round = 0; round < 400; ++round) {
        // Long texts take the two-chain scan, short ones the single chain.
        std::vector<std::wstring> text(round % 4 == 0 ? 3000 : 40 + rng() % 200);
        for (std::wstring& c : text)
            c = alphabet[pick(rng)];
        std::vector<std::wstring> pattern(1 + rng() % 4);
        const size_t from = rng() % (text.size() - pattern.size());
        for (size_t j = 0; j < pattern.size(); ++j) {
            const std::wstring& c = round % 3 ? text[from + j] : alphabet[pick(rng)];
            // Often the other case of what the text holds.
            pattern[j] = rng() % 2 ? std::wstring(1, Lower(c[0])) : c;
        }
        std::wstring joinedText, joinedPattern;
        for (const std::wstring& c : text)
            joinedText += c;
        for (const std::wstring& c : pattern)
            joinedPattern += c;
        const std::string bytes = ToUtf8(joinedText);
        search.SetBuffer(bytes.data(), static_cast<int64_t>(bytes.size()));
        search.SetPattern(ToUtf8(joinedPattern));
        for (const bool caseSensitive : {false, true}) {
            search.SetCaseSensitive(caseSensitive);
            std::vector<int64_t> found;
            for (int64_t at = search.Search(); at != -1; at = search.SearchNext())
                found.push_back(at);
            ASSERT_EQ(found, NaiveOccurrences(text, pattern, caseSensitive))
                << "round " << round << " pattern " << ToUtf8(joinedPattern)
                << (caseSensitive ? " case-sensitive" : "");
        }
    }
}
