#pragma once
// Finds the containing text in a block of memory as the content test finds it in a file: the
// same detection of the block's encoding, the same forms of the text (the ANSI and UTF-8
// bytes, or UTF-16 in the block's byte order) and the same case rule. Window-free, so that a
// view of a file's matching lines shows exactly what made the file a result.
//
//     const TTextMatcher matcher(L"Gr\u00FC\u00DFe", false);
//     const TDetectedEncoding encoding = TTextMatcher::Encoding(data, size);
//     for (const TTextMatch& match : matcher.Matches(data, size, encoding.Encoding))
//         ... // match.Offset and match.Length are bytes of the block
//
// The encoding is told from the start of a file (its byte-order mark, BomLength bytes long,
// or its first EncodingSampleLength bytes); a block from further into the file is searched
// with the encoding of the file's start, and must start at an even offset of a UTF-16 file.

#include "search/BytePattern.h"
#include "search/Criteria.h"
#include "search/TextEncoding.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

struct TTextMatch {
    int64_t Offset = 0;
    int64_t Length = 0;
    bool operator==(const TTextMatch&) const = default;
};

class TTextMatcher {
public:
    // An empty text matches nothing.
    TTextMatcher(const std::wstring& text, bool caseSensitive);

    static TDetectedEncoding Encoding(const void* data, size_t length) {
        return DetectTextEncoding(data, length);
    }

    // Every match in the forms that a block of this encoding may hold, leftmost first and not
    // overlapping; `onMatch` returns false to stop.
    void ForEachMatch(const void* data, size_t length, TFileEncoding encoding,
                      const std::function<bool(const TTextMatch&)>& onMatch) const;
    std::vector<TTextMatch> Matches(const void* data, size_t length, TFileEncoding encoding) const;

private:
    std::vector<std::unique_ptr<TBytePattern>> patterns_[4]; // by TFileEncoding
};

} // namespace quarrow
