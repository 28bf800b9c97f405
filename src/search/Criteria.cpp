#include "search/Criteria.h"

#include "base/Text.h"

namespace quarrow {

std::wstring NormaliseSearchPattern(const std::wstring& text) {
    if (text.empty())
        return L"*.*";
    if (text.find_first_of(L"*?") == std::wstring::npos)
        return L"*" + text + L"*";
    return text;
}

bool MoveBackByDateUnits(TDateTime now, int count, int unitIndex, TDateTime& threshold) {
    switch (unitIndex) {
    case DateUnitYears:
        threshold = IncMonth(now, -12 * count);
        return true;
    case DateUnitMonths:
        threshold = IncMonth(now, -count);
        return true;
    case DateUnitWeeks:
        threshold = now - 7.0 * count;
        return true;
    case DateUnitDays:
        threshold = now - count;
        return true;
    case DateUnitHours:
        threshold = (now * 24 - count) / 24;
        return true;
    case DateUnitMinutes:
        threshold = (now * 1440 - count) / 1440;
        return true;
    default:
        return false;
    }
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

std::string ContentPatternBytes(const std::wstring& text) {
    bool lossless = true;
    std::string ansi = ToAnsi(text, &lossless);
    return lossless ? ansi : ToUtf8(text);
}

} // namespace quarrow
