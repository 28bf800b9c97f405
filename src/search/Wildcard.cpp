#include "search/Wildcard.h"

#include <windows.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace quarrow {
namespace {

constexpr wchar_t DosStar = L'<';
constexpr wchar_t DosQm = L'>';
constexpr wchar_t DosDot = L'"';

// The file system folds each unit on its own, with no locale: the invariant mapping of
// every unit but the surrogates, made in one call. Never freed: listing threads that the
// walk left behind still read it while the process ends.
const std::array<wchar_t, 65536>& UpcaseTable() {
    static const std::array<wchar_t, 65536>* const table = [] {
        auto upper = std::make_unique<std::array<wchar_t, 65536>>();
        for (size_t c = 0; c < upper->size(); ++c)
            (*upper)[c] = static_cast<wchar_t>(c);
        std::wstring units;
        for (wchar_t c = 1; c < 0xD800; ++c)
            units += c;
        for (unsigned c = 0xE000; c <= 0xFFFF; ++c)
            units += static_cast<wchar_t>(c);
        std::wstring mapped(units.size(), L'\0');
        const int length = static_cast<int>(units.size());
        if (LCMapStringEx(LOCALE_NAME_INVARIANT, LCMAP_UPPERCASE, units.data(), length, mapped.data(), length,
                          nullptr, nullptr, 0) == length) {
            for (size_t i = 0; i < units.size(); ++i)
                (*upper)[static_cast<uint16_t>(units[i])] = mapped[i];
        } else {
            for (wchar_t c = L'a'; c <= L'z'; ++c)
                (*upper)[c] = static_cast<wchar_t>(c - 32);
        }
        return upper.release();
    }();
    return *table;
}

} // namespace

std::wstring ListingExpression(const std::wstring& pattern) {
    const bool hadADot = !pattern.empty() && pattern.back() == L'.';
    std::wstring p = pattern;
    while (!p.empty() && (p.back() == L'.' || p.back() == L' '))
        p.pop_back();
    if (p == L"*.*")
        return L"*";
    for (size_t i = 0; i < p.size(); ++i) {
        if (i > 0 && p[i] == L'.' && p[i - 1] == L'*')
            p[i - 1] = DosStar;
        if (p[i] == L'?' || p[i] == L'*') {
            if (p[i] == L'?')
                p[i] = DosQm;
            if (i > 0 && p[i - 1] == L'.')
                p[i - 1] = DosDot;
        }
    }
    if (hadADot && !p.empty() && p.back() == L'*')
        p.back() = DosStar;
    return p;
}

wchar_t UpcaseNameChar(wchar_t c) {
    return UpcaseTable()[static_cast<uint16_t>(c)];
}

TNameExpression::TNameExpression(std::wstring_view expression) {
    for (const wchar_t c : expression) {
        switch (c) {
        case L'*':
            steps_.push_back({Kind::Star, 0});
            break;
        case L'?':
            steps_.push_back({Kind::QuestionMark, 0});
            break;
        case DosStar:
            steps_.push_back({Kind::DosStar, 0});
            break;
        case DosQm:
            steps_.push_back({Kind::DosQm, 0});
            break;
        case DosDot:
            steps_.push_back({Kind::DosDot, 0});
            break;
        default:
            steps_.push_back({Kind::Literal, UpcaseNameChar(c)});
            break;
        }
    }
    matchesEverything_ = !steps_.empty() && std::all_of(steps_.begin(), steps_.end(), [](const Step& step) {
        return step.kind == Kind::Star;
    });
}

// The expression as an automaton whose states are its positions, all followed at once:
// states[j] means that the name so far is matched by the first j steps.
bool TNameExpression::Matches(std::wstring_view name) const {
    if (matchesEverything_)
        return true;
    const size_t m = steps_.size();
    const size_t words = (m + 1 + 63) / 64;
    constexpr size_t LocalWords = 4;
    uint64_t local[2][LocalWords];
    std::vector<uint64_t> heap;
    uint64_t* current = local[0];
    uint64_t* next = local[1];
    if (words > LocalWords) {
        heap.resize(2 * words);
        current = heap.data();
        next = heap.data() + words;
    }
    const auto has = [](const uint64_t* set, size_t j) { return (set[j / 64] >> (j % 64)) & 1; };
    const auto add = [](uint64_t* set, size_t j) { set[j / 64] |= uint64_t{1} << (j % 64); };
    // The steps that can match nothing here, followed from every state reached.
    const auto close = [&](uint64_t* set, bool atDot, bool finished) {
        for (size_t j = 0; j < m; ++j) {
            if (!has(set, j))
                continue;
            switch (steps_[j].kind) {
            case Kind::Star:
            case Kind::DosStar:
                add(set, j + 1);
                break;
            case Kind::DosQm:
                if (atDot || finished)
                    add(set, j + 1);
                break;
            case Kind::DosDot:
                if (finished)
                    add(set, j + 1);
                break;
            default:
                break;
            }
        }
    };

    std::fill(current, current + words, 0);
    add(current, 0);
    const size_t lastDot = name.rfind(L'.');
    for (size_t i = 0; i < name.size(); ++i) {
        const wchar_t c = name[i];
        const bool isDot = c == L'.';
        close(current, isDot, false);
        std::fill(next, next + words, 0);
        bool any = false;
        const wchar_t upper = UpcaseNameChar(c);
        for (size_t j = 0; j < m; ++j) {
            if (!has(current, j))
                continue;
            const Step& step = steps_[j];
            switch (step.kind) {
            case Kind::Star:
                add(next, j);
                any = true;
                break;
            case Kind::DosStar:
                if (i != lastDot) {
                    add(next, j);
                    any = true;
                }
                break;
            case Kind::QuestionMark:
                add(next, j + 1);
                any = true;
                break;
            case Kind::DosQm:
                if (!isDot) {
                    add(next, j + 1);
                    any = true;
                }
                break;
            case Kind::DosDot:
                if (isDot) {
                    add(next, j + 1);
                    any = true;
                }
                break;
            case Kind::Literal:
                if (upper == step.upper) {
                    add(next, j + 1);
                    any = true;
                }
                break;
            }
        }
        if (!any)
            return false;
        std::swap(current, next);
    }
    close(current, false, true);
    return has(current, m);
}

TWildcard::TWildcard(const std::wstring& pattern) : text_(pattern), expression_(ListingExpression(pattern)) {}

TWildcard TWildcard::Containing(const std::wstring& word) {
    TWildcard wildcard(L"*" + word + L"*");
    for (const wchar_t c : word)
        wildcard.word_ += UpcaseNameChar(c);
    return wildcard;
}

bool TWildcard::Matches(std::wstring_view name, std::wstring_view alias) const {
    if (!word_.empty()) {
        const auto same = [](wchar_t c, wchar_t upper) { return UpcaseNameChar(c) == upper; };
        return std::search(name.begin(), name.end(), word_.begin(), word_.end(), same) != name.end();
    }
    return expression_.Matches(name) || (!alias.empty() && expression_.Matches(alias));
}

} // namespace quarrow
