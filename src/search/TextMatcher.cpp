#include "search/TextMatcher.h"

namespace quarrow {

TTextMatcher::TTextMatcher(const std::wstring& text, bool caseSensitive) {
    const TContentForms forms(text);
    const TAnsiLowerMap lower = AnsiLowerMap();
    for (size_t encoding = 0; encoding < std::size(patterns_); ++encoding) {
        for (const TContentForm& form : forms.In(static_cast<TFileEncoding>(encoding)))
            patterns_[encoding].push_back(
                std::make_unique<TBytePattern>(form.Bytes, form.Form, caseSensitive, lower));
    }
}

// Each form keeps its next match; the leftmost of them is the next match of the text, and
// the forms whose next match it overlaps look again after it.
void TTextMatcher::ForEachMatch(const void* data, size_t length, TFileEncoding encoding,
                                const std::function<bool(const TTextMatch&)>& onMatch) const {
    const auto* bytes = static_cast<const unsigned char*>(data);
    const auto size = static_cast<int64_t>(length);
    const auto& patterns = patterns_[static_cast<size_t>(encoding)];
    std::vector<TTextMatch> next(patterns.size());
    for (size_t i = 0; i < patterns.size(); ++i)
        next[i].Offset = patterns[i]->Find(bytes, size, 0, TScanKernel::Best, &next[i].Length);
    for (;;) {
        size_t leftmost = patterns.size();
        for (size_t i = 0; i < patterns.size(); ++i) {
            if (next[i].Offset >= 0 &&
                (leftmost == patterns.size() || next[i].Offset < next[leftmost].Offset))
                leftmost = i;
        }
        if (leftmost == patterns.size())
            return;
        const TTextMatch match = next[leftmost];
        if (!onMatch(match))
            return;
        const int64_t end = match.Offset + match.Length;
        for (size_t i = 0; i < patterns.size(); ++i) {
            if (next[i].Offset >= 0 && next[i].Offset < end)
                next[i].Offset = patterns[i]->Find(bytes, size, end, TScanKernel::Best, &next[i].Length);
        }
    }
}

std::vector<TTextMatch> TTextMatcher::Matches(const void* data, size_t length, TFileEncoding encoding) const {
    std::vector<TTextMatch> matches;
    ForEachMatch(data, length, encoding, [&matches](const TTextMatch& match) {
        matches.push_back(match);
        return true;
    });
    return matches;
}

} // namespace quarrow
