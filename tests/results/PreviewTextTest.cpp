// The preview's lines worked out from a file's bytes: line ends, matches at the edges of the
// file, cut lines, several matches in a line, the encodings, the line limit, the start of a
// text file, the matcher's slices against one pass over the whole file, and a read fault.

#include "results/PreviewText.h"

#include "base/Text.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <random>

using namespace quarrow;

namespace {

const auto* Bytes(const std::string& text) {
    return reinterpret_cast<const unsigned char*>(text.data());
}

struct TFound {
    std::vector<TPreviewRow> Rows;
    int64_t Matches = 0;
    int64_t Lines = 0;
    int64_t NotShown = 0;
};

// The rows of `file` for `text`, the matcher run over slices of `slice` bytes.
TFound Preview(const std::string& file, const std::wstring& text, bool caseSensitive = false,
               int64_t maxLines = PreviewMaxLines, size_t slice = 1 << 20) {
    const TPreviewEncoding encoding = PreviewEncoding(Bytes(file), file.size());
    TMatchSlicer matcher(text, caseSensitive);
    TMatchingLines lines(Bytes(file), file.size(), encoding, maxLines);
    for (size_t begin = 0; begin < file.size(); begin += slice) {
        const size_t end = std::min(file.size(), begin + slice);
        for (const TTextMatch& match :
             matcher.FindIn(Bytes(file), file.size(), encoding.Searched, begin, end))
            lines.Add(match);
    }
    lines.Finish();
    return {lines.TakeRows(), lines.MatchCount(), lines.LineCount(), lines.LinesNotShown()};
}

// Rows written as "line:text" with the matches in brackets.
std::vector<std::wstring> Shown(const std::vector<TPreviewRow>& rows) {
    std::vector<std::wstring> shown;
    for (const TPreviewRow& row : rows) {
        std::wstring text;
        int at = 0;
        for (const TTextSpan& span : row.Matches) {
            text += row.Text.substr(static_cast<size_t>(at), static_cast<size_t>(span.Start - at)) + L"[" +
                    row.Text.substr(static_cast<size_t>(span.Start), static_cast<size_t>(span.Length)) + L"]";
            at = span.Start + span.Length;
        }
        text += row.Text.substr(static_cast<size_t>(at));
        shown.push_back(std::to_wstring(row.Line) + L":" + text);
    }
    return shown;
}

std::string Utf16(const std::wstring& text, bool bigEndian, bool mark) {
    std::string bytes;
    if (mark)
        bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const wchar_t c : text) {
        const char high = static_cast<char>(c >> 8);
        const char low = static_cast<char>(c & 0xFF);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

} // namespace

TEST(PreviewLines, LinesEndAtCrLfLfAndCrAloneAndMatchesAtBothEndsOfTheFileAreFound) {
    const std::string file = "needle first\r\nalpha\r\nbeta needle\nfoo\rneedle gamma\r\n\r\n\rlast needle";
    const TFound found = Preview(file, L"needle");
    EXPECT_EQ((std::vector<std::wstring>{L"1:[needle] first", L"3:beta [needle]", L"5:[needle] gamma",
                                         L"8:last [needle]"}),
              Shown(found.Rows));
    EXPECT_EQ(4, found.Matches);
    EXPECT_EQ(4, found.Lines);
    EXPECT_EQ(0, found.NotShown);

    // The whole file is the text; a file that ends in a line end.
    EXPECT_EQ(std::vector<std::wstring>{L"1:[needle]"}, Shown(Preview("needle", L"needle").Rows));
    EXPECT_EQ(std::vector<std::wstring>{L"2:[needle]"}, Shown(Preview("\r\nneedle\r\n", L"needle").Rows));
    EXPECT_EQ(std::vector<std::wstring>{L"3:[needle]"}, Shown(Preview("\r\r\nneedle\n", L"needle").Rows));
}

TEST(PreviewLines, SeveralMatchesInALineShareItsRowAndTheCaseRuleIsTheSearchs) {
    const std::string file = "one Needle two needle three NEEDLE\nnothing here\nneedleneedle";
    EXPECT_EQ(
        (std::vector<std::wstring>{L"1:one [Needle] two [needle] three [NEEDLE]", L"3:[needle][needle]"}),
        Shown(Preview(file, L"needle").Rows));
    EXPECT_EQ((std::vector<std::wstring>{L"1:one Needle two needle three [NEEDLE]"}),
              Shown(Preview(file, L"NEEDLE", true).Rows));
    // Matches do not overlap, as in the search.
    EXPECT_EQ((std::vector<std::wstring>{L"1:[aa][aa]a"}), Shown(Preview("aaaaa", L"aa").Rows));
}

TEST(PreviewLines, ALongLineIsCutAroundItsMatchesAndEveryMatchStaysVisible) {
    const std::string before(1000, 'x');
    const std::string after(1000, 'y');
    const TFound found = Preview("short\n" + before + "needle" + after + "\nend", L"needle");
    ASSERT_EQ(1u, found.Rows.size());
    const TPreviewRow& row = found.Rows[0];
    EXPECT_EQ(2, row.Line);
    EXPECT_EQ(L'\u2026', row.Text.front());
    EXPECT_EQ(L'\u2026', row.Text.back());
    ASSERT_EQ(1u, row.Matches.size());
    EXPECT_EQ(1 + PreviewContextWidth, row.Matches[0].Start);
    EXPECT_EQ(L"needle", row.Text.substr(static_cast<size_t>(row.Matches[0].Start), 6));
    EXPECT_LE(row.Text.size(), static_cast<size_t>(PreviewRowWidth + 2));

    // Matches far apart in one line: one row around each, each with the line's number.
    const std::string spread = "needle" + before + "needle" + after + "needle";
    const TFound pieces = Preview(spread, L"needle");
    ASSERT_EQ(3u, pieces.Rows.size());
    for (const TPreviewRow& piece : pieces.Rows) {
        EXPECT_EQ(1, piece.Line);
        ASSERT_EQ(1u, piece.Matches.size());
        EXPECT_EQ(L"needle", piece.Text.substr(static_cast<size_t>(piece.Matches[0].Start), 6));
    }
    EXPECT_NE(L'\u2026', pieces.Rows[0].Text.front()); // the line's own start
    EXPECT_EQ(L'\u2026', pieces.Rows[1].Text.front());
    EXPECT_NE(L'\u2026', pieces.Rows[2].Text.back()); // the file's end
    EXPECT_EQ(1, pieces.Lines);
    EXPECT_EQ(3, pieces.Matches);

    // A line with more matches than pieces: the matches are all counted.
    std::string crowded;
    for (int i = 0; i < 3 * PreviewMaxRowsPerLine; ++i)
        crowded += "needle" + std::string(300, '-');
    const TFound many = Preview(crowded, L"needle");
    EXPECT_EQ(static_cast<size_t>(PreviewMaxRowsPerLine), many.Rows.size());
    EXPECT_EQ(3 * PreviewMaxRowsPerLine, many.Matches);
}

TEST(PreviewLines, TextIsDecodedInTheFilesEncoding) {
    // UTF-8 with and without a byte-order mark, and ANSI: the search finds "café" in each.
    const std::string utf8 = ToUtf8(L"x\r\ncaf\u00E9 au lait\r\n");
    for (const std::string& file : {utf8, "\xEF\xBB\xBF" + utf8, std::string("x\r\ncaf\xE9 au lait\r\n")}) {
        EXPECT_EQ((std::vector<std::wstring>{L"2:[caf\u00E9] au lait"}),
                  Shown(Preview(file, L"Caf\u00C9").Rows));
    }
    // UTF-16 both ways, with and without a mark, found as the search finds them.
    const std::wstring text = L"\u0444\u0430\u0439\u043B\r\nsecond Needle\rthird\nneedle";
    for (const bool bigEndian : {false, true}) {
        for (const bool mark : {false, true}) {
            const std::string file = Utf16(text, bigEndian, mark);
            const TPreviewEncoding encoding = PreviewEncoding(Bytes(file), file.size());
            EXPECT_EQ(bigEndian ? TTextEncoding::Utf16BE : TTextEncoding::Utf16LE, encoding.Encoding);
            EXPECT_EQ(mark ? 2u : 0u, encoding.BomLength);
            EXPECT_EQ((std::vector<std::wstring>{L"2:second [Needle]", L"4:[needle]"}),
                      Shown(Preview(file, L"NEEDLE").Rows));
            EXPECT_EQ((std::vector<std::wstring>{L"1:[\u0444\u0430\u0439\u043B]"}),
                      Shown(Preview(file, L"\u0424\u0410\u0419\u041B").Rows));
        }
    }
}

TEST(PreviewLines, OnlyTheFirstLinesAreShownAndTheOthersCounted) {
    std::string file;
    for (int i = 1; i <= 1005; ++i)
        file += "line " + std::to_string(i) + " needle\n";
    const TFound found = Preview(file, L"needle");
    ASSERT_EQ(1000u, found.Rows.size());
    EXPECT_EQ(1000, found.Rows.back().Line);
    EXPECT_EQ(1005, found.Lines);
    EXPECT_EQ(1005, found.Matches);
    EXPECT_EQ(5, found.NotShown);

    // After the limit, matches on one line are counted as one line.
    const TFound few = Preview("needle\nneedle needle\nx\nneedle needle needle\n", L"needle", false, 1);
    EXPECT_EQ(1u, few.Rows.size());
    EXPECT_EQ(3, few.Lines);
    EXPECT_EQ(6, few.Matches);
    EXPECT_EQ(2, few.NotShown);
}

TEST(PreviewLines, MatchesFoundSliceBySliceAreThoseOfOnePassOverTheFile) {
    std::mt19937 random(20261208);
    const std::string alphabet = "abAB\r\n\xC3\xA4";
    for (int round = 0; round < 300; ++round) {
        std::string file(1 + random() % 400, ' ');
        for (char& c : file)
            c = alphabet[random() % alphabet.size()];
        if (round % 4 == 3)
            file = Utf16(FromUtf8(file), round % 8 == 7, false);
        const std::wstring text = round % 2 ? L"ab" : L"a\u00C4B";
        const bool caseSensitive = round % 3 == 0;
        const TPreviewEncoding encoding = PreviewEncoding(Bytes(file), file.size());
        std::vector<TTextMatch> whole =
            TTextMatcher(text, caseSensitive).Matches(Bytes(file), file.size(), encoding.Searched);
        TMatchSlicer slicer(text, caseSensitive);
        std::vector<TTextMatch> sliced;
        const size_t slice = 2 * (1 + random() % 7);
        for (size_t begin = 0; begin < file.size(); begin += slice) {
            for (const TTextMatch& match : slicer.FindIn(Bytes(file), file.size(), encoding.Searched, begin,
                                                         std::min(file.size(), begin + slice)))
                sliced.push_back(match);
        }
        ASSERT_EQ(whole, sliced) << file;
    }
}

TEST(PreviewStart, ShowsEveryLineNumberedAndContinuesLongLines) {
    bool truncated = true;
    const std::string file = "\xEF\xBB\xBF"
                             "one\r\ntwo\tcolumns\nthree\r\rfive" +
                             std::string(250, 'z');
    const std::vector<TPreviewRow> rows =
        TextFileStart(Bytes(file), file.size(), PreviewEncoding(Bytes(file), file.size()), 1024, truncated);
    EXPECT_FALSE(truncated);
    EXPECT_EQ((std::vector<std::wstring>{L"1:one", L"2:two columns", L"3:three", L"4:",
                                         L"5:five" + std::wstring(PreviewRowWidth - 4, L'z'),
                                         L"0:" + std::wstring(54, L'z')}),
              Shown(rows));

    // The start stops before a character it would split.
    const std::string accents = ToUtf8(std::wstring(100, L'\u00E9'));
    const std::vector<TPreviewRow> cut = TextFileStart(
        Bytes(accents), accents.size(), PreviewEncoding(Bytes(accents), accents.size()), 51, truncated);
    EXPECT_TRUE(truncated);
    ASSERT_EQ(1u, cut.size());
    EXPECT_EQ(std::wstring(25, L'\u00E9'), cut[0].Text);
}

TEST(PreviewStart, EncodingsAndBinaryDataAreToldApart) {
    const auto decoding = [](const std::string& file) { return PreviewEncoding(Bytes(file), file.size()); };
    EXPECT_EQ(TTextEncoding::Ansi, decoding("plain text").Encoding);
    EXPECT_EQ(TTextEncoding::Ansi, decoding("caf\xE9").Encoding);
    EXPECT_EQ(TTextEncoding::Utf8, decoding("caf\xC3\xA9").Encoding);
    EXPECT_EQ(3u, decoding("\xEF\xBB\xBFplain").BomLength);
    EXPECT_EQ(TTextEncoding::Utf16LE, decoding(Utf16(L"plain text", false, false)).Encoding);
    EXPECT_EQ(TTextEncoding::Utf16BE, decoding(Utf16(L"plain text", true, false)).Encoding);

    // Zero bytes scattered over both halves of the code units are binary data, not UTF-16.
    std::string binary;
    for (int i = 0; i < 4096; ++i)
        binary += static_cast<char>(i % 3 == 0 ? 0 : 'A' + i % 26);
    const TPreviewEncoding found = decoding(binary);
    EXPECT_EQ(TTextEncoding::Ansi, found.Encoding);
    EXPECT_TRUE(LooksBinary(Bytes(binary), binary.size(), found));
    const std::string text = "no zero bytes here";
    EXPECT_FALSE(LooksBinary(Bytes(text), text.size(), decoding(text)));
    const std::string wide = Utf16(L"text", false, true);
    EXPECT_FALSE(LooksBinary(Bytes(wide), wide.size(), decoding(wide)));
}

// The bytes of a file whose end cannot be read (as when it shrinks under its view): the
// matcher and the lines read them through guarded copies and tell the fault, rather than
// leaving code that owns memory half way.
TEST(PreviewLines, AReadFaultAtTheEndOfTheFileIsToldAndNothingCrashes) {
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    const size_t page = info.dwPageSize;
    auto* block = static_cast<unsigned char*>(VirtualAlloc(nullptr, 3 * page, MEM_RESERVE, PAGE_NOACCESS));
    ASSERT_NE(block, nullptr);
    ASSERT_NE(VirtualAlloc(block, 2 * page, MEM_COMMIT, PAGE_READWRITE), nullptr);
    std::memset(block, 'x', 2 * page);
    std::memcpy(block + 2 * page - 10, "needle", 6); // its line reaches the unreadable page
    const TPreviewEncoding encoding;
    for (const size_t size : {2 * page, 3 * page}) {
        const bool unreadable = size > 2 * page;
        TMatchSlicer matcher(L"needle", false);
        const std::vector<TTextMatch> found = matcher.FindIn(block, size, encoding.Searched, 0, size);
        EXPECT_EQ(matcher.Faulted(), unreadable);
        EXPECT_EQ(found.size(), unreadable ? 0u : 1u);
        TMatchingLines lines(block, size, encoding);
        lines.Add({static_cast<int64_t>(2 * page - 10), 6});
        lines.Finish();
        EXPECT_EQ(lines.Faulted(), unreadable);
        EXPECT_EQ(lines.TakeRows().size(), 1u);
    }
    VirtualFree(block, 0, MEM_RELEASE);
}
