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

TContentForms::TContentForms(const std::wstring& text) {
    if (text.empty())
        return;
    std::vector<TContentForm>& bytes = byEncoding_[static_cast<size_t>(TFileEncoding::Bytes)];
    bool lossless = true;
    std::string ansi = ToAnsi(text, &lossless);
    const std::string utf8 = ToUtf8(text);
    if (lossless)
        bytes.push_back({ansi, TTextForm::Ansi});
    if (!lossless || ansi != utf8)
        bytes.push_back({utf8, TTextForm::Utf8});
    byEncoding_[static_cast<size_t>(TFileEncoding::Utf8)].push_back({utf8, TTextForm::Utf8});
    byEncoding_[static_cast<size_t>(TFileEncoding::Utf16Le)].push_back(
        {Utf16Bytes(text, false), TTextForm::Utf16Le});
    byEncoding_[static_cast<size_t>(TFileEncoding::Utf16Be)].push_back(
        {Utf16Bytes(text, true), TTextForm::Utf16Be});
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
