#include "search/Criteria.h"

#include "base/Text.h"

#include <algorithm>

namespace quarrow {

std::wstring NormaliseSearchPattern(const std::wstring& text) {
    if (text.empty())
        return L"*.*";
    if (text.find_first_of(L"*?") == std::wstring::npos)
        return L"*" + text + L"*";
    return text;
}

// A threshold before the earliest date is that date, after which every file lies: "newer
// than" then finds everything and "older than" nothing.
bool MoveBackByDateUnits(TDateTime now, int count, int unitIndex, TDateTime& threshold) {
    TDateTime moved;
    switch (unitIndex) {
    case DateUnitYears:
        moved = IncMonth(now, -12 * count);
        break;
    case DateUnitMonths:
        moved = IncMonth(now, -count);
        break;
    case DateUnitWeeks:
        moved = now - 7.0 * count;
        break;
    case DateUnitDays:
        moved = now - count;
        break;
    case DateUnitHours:
        moved = (now * 24 - count) / 24;
        break;
    case DateUnitMinutes:
        moved = (now * 1440 - count) / 1440;
        break;
    default:
        return false;
    }
    threshold = std::max(moved, MinDateTime);
    return true;
}

int64_t SizeLimitInBytes(int count, int unitIndex) {
    switch (unitIndex) {
    case SizeUnitGB:
        return int64_t{count} * (int64_t{1} << 30);
    case SizeUnitMB:
        return int64_t{count} * (int64_t{1} << 20);
    case SizeUnitKB:
        return int64_t{count} * 1024;
    case SizeUnitBytes:
        return count;
    default:
        return 0;
    }
}

std::vector<TContentForm> ContentForms(const std::wstring& text) {
    std::vector<TContentForm> forms;
    bool lossless = true;
    std::string ansi = ToAnsi(text, &lossless);
    if (lossless)
        forms.push_back({std::move(ansi), false});
    const bool ascii = std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; });
    if (!ascii)
        forms.push_back({ToUtf8(text), true});
    return forms;
}

int CountFromText(const std::wstring& text) {
    const size_t begin = text.find_first_not_of(L' ');
    const size_t end = text.find_last_not_of(L' ');
    if (begin == std::wstring::npos)
        return MinCount;
    int64_t value = 0;
    for (size_t i = begin; i <= end; ++i) {
        const wchar_t c = text[i];
        if (c < L'0' || c > L'9')
            return MinCount;
        value = std::min<int64_t>(value * 10 + (c - L'0'), MaxCount);
    }
    return static_cast<int>(std::max<int64_t>(value, MinCount));
}

bool PatternNamesAFolder(const std::wstring& text) {
    return text.find_first_of(L"\\/:") != std::wstring::npos;
}

} // namespace quarrow
