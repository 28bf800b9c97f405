#include "search/SearchTestKit.h"
#include "base/Text.h"
#include "search/BytePattern.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::wstring Lower(const std::wstring& c) {
    std::wstring lower = c;
    CharLowerBuffW(lower.data(), static_cast<DWORD>(lower.size()));
    return lower;
}

std::string Encode(const std::wstring& text, TTextForm form) {
    return form == TTextForm::Utf8 ? ToUtf8(text) : Utf16Bytes(text, form == TTextForm::Utf16Be);
}

// Every occurrence, leftmost first and not overlapping, as byte offsets into the encoded
// text, comparing whole characters.
std::vector<int64_t> NaiveOccurrences(const std::vector<std::wstring>& text,
                                      const std::vector<std::wstring>& pattern, bool caseSensitive,
                                      TTextForm form) {
    std::vector<int64_t> offsets(1, 0);
    for (const std::wstring& c : text)
        offsets.push_back(offsets.back() + static_cast<int64_t>(Encode(c, form).size()));
    std::vector<int64_t> found;
    for (size_t i = 0; i + pattern.size() <= text.size();) {
        size_t j = 0;
        while (j < pattern.size() &&
               (caseSensitive ? text[i + j] == pattern[j] : Lower(text[i + j]) == Lower(pattern[j])))
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

std::wstring Joined(const std::vector<std::wstring>& characters) {
    std::wstring joined;
    for (const std::wstring& c : characters)
        joined += c;
    return joined;
}

} // namespace

// Letters of several scripts in both cases, among them pairs whose UTF-8 bytes a byte-wise
// folding through the ANSI code page would confuse (U+00CA and U+00DA; the Cyrillic pair
// changes its lead byte), characters whose UTF-16 bytes hold letters off their code unit
// (U+6100 is "a" and a zero the other way round), a zero, and a character outside the BMP.
// Every kernel, every alignment of the block, patterns up to 64 bytes, matches at the end.
TEST(FormSearch, MatchesWholeCharactersInEitherCaseInEveryForm) {
    const std::vector<std::wstring> alphabet = {L"a",          L"A",
                                                L"b",          L"x",
                                                L" ",          L"\u00FC",
                                                L"\u00DC",     L"\u00E9",
                                                L"\u00C9",     L"\u00DF",
                                                L"\u00CA",     L"\u00DA",
                                                L"\u00EA",     L"\u00FA",
                                                L"\u0160",     L"\u0161",
                                                L"\u0420",     L"\u0440",
                                                L"\u0430",     L"\u0410",
                                                L"\u6100",     L"\u6200",
                                                L"\u4100",     L"\u0062",
                                                L"\U0001F600", std::wstring(1, L'\0')};
    const TAnsiLowerMap ansiLower = AnsiLowerMap();
    const std::vector<TScanKernel> kernels = AvailableKernels();
    const TTextForm forms[] = {TTextForm::Utf8, TTextForm::Utf16Le, TTextForm::Utf16Be};
    std::mt19937 rng(11);
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::vector<unsigned char> storage;
    TBaseSearch search;
    for (int round = 0; round < 4000; ++round) {
        const TTextForm form = forms[round % 3];
        std::vector<std::wstring> text(round % 5 == 0 ? 500 + rng() % 1000 : rng() % 120);
        for (std::wstring& c : text)
            c = alphabet[pick(rng)];
        // Up to 64 bytes: 16 characters of up to 4 bytes.
        std::vector<std::wstring> pattern(1 + rng() % 16);
        const bool fromText = text.size() >= pattern.size() && rng() % 4 != 0;
        const size_t from = fromText ? (round % 7 == 0 ? text.size() - pattern.size()
                                                       : rng() % (text.size() - pattern.size() + 1))
                                     : 0;
        for (size_t j = 0; j < pattern.size(); ++j) {
            const std::wstring& c = fromText ? text[from + j] : alphabet[pick(rng)];
            pattern[j] = rng() % 2 ? Lower(c) : c;
        }
        const std::string bytes = Encode(Joined(text), form);
        const std::string patternBytes = Encode(Joined(pattern), form);
        const unsigned char* block =
            PlaceBlock(storage, bytes, patternBytes, static_cast<size_t>(round) % 64);
        for (const bool caseSensitive : {false, true}) {
            const std::vector<int64_t> expected = NaiveOccurrences(text, pattern, caseSensitive, form);
            const TBytePattern compiled(patternBytes, form, caseSensitive, ansiLower);
            for (const TScanKernel kernel : kernels) {
                ASSERT_EQ(AllMatches(compiled, block, static_cast<int64_t>(bytes.size()), kernel), expected)
                    << "round " << round << " form " << static_cast<int>(form) << " kernel "
                    << static_cast<int>(kernel) << " pattern " << ToUtf8(Joined(pattern))
                    << (caseSensitive ? " case-sensitive" : "");
            }
            search.SetBuffer(block, static_cast<int64_t>(bytes.size()));
            search.SetPattern(patternBytes);
            search.SetForm(form);
            search.SetCaseSensitive(caseSensitive);
            std::vector<int64_t> found;
            for (int64_t at = search.Search(); at != -1; at = search.SearchNext())
                found.push_back(at);
            ASSERT_EQ(found, expected) << "round " << round;
        }
    }
}
