#include "search/SearchTestKit.h"
#include "base/Text.h"
#include "search/BytePattern.h"
#include "search/Searches.h"
#include "search/TextMatcher.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <random>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

// Unicode's case mappings, which the platform's own casing leaves out for some letters.
std::wstring Mapped(const std::wstring& c, DWORD flags) {
    std::wstring mapped = c;
    LCMapStringEx(LOCALE_NAME_INVARIANT, flags | LCMAP_LINGUISTIC_CASING, c.data(),
                  static_cast<int>(c.size()), mapped.data(), static_cast<int>(mapped.size()), nullptr,
                  nullptr, 0);
    return mapped;
}

std::wstring Lower(const std::wstring& c) {
    return Mapped(c, LCMAP_LOWERCASE);
}

std::wstring Upper(const std::wstring& c) {
    return Mapped(c, LCMAP_UPPERCASE);
}

// Two characters that share a case form match when case is ignored.
bool Related(const std::wstring& a, const std::wstring& b) {
    const std::wstring formsOfA[] = {a, Upper(a), Lower(a)};
    for (const std::wstring& form : {b, Upper(b), Lower(b)}) {
        if (std::find(std::begin(formsOfA), std::end(formsOfA), form) != std::end(formsOfA))
            return true;
    }
    return false;
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
               (caseSensitive ? text[i + j] == pattern[j] : Related(text[i + j], pattern[j])))
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
// (U+6100 is "a" and a zero the other way round), a zero, a character outside the BMP, and
// letters whose relatives take more or fewer UTF-8 bytes (dotless i, Kelvin sign, long s).
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
                                                L"\U0001F600", std::wstring(1, L'\0'),
                                                L"i",          L"I",
                                                L"\u0131",     L"\u0130",
                                                L"k",          L"\u212A",
                                                L"s",          L"\u017F",
                                                L"\u03C3",     L"\u03C2",
                                                L"\u03A3",     L"\u1E9E"};
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

// The text's UTF-16 bytes one byte off the code units, searched from an odd offset: every
// kernel starts on the next code unit, where the bytes do not match.
TEST(FormSearch, AUtf16PatternFromAnOddOffsetMatchesOnlyOnCodeUnits) {
    std::string block = std::string(1, '\0');
    for (int i = 0; i < 100; ++i)
        block += Utf16Bytes(L"ab", false);
    const std::string aligned = std::string(2, '\0') + Utf16Bytes(L"ab", false);
    const TBytePattern pattern(Utf16Bytes(L"ab", false), TTextForm::Utf16Le, true, AnsiLowerMap());
    const auto* bytes = reinterpret_cast<const unsigned char*>(block.data());
    for (const TScanKernel kernel : AvailableKernels()) {
        EXPECT_EQ(pattern.Find(bytes, static_cast<int64_t>(block.size()), 1, kernel), -1);
        EXPECT_EQ(pattern.Find(bytes, static_cast<int64_t>(block.size()), 0, kernel), -1);
        EXPECT_EQ(pattern.Find(reinterpret_cast<const unsigned char*>(aligned.data()),
                               static_cast<int64_t>(aligned.size()), 1, kernel),
                  2);
    }
}

// Every letter that shares a case form with the text's letter, in every encoding a file may
// have: without a mark (ANSI where the code page has the letters, UTF-8), UTF-8 with a mark,
// UTF-16 in both byte orders. The match covers the letters whatever bytes they take.
TEST(FormSearch, ALetterFindsTheLettersThatShareACaseFormWithItInEveryEncoding) {
    struct Case {
        const wchar_t* text;
        const wchar_t* file;
        bool found;
    };
    const Case cases[] = {
        {L"\u039F\u0394\u039F\u03A3", L"\u03BF\u03B4\u03BF\u03C2", true}, // capital and final sigma
        {L"\u03BF\u03B4\u03BF\u03C3", L"\u03BF\u03B4\u03BF\u03C2", true},
        {L"\u03BF\u03B4\u03BF\u03C2", L"\u039F\u0394\u039F\u03A3", true},
        {L"ISPARTA", L"\u0131SPARTA", true}, // I is the upper case of the dotless i
        {L"isparta", L"\u0130SPARTA", true}, // i is the lower case of the dotted I
        {L"\u0131sparta", L"ISPARTA", true},
        {L"\u0131sparta", L"\u0130SPARTA", false},
        {L"K", L"\u212A", true}, // the Kelvin sign
        {L"\u212A", L"k", true},
        {L"kelvin", L"\u212Aelvin", true},
        {L"stra\u00DFe", L"STRA\u1E9EE", true}, // the capital sharp s
        {L"STRA\u1E9EE", L"Stra\u00DFe", true},
        {L"stra\u00DFe", L"STRASSE", false},
        {L"ISPARTA", L"XSPARTA", false},
    };
    struct File {
        std::string bytes;
        size_t start, end; // of the letters
    };
    for (const Case& c : cases) {
        const TTextMatcher matcher(c.text, false);
        const auto around = [](const std::string& prefix, const std::string& letters,
                               const std::string& suffix) {
            return File{prefix + letters + suffix, prefix.size(), prefix.size() + letters.size()};
        };
        std::vector<File> files{around("x ", ToUtf8(c.file), " y"),
                                around("\xEF\xBB\xBFx ", ToUtf8(c.file), " y")};
        for (const bool bigEndian : {false, true})
            files.push_back(
                around(std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") + Utf16Bytes(L"x ", bigEndian),
                       Utf16Bytes(c.file, bigEndian), Utf16Bytes(L" y", bigEndian)));
        // A text the code page cannot write is looked for in UTF-8 alone.
        bool lossless = true, textLossless = true;
        const std::string ansi = ToAnsi(c.file, &lossless);
        ToAnsi(c.text, &textLossless);
        if (lossless && textLossless)
            files.push_back(around("x ", ansi, " y"));
        for (const File& file : files) {
            const TFileEncoding encoding = DetectTextEncoding(file.bytes.data(), file.bytes.size()).Encoding;
            const std::vector<TTextMatch> expected{
                {static_cast<int64_t>(file.start), static_cast<int64_t>(file.end - file.start)}};
            EXPECT_EQ(matcher.Matches(file.bytes.data(), file.bytes.size(), encoding),
                      c.found ? expected : std::vector<TTextMatch>{})
                << ToUtf8(c.text) << " in " << ToUtf8(c.file) << ", encoding " << static_cast<int>(encoding);
        }
    }
}

// A letter whose other case takes more bytes, at the borders of the slices a large block is
// scanned in: the longer form on either side of a border, and a match that starts before a
// border whose longer form lies after it.
TEST(FormSearch, LongerFormsAreFoundAcrossTheSlicesOfALargeBlock) {
    constexpr size_t Slice = 128 * 1024;
    struct Plant {
        const char* needle;
        std::vector<std::pair<size_t, std::string>> texts;
    };
    const Plant plants[] = {
        {"isparta", {{Slice - 1, "\xC4\xB1SPARTA"}, {200000, "ISPARTA"}, {3 * Slice - 1, "\xC4\xB0sparta"}}},
        {"xyzi", {{Slice - 2, "xyz\xC4\xB1"}, {2 * Slice - 4, "XYZI"}, {2 * Slice, "xyz\xC4\xB0"}}},
    };
    for (const Plant& plant : plants) {
        std::string block(4 * Slice, 'a');
        std::vector<int64_t> expected;
        for (const auto& [at, text] : plant.texts) {
            block.replace(at, text.size(), text);
            expected.push_back(static_cast<int64_t>(at));
        }
        const TBytePattern pattern(plant.needle, TTextForm::Ansi, false, AnsiLowerMap());
        for (const TScanKernel kernel : AvailableKernels())
            EXPECT_EQ(AllMatches(pattern, reinterpret_cast<const unsigned char*>(block.data()),
                                 static_cast<int64_t>(block.size()), kernel),
                      expected)
                << plant.needle << " kernel " << static_cast<int>(kernel);
    }
}
