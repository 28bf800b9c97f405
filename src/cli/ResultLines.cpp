#include "cli/ResultLines.h"

#include <cstdio>

namespace quarrow {
namespace {

bool IsHighSurrogate(wchar_t c) {
    return c >= 0xD800 && c <= 0xDBFF;
}

bool IsLowSurrogate(wchar_t c) {
    return c >= 0xDC00 && c <= 0xDFFF;
}

const wchar_t* ShortEscape(wchar_t c) {
    switch (c) {
    case L'"':
        return L"\\\"";
    case L'\\':
        return L"\\\\";
    case L'\n':
        return L"\\n";
    case L'\r':
        return L"\\r";
    case L'\t':
        return L"\\t";
    default:
        return nullptr;
    }
}

void AppendEscape(std::wstring& out, wchar_t c) {
    wchar_t escape[8];
    std::swprintf(escape, 8, L"\\u%04x", static_cast<unsigned>(c));
    out += escape;
}

} // namespace

std::wstring TResultLines::Header() const {
    switch (format_) {
    case TOutputFormat::Txt:
        return TextHeader();
    case TOutputFormat::Csv:
        return CsvHeader();
    default:
        return {};
    }
}

void TResultLines::AppendLine(std::wstring& out, const TShellItem& item) {
    switch (format_) {
    case TOutputFormat::Txt:
        rows_.AppendText(out, item);
        break;
    case TOutputFormat::Csv:
        rows_.AppendCsv(out, item);
        break;
    default:
        out += JsonLine(item);
    }
}

std::wstring JsonString(std::wstring_view text) {
    std::wstring out;
    out.reserve(text.size() + 2);
    out += L'"';
    for (size_t i = 0; i < text.size(); ++i) {
        const wchar_t c = text[i];
        if (const wchar_t* escape = ShortEscape(c)) {
            out += escape;
        } else if (IsHighSurrogate(c) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            out += c;
            out += text[++i];
        } else if (c < 0x20 || IsHighSurrogate(c) || IsLowSurrogate(c)) {
            AppendEscape(out, c);
        } else {
            out += c;
        }
    }
    out += L'"';
    return out;
}

std::wstring Iso8601Utc(const FILETIME& utc) {
    SYSTEMTIME st{};
    FileTimeToSystemTime(&utc, &st);
    wchar_t text[32];
    std::swprintf(text, 32, L"%04u-%02u-%02uT%02u:%02u:%02uZ", unsigned{st.wYear}, unsigned{st.wMonth},
                  unsigned{st.wDay}, unsigned{st.wHour}, unsigned{st.wMinute}, unsigned{st.wSecond});
    return text;
}

std::wstring JsonLine(const TShellItem& item) {
    return L"{\"path\": " + JsonString(item.FullName()) + L", \"size\": " + std::to_wstring(item.Size) +
           L", \"modified\": \"" + Iso8601Utc(item.LastWrite) + L"\", \"folder\": " +
           (item.IsFolder ? L"true" : L"false") + L"}";
}

} // namespace quarrow
