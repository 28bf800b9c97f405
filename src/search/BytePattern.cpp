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

std::wstring MappedCase(const std::wstring& text, DWORD flags) {
    wchar_t buffer[8] = {};
    const int length = LCMapStringEx(LOCALE_NAME_USER_DEFAULT, flags, text.c_str(),
                                     static_cast<int>(text.size()), buffer, 8, nullptr, nullptr, 0);
    return std::wstring(buffer, length > 0 ? static_cast<size_t>(length) : 0);
}

// The character and its lower- and upper-case forms that take as many UTF-16 code units.
std::vector<std::wstring> CaseForms(const std::wstring& character) {
    std::vector<std::wstring> forms{character};
    for (const DWORD mapping : {LCMAP_LOWERCASE, LCMAP_UPPERCASE}) {
        std::wstring form = MappedCase(character, mapping);
        if (form.size() == character.size() && std::find(forms.begin(), forms.end(), form) == forms.end())
            forms.push_back(std::move(form));
    }
    return forms;
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

using TFilter = TBytePattern::TFilter;

int64_t FindScalar(const TBytePattern& pattern, const TFilter& f, const unsigned char* data, int64_t length,
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
                                                                const __m256i (&masks)[2],
                                                                const __m256i (&values)[2]) {
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(first + offset));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(second + offset));
    return _mm256_and_si256(_mm256_cmpeq_epi8(_mm256_and_si256(a, masks[0]), values[0]),
                            _mm256_cmpeq_epi8(_mm256_and_si256(b, masks[1]), values[1]));
}

QUARROW_TARGET_AVX2 QUARROW_FORCE_INLINE uint64_t BlockBits(const __m256i& low, const __m256i& high,
                                                            uint64_t aligned) {
    return (static_cast<uint64_t>(static_cast<uint32_t>(_mm256_movemask_epi8(high))) << 32 |
            static_cast<uint32_t>(_mm256_movemask_epi8(low))) &
           aligned;
}

// As NextCandidatesSse2, two blocks of Avx2Block windows at a time, so that the loop's test
// and branch cost less per byte.
QUARROW_TARGET_AVX2 uint64_t NextCandidatesAvx2(const unsigned char* data, int64_t& at, int64_t last,
                                                const TFilter& f) {
    const __m256i masks[2] = {_mm256_set1_epi8(static_cast<char>(f.mask1)),
                              _mm256_set1_epi8(static_cast<char>(f.mask2))};
    const __m256i values[2] = {_mm256_set1_epi8(static_cast<char>(f.value1)),
                               _mm256_set1_epi8(static_cast<char>(f.value2))};
    const unsigned char* first = data + f.first;
    const unsigned char* second = data + f.second;
    const uint64_t aligned = f.step == 2 ? 0x5555555555555555u : ~uint64_t{0};
    for (; at + 2 * Avx2Block - 1 <= last; at += 2 * Avx2Block) {
        _mm_prefetch(reinterpret_cast<const char*>(first + at + PrefetchDistance), _MM_HINT_T0);
        _mm_prefetch(reinterpret_cast<const char*>(first + at + PrefetchDistance + 64), _MM_HINT_T0);
        const __m256i hits[4] = {FilterHitsAvx2(first, second, at, masks, values),
                                 FilterHitsAvx2(first, second, at + 32, masks, values),
                                 FilterHitsAvx2(first, second, at + 64, masks, values),
                                 FilterHitsAvx2(first, second, at + 96, masks, values)};
        const __m256i any =
            _mm256_or_si256(_mm256_or_si256(hits[0], hits[1]), _mm256_or_si256(hits[2], hits[3]));
        if (_mm256_testz_si256(any, any))
            continue;
        if (const uint64_t bits = BlockBits(hits[0], hits[1], aligned); bits != 0)
            return bits;
        if (const uint64_t bits = BlockBits(hits[2], hits[3], aligned); bits != 0) {
            at += Avx2Block;
            return bits;
        }
    }
    return 0;
}

template <int64_t Block, uint64_t (*NextCandidates)(const unsigned char*, int64_t&, int64_t, const TFilter&)>
int64_t FindVectorised(const TBytePattern& pattern, const TFilter& f, const unsigned char* data,
                       int64_t length, int64_t& at) {
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

TBytePattern::TBytePattern(const std::string& bytes, TTextForm form, bool caseSensitive,
                           const TAnsiLowerMap& ansiLower)
    : bytes_(bytes), form_(form), caseSensitive_(caseSensitive) {
    if (bytes_.empty())
        return;
    Compile(Elements(bytes_, form_, caseSensitive_, ansiLower));
    ChooseFilter();
}

std::vector<TBytePattern::TElement> TBytePattern::Elements(const std::string& bytes, TTextForm form,
                                                           bool caseSensitive,
                                                           const TAnsiLowerMap& ansiLower) {
    std::vector<TElement> elements;
    if (caseSensitive) {
        elements.push_back({0, bytes.size(), {bytes}});
        return elements;
    }
    const bool bigEndian = form == TTextForm::Utf16Be;
    for (size_t at = 0; at < bytes.size();) {
        TElement element{at, 1, {bytes.substr(at, 1)}};
        const auto byte = static_cast<unsigned char>(bytes[at]);
        switch (form) {
        case TTextForm::Ansi:
            for (int c = 0; c < 256; ++c) {
                if (c != byte && ansiLower[c] == ansiLower[byte])
                    element.alternatives.push_back(std::string(1, static_cast<char>(c)));
            }
            break;
        case TTextForm::Utf8:
            if (const size_t length = Utf8SequenceLength(bytes, at); length != 0) {
                element.length = length;
                element.alternatives.clear();
                for (const std::wstring& character : CaseForms(FromUtf8(bytes.substr(at, length)))) {
                    std::string form8 = ToUtf8(character);
                    if (form8.size() == length)
                        element.alternatives.push_back(std::move(form8));
                }
            } else if ((byte | 0x20) >= 'a' && (byte | 0x20) <= 'z') {
                element.alternatives.push_back(std::string(1, static_cast<char>(byte ^ 0x20)));
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
                element.length = 2 * character.size();
                element.alternatives.clear();
                for (const std::wstring& form16 : CaseForms(character))
                    element.alternatives.push_back(Utf16Bytes(form16, bigEndian));
            }
            break;
        }
        elements.push_back(std::move(element));
        at += elements.back().length;
    }
    return elements;
}

// Each position gets the mask and value that accept every byte its alternatives hold there.
// They accept exactly those bytes when the bytes differ in a set of bits and take every
// combination of them (a letter and its other case differ in 0x20); an element is checked
// on its own when the masks of its positions accept more than its alternatives.
void TBytePattern::Compile(const std::vector<TElement>& elements) {
    const size_t padded = (bytes_.size() + 15) / 16 * 16;
    masks_.assign(padded, 0);
    values_.assign(padded, 0);
    for (const TElement& element : elements) {
        bool exact = true;
        size_t combinations = 1;
        for (size_t j = 0; j < element.length; ++j) {
            const auto base = static_cast<unsigned char>(element.alternatives.front()[j]);
            unsigned char differing = 0;
            bool seen[256] = {};
            size_t distinct = 0;
            for (const std::string& alternative : element.alternatives) {
                const auto byte = static_cast<unsigned char>(alternative[j]);
                differing |= byte ^ base;
                distinct += seen[byte] ? 0 : 1;
                seen[byte] = true;
            }
            masks_[element.offset + j] = static_cast<unsigned char>(~differing);
            values_[element.offset + j] = static_cast<unsigned char>(base & ~differing);
            exact = exact && distinct == (size_t{1} << std::popcount(differing));
            combinations *= distinct;
        }
        if (!exact || combinations != element.alternatives.size())
            checks_.push_back(element);
    }
}

// The two positions whose accepted bytes are rarest; the second as far from the first as
// ties allow, so that the two bytes tell more apart.
void TBytePattern::ChooseFilter() {
    const int64_t n = Length();
    // The high byte of a UTF-16 code unit and the lead byte of a UTF-8 character are shared
    // by a whole script (every Cyrillic letter has 0x04 or 0xD0/0xD1 there): in text of that
    // script they tell nothing apart.
    constexpr int Shared = 1000;
    const int highByte = form_ == TTextForm::Utf16Le ? 1 : 0;
    std::vector<int> rarity(static_cast<size_t>(n), 0);
    for (int64_t i = 0; i < n; ++i) {
        for (int c = 0; c < 256; ++c) {
            if ((c & masks_[i]) == values_[i])
                rarity[i] += ByteFrequency(static_cast<unsigned char>(c));
        }
        const bool utf16High =
            (form_ == TTextForm::Utf16Le || form_ == TTextForm::Utf16Be) && i % 2 == highByte;
        const bool utf8Lead = form_ == TTextForm::Utf8 && (values_[i] & masks_[i] & 0xC0) == 0xC0;
        if (utf16High || utf8Lead)
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
    filter_.first = first;
    filter_.second = second;
    filter_.mask1 = masks_[first];
    filter_.value1 = values_[first];
    filter_.mask2 = masks_[second];
    filter_.value2 = values_[second];
    filter_.step = form_ == TTextForm::Utf16Le || form_ == TTextForm::Utf16Be ? 2 : 1;
}

bool TBytePattern::MatchesAt(const unsigned char* data, int64_t length, int64_t at) const {
    const unsigned char* window = data + at;
    const int64_t padded = static_cast<int64_t>(masks_.size());
#if QUARROW_SCAN_X86
    if (at + padded <= length) {
        for (int64_t i = 0; i < padded; i += 16) {
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(window + i));
            const __m128i mask = _mm_loadu_si128(reinterpret_cast<const __m128i*>(masks_.data() + i));
            const __m128i value = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values_.data() + i));
            if (_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_and_si128(bytes, mask), value)) != 0xFFFF)
                return false;
        }
    } else
#endif
    {
        for (int64_t i = 0; i < Length(); ++i) {
            if ((window[i] & masks_[i]) != values_[i])
                return false;
        }
    }
    for (const TElement& element : checks_) {
        const unsigned char* at = window + element.offset;
        const bool any = std::any_of(element.alternatives.begin(), element.alternatives.end(),
                                     [&](const std::string& alternative) {
                                         return std::memcmp(at, alternative.data(), element.length) == 0;
                                     });
        if (!any)
            return false;
    }
    return true;
}

int64_t TBytePattern::Find(const unsigned char* data, int64_t length, int64_t from,
                           TScanKernel kernel) const {
    const int64_t n = Length();
    if (n == 0 || data == nullptr)
        return -1;
    int64_t at = std::max<int64_t>(from, 0);
    if (filter_.step == 2)
        at += at & 1;
    if (at > length - n)
        return -1;
    if (kernel == TScanKernel::Best || !ScanKernelAvailable(kernel))
        kernel = BestKernel();
#if QUARROW_SCAN_X86
    int64_t found = -1;
    if (kernel == TScanKernel::Avx2)
        found = FindVectorised<Avx2Block, NextCandidatesAvx2>(*this, filter_, data, length, at);
    if (found < 0 && kernel != TScanKernel::Scalar)
        found = FindVectorised<Sse2Block, NextCandidatesSse2>(*this, filter_, data, length, at);
    if (found >= 0)
        return found;
#endif
    return FindScalar(*this, filter_, data, length, at);
}

} // namespace quarrow
