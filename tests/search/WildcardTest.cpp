#include "search/Wildcard.h"
#include "base/Handles.h"
#include "base/Text.h"
#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

using namespace quarrow;
using namespace quarrow::test;

namespace {

struct Case {
    const wchar_t* pattern;
    const wchar_t* name;
    const wchar_t* alias;
    bool matches;
};

// The platform's documented rules, one case each, also where this Wine's listing does not
// follow them.
const Case DocumentedCases[] = {
    {L"*.*", L"readme", L"", true},
    {L"*.*", L".profile", L"", true},
    {L"*.", L"readme", L"", true},
    {L"*.", L"notes.txt", L"", false},
    {L"*.", L"a.b", L"", false},
    {L"abc*.", L"abcdef", L"", true},
    {L"abc*.", L"abc.txt", L"", false},
    {L"*.txt", L"a.b.TXT", L"", true},
    {L"*.txt", L"a.txtx", L"", false},
    {L"*.txt ", L"a.txt", L"", true},
    {L"*.txt. . ", L"a.txt", L"", true},
    {L"*.htm", L"page.html", L"PAGE~1.HTM", true},
    {L"*.htm", L"page.html", L"", false},
    {L"a?.txt", L"a.txt", L"", true},
    {L"a?.txt", L"ab.txt", L"", true},
    {L"a?.txt", L"abc.txt", L"", false},
    {L"a?txt", L"a.txt", L"", false},
    {L"???", L"ab", L"", true},
    {L"???", L"abcd", L"", false},
    {L"???", L"ab.c", L"", false},
    {L"?.txt", L".txt", L"", true},
    {L"*.?", L"abc", L"", true},
    {L"*.?", L"abc.d", L"", true},
    {L"*.?", L"abc.de", L"", false},
    {L".*", L".hidden", L"", true},
    {L".*", L"abc", L"", false},
    {L"a.*", L"a", L"", true},
    {L"a*.*", L"abc", L"", true},
    {L"a*.*", L"a.b.c", L"", true},
    {L"*.t*", L"a.txt.bak", L"", true},
    {L"a*b?.c*", L"axxb.cpp", L"", true},
    {L"a*b?.c*", L"axxbz.c", L"", true},
    {L"a*b?.c*", L"axxbzz.c", L"", false},
    {L"abcdefghij*", L"abc", L"", false},
    {L"\u00C9*.TXT", L"\u00E9t\u00E9.txt", L"", true},
    // Typed as they are, the file system's own wildcards.
    {L"a<", L"abc", L"", true},
    {L"a<", L"abc.d", L"", false},
    {L"<.d", L"a.b.d", L"", true},
    {L"a>>", L"a", L"", true},
    {L"a>c", L"a.c", L"", false},
    {L"x\"y*", L"x.yz", L"", true},
    {L"x\"", L"x", L"", true},
    {L"x\"y", L"xy", L"", false},
};

TEST(Wildcard, FollowsThePlatformsDocumentedRules) {
    for (const Case& c : DocumentedCases)
        EXPECT_EQ(TWildcard(c.pattern).Matches(c.name, c.alias), c.matches)
            << "pattern \"" << ToUtf8(c.pattern) << "\", name \"" << ToUtf8(c.name) << "\"";
    EXPECT_TRUE(TWildcard(L"*").MatchesEverything());
    EXPECT_TRUE(TWildcard(L"*.*").MatchesEverything());
    EXPECT_TRUE(TWildcard(L"**").MatchesEverything());
    EXPECT_FALSE(TWildcard(L"*.").MatchesEverything());
    EXPECT_FALSE(TWildcard(L"*.txt").MatchesEverything());
    // Longer than one word of states.
    const std::wstring longPattern = std::wstring(70, L'?') + L"*x";
    EXPECT_TRUE(TWildcard(longPattern).Matches(std::wstring(80, L'a') + L"x", L""));
    EXPECT_FALSE(TWildcard(longPattern).Matches(std::wstring(60, L'a') + L"x", L""));
}

// Every name and pattern of the differential test below is made of these.
const wchar_t* const NameParts[] = {L"a",      L"b",      L"c",  L"x",   L"A",   L"B", L"\u00E9", L"\u00C9",
                                    L"\u03C9", L"\u03A9", L"ab", L"abc", L"txt", L" ", L"~1",     L"0"};
const wchar_t* const PatternParts[] = {L"*",      L"?", L".",   L"a",  L"b",  L"c",  L"x",   L"B", L"\u00C9",
                                       L"\u03C9", L" ", L"*.*", L".*", L"*.", L"ab", L"txt", L"~"};
const wchar_t* const FixedPatterns[] = {L"*",         L"?",
                                        L"*.*",       L"*.",
                                        L".*",        L"a*b?.c*",
                                        L"*.txt",     L"*.t?t",
                                        L"???",       L"?.?",
                                        L"*.???",     L"a?.*",
                                        L"*~*",       L"*~1*",
                                        L"*. ",       L"*.*.*",
                                        L"?*",        L"*?",
                                        L"*??*",      L"??????????*",
                                        L"*a*a*a*a*", L"abcabcabcabc*xyzxyz??",
                                        L"*.TXT",     L"* *",
                                        L"*.*.",      L"*..*",
                                        L". *",       L"*x.",
                                        L"?.",        L"*.?"};

std::wstring RandomText(std::mt19937& rng, const wchar_t* const* parts, size_t partCount, int most) {
    std::wstring text;
    const int count = 1 + static_cast<int>(rng() % static_cast<unsigned>(most));
    for (int i = 0; i < count; ++i)
        text += parts[rng() % partCount];
    return text;
}

// Names with and without extensions, with several dots, leading and trailing dots and
// blanks, long enough to be given an 8.3 alias, with letters outside ASCII.
std::wstring RandomName(std::mt19937& rng) {
    std::wstring name;
    if (rng() % 8 == 0)
        name += L'.';
    name += RandomText(rng, NameParts, std::size(NameParts), rng() % 4 == 0 ? 8 : 4);
    const int dots = static_cast<int>(rng() % 4);
    for (int i = 0; i < dots; ++i)
        name +=
            L"." + (rng() % 5 == 0 ? std::wstring() : RandomText(rng, NameParts, std::size(NameParts), 3));
    if (rng() % 10 == 0)
        name += rng() % 2 ? L"." : L" ";
    return name;
}

// A pattern as the launch hands it on: one without a wildcard is searched for anywhere.
std::wstring RandomPattern(std::mt19937& rng) {
    std::wstring pattern = RandomText(rng, PatternParts, std::size(PatternParts), 6);
    if (pattern.find_first_of(L"*?") == std::wstring::npos)
        pattern = L"*" + pattern + L"*";
    return pattern;
}

// How this Wine's listing matches, where it departs from the documented rules: its "?" is
// plain (one character, a dot too, never none), a final "*" stays one when the pattern's dot
// was removed, and it matches greedily. A "*" jumps to the next occurrence of the character
// after it and, on a later difference, starts again one character further; at the end of the
// pattern with name left over it goes on from that "*" without going back, and a "?" is
// never taken back. Once the name is used up, the pattern's last dots and stars are ignored.
bool MatchesAsThisWineDoes(const std::wstring& pattern, std::wstring_view name) {
    std::wstring mask = pattern;
    while (!mask.empty() && (mask.back() == L'.' || mask.back() == L' '))
        mask.pop_back();
    const auto same = [](wchar_t a, wchar_t b) { return UpcaseNameChar(a) == UpcaseNameChar(b); };
    constexpr size_t None = std::wstring::npos;
    size_t n = 0, m = 0, joker = None, retry = 0;
    while (n < name.size() && m < mask.size()) {
        if (mask[m] == L'*') {
            while (m < mask.size() && mask[m] == L'*')
                ++m;
            if (m == mask.size())
                return true;
            joker = m;
            while (n < name.size() && !same(name[n], mask[m]))
                ++n;
            retry = n;
        } else if (mask[m] == L'?') {
            ++m;
            ++n;
        } else if (same(name[n], mask[m])) {
            ++m;
            ++n;
            if (m == mask.size() && n < name.size() && joker != None)
                m = joker;
        } else {
            if (joker == None)
                return false;
            m = joker;
            n = ++retry;
        }
    }
    while (m < mask.size() && (mask[m] == L'.' || mask[m] == L'*'))
        ++m;
    return n == name.size() && m == mask.size();
}

// The documented rules as plainly as they read, written apart from the matcher under test:
// a backtracking match of the expression the Win32 layer hands the file system.
bool MatchesAsDocumented(const std::wstring& pattern, std::wstring_view name) {
    const std::wstring expression = ListingExpression(pattern);
    const size_t lastDot = name.rfind(L'.');
    const size_t width = name.size() + 1;
    std::vector<signed char> known(width * (expression.size() + 1), -1);
    const std::function<bool(size_t, size_t)> match = [&](size_t e, size_t n) -> bool {
        signed char& memo = known[e * width + n];
        if (memo >= 0)
            return memo != 0;
        bool result = false;
        if (e == expression.size()) {
            result = n == name.size();
        } else {
            switch (expression[e]) {
            case L'*':
                for (size_t k = n; k <= name.size() && !result; ++k)
                    result = match(e + 1, k);
                break;
            case L'<': {
                const size_t end = lastDot != std::wstring::npos && lastDot >= n ? lastDot : name.size();
                for (size_t k = n; k <= end && !result; ++k)
                    result = match(e + 1, k);
                break;
            }
            case L'?':
                result = n < name.size() && match(e + 1, n + 1);
                break;
            case L'>':
                result = n == name.size() || name[n] == L'.' ? match(e + 1, n) : match(e + 1, n + 1);
                break;
            case L'"':
                result = n == name.size() ? match(e + 1, n) : name[n] == L'.' && match(e + 1, n + 1);
                break;
            default:
                result = n < name.size() && UpcaseNameChar(name[n]) == UpcaseNameChar(expression[e]) &&
                         match(e + 1, n + 1);
                break;
            }
        }
        memo = result ? 1 : 0;
        return result;
    };
    return match(0, 0);
}

struct Listed {
    std::wstring name;
    std::wstring alias;
};

std::vector<Listed> ListAll(const std::wstring& folder) {
    std::vector<Listed> all;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoStandard, &entry,
                                     FindExSearchNameMatch, nullptr, 0));
    if (!find)
        return all;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            all.push_back({name, entry.cAlternateFileName});
    } while (FindNextFileW(find.Get(), &entry));
    return all;
}

std::set<std::wstring> ListWithPattern(const std::wstring& folder, const std::wstring& pattern) {
    std::set<std::wstring> names;
    WIN32_FIND_DATAW entry;
    UniqueFind find(FindFirstFileExW((folder + L"\\" + pattern).c_str(), FindExInfoBasic, &entry,
                                     FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find)
        return names;
    do {
        const std::wstring name = entry.cFileName;
        if (name != L"." && name != L"..")
            names.insert(name);
    } while (FindNextFileW(find.Get(), &entry));
    return names;
}

unsigned SeedOfThisRun() {
    if (const char* fixed = std::getenv("QUARROW_WILDCARD_SEED"))
        return static_cast<unsigned>(std::strtoul(fixed, nullptr, 10));
    return std::random_device()();
}

} // namespace

// Each pair of a generated name in a real folder and a generated pattern: the entries that
// the platform's listing with the pattern returns are those the pattern selects from one
// listing of the whole folder. Every pair is also held to the documented rules written out
// above; the pairs on which this Wine departs from them are counted apart.
TEST(Wildcard, SelectsWhatThePlatformsListingReturns) {
    const unsigned seed = SeedOfThisRun();
    std::mt19937 rng(seed);
    TempDir dir{L"wildcard"};
    for (int i = 0; i < 520; ++i) {
        // A name that differs from another only in case is the same name here.
        UniqueFile file(CreateFileW((L"\\\\?\\" + dir.Sub(RandomName(rng))).c_str(), GENERIC_WRITE, 0,
                                    nullptr, CREATE_NEW, 0, nullptr));
    }
    const std::vector<Listed> names = ListAll(dir.Path());
    ASSERT_GE(names.size(), 400u) << "seed " << seed;

    std::vector<std::wstring> patterns(std::begin(FixedPatterns), std::end(FixedPatterns));
    while (patterns.size() < 260)
        patterns.push_back(RandomPattern(rng));

    int compared = 0, leftOut = 0, mismatches = 0, departures = 0;
    std::map<std::wstring, int> withAlias;
    for (const std::wstring& pattern : patterns) {
        const std::set<std::wstring> listed = ListWithPattern(dir.Path(), pattern);
        const TWildcard wildcard(pattern);
        for (const Listed& entry : names) {
            const bool selected = wildcard.Matches(entry.name, entry.alias);
            const bool documented = MatchesAsDocumented(pattern, entry.name) ||
                                    (!entry.alias.empty() && MatchesAsDocumented(pattern, entry.alias));
            // Every pair, also those this Wine's listing cannot judge.
            if (selected != documented && ++departures <= 20)
                ADD_FAILURE() << "seed " << seed << ": pattern \"" << ToUtf8(pattern) << "\", name \""
                              << ToUtf8(entry.name) << "\" (alias \"" << ToUtf8(entry.alias)
                              << "\"): the documented rules " << (documented ? "select it" : "leave it out");
            const bool asWineDoes = MatchesAsThisWineDoes(pattern, entry.name) ||
                                    (!entry.alias.empty() && MatchesAsThisWineDoes(pattern, entry.alias));
            if (documented != asWineDoes) {
                ++leftOut;
                continue;
            }
            ++compared;
            if (selected != (listed.count(entry.name) != 0)) {
                ++mismatches;
                ADD_FAILURE() << "seed " << seed << ": pattern \"" << ToUtf8(pattern) << "\", name \""
                              << ToUtf8(entry.name) << "\" (alias \"" << ToUtf8(entry.alias)
                              << "\"): the listing " << (selected ? "leaves it out" : "returns it");
                if (mismatches > 20)
                    FAIL() << "seed " << seed << ": too many mismatches";
            }
            if (selected && !entry.alias.empty() &&
                !TNameExpression(ListingExpression(pattern)).Matches(entry.name))
                ++withAlias[pattern];
        }
    }
    EXPECT_EQ(mismatches, 0) << "seed " << seed;
    EXPECT_EQ(departures, 0) << "seed " << seed;
    EXPECT_GE(compared, 100000) << "seed " << seed;
    EXPECT_FALSE(withAlias.empty()) << "some entries are selected by their alias alone";
    std::printf("%d pairs compared, %d left out (seed %u)\n", compared, leftOut, seed);
}
