#include "search/BytePattern.h"

#include "base/Text.h"

#include <windows.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#if defined(_M_X64) || defined(__x86_64__) || defined(_M_IX86) || defined(__i386__)
#define QUARROW_SCAN_X86 1
#include <immintrin.h>
#include <intrin.h>
#else
#define QUARROW_SCAN_X86 0
#endif

// Functions that use instructions beyond the compiler's baseline: GCC and Clang must be told
// per function; MSVC emits any intrinsic anywhere. The helpers of the vector loops are always
// inlined, so that no vector is ever passed through the stack.
#if defined(__GNUC__) || defined(__clang__)
#define QUARROW_TARGET_AVX2 __attribute__((target("avx2")))
#define QUARROW_TARGET_XSAVE __attribute__((target("xsave")))
#define QUARROW_FORCE_INLINE inline __attribute__((always_inline))
#else
#define QUARROW_TARGET_AVX2
#define QUARROW_TARGET_XSAVE
#define QUARROW_FORCE_INLINE __forceinline
#endif

namespace quarrow {
namespace {

// The byte length of the UTF-8 sequence that starts at `text[at]`, or 0 when none does.
size_t Utf8SequenceLength(const std::string& text, size_t at) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const size_t length = lead >= 0xC2 && lead <= 0xDF   ? 2
                          : lead >= 0xE0 && lead <= 0xEF ? 3
                          : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                         : 0;
    if (length == 0 || at + length > text.size())
        return 0;
    for (size_t i = 1; i < length; ++i) {
        if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
            return 0;
    }
    return length;
}

// Unicode's own case mappings, the same in every locale. Without linguistic casing the
// platform maps neither the final sigma, nor the Turkish letters, nor the Kelvin sign.
constexpr DWORD UnicodeCasing = LCMAP_LINGUISTIC_CASING;

std::wstring MappedCase(const std::wstring& text, DWORD flags) {
    wchar_t buffer[8] = {};
    const int length = LCMapStringEx(LOCALE_NAME_INVARIANT, flags | UnicodeCasing, text.c_str(),
                                     static_cast<int>(text.size()), buffer, 8, nullptr, nullptr, 0);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

// The upper and lower case of every UTF-16 unit that has either, made once in two calls,
// sorted three ways for lookups.
struct TCasedUnit {
    wchar_t unit, upper, lower;
};

struct TCaseTable {
    std::vector<TCasedUnit> byUnit, byUpper, byLower;
};

const TCaseTable& CaseTable() {
    static const TCaseTable table = [] {
        std::wstring units;
        for (wchar_t c = 1; c < 0xD800; ++c)
            units += c;
        for (unsigned c = 0xE000; c <= 0xFFFF; ++c)
            units += static_cast<wchar_t>(c);
        const int length = static_cast<int>(units.size());
        std::wstring upper(units.size(), L'\0'), lower(units.size(), L'\0');
        TCaseTable found;
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE | UnicodeCasing, units.data(), length,
                          upper.data(), length, nullptr, nullptr, 0) != length ||
            LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_LOWERCASE | UnicodeCasing, units.data(), length,
                          lower.data(), length, nullptr, nullptr, 0) != length)
            return found;
        for (size_t i = 0; i < units.size(); ++i) {
            if (upper[i] != units[i] || lower[i] != units[i])
                found.byUnit.push_back({units[i], upper[i], lower[i]});
        }
        found.byUpper = found.byLower = found.byUnit;
        std::stable_sort(found.byUpper.begin(), found.byUpper.end(),
                         [](const TCasedUnit& a, const TCasedUnit& b) { return a.upper < b.upper; });
        std::stable_sort(found.byLower.begin(), found.byLower.end(),
                         [](const TCasedUnit& a, const TCasedUnit& b) { return a.lower < b.lower; });
        return found;
    }();
    return table;
}

void AddOnce(std::vector<std::wstring>& characters, std::wstring character) {
    if (!character.empty() && std::find(characters.begin(), characters.end(), character) == characters.end())
        characters.push_back(std::move(character));
}

wchar_t Utf16Unit(const std::string& bytes, size_t at, bool bigEndian) {
    const auto first = static_cast<unsigned char>(bytes[at]),
               second = static_cast<unsigned char>(bytes[at + 1]);
    return static_cast<wchar_t>(bigEndian ? first << 8 | second : second << 8 | first);
}

// How often a byte value turns up in ordinary files, roughly: the scan looks for candidates
// at the pattern's rarest bytes.
int EstimatedFrequency(unsigned char c) {
    static constexpr char ByFrequency[] = "etaoinshrdlcumwfgypbvkjxqz";
    const auto rankOf = [](char letter) {
        return static_cast<int>(std::find(std::begin(ByFrequency), std::end(ByFrequency), letter) -
                                std::begin(ByFrequency));
    };
    if (c == 0)
        return 255;
    if (c == ' ')
        return 250;
    if (c >= 'a' && c <= 'z')
        return 245 - 2 * rankOf(static_cast<char>(c));
    if (c == '\n' || c == '\r' || c == '\t')
        return 190;
    if (c >= 'A' && c <= 'Z')
        return 170 - rankOf(static_cast<char>(c + 32));
    if (c >= '0' && c <= '9')
        return 140;
    if (c == 0xFF)
        return 130;
    if (std::strchr(".,-_/:;'\"()=<>", c) != nullptr)
        return 120;
    if (c < 0x80)
        return c < 0x20 ? 80 : 100;
    return 60;
}

int ByteFrequency(unsigned char c) {
    static const std::array<int, 256> table = [] {
        std::array<int, 256> frequencies{};
        for (int c = 0; c < 256; ++c)
            frequencies[c] = EstimatedFrequency(static_cast<unsigned char>(c));
        return frequencies;
    }();
    return table[c];
}

} // namespace

// Each byte i of a window matches when (byte & masks[i]) == values[i]; the masks are padded
// with zeros to whole vectors. A character whose bytes the masks cannot tell from others is
// checked against its byte strings.
struct TBytePattern::TScan {
    // `characters` hold byte strings of one length each.
    TScan(const std::vector<TAlternatives>& characters, TTextForm form);
    int64_t Length() const { return bytes; }
    bool MatchesAt(const unsigned char* data, int64_t length, int64_t at) const;
    // The first window at `from` or later that matches, or -1.
    int64_t Find(const unsigned char* data, int64_t length, int64_t from, TScanKernel kernel) const;

    struct TCheck {
        size_t offset = 0;
        size_t length = 0;
        TAlternatives alternatives;
    };

    int64_t bytes = 0;
    std::vector<unsigned char> masks, values;
    std::vector<TCheck> checks;
    TFilter filter;

private:
    void ChooseFilter(TTextForm form);
};

namespace {

using TFilter = TBytePattern::TFilter;
using TScan = TBytePattern::TScan;

int64_t FindScalar(const TScan& pattern, const TFilter& f, const unsigned char* data, int64_t length,
                   int64_t at) {
    const int64_t last = length - pattern.Length();
    for (; at <= last; at += f.step) {
        if ((data[at + f.first] & f.mask1) == f.value1 && (data[at + f.second] & f.mask2) == f.value2 &&
            pattern.MatchesAt(data, length, at))
            return at;
    }
    return -1;
}

#if QUARROW_SCAN_X86

// The vector loops call nothing, so that no vector register is saved across a call: the
// stack of this platform's GCC cannot hold a 32-byte register safely.

// The loops read faster than the processor fetches on its own when they ask for the memory
// a little ahead (prefetches never fault, past the block's end either).
constexpr int64_t PrefetchDistance = 2048;

constexpr int64_t Sse2Block = 32;

// The windows among the 16 at `offset` whose two bytes pass the filter: all ones in their
// bytes of the result.
QUARROW_FORCE_INLINE __m128i FilterHitsSse2(const unsigned char* first, const unsigned char* second,
                                            int64_t offset, const __m128i (&masks)[2],
                                            const __m128i (&values)[2]) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(first + offset));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(second + offset));
    return _mm_and_si128(_mm_cmpeq_epi8(_mm_and_si128(a, masks[0]), values[0]),
                         _mm_cmpeq_epi8(_mm_and_si128(b, masks[1]), values[1]));
}

// From `at` on, the first block of Sse2Block windows, all ending within `last`, in which the
// filter finds candidates: `at` is left at its start and its candidates are returned as
// bits. With none, `at` is left where fewer than a block of windows remain.
uint64_t NextCandidatesSse2(const unsigned char* data, int64_t& at, int64_t last, const TFilter& f) {
    const __m128i masks[2] = {_mm_set1_epi8(static_cast<char>(f.mask1)),
                              _mm_set1_epi8(static_cast<char>(f.mask2))};
    const __m128i values[2] = {_mm_set1_epi8(static_cast<char>(f.value1)),
                               _mm_set1_epi8(static_cast<char>(f.value2))};
    const unsigned char* first = data + f.first;
    const unsigned char* second = data + f.second;
    const uint64_t aligned = f.step == 2 ? 0x55555555u : 0xFFFFFFFFu;
    for (; at + Sse2Block - 1 <= last; at += Sse2Block) {
        _mm_prefetch(reinterpret_cast<const char*>(first + at + PrefetchDistance), _MM_HINT_T0);
        const auto low =
            static_cast<uint32_t>(_mm_movemask_epi8(FilterHitsSse2(first, second, at, masks, values)));
        const auto high =
            static_cast<uint32_t>(_mm_movemask_epi8(FilterHitsSse2(first, second, at + 16, masks, values)));
        const uint64_t bits = (low | high << 16) & aligned;
        if (bits != 0)
            return bits;
    }
    return 0;
}

constexpr int64_t Avx2Block = 64;

QUARROW_TARGET_AVX2 QUARROW_FORCE_INLINE __m256i FilterHitsAvx2(const unsigned char* first,
                                                                const unsigned char* second, int64_t offset,
                                                                const __m256i& mask1, const __m256i& value1,
                                                                const __m256i& mask2, const __m256i& value2) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + offset));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second + offset));
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(a, mask1), value1),
                            _mm256_cmpeq_epi8(_mm256_and_si256(b, mask2), value2));
}

QUARROW_TARGET_AVX2 QUARROW_FORCE_INLINE uint64_t BlockBits(const __m256i& low, const __m256i& high,
                                                            uint64_t aligned) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32 |
            static_cast<uint32_t>(_mm256_movemask_epi8(low))) &
           aligned;
}

// As NextCandidatesSse2, two blocks of Avx2Block windows at a time, so that the loop's test
// and branch cost less per byte. No arrays of vectors, which an unoptimised build keeps on a
// stack that this platform's GCC does not align for them (the build also has the assembler
// move every vector unaligned).
QUARROW_TARGET_AVX2 uint64_t NextCandidatesAvx2(const unsigned char* data, int64_t& at, int64_t last,
                                                const TFilter& f) {
    const __m256i mask1 = _mm256_set1_epi8(static_cast<char>(f.mask1));
    const __m256i mask2 = _mm256_set1_epi8(static_cast<char>(f.mask2));
    const __m256i value1 = _mm256_set1_epi8(static_cast<char>(f.value1));
    const __m256i value2 = _mm256_set1_epi8(static_cast<char>(f.value2));
    const unsigned char* first = data + f.first;
    const unsigned char* second = data + f.second;
    const uint64_t aligned = f.step == 2 ? 0x5555555555555555u : ~uint64_t{0};
    for (; at + 2 * Avx2Block - 1 <= last; at += 2 * Avx2Block) {
        _mm_prefetch(reinterpret_cast<const char*>(first + at + PrefetchDistance), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(first + at + PrefetchDistance + 64), _MM_HINT_T0);
        const __m256i hits0 = FilterHitsAvx2(first, second, at, mask1, value1, mask2, value2);
        const __m256i hits1 = FilterHitsAvx2(first, second, at + 32, mask1, value1, mask2, value2);
        const __m256i hits2 = FilterHitsAvx2(first, second, at + 64, mask1, value1, mask2, value2);
        const __m256i hits3 = FilterHitsAvx2(first, second, at + 96, mask1, value1, mask2, value2);
        const __m256i any = _mm256_or_si256(_mm256_or_si256(hits0, hits1), _mm256_or_si256(hits2, hits3));
        if (_mm256_testz_si256(any, any))
            continue;
        if (const uint64_t bits = BlockBits(hits0, hits1, aligned); bits != 0)
            return bits;
        if (const uint64_t bits = BlockBits(hits2, hits3, aligned); bits != 0) {
            at += Avx2Block;
            return bits;
        }
    }
    return 0;
}

template <int64_t Block, uint64_t (*NextCandidates)(const unsigned char*, int64_t&, int64_t, const TFilter&)>
int64_t FindVectorised(const TScan& pattern, const TFilter& f, const unsigned char* data, int64_t length,
                       int64_t& at) {
    const int64_t last = length - pattern.Length();
    for (;;) {
        uint64_t bits = NextCandidates(data, at, last, f);
        if (bits == 0)
            return -1;
        for (; bits != 0; bits &= bits - 1) {
            const int64_t candidate = at + std::countr_zero(bits);
            if (pattern.MatchesAt(data, length, candidate))
                return candidate;
        }
        at += Block;
    }
}

QUARROW_TARGET_XSAVE bool OperatingSystemSavesAvxState() {
    return (_xgetbv(0) & 6) == 6;
}

bool ProcessorHasAvx2() {
    int info[4];
    __cpuid(info, 0);
    if (info[0] < 7)
        return false;
    __cpuid(info, 1);
    const bool osxsave = (info[2] & (1 << 27)) != 0, avx = (info[2] & (1 << 28)) != 0;
    if (!osxsave || !avx || !OperatingSystemSavesAvxState())
        return false;
    __cpuidex(info, 7, 0);
    return (info[1] & (1 << 5)) != 0;
}

#endif

TScanKernel BestKernel() {
#if QUARROW_SCAN_X86
    static const TScanKernel best = ProcessorHasAvx2() ? TScanKernel::Avx2 : TScanKernel::Sse2;
    return best;
#else
    return TScanKernel::Scalar;
#endif
}

} // namespace

TAnsiLowerMap AnsiLowerMap() {
    TAnsiLowerMap map;
    for (int c = 0; c < 256; ++c) {
        char one = static_cast<char>(c);
        CharLowerBuffA(&one, 1);
        map[c] = static_cast<unsigned char>(one);
    }
    return map;
}

bool ScanKernelAvailable(TScanKernel kernel) {
    switch (kernel) {
    case TScanKernel::Best:
    case TScanKernel::Scalar:
        return true;
    case TScanKernel::Sse2:
        return QUARROW_SCAN_X86 != 0;
    case TScanKernel::Avx2:
        return BestKernel() == TScanKernel::Avx2;
    }
    return false;
}

namespace {

// The character each ANSI byte stands for on its own; 0 for none (a lead byte).
const std::array<wchar_t, 256>& AnsiCharacters() {
    static const std::array<wchar_t, 256> table = [] {
        std::array<wchar_t, 256> characters{};
        for (int c = 1; c < 256; ++c) {
            const char byte = static_cast<char>(c);
            wchar_t wide = 0;
            if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, &byte, 1, &wide, 1) == 1)
                characters[c] = wide;
        }
        return characters;
    }();
    return table;
}

} // namespace

std::vector<std::wstring> CaseRelatives(const std::wstring& character) {
    std::vector<std::wstring> relatives{character};
    // Beyond the BMP, letters come in pairs of upper and lower case.
    if (character.size() != 1) {
        for (const DWORD mapping : {LCMAP_UPPERCASE, LCMAP_LOWERCASE}) {
            std::wstring form = MappedCase(character, mapping);
            if (form.size() == character.size())
                AddOnce(relatives, std::move(form));
        }
        return relatives;
    }
    const TCaseTable& table = CaseTable();
    const wchar_t c = character[0];
    wchar_t forms[3] = {c, c, c};
    const auto own = std::lower_bound(table.byUnit.begin(), table.byUnit.end(), c,
                                      [](const TCasedUnit& a, wchar_t b) { return a.unit < b; });
    if (own != table.byUnit.end() && own->unit == c) {
        forms[1] = own->upper;
        forms[2] = own->lower;
    }
    for (const wchar_t form : forms) {
        AddOnce(relatives, std::wstring(1, form));
        const auto byUpper =
            std::equal_range(table.byUpper.begin(), table.byUpper.end(), TCasedUnit{0, form, 0},
                             [](const TCasedUnit& a, const TCasedUnit& b) { return a.upper < b.upper; });
        const auto byLower =
            std::equal_range(table.byLower.begin(), table.byLower.end(), TCasedUnit{0, 0, form},
                             [](const TCasedUnit& a, const TCasedUnit& b) { return a.lower < b.lower; });
        for (auto at = byUpper.first; at != byUpper.second; ++at)
            AddOnce(relatives, std::wstring(1, at->unit));
        for (auto at = byLower.first; at != byLower.second; ++at)
            AddOnce(relatives, std::wstring(1, at->unit));
    }
    return relatives;
}

std::vector<TBytePattern::TAlternatives> TBytePattern::Elements(const std::string& bytes, TTextForm form,
                                                                bool caseSensitive,
                                                                const TAnsiLowerMap& ansiLower) {
    std::vector<TAlternatives> elements;
    if (caseSensitive) {
        elements.push_back({bytes});
        return elements;
    }
    const bool bigEndian = form == TTextForm::Utf16Be;
    for (size_t at = 0; at < bytes.size();) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        TAlternatives alternatives{bytes.substr(at, 1)};
        switch (form) {
        case TTextForm::Ansi: {
            const std::array<wchar_t, 256>& ansi = AnsiCharacters();
            std::vector<std::wstring> relatives;
            if (ansi[byte] != 0)
                relatives = CaseRelatives(std::wstring(1, ansi[byte]));
            for (int c = 0; c < 256; ++c) {
                const bool related = ansi[c] != 0 && std::find(relatives.begin(), relatives.end(),
                                                               std::wstring(1, ansi[c])) != relatives.end();
                if (c != byte && (ansiLower[c] == ansiLower[byte] || related))
                    alternatives.push_back(std::string(1, static_cast<char>(c)));
            }
            if (byte < 0x80) {
                for (const std::wstring& relative : relatives) {
                    if (relative.size() > 1 || relative[0] >= 0x80)
                        alternatives.push_back(ToUtf8(relative));
                }
            }
            break;
        }
        case TTextForm::Utf8:
            if (const size_t length = byte < 0x80 ? 1 : Utf8SequenceLength(bytes, at); length != 0) {
                alternatives.clear();
                for (const std::wstring& relative : CaseRelatives(FromUtf8(bytes.substr(at, length))))
                    alternatives.push_back(ToUtf8(relative));
            }
            break;
        case TTextForm::Utf16Le:
        case TTextForm::Utf16Be:
            if (at + 1 < bytes.size()) {
                std::wstring character(1, Utf16Unit(bytes, at, bigEndian));
                if (character[0] >= 0xD800 && character[0] <= 0xDBFF && at + 3 < bytes.size()) {
                    const wchar_t low = Utf16Unit(bytes, at + 2, bigEndian);
                    if (low >= 0xDC00 && low <= 0xDFFF)
                        character += low;
                }
                alternatives.clear();
                for (const std::wstring& relative : CaseRelatives(character))
                    alternatives.push_back(Utf16Bytes(relative, bigEndian));
            }
            break;
        }
        at += alternatives.front().size();
        std::stable_sort(alternatives.begin(), alternatives.end(),
                         [](const std::string& a, const std::string& b) { return a.size() < b.size(); });
        elements.push_back(std::move(alternatives));
    }
    return elements;
}

// Each position gets the mask and value that accept every byte its alternatives hold there.
// They accept exactly those bytes when the bytes differ in a set of bits and take every
// combination of them (a letter and its other case differ in 0x20); a character is checked
// on its own when the masks of its positions accept more than its alternatives.
TBytePattern::TScan::TScan(const std::vector<TAlternatives>& characters, TTextForm form) {
    for (const TAlternatives& alternatives : characters)
        bytes += static_cast<int64_t>(alternatives.front().size());
    const size_t padded = (static_cast<size_t>(bytes) + 15) / 16 * 16;
    masks.assign(padded, 0);
    values.assign(padded, 0);
    size_t offset = 0;
    for (const TAlternatives& alternatives : characters) {
        const size_t length = alternatives.front().size();
        bool exact = true;
        size_t combinations = 1;
        for (size_t j = 0; j < length; ++j) {
            const auto base = static_cast<unsigned char>(alternatives.front()[j]);
            unsigned char differing = 0;
            bool seen[256] = {};
            size_t distinct = 0;
            for (const std::string& alternative : alternatives) {
                const auto byte = static_cast<unsigned char>(alternative[j]);
                differing |= byte ^ base;
                distinct += seen[byte] ? 0 : 1;
                seen[byte] = true;
            }
            masks[offset + j] = static_cast<unsigned char>(~differing);
            values[offset + j] = static_cast<unsigned char>(base & ~differing);
            exact = exact && distinct == (size_t{1} << std::popcount(differing));
            combinations *= distinct;
        }
        if (!exact || combinations != alternatives.size())
            checks.push_back({offset, length, alternatives});
        offset += length;
    }
    ChooseFilter(form);
}

// The two positions whose accepted bytes are rarest; the second as far from the first as
// ties allow, so that the two bytes tell more apart.
void TBytePattern::TScan::ChooseFilter(TTextForm form) {
    const int64_t n = bytes;
    // The high byte of a UTF-16 code unit and the lead byte of a UTF-8 character are shared
    // by a whole script (every Cyrillic letter has 0x04 or 0xD0/0xD1 there): in text of that
    // script they tell nothing apart.
    constexpr int Shared = 1000;
    const bool utf16 = form == TTextForm::Utf16Le || form == TTextForm::Utf16Be;
    const int highByte = form == TTextForm::Utf16Le ? 1 : 0;
    std::vector<int> rarity(static_cast<size_t>(n), 0);
    for (int64_t i = 0; i < n; ++i) {
        for (int c = 0; c < 256; ++c) {
            if ((c & masks[i]) == values[i])
                rarity[i] += ByteFrequency(static_cast<unsigned char>(c));
        }
        const bool utf8Lead = form == TTextForm::Utf8 && (values[i] & masks[i] & 0xC0) == 0xC0;
        if ((utf16 && i % 2 == highByte) || utf8Lead)
            rarity[i] += Shared;
    }
    const int64_t first = std::min_element(rarity.begin(), rarity.end()) - rarity.begin();
    int64_t second = first;
    for (int64_t i = 0; i < n; ++i) {
        if (i == first)
            continue;
        const bool rarer = second == first || rarity[i] < rarity[second] ||
                           (rarity[i] == rarity[second] && std::abs(i - first) > std::abs(second - first));
        if (rarer)
            second = i;
    }
    filter.first = first;
    filter.second = second;
    filter.mask1 = masks[first];
    filter.value1 = values[first];
    filter.mask2 = masks[second];
    filter.value2 = values[second];
    filter.step = utf16 ? 2 : 1;
}

bool TBytePattern::TScan::MatchesAt(const unsigned char* data, int64_t length, int64_t at) const {
    const unsigned char* window = data + at;
    const int64_t padded = static_cast<int64_t>(masks.size());
#if QUARROW_SCAN_X86
    if (at + padded <= length) {
        for (int64_t i = 0; i < padded; i += 16) {
            const __m128i got = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + i));
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks.data() + i));
            const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values.data() + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(got, mask), value)) != 0xFFFF)
                return false;
        }
    } else
#endif
    {
        for (int64_t i = 0; i < bytes; ++i) {
            if ((window[i] & masks[i]) != values[i])
                return false;
        }
    }
    for (const TCheck& check : checks) {
        const unsigned char* at = window + check.offset;
        const bool any = std::any_of(check.alternatives.begin(), check.alternatives.end(),
                                     [&](const std::string& alternative) {
                                         return std::memcmp(at, alternative.data(), check.length) == 0;
                                     });
        if (!any)
            return false;
    }
    return true;
}

int64_t TBytePattern::TScan::Find(const unsigned char* data, int64_t length, int64_t from,
                                  [[maybe_unused]] TScanKernel kernel) const {
    int64_t at = std::max<int64_t>(from, 0);
    if (filter.step == 2)
        at += at & 1;
    if (at > length - bytes)
        return -1;
#if QUARROW_SCAN_X86
    int64_t found = -1;
    if (kernel == TScanKernel::Avx2)
        found = FindVectorised<Avx2Block, NextCandidatesAvx2>(*this, filter, data, length, at);
    if (found < 0 && kernel != TScanKernel::Scalar)
        found = FindVectorised<Sse2Block, NextCandidatesSse2>(*this, filter, data, length, at);
    if (found >= 0)
        return found;
#endif
    return FindScalar(*this, filter, data, length, at);
}

TBytePattern::TBytePattern(const std::string& bytes, TTextForm form, bool caseSensitive,
                           const TAnsiLowerMap& ansiLower)
    : bytes_(bytes), form_(form), caseSensitive_(caseSensitive) {
    if (bytes_.empty())
        return;
    elements_ = Elements(bytes_, form_, caseSensitive_, ansiLower);
    std::vector<TAlternatives> shortest;
    TAlternatives detourStarts;
    for (size_t j = 0; j < elements_.size(); ++j) {
        const TAlternatives& alternatives = elements_[j];
        TAlternatives& kept = shortest.emplace_back();
        for (const std::string& alternative : alternatives) {
            if (alternative.size() == alternatives.front().size()) {
                kept.push_back(alternative);
                continue;
            }
            detours_.push_back({alternative, j});
            mostBytesBeforeADetour_ = std::max(mostBytesBeforeADetour_, longestMatch_);
            if (std::find(detourStarts.begin(), detourStarts.end(), alternative.substr(0, 2)) ==
                detourStarts.end())
                detourStarts.push_back(alternative.substr(0, 2));
        }
        longestMatch_ += static_cast<int64_t>(alternatives.back().size());
    }
    shortest_ = std::make_unique<TScan>(shortest, form_);
    if (!detourStarts.empty())
        detourStarts_ = std::make_unique<TScan>(std::vector<TAlternatives>{detourStarts}, form_);
}

TBytePattern::~TBytePattern() = default;

// Whether the characters before `element` stand in the bytes that end at `at`, from `from`
// on; `start` gets the earliest start.
bool TBytePattern::StartsBefore(const unsigned char* data, int64_t at, size_t element, int64_t from,
                                int64_t& start) const {
    if (element == 0) {
        start = at;
        return at >= from;
    }
    bool any = false;
    for (const std::string& alternative : elements_[element - 1]) {
        const auto n = static_cast<int64_t>(alternative.size());
        int64_t earlier = 0;
        if (at - n >= from && std::memcmp(data + at - n, alternative.data(), alternative.size()) == 0 &&
            StartsBefore(data, at - n, element - 1, from, earlier) && (!any || earlier < start)) {
            start = earlier;
            any = true;
        }
    }
    return any;
}

// Whether the characters from `element` on stand in the bytes from `at`; `end` gets the
// nearest end.
bool TBytePattern::EndsAfter(const unsigned char* data, int64_t length, int64_t at, size_t element,
                             int64_t& end) const {
    if (element == elements_.size()) {
        end = at;
        return true;
    }
    bool any = false;
    for (const std::string& alternative : elements_[element]) {
        const auto n = static_cast<int64_t>(alternative.size());
        int64_t later = 0;
        if (at + n <= length && std::memcmp(data + at, alternative.data(), alternative.size()) == 0 &&
            EndsAfter(data, length, at + n, element + 1, later) && (!any || later < end)) {
            end = later;
            any = true;
        }
    }
    return any;
}

// The matches whose characters take their shortest forms are scanned for as one; a match
// with a longer form in it holds the first two bytes of that form, and is looked for around
// them. With longer forms, the block is scanned a slice at a time, so that the look for
// their first two bytes reads the slice from the processor's cache.
int64_t TBytePattern::Find(const unsigned char* data, int64_t length, int64_t from, TScanKernel kernel,
                           int64_t* matchLength) const {
    if (matchLength != nullptr)
        *matchLength = 0;
    if (!shortest_ || data == nullptr)
        return -1;
    if (kernel == TScanKernel::Best || !ScanKernelAvailable(kernel))
        kernel = BestKernel();
    from = std::max<int64_t>(from, 0);
    if (!detourStarts_) {
        const int64_t found = shortest_->Find(data, length, from, kernel);
        if (found >= 0 && matchLength != nullptr)
            *matchLength = shortest_->Length();
        return found;
    }
    constexpr int64_t SliceBytes = 128 * 1024;
    for (int64_t slice = from; slice < length; slice += SliceBytes) {
        const int64_t sliceEnd = std::min(length, slice + SliceBytes);
        int64_t best =
            shortest_->Find(data, std::min(length, sliceEnd + shortest_->Length() - 1), slice, kernel);
        int64_t bestEnd = best + shortest_->Length();
        // A detour in the slice, or so little past it that its match starts in the slice,
        // and before the best match so far.
        for (int64_t at = slice;;) {
            const int64_t lastStart =
                best < 0 ? sliceEnd + mostBytesBeforeADetour_ : best + mostBytesBeforeADetour_;
            const int64_t found = detourStarts_->Find(
                data, std::min(length, lastStart + detourStarts_->Length() - 1), at, kernel);
            if (found < 0)
                break;
            for (const TDetour& detour : detours_) {
                const auto n = static_cast<int64_t>(detour.bytes.size());
                int64_t start = 0, end = 0;
                if (found + n <= length &&
                    std::memcmp(data + found, detour.bytes.data(), detour.bytes.size()) == 0 &&
                    StartsBefore(data, found, detour.element, from, start) && (best < 0 || start < best) &&
                    EndsAfter(data, length, found + n, detour.element + 1, end)) {
                    best = start;
                    bestEnd = end;
                }
            }
            at = found + 1;
        }
        if (best >= 0) {
            if (matchLength != nullptr)
                *matchLength = bestEnd - best;
            return best;
        }
    }
    return -1;
}

} // namespace quarrow
