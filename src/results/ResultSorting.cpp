#include "results/ResultSorting.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <cmath>
#include <cstring>
#include <numeric>
#include <string_view>
#include <unordered_map>

#if defined(_MSC_VER) && (defined(_M_X64) || defined(_M_IX86))
#include <xmmintrin.h>
#endif

namespace quarrow {
namespace {

constexpr DWORD TextFlags = NORM_IGNORECASE;

void PrefetchMemory(const void* address) {
#if defined(__GNUC__) || defined(__clang__)
    __builtin_prefetch(address);
#elif defined(_M_X64) || defined(_M_IX86)
    _mm_prefetch(static_cast<const char*>(address), _MM_HINT_T0);
#else
    (void)address;
#endif
}

int Sign(int64_t value) {
    return (value > 0) - (value < 0);
}

int CompareText(std::wstring_view a, std::wstring_view b, LPCWSTR locale) {
    const int result = CompareStringEx(locale, TextFlags, a.data(), static_cast<int>(a.size()), b.data(),
                                       static_cast<int>(b.size()), nullptr, nullptr, 0);
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

int64_t CalendarDay(TDateTime value) {
    return static_cast<int64_t>(std::trunc(value));
}

// Keys that order signed numbers when compared as unsigned ones.
uint64_t OrderedKey(int64_t value) {
    return static_cast<uint64_t>(value) ^ (uint64_t{1} << 63);
}

// The sort key of a character that the locale weighs alone, with one primary weight and
// nothing else, and that forms no contraction with another such character; 0 for every
// other character. A text made of such characters has for sort key their weights in turn.
class TSimpleWeights {
public:
    static const TSimpleWeights& Of(LPCWSTR locale) {
        static std::mutex guard;
        static std::map<std::wstring, std::unique_ptr<TSimpleWeights>> known;
        wchar_t name[LOCALE_NAME_MAX_LENGTH] = {};
        if (locale == LOCALE_NAME_USER_DEFAULT)
            GetUserDefaultLocaleName(name, LOCALE_NAME_MAX_LENGTH);
        const std::lock_guard lock(guard);
        auto& weights = known[locale == LOCALE_NAME_USER_DEFAULT ? name : locale];
        if (!weights)
            weights = std::make_unique<TSimpleWeights>(locale);
        return *weights;
    }

    explicit TSimpleWeights(LPCWSTR locale) {
        for (wchar_t c = 0x20; c < 0x7F; ++c) {
            BYTE key[16];
            const wchar_t text[] = {c};
            if (KeyOf(locale, text, 1, key) == 7 && std::equal(key + 2, key + 7, KeyTail))
                weights_[c] = static_cast<uint16_t>(key[0] << 8 | key[1]);
        }
        for (wchar_t a = 0x20; a < 0x7F; ++a) {
            for (wchar_t b = 0x20; b < 0x7F && weights_[a] != 0; ++b) {
                if (weights_[b] == 0)
                    continue;
                BYTE key[32];
                const wchar_t text[] = {a, b};
                const BYTE expected[] = {static_cast<BYTE>(weights_[a] >> 8), static_cast<BYTE>(weights_[a]),
                                         static_cast<BYTE>(weights_[b] >> 8), static_cast<BYTE>(weights_[b])};
                if (KeyOf(locale, text, 2, key) != 9 || !std::equal(expected, expected + 4, key) ||
                    !std::equal(key + 4, key + 9, KeyTail))
                    weights_[a] = weights_[b] = 0;
            }
        }
    }

    uint16_t operator[](wchar_t c) const { return c < 0x80 ? weights_[c] : 0; }

    // The sections after the primary weights of a key without diacritics, case or specials.
    static constexpr BYTE KeyTail[] = {1, 1, 1, 1, 0};

private:
    static int KeyOf(LPCWSTR locale, const wchar_t* text, int length, BYTE* key) {
        return LCMapStringEx(locale, LCMAP_SORTKEY | TextFlags, text, length, reinterpret_cast<LPWSTR>(key),
                             16, nullptr, nullptr, 0);
    }

    std::array<uint16_t, 0x80> weights_{};
};

// The locale's sort keys of a set of texts, kept in one block. Two keys compared byte by
// byte order their texts as the locale's comparison with the same flags does; a million
// names are ranked that way in a fraction of the time a million comparisons by the locale
// take.
class TSortKeyTable {
public:
    explicit TSortKeyTable(LPCWSTR locale) : locale_(locale), simple_(TSimpleWeights::Of(locale)) {}

    void Reserve(size_t count) {
        entries_.reserve(count);
        bytes_.reserve(count * 48);
    }

    uint32_t Add(std::wstring_view text) {
        const size_t offset = bytes_.size();
        if (!AddSimpleKey(text))
            AddLocaleKey(text);
        entries_.push_back({static_cast<uint32_t>(offset), static_cast<uint32_t>(bytes_.size() - offset)});
        return static_cast<uint32_t>(entries_.size() - 1);
    }

    // For each text added, its place in the locale's order; texts that compare equal share it.
    std::vector<uint32_t> Ranks() const {
        std::vector<TChunk> order(entries_.size());
        for (size_t i = 0; i < order.size(); ++i)
            order[i] = {0, 0, entries_[i].offset, entries_[i].length, static_cast<uint32_t>(i)};
        std::vector<uint32_t> ranks(entries_.size());
        uint32_t nextRank = 0;
        RankByChunks(order.data(), order.data() + order.size(), 0, ranks, nextRank);
        return ranks;
    }

private:
    struct Entry {
        uint32_t offset;
        uint32_t length;
    };
    // Sixteen bytes of a key from the depth being sorted, zero past its end, and where the
    // key is, so that a deeper pass reads the key without a detour through entries_.
    struct TChunk {
        uint64_t high;
        uint64_t low;
        uint32_t offset;
        uint32_t length;
        uint32_t id;

        bool operator<(const TChunk& other) const {
            return high != other.high ? high < other.high : low < other.low;
        }
        bool SameBytes(const TChunk& other) const { return high == other.high && low == other.low; }
    };

    void ReadChunk(TChunk& chunk, size_t depth) const {
        const BYTE* key = bytes_.data() + chunk.offset;
        const size_t end = std::min<size_t>(chunk.length, depth + ChunkSize);
        uint64_t half[2] = {};
        for (size_t at = depth; at < depth + ChunkSize; ++at) {
            uint64_t& value = half[(at - depth) / 8];
            value = value << 8 | (at < end ? key[at] : 0);
        }
        chunk.high = half[0];
        chunk.low = half[1];
    }

    static constexpr size_t ChunkSize = 16;

    // Ranks keys that agree on their first `depth` bytes, sixteen bytes at a time: texts
    // that share a long beginning (a common word, a camera's file names) cost a few passes
    // over contiguous chunks instead of a comparison of whole keys at every step.
    void RankByChunks(TChunk* first, TChunk* last, size_t depth, std::vector<uint32_t>& ranks,
                      uint32_t& nextRank) const {
        constexpr ptrdiff_t Ahead = 8;
        for (TChunk* chunk = first; chunk != last; ++chunk) {
            if (last - chunk > Ahead)
                PrefetchMemory(bytes_.data() + chunk[Ahead].offset + depth);
            ReadChunk(*chunk, depth);
        }
        std::sort(first, last);
        for (TChunk* run = first; run != last;) {
            TChunk* end = run + 1;
            uint32_t longest = run->length;
            for (; end != last && end->SameBytes(*run); ++end)
                longest = std::max(longest, end->length);
            if (end - run > 1 && longest > depth + ChunkSize) {
                RankByChunks(run, end, depth + ChunkSize, ranks, nextRank);
            } else {
                // The same bytes throughout: a shorter key comes first; keys of one length are equal.
                std::sort(run, end, [](const TChunk& a, const TChunk& b) { return a.length < b.length; });
                for (TChunk* key = run; key != end; ++key) {
                    if (key != run && key->length != key[-1].length)
                        ++nextRank;
                    ranks[key->id] = nextRank;
                }
                ++nextRank;
            }
            run = end;
        }
    }

    bool AddSimpleKey(std::wstring_view text) {
        if (text.empty() ||
            !std::all_of(text.begin(), text.end(), [this](wchar_t c) { return simple_[c] != 0; }))
            return false;
        const size_t offset = bytes_.size();
        bytes_.resize(offset + 2 * text.size() + std::size(TSimpleWeights::KeyTail));
        BYTE* key = bytes_.data() + offset;
        for (const wchar_t c : text) {
            const uint16_t weight = simple_[c];
            *key++ = static_cast<BYTE>(weight >> 8);
            *key++ = static_cast<BYTE>(weight);
        }
        std::copy(std::begin(TSimpleWeights::KeyTail), std::end(TSimpleWeights::KeyTail), key);
        return true;
    }

    void AddLocaleKey(std::wstring_view text) {
        // An empty text has a key too (the one of a text made only of ignorable characters).
        const wchar_t* source = text.empty() ? L"" : text.data();
        const int length = text.empty() ? -1 : static_cast<int>(text.size());
        const size_t offset = bytes_.size();
        BYTE local[1024];
        int size = LCMapStringEx(locale_, LCMAP_SORTKEY | TextFlags, source, length,
                                 reinterpret_cast<LPWSTR>(local), sizeof(local), nullptr, nullptr, 0);
        if (size > 0) {
            bytes_.insert(bytes_.end(), local, local + size);
        } else if (GetLastError() == ERROR_INSUFFICIENT_BUFFER) {
            size = LCMapStringEx(locale_, LCMAP_SORTKEY | TextFlags, source, length, nullptr, 0, nullptr,
                                 nullptr, 0);
            bytes_.resize(offset + static_cast<size_t>(std::max(size, 0)));
            if (size > 0)
                LCMapStringEx(locale_, LCMAP_SORTKEY | TextFlags, source, length,
                              reinterpret_cast<LPWSTR>(bytes_.data() + offset), size, nullptr, nullptr, 0);
        }
    }

    LPCWSTR locale_;
    const TSimpleWeights& simple_;
    std::vector<BYTE> bytes_;
    std::vector<Entry> entries_;
};

// Each record's key for one column; text columns give ranks from 0 to rankCount - 1.
struct TColumnKeys {
    std::vector<uint64_t> values;
    size_t rankCount = 0;
};

// Which records may share one sort key: none, those whose text is one shared object (the
// folder, told by the address of its characters), or those with the same characters (the
// type).
enum class TKeySharing { None, SameObject, SameText };

// The records' places in the order of one text column; records that compare equal share one.
template <typename TextOf>
TColumnKeys TextColumnKeys(const TIDList::Storage& items, LPCWSTR locale, TKeySharing sharing, TextOf text) {
    // The texts are read in list order, which after a sort is scattered over memory; their
    // characters are asked for ahead of use, so that the waits for memory overlap.
    std::vector<std::wstring_view> texts(items.size());
    for (size_t i = 0; i < items.size(); ++i)
        texts[i] = text(*items[i]);
    constexpr size_t Ahead = 32;
    TSortKeyTable table(locale);
    table.Reserve(sharing == TKeySharing::None ? items.size() : 64);
    std::vector<uint32_t> entryOf(items.size());
    std::unordered_map<const wchar_t*, uint32_t> byObject;
    std::unordered_map<std::wstring_view, uint32_t> byText;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (i + Ahead < texts.size())
            PrefetchMemory(texts[i + Ahead].data());
        const std::wstring_view value = texts[i];
        if (sharing == TKeySharing::SameObject) {
            const auto [at, added] = byObject.try_emplace(value.data(), 0);
            if (added)
                at->second = table.Add(value);
            entryOf[i] = at->second;
        } else if (sharing == TKeySharing::SameText) {
            const auto [at, added] = byText.try_emplace(value, 0);
            if (added)
                at->second = table.Add(value);
            entryOf[i] = at->second;
        } else {
            entryOf[i] = table.Add(value);
        }
    }
    const std::vector<uint32_t> ranks = table.Ranks();
    TColumnKeys keys;
    keys.values.resize(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        keys.values[i] = ranks[entryOf[i]];
        keys.rankCount = std::max<size_t>(keys.rankCount, keys.values[i] + 1);
    }
    return keys;
}

TColumnKeys ColumnKeys(const TIDList::Storage& items, TResultColumn column, LPCWSTR locale) {
    switch (column) {
    case ColumnName:
        return TextColumnKeys(items, locale, TKeySharing::None,
                              [](const TShellItem& item) -> const std::wstring& { return item.Name; });
    case ColumnFolder:
        return TextColumnKeys(items, locale, TKeySharing::SameObject,
                              [](const TShellItem& item) -> const std::wstring& { return item.Folder(); });
    case ColumnType:
        return TextColumnKeys(items, locale, TKeySharing::SameText,
                              [](const TShellItem& item) -> const std::wstring& { return item.FileType; });
    case ColumnSize:
    case ColumnDateModified:
    default: {
        TColumnKeys keys;
        keys.values.resize(items.size());
        for (size_t i = 0; i < items.size(); ++i)
            keys.values[i] =
                OrderedKey(column == ColumnSize ? items[i]->Size : CalendarDay(items[i]->Modified));
        return keys;
    }
    }
}

} // namespace

int CompareNames(const TShellItem& a, const TShellItem& b, LPCWSTR locale) {
    return CompareText(a.Name, b.Name, locale);
}

int CompareFolders(const TShellItem& a, const TShellItem& b, LPCWSTR locale) {
    return CompareText(a.Folder(), b.Folder(), locale);
}

int CompareSizes(const TShellItem& a, const TShellItem& b) {
    return (a.Size > b.Size) - (a.Size < b.Size);
}

int CompareModified(const TShellItem& a, const TShellItem& b) {
    return Sign(CalendarDay(a.Modified) - CalendarDay(b.Modified));
}

int CompareFileTypes(const TShellItem& a, const TShellItem& b, LPCWSTR locale) {
    return CompareText(a.FileType, b.FileType, locale);
}

int CompareResults(TResultColumn column, const TShellItem& a, const TShellItem& b, LPCWSTR locale) {
    switch (column) {
    case ColumnName:
        return CompareNames(a, b, locale);
    case ColumnFolder:
        return CompareFolders(a, b, locale);
    case ColumnSize:
        return CompareSizes(a, b);
    case ColumnDateModified:
        return CompareModified(a, b);
    case ColumnType:
        return CompareFileTypes(a, b, locale);
    default:
        return 0;
    }
}

void SortResults(TIDList& list, TResultColumn column, bool ascending, LPCWSTR locale) {
    TIDList::Storage& items = list.Items();
    if (items.size() < 2)
        return;
    const TColumnKeys keys = ColumnKeys(items, column, locale);
    std::vector<uint32_t> order(items.size());
    if (keys.rankCount > 0) {
        // Ranks are small numbers: a counting sort, which keeps equal records in their order.
        std::vector<uint32_t> start(keys.rankCount + 1, 0);
        for (const uint64_t key : keys.values)
            ++start[(ascending ? key : keys.rankCount - 1 - key) + 1];
        for (size_t rank = 1; rank < start.size(); ++rank)
            start[rank] += start[rank - 1];
        for (size_t i = 0; i < items.size(); ++i) {
            const uint64_t key = keys.values[i];
            order[start[ascending ? key : keys.rankCount - 1 - key]++] = static_cast<uint32_t>(i);
        }
    } else {
        struct Place {
            uint64_t key;
            uint32_t index;
        };
        std::vector<Place> places(items.size());
        for (size_t i = 0; i < items.size(); ++i)
            places[i] = {keys.values[i], static_cast<uint32_t>(i)};
        std::sort(places.begin(), places.end(), [ascending](const Place& a, const Place& b) {
            if (a.key != b.key)
                return ascending ? a.key < b.key : a.key > b.key;
            return a.index < b.index;
        });
        for (size_t i = 0; i < places.size(); ++i)
            order[i] = places[i].index;
    }
    TIDList::Storage sorted;
    sorted.reserve(items.size());
    for (const uint32_t index : order)
        sorted.push_back(std::move(items[index]));
    items.swap(sorted);
}

} // namespace quarrow
