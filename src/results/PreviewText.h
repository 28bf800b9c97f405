#pragma once
// What the preview pane shows of a file, worked out from the file's bytes: the encoding of
// its text, the lines that hold the search's matches (numbered, the matches marked, long
// lines cut around them), and the start of a text file. Window-free. TMatchingLines and
// TMatchSlicer read a mapped file through guarded copies and tell a read fault; the other
// functions read what they are given as it is.

#include "search/TextEncoding.h"
#include "search/TextMatcher.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

// How the pane decodes a file's text: in the encoding the search told, and a file of
// bytes as UTF-8 when it is valid UTF-8 with characters beyond ASCII, else as ANSI.
enum class TTextEncoding { Ansi, Utf8, Utf16LE, Utf16BE };

struct TPreviewEncoding {
    TTextEncoding Encoding = TTextEncoding::Ansi;
    size_t BomLength = 0;                          // the byte-order mark's bytes at the start, not shown
    TFileEncoding Searched = TFileEncoding::Bytes; // as the search reads the file
};

TPreviewEncoding PreviewEncoding(const unsigned char* data, size_t size);
// Binary data rather than text: zero bytes in a text that is not UTF-16.
bool LooksBinary(const unsigned char* data, size_t size, const TPreviewEncoding& encoding);

// Characters [Start, Start + Length) of a row's text.
struct TTextSpan {
    int Start = 0;
    int Length = 0;
    bool operator==(const TTextSpan&) const = default;
};

// One row of the pane: a line, or a piece of a long one.
struct TPreviewRow {
    int64_t Line = 0; // from 1; 0 where the row continues the line above, and on a note
    std::wstring Text;
    std::vector<TTextSpan> Matches;
    bool Note = false; // a remark about the rows, not text of the file
};

// A row shows at most this many characters of a line (a tab counts as the blanks it shows).
constexpr int PreviewRowWidth = 200;
// A line cut around a match keeps this many characters before it.
constexpr int PreviewContextWidth = 40;
// A line with matches far apart is shown in at most this many pieces.
constexpr int PreviewMaxRowsPerLine = 10;
constexpr int64_t PreviewMaxLines = 1000;
// Without a containing text, a text file is shown up to this many bytes.
constexpr size_t PreviewStartBytes = 64 * 1024;

// Turns the matches of a file, in ascending order and not overlapping, into numbered rows.
// Lines end at CR LF, LF or CR alone. Only the first PreviewMaxLines lines with matches get
// rows; the others are counted.
class TMatchingLines {
public:
    // `data` is the whole file, which may fault (see Faulted), and must stay mapped while
    // the object is used.
    TMatchingLines(const unsigned char* data, size_t size, const TPreviewEncoding& encoding,
                   int64_t maxLines = PreviewMaxLines);

    void Add(const TTextMatch& match);
    // Makes the rows of the last line. Call once, after the last match.
    void Finish();
    // The rows made since the last call.
    std::vector<TPreviewRow> TakeRows();

    int64_t MatchCount() const { return matchCount_; }
    int64_t LineCount() const { return lineCount_; }
    // Lines with matches beyond the first maxLines.
    int64_t LinesNotShown() const { return lineCount_ > maxLines_ ? lineCount_ - maxLines_ : 0; }
    // A read of the file faulted (it shrank, or its drive went away): the rows since are of
    // zeros in its place.
    bool Faulted() const { return faulted_; }

private:
    struct TUnitMatch {
        size_t Start;
        size_t End;
    };

    // Bytes [offset, offset + count) of the file, from a copy of a window of it.
    const unsigned char* Bytes(size_t offset, size_t count) const;
    char16_t Unit(size_t index) const;
    bool IsBreak(size_t index) const;
    int64_t CountBreaks(size_t from, size_t to) const;
    bool AnyBreak(size_t from, size_t to) const;
    void MakeRows();
    size_t SnapToCharacter(size_t unit) const;
    void AddRow(size_t start, size_t end, bool cutBefore, bool cutAfter, size_t firstMatch, size_t lastMatch,
                bool numbered);

    const unsigned char* data_;
    size_t units_; // how many code units the file holds
    mutable std::vector<unsigned char> window_;
    mutable size_t windowAt_ = 0;
    mutable size_t windowLength_ = 0;
    mutable bool faulted_ = false;
    TPreviewEncoding encoding_;
    size_t width_; // bytes per code unit
    int64_t maxLines_;

    size_t cursor_;    // breaks before this unit are counted
    int64_t line_ = 1; // the line of `cursor_`
    int64_t matchCount_ = 0;
    int64_t lineCount_ = 0;
    int64_t groupLine_ = 0;
    std::vector<TUnitMatch> group_; // the matches of the current line, while it is shown
    std::vector<TPreviewRow> rows_;
};

// The start of a text file as rows: every line numbered, long lines continued on further
// rows. `truncated` tells whether the file goes on after `maxBytes`.
std::vector<TPreviewRow> TextFileStart(const unsigned char* data, size_t size,
                                       const TPreviewEncoding& encoding, size_t maxBytes, bool& truncated);

// Decodes bytes of a text in its encoding; the characters a row cannot show (tabs, other
// control characters) become blanks, a tab as many as reach the next multiple of four
// after `column` characters of the row.
std::wstring DecodeForRow(const unsigned char* data, size_t size, TTextEncoding encoding, size_t column);

// The search's matches of a file, found slice by slice so that the reading can stop
// between slices: the same matches as one pass over the whole file.
class TMatchSlicer {
public:
    TMatchSlicer(const std::wstring& text, bool caseSensitive);

    // The matches that start in bytes [begin, end) of the file `data`, after those of the
    // earlier calls; slices come in ascending order and start at even offsets. The slice is
    // searched in a copy; none when a read of it faulted.
    std::vector<TTextMatch> FindIn(const unsigned char* data, size_t size, TFileEncoding encoding,
                                   size_t begin, size_t end);
    bool Faulted() const { return faulted_; }

private:
    TTextMatcher matcher_;
    size_t overlap_; // more bytes than any form of the text holds
    int64_t lastEnd_ = 0;
    std::vector<unsigned char> copy_;
    bool faulted_ = false;
};

} // namespace quarrow
