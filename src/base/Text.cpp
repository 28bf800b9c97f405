#include "base/Text.h"

#include <windows.h>

namespace quarrow {

std::string ToAnsi(std::wstring_view text, bool* lossless) {
    if (lossless)
        *lossless = true;
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    BOOL usedDefault = FALSE;
    const int size = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                         nullptr, &usedDefault);
    std::string result(static_cast<size_t>(size), '\0');
    usedDefault = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, result.data(), size, nullptr,
                        &usedDefault);
    if (lossless)
        *lossless = !usedDefault;
    return result;
}

std::wstring FromAnsi(std::string_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.data(), size);
    return result;
}

std::string ToUtf8(std::wstring_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), length, nullptr, 0, nullptr, nullptr);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), length, result.data(), size, nullptr, nullptr);
    return result;
}

std::wstring FromUtf8(std::string_view text) {
    if (text.empty())
        return {};
    const int length = static_cast<int>(text.size());
    const int size = MultiByteToWideChar(CP_UTF8, 0, text.data(), length, nullptr, 0);
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), length, result.data(), size);
    return result;
}

int CompareTextIgnoreCase(std::wstring_view a, std::wstring_view b) {
    const int result = CompareStringEx(LOCALE_NAME_USER_DEFAULT, NORM_IGNORECASE, a.data(),
                                       static_cast<int>(a.size()), b.data(), static_cast<int>(b.size()),
                                       nullptr, nullptr, 0);
    return result == 0 ? 0 : result - CSTR_EQUAL;
}

bool SameTextIgnoreCase(std::wstring_view a, std::wstring_view b) { return CompareTextIgnoreCase(a, b) == 0; }

// Called for every result by the change handler: plain characters are compared here, and
// the platform's table is asked only from the first character beyond ASCII that differs.
bool SamePathIgnoreCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size())
        return false;
    const auto lower = [](wchar_t c) { return c >= L'A' && c <= L'Z' ? static_cast<wchar_t>(c + 32) : c; };
    for (size_t i = 0; i < a.size(); ++i) {
        if (a[i] == b[i])
            continue;
        if (a[i] >= 0x80 || b[i] >= 0x80) {
            const int rest = static_cast<int>(a.size() - i);
            return CompareStringOrdinal(a.data() + i, rest, b.data() + i, rest, TRUE) == CSTR_EQUAL;
        }
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

int IndexOfIgnoreCase(const std::vector<std::wstring>& list, std::wstring_view text) {
    for (size_t i = 0; i < list.size(); ++i) {
        if (SameTextIgnoreCase(list[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

std::wstring LowerAsciiLetters(std::wstring_view text) {
    std::wstring result(text);
    for (wchar_t& c : result) {
        if (c >= L'A' && c <= L'Z')
            c = static_cast<wchar_t>(c + (L'a' - L'A'));
    }
    return result;
}

std::vector<std::wstring> SplitCommaText(std::wstring_view text) {
    std::vector<std::wstring> result;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = text.find(L',', start);
        const size_t end = comma == std::wstring_view::npos ? text.size() : comma;
        result.emplace_back(text.substr(start, end - start));
        if (comma == std::wstring_view::npos)
            break;
        start = comma + 1;
    }
    return result;
}

bool EndsWith(std::wstring_view text, std::wstring_view suffix) {
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

bool StartsWith(std::wstring_view text, std::wstring_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

std::wstring IncludeTrailingBackslash(std::wstring path) {
    if (path.empty() || path.back() != L'\\')
        path += L'\\';
    return path;
}

} // namespace quarrow
