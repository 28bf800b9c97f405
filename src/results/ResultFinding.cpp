#include "results/ResultFinding.h"

#include <windows.h>

#include <algorithm>

namespace quarrow {
namespace {

bool Matches(const std::wstring& name, std::wstring_view text, bool partial) {
    if (partial ? name.size() < text.size() : name.size() != text.size())
        return false;
    return CompareStringOrdinal(name.data(), static_cast<int>(text.size()), text.data(),
                                static_cast<int>(text.size()), TRUE) == CSTR_EQUAL;
}

int FindFrom(const TIDList& records, std::wstring_view text, int start, bool partial, bool wrap) {
    const int count = records.Count();
    const int rounds = wrap ? count : count - start;
    for (int step = 0; step < rounds; ++step) {
        const int row = (start + step) % count;
        if (Matches(records[row].Name, text, partial))
            return row;
    }
    return -1;
}

bool OneLetterRepeated(std::wstring_view text) {
    return text.size() > 1 && std::all_of(text.begin(), text.end(), [&](wchar_t c) {
               return CompareStringOrdinal(&c, 1, text.data(), 1, TRUE) == CSTR_EQUAL;
           });
}

} // namespace

int FindResultRow(const TIDList& records, const TFindRequest& request) {
    const int count = records.Count();
    if (request.Text.empty() || count == 0)
        return -1;
    const int start = request.Start >= 0 && request.Start < count ? request.Start : 0;
    const int row = FindFrom(records, request.Text, start, request.Partial, request.Wrap);
    if (row >= 0 || !request.Partial || !OneLetterRepeated(request.Text))
        return row;
    // The control looks from the current row while letters are being added to the text.
    const int next = start + 1 < count ? start + 1 : (request.Wrap ? 0 : count);
    return next < count ? FindFrom(records, request.Text.substr(0, 1), next, true, request.Wrap) : -1;
}

} // namespace quarrow
