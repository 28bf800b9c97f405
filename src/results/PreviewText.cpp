#include "results/PreviewText.h"

#include "base/ReadGuard.h"
#include "base/Text.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace quarrow {
namespace {

constexpr char16_t Cr = u'\r';
constexpr char16_t Lf = u'\n';
constexpr wchar_t Ellipsis = L'\u2026';
constexpr size_t DetectionBytes = 64 * 1024;
// The matching lines read a file through a copy of this many bytes around where they read,
// reaching back far enough for a line's start before a match.
constexpr size_t WindowBytes = 64 * 1024;
constexpr size_t WindowLookBack = 1024;

size_t UnitWidth(TTextEncoding encoding) {
    return encoding == TTextEncoding::Utf16LE || encoding == TTextEncoding::Utf16BE ? 2 : 1;
}

bool IsLineEnd(char16_t unit) {
    return unit == Cr || unit == Lf;
}

bool IsContinuationByte(unsigned char byte) {
    return (byte & 0xC0) == 0x80;
}

// The length of the valid UTF-8 sequence at `at`; 0 when there is none, -1 when the data
// ends inside one.
int Utf8Sequence(const unsigned char* data, size_t size, size_t at) {
    const unsigned char lead = data[at];
    const int length = lead >= 0xC2 && lead <= 0xDF   ? 2
                       : lead >= 0xE0 && lead <= 0xEF ? 3
                       : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                      : 0;
    for (int i = 1; i < length; ++i) {
        if (at + static_cast<size_t>(i) >= size)
            return -1;
        if (!IsContinuationByte(data[at + static_cast<size_t>(i)]))
            return 0;
    }
    return length;
}

bool IsUtf8WithNonAscii(const unsigned char* data, size_t size) {
    bool nonAscii = false;
    for (size_t at = 0; at < size;) {
        if (data[at] < 0x80) {
            ++at;
            continue;
        }
        const int length = Utf8Sequence(data, size, at);
        if (length < 0)
            break; // cut off by the end of the sample
        if (length == 0)
            return false;
        nonAscii = true;
        at += static_cast<size_t>(length);
    }
    return nonAscii;
}

std::wstring DecodeUtf16(const unsigned char* data, size_t size, bool bigEndian) {
    std::wstring text(size / 2, L'\0');
    for (size_t i = 0; i < text.size(); ++i) {
        const unsigned char first = data[2 * i];
        const unsigned char second = data[2 * i + 1];
        text[i] = static_cast<wchar_t>(bigEndian ? (first << 8) | second : (second << 8) | first);
    }
    return text;
}

void AppendForRow(std::wstring& row, const std::wstring& decoded, size_t column) {
    for (const wchar_t c : decoded) {
        if (c == L'\t')
            row.append(4 - (column + row.size()) % 4, L' ');
        else
            row.push_back(c < 0x20 || c == 0x7F ? L' ' : c);
    }
}

} // namespace

TPreviewEncoding PreviewEncoding(const unsigned char* data, size_t size) {
    const TDetectedEncoding searched = TTextMatcher::Encoding(data, size);
    TPreviewEncoding encoding;
    encoding.Searched = searched.Encoding;
    encoding.BomLength = static_cast<size_t>(searched.BomLength);
    switch (searched.Encoding) {
    case TFileEncoding::Utf8:
        encoding.Encoding = TTextEncoding::Utf8;
        break;
    case TFileEncoding::Utf16Le:
        encoding.Encoding = TTextEncoding::Utf16LE;
        break;
    case TFileEncoding::Utf16Be:
        encoding.Encoding = TTextEncoding::Utf16BE;
        break;
    case TFileEncoding::Bytes:
        encoding.Encoding = IsUtf8WithNonAscii(data, std::min(size, DetectionBytes)) ? TTextEncoding::Utf8
                                                                                     : TTextEncoding::Ansi;
        break;
    }
    return encoding;
}

bool LooksBinary(const unsigned char* data, size_t size, const TPreviewEncoding& encoding) {
    if (UnitWidth(encoding.Encoding) == 2)
        return false;
    const size_t sample = std::min(size, DetectionBytes);
    return sample > encoding.BomLength &&
           std::memchr(data + encoding.BomLength, 0, sample - encoding.BomLength) != nullptr;
}

std::wstring DecodeForRow(const unsigned char* data, size_t size, TTextEncoding encoding, size_t column) {
    std::wstring decoded;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    switch (encoding) {
    case TTextEncoding::Ansi:
        decoded = FromAnsi(bytes);
        break;
    case TTextEncoding::Utf8:
        decoded = FromUtf8(bytes);
        break;
    case TTextEncoding::Utf16LE:
    case TTextEncoding::Utf16BE:
        decoded = DecodeUtf16(data, size, encoding == TTextEncoding::Utf16BE);
        break;
    }
    std::wstring row;
    row.reserve(decoded.size());
    AppendForRow(row, decoded, column);
    return row;
}

// --- Matching lines

TMatchingLines::TMatchingLines(const unsigned char* data, size_t size, const TPreviewEncoding& encoding,
                               int64_t maxLines)
    : data_(data), encoding_(encoding), width_(UnitWidth(encoding.Encoding)), maxLines_(maxLines) {
    units_ = size / width_;
    cursor_ = std::min(encoding.BomLength / width_, units_);
}

const unsigned char* TMatchingLines::Bytes(size_t offset, size_t count) const {
    if (offset >= windowAt_ && offset + count <= windowAt_ + windowLength_)
        return window_.data() + (offset - windowAt_);
    const size_t size = units_ * width_;
    windowAt_ = offset > WindowLookBack ? offset - WindowLookBack : 0;
    windowLength_ = std::min(size - windowAt_, std::max(WindowBytes, offset - windowAt_ + count));
    if (window_.size() < windowLength_)
        window_.resize(windowLength_);
    if (!CopyGuardedRead(window_.data(), data_ + windowAt_, windowLength_))
        faulted_ = true;
    return window_.data() + (offset - windowAt_);
}

char16_t TMatchingLines::Unit(size_t index) const {
    const unsigned char* at = Bytes(index * width_, width_);
    if (width_ == 1)
        return at[0];
    return static_cast<char16_t>(encoding_.Encoding == TTextEncoding::Utf16BE ? (at[0] << 8) | at[1]
                                                                              : (at[1] << 8) | at[0]);
}

// A line ends at a LF, and at a CR that no LF follows: CR LF counts once.
bool TMatchingLines::IsBreak(size_t index) const {
    const char16_t unit = Unit(index);
    return unit == Lf || (unit == Cr && (index + 1 >= units_ || Unit(index + 1) != Lf));
}

int64_t TMatchingLines::CountBreaks(size_t from, size_t to) const {
    int64_t breaks = 0;
    if (width_ == 1) {
        for (size_t at = from; at < to;) {
            const size_t count = std::min(to - at, WindowBytes / 2);
            const unsigned char* chunk = Bytes(at, count);
            for (size_t i = 0; i < count; ++i) {
                const unsigned char c = chunk[i];
                if (c > '\r')
                    continue;
                // The byte after the chunk's last one may move the window: the loop ends there.
                breaks +=
                    c == '\n' || (c == '\r' && !(at + i + 1 < units_ &&
                                                 (i + 1 < count ? chunk[i + 1] : Unit(at + i + 1)) == '\n'));
            }
            at += count;
        }
        return breaks;
    }
    for (size_t i = from; i < to; ++i)
        breaks += IsBreak(i);
    return breaks;
}

bool TMatchingLines::AnyBreak(size_t from, size_t to) const {
    if (width_ == 1) {
        for (size_t at = from; at < to;) {
            const size_t count = std::min(to - at, WindowBytes / 2);
            const unsigned char* chunk = Bytes(at, count);
            if (std::memchr(chunk, '\n', count) != nullptr || std::memchr(chunk, '\r', count) != nullptr)
                return true;
            at += count;
        }
        return false;
    }
    for (size_t i = from; i < to; ++i) {
        if (IsLineEnd(Unit(i)))
            return true;
    }
    return false;
}

void TMatchingLines::Add(const TTextMatch& match) {
    const size_t first = encoding_.BomLength / width_;
    size_t start = static_cast<size_t>(match.Offset) / width_;
    size_t end = (static_cast<size_t>(match.Offset + match.Length) + width_ - 1) / width_;
    start = std::clamp(start, std::max(first, cursor_), units_);
    end = std::clamp(end, start, units_);
    ++matchCount_;
    bool newLine = lineCount_ == 0;
    if (lineCount_ < maxLines_) {
        const int64_t breaks = CountBreaks(cursor_, start);
        line_ += breaks;
        newLine = newLine || breaks > 0;
    } else {
        newLine = newLine || AnyBreak(cursor_, start);
    }
    cursor_ = start;
    if (newLine) {
        if (!group_.empty())
            MakeRows();
        group_.clear();
        ++lineCount_;
        groupLine_ = line_;
    }
    if (lineCount_ <= maxLines_)
        group_.push_back({start, end});
}

void TMatchingLines::Finish() {
    if (!group_.empty())
        MakeRows();
    group_.clear();
}

std::vector<TPreviewRow> TMatchingLines::TakeRows() {
    return std::exchange(rows_, {});
}

// A row never starts inside a UTF-8 character.
size_t TMatchingLines::SnapToCharacter(size_t unit) const {
    if (encoding_.Encoding == TTextEncoding::Utf8) {
        while (unit < units_ && IsContinuationByte(*Bytes(unit, 1)))
            ++unit;
    }
    return unit;
}

// The line of the matches in `group_`: one row when it fits, else pieces around the matches.
void TMatchingLines::MakeRows() {
    const size_t fileStart = encoding_.BomLength / width_;
    const size_t firstMatch = group_.front().Start;
    const size_t lowest =
        firstMatch > fileStart + PreviewContextWidth ? firstMatch - PreviewContextWidth : fileStart;
    size_t lineStart = lowest;
    bool startKnown = lowest == fileStart;
    for (size_t i = firstMatch; i > lowest; --i) {
        if (IsLineEnd(Unit(i - 1))) {
            lineStart = i;
            startKnown = true;
            break;
        }
    }
    size_t next = 0;
    size_t previousEnd = lineStart;
    for (int row = 0; row < PreviewMaxRowsPerLine && next < group_.size(); ++row) {
        const size_t matchStart = group_[next].Start;
        size_t start = row == 0 ? lineStart
                                : std::max(previousEnd, matchStart > PreviewContextWidth
                                                            ? matchStart - PreviewContextWidth
                                                            : size_t{0});
        start = std::min(SnapToCharacter(start), matchStart);
        const size_t limit = std::min(start + PreviewRowWidth, units_);
        size_t end = limit;
        for (size_t i = matchStart; i < limit; ++i) {
            if (IsLineEnd(Unit(i))) {
                end = i;
                break;
            }
        }
        size_t last = next;
        while (last + 1 < group_.size() && group_[last + 1].Start < end)
            ++last;
        end = SnapToCharacter(std::max(end, group_[last].End));
        const bool cutBefore = start > lineStart || !startKnown;
        const bool cutAfter = end < units_ && !IsLineEnd(Unit(end));
        AddRow(start, end, cutBefore, cutAfter, next, last, true);
        previousEnd = end;
        next = last + 1;
    }
}

void TMatchingLines::AddRow(size_t start, size_t end, bool cutBefore, bool cutAfter, size_t firstMatch,
                            size_t lastMatch, bool numbered) {
    TPreviewRow row;
    row.Line = numbered ? groupLine_ : 0;
    if (cutBefore)
        row.Text.push_back(Ellipsis);
    const auto append = [&](size_t from, size_t to) {
        if (to > from)
            row.Text += DecodeForRow(Bytes(from * width_, (to - from) * width_), (to - from) * width_,
                                     encoding_.Encoding, row.Text.size());
    };
    size_t at = start;
    for (size_t j = firstMatch; j <= lastMatch; ++j) {
        const size_t matchStart = std::max(group_[j].Start, at);
        const size_t matchEnd = std::min(std::max(group_[j].End, matchStart), end);
        append(at, matchStart);
        const size_t spanStart = row.Text.size();
        append(matchStart, matchEnd);
        if (row.Text.size() > spanStart)
            row.Matches.push_back(
                {static_cast<int>(spanStart), static_cast<int>(row.Text.size() - spanStart)});
        at = matchEnd;
    }
    append(at, end);
    if (cutAfter)
        row.Text.push_back(Ellipsis);
    rows_.push_back(std::move(row));
}

// --- The start of a text file

std::vector<TPreviewRow> TextFileStart(const unsigned char* data, size_t size,
                                       const TPreviewEncoding& encoding, size_t maxBytes, bool& truncated) {
    const size_t width = UnitWidth(encoding.Encoding);
    const bool bigEndian = encoding.Encoding == TTextEncoding::Utf16BE;
    truncated = size > maxBytes;
    const size_t bytes = std::min(size, maxBytes);
    const auto unit = [&](size_t i) -> char16_t {
        if (width == 1)
            return data[i];
        return static_cast<char16_t>(bigEndian ? (data[2 * i] << 8) | data[2 * i + 1]
                                               : (data[2 * i + 1] << 8) | data[2 * i]);
    };
    size_t units = bytes / width;
    if (truncated && encoding.Encoding == TTextEncoding::Utf8) {
        // The cut falls before the character it would split.
        size_t lead = units;
        while (lead > 0 && IsContinuationByte(data[lead]))
            --lead;
        units = lead;
    }
    if (truncated && width == 2 && units > 0 && unit(units - 1) >= 0xD800 && unit(units - 1) <= 0xDBFF)
        --units;

    std::vector<TPreviewRow> rows;
    int64_t line = 1;
    for (size_t start = std::min(encoding.BomLength / width, units); start < units; ++line) {
        size_t end = start;
        while (end < units && !IsLineEnd(unit(end)))
            ++end;
        const std::wstring text =
            DecodeForRow(data + start * width, (end - start) * width, encoding.Encoding, 0);
        size_t at = 0;
        do {
            size_t take = std::min<size_t>(PreviewRowWidth, text.size() - at);
            // A surrogate pair stays on one row.
            if (at + take < text.size() && take > 1 && text[at + take - 1] >= 0xD800 &&
                text[at + take - 1] <= 0xDBFF)
                --take;
            TPreviewRow row;
            row.Line = at == 0 ? line : 0;
            row.Text = text.substr(at, take);
            rows.push_back(std::move(row));
            at += take;
        } while (at < text.size());
        if (end >= units)
            break;
        start = end + (unit(end) == Cr && end + 1 < units && unit(end + 1) == Lf ? 2 : 1);
    }
    return rows;
}

// --- Matches slice by slice

// A form holds at most three bytes for each UTF-16 code unit of the text (UTF-8).
TMatchSlicer::TMatchSlicer(const std::wstring& text, bool caseSensitive)
    : matcher_(text, caseSensitive), overlap_(4 * text.size() + 4) {}

std::vector<TTextMatch> TMatchSlicer::FindIn(const unsigned char* data, size_t size, TFileEncoding encoding,
                                             size_t begin, size_t end) {
    std::vector<TTextMatch> matches;
    const size_t from = std::max(begin, static_cast<size_t>(lastEnd_));
    if (from >= end)
        return matches;
    const size_t to = std::min(size, end + overlap_);
    copy_.resize(to - from);
    if (!CopyGuardedRead(copy_.data(), data + from, to - from)) {
        faulted_ = true;
        return matches;
    }
    matcher_.ForEachMatch(copy_.data(), copy_.size(), encoding, [&](const TTextMatch& found) {
        const int64_t offset = static_cast<int64_t>(from) + found.Offset;
        if (offset >= static_cast<int64_t>(end))
            return false;
        matches.push_back({offset, found.Length});
        lastEnd_ = offset + found.Length;
        return true;
    });
    return matches;
}

} // namespace quarrow
