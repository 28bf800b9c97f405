#include "search/SearchTestKit.h"
#include "search/BytePattern.h"
#include "search/Searches.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::vector<unsigned char> LocaleLowerMap() {
    std::vector<unsigned char> map(256);
    for (int c = 0; c < 256; ++c) {
        char one = static_cast<char>(c);
        CharLowerBuffA(&one, 1);
        map[c] = static_cast<unsigned char>(one);
    }
    return map;
}

// Every occurrence, leftmost first, each search continuing after the previous match.
std::vector<int64_t> NaiveOccurrences(const std::string& text, const std::string& pattern, bool caseSensitive,
                                      const std::vector<unsigned char>& lower) {
    auto fold = [&](char c) {
        return caseSensitive ? static_cast<unsigned char>(c) : lower[static_cast<unsigned char>(c)];
    };
    std::vector<int64_t> found;
    const size_t n = pattern.size();
    if (n == 0)
        return found;
    for (size_t i = 0; i + n <= text.size();) {
        size_t j = 0;
        while (j < n && fold(text[i + j]) == fold(pattern[j]))
            ++j;
        if (j == n) {
            found.push_back(static_cast<int64_t>(i));
            i += n;
        } else {
            ++i;
        }
    }
    return found;
}

std::vector<int64_t> AllOccurrences(TBaseSearch& search) {
    std::vector<int64_t> found;
    for (int64_t at = search.Search(); at != -1; at = search.SearchNext())
        found.push_back(at);
    return found;
}

std::string RandomText(std::mt19937& rng, const std::string& alphabet, size_t length) {
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    std::string text(length, '\0');
    for (char& c : text)
        c = alphabet[pick(rng)];
    return text;
}

} // namespace

TEST(BaseSearch, AgreesWithNaiveReferenceOnRandomCases) {
    const std::vector<unsigned char> lower = LocaleLowerMap();
    // Small alphabets make partial matches common; the upper half holds letters that the
    // ANSI code page folds (0xC0/0xE0) and the zero byte.
    const std::string alphabets[] = {"ab", "abA", "aAbBc", std::string("a\0\xC0\xE0\xFF", 5)};
    std::mt19937 rng(20240611);
    TBaseSearch search;
    int cases = 0;
    for (int round = 0; round < 120000; ++round) {
        const std::string& alphabet = alphabets[round % 4];
        const size_t length = std::uniform_int_distribution<size_t>(0, 48)(rng);
        const std::string text = RandomText(rng, alphabet, length);
        std::string pattern;
        switch (std::uniform_int_distribution<int>(0, 4)(rng)) {
        case 0: // from the very start or the very end of the text
            if (!text.empty()) {
                const size_t n = std::uniform_int_distribution<size_t>(1, text.size())(rng);
                pattern = round % 2 ? text.substr(0, n) : text.substr(text.size() - n);
                break;
            }
            [[fallthrough]];
        case 1: { // the last byte repeats
            pattern = RandomText(rng, alphabet, std::uniform_int_distribution<size_t>(0, 4)(rng));
            const char last = alphabet[rng() % alphabet.size()];
            pattern += std::string(std::uniform_int_distribution<size_t>(2, 3)(rng), last);
            break;
        }
        case 2: // longer than the text
            pattern = RandomText(rng, alphabet, text.size() + 1 + rng() % 3);
            break;
        default:
            pattern = RandomText(rng, alphabet, std::uniform_int_distribution<size_t>(1, 6)(rng));
            break;
        }
        const bool caseSensitive = round % 3 == 0;
        search.SetPattern(pattern);
        search.SetCaseSensitive(caseSensitive);
        search.SetBuffer(text.data(), static_cast<int64_t>(text.size()));
        const std::vector<int64_t> expected = NaiveOccurrences(text, pattern, caseSensitive, lower);
        ASSERT_EQ(AllOccurrences(search), expected)
            << "text '" << text << "' pattern '" << pattern << "' case-sensitive " << caseSensitive;
        ++cases;
    }
    EXPECT_GE(cases, 100000);
}

// Blocks of several kilobytes are scanned by two chains at once; occurrences are planted
// in either half and across the middle.
TEST(BaseSearch, LargeBlocksAgreeWithNaiveReference) {
    const std::vector<unsigned char> lower = LocaleLowerMap();
    std::mt19937 rng(77);
    TBaseSearch search;
    for (int round = 0; round < 3000; ++round) {
        const size_t length = std::uniform_int_distribution<size_t>(4096, 16384)(rng);
        std::string text = RandomText(rng, "abcdefABCDEF", length);
        const std::string pattern =
            RandomText(rng, "abcdefABCDEF", std::uniform_int_distribution<size_t>(1, 9)(rng));
        for (int plant = round % 4; plant > 0; --plant) {
            const size_t at =
                plant == 1 ? length / 2 - rng() % pattern.size() : rng() % (length - pattern.size());
            text.replace(at, pattern.size(), pattern);
        }
        const bool caseSensitive = round % 2 == 0;
        search.SetPattern(pattern);
        search.SetCaseSensitive(caseSensitive);
        search.SetBuffer(text.data(), static_cast<int64_t>(text.size()));
        ASSERT_EQ(AllOccurrences(search), NaiveOccurrences(text, pattern, caseSensitive, lower))
            << "pattern '" << pattern << "' round " << round;
    }
}

// Every scan kernel, the block at every alignment, patterns of 1 to 64 bytes: matches planted
// at the very end of the block, where the vector loops hand over to the rest.
TEST(BaseSearch, EveryKernelAndAlignmentAgreesWithNaiveReference) {
    const std::vector<unsigned char> lower = LocaleLowerMap();
    const TAnsiLowerMap ansiLower = AnsiLowerMap();
    const std::string alphabets[] = {"ab", "aAbB", std::string("a\0\xC0\xE0\xFF", 5),
                                     "abcdefghijklmnopqrstuvwxyz ABCDEF.,"};
    const std::vector<TScanKernel> kernels = AvailableKernels();
    std::mt19937 rng(909);
    std::vector<unsigned char> storage;
    for (int round = 0; round < 8000; ++round) {
        const std::string& alphabet = alphabets[round % 4];
        const size_t length = std::uniform_int_distribution<size_t>(0, round % 5 == 0 ? 3000 : 160)(rng);
        std::string text = RandomText(rng, alphabet, length);
        const size_t n = std::uniform_int_distribution<size_t>(1, 64)(rng);
        std::string pattern = n <= length && rng() % 2 ? text.substr(rng() % (length - n + 1), n)
                                                       : RandomText(rng, alphabet, n);
        for (char& c : pattern) {
            const auto byte = static_cast<unsigned char>(c);
            if (rng() % 3 == 0 && ((byte | 0x20) == 'a' || (byte | 0x20) == 'b' || (byte & 0xDF) == 0xC0))
                c = static_cast<char>(byte ^ 0x20);
        }
        if (n <= length && round % 3 == 0)
            text.replace(length - n, n, pattern);
        const bool caseSensitive = round % 2 == 0;
        const unsigned char* block = PlaceBlock(storage, text, pattern, static_cast<size_t>(round) % 64);
        const std::vector<int64_t> expected = NaiveOccurrences(text, pattern, caseSensitive, lower);
        const TBytePattern compiled(pattern, TTextForm::Ansi, caseSensitive, ansiLower);
        for (const TScanKernel kernel : kernels) {
            ASSERT_EQ(AllMatches(compiled, block, static_cast<int64_t>(length), kernel), expected)
                << "round " << round << " kernel " << static_cast<int>(kernel) << " pattern length " << n;
        }
    }
}

TEST(BaseSearch, EdgeCasesOfPatternAndBlock) {
    TBaseSearch search;
    const std::string text = "xxabcabcxx";
    search.SetBuffer(text.data(), static_cast<int64_t>(text.size()));
    EXPECT_EQ(search.Search(), -1) << "an empty pattern never matches";

    search.SetPattern("abc");
    EXPECT_EQ(search.Search(), 2);
    EXPECT_EQ(search.SearchNext(), 5);
    EXPECT_EQ(search.SearchNext(), -1);
    EXPECT_EQ(search.Search(), 2) << "Search starts afresh";

    search.SetPattern("ABC");
    EXPECT_EQ(search.Search(), 2) << "case-insensitive by default";
    search.SetCaseSensitive(true);
    EXPECT_EQ(search.Search(), -1);

    search.SetPattern(text);
    EXPECT_EQ(search.Search(), 0);
    search.SetPattern(text + "x");
    EXPECT_EQ(search.Search(), -1);

    search.SetBuffer(text.data(), static_cast<int64_t>(text.size()));
    search.SetPattern("xab");
    EXPECT_EQ(search.SearchNext(), 1) << "without a Search the scan starts at the first window";
    // The bytes before the block would match if a window started there.
    const std::string backing = "zzzzcqqqq";
    search.SetBuffer(backing.data() + 4, 5);
    search.SetPattern("zzzzc");
    EXPECT_EQ(search.SearchNext(), -1);

    search.SetBuffer(nullptr, 10);
    search.SetPattern("x");
    EXPECT_EQ(search.Search(), -1) << "no block";
    search.SetBuffer(text.data(), 0);
    EXPECT_EQ(search.Search(), -1);
}

TEST(BaseSearch, AccentedLettersFoldAsTheLocaleFoldsThem) {
    char upper = '\xC9', lower = upper; // E acute in the ANSI code page
    CharLowerBuffA(&lower, 1);
    if (lower == upper)
        GTEST_SKIP() << "the ANSI code page has no case pair at 0xC9";
    TBaseSearch search;
    const std::string text = std::string("caf") + lower;
    search.SetBuffer(text.data(), 4);
    search.SetPattern(std::string("CAF") + upper);
    EXPECT_EQ(search.Search(), 0);
    search.SetCaseSensitive(true);
    EXPECT_EQ(search.Search(), -1);
}

TEST(BaseSearch, TablesAreRebuiltOnlyWhenPatternOrCaseModeChanges) {
    TBaseSearch search;
    const std::string text = "needle";
    search.SetBuffer(text.data(), 6);
    search.SetPattern("eed");
    EXPECT_FALSE(search.TablesReady());
    EXPECT_EQ(search.Search(), 1);
    EXPECT_TRUE(search.TablesReady());
    search.SetPattern("eed");
    EXPECT_TRUE(search.TablesReady());
    search.SetCaseSensitive(false);
    EXPECT_TRUE(search.TablesReady());
    search.SetCaseSensitive(true);
    EXPECT_FALSE(search.TablesReady());
    EXPECT_EQ(search.Search(), 1);
    search.SetPattern("dle");
    EXPECT_FALSE(search.TablesReady());
}
