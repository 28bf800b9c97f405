#include "search/SearchTestKit.h"
#include "base/Text.h"
#include "search/TextEncoding.h"
#include "search/TextMatcher.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <random>
#include <set>

using namespace quarrow;
using namespace quarrow::test;

namespace {

std::string Utf16(const std::wstring& text, bool bigEndian, bool mark) {
    return (mark ? std::string(bigEndian ? "\xFE\xFF" : "\xFF\xFE") : std::string()) +
           Utf16Bytes(text, bigEndian);
}

TFileEncoding Detected(const std::string& bytes) {
    return DetectTextEncoding(bytes.data(), bytes.size()).Encoding;
}

std::string RandomBytes(std::mt19937& rng, size_t length) {
    std::string bytes(length, '\0');
    for (char& c : bytes)
        c = static_cast<char>(rng());
    return bytes;
}

const wchar_t Letter[] =
    L"Der Gru\u00DF an alle: Stra\u00DFe, M\u00FCller, \u0420\u043E\u0441\u0441\u0438\u044F. ";

} // namespace

TEST(TextEncoding, AMarkDecidesAndUtf16WithoutOneIsToldByItsZeros) {
    const std::wstring letter = Letter;
    EXPECT_EQ(DetectTextEncoding("\xEF\xBB\xBFhi", 5).BomLength, 3);
    EXPECT_EQ(Detected("\xEF\xBB\xBFhi"), TFileEncoding::Utf8);
    for (const bool bigEndian : {false, true}) {
        const TFileEncoding expected = bigEndian ? TFileEncoding::Utf16Be : TFileEncoding::Utf16Le;
        const std::string marked = Utf16(letter, bigEndian, true);
        EXPECT_EQ(DetectTextEncoding(marked.data(), marked.size()).BomLength, 2);
        EXPECT_EQ(Detected(marked), expected);
        EXPECT_EQ(Detected(Utf16(letter, bigEndian, false)), expected);
        EXPECT_EQ(DetectTextEncoding(Utf16(letter, bigEndian, false).data(), 100).BomLength, 0);
        EXPECT_EQ(Detected(Utf16(L"hi", bigEndian, false)), expected) << "a two-letter file";
        // Mostly Cyrillic, with the blanks and digits of ordinary text.
        std::wstring russian;
        for (int i = 0; i < 200; ++i)
            russian += L"\u041F\u0440\u0438\u0432\u0435\u0442 \u043C\u0438\u0440 2024, ";
        EXPECT_EQ(Detected(Utf16(russian, bigEndian, false)), expected);
        // Lines of a log: tabs and line ends are text.
        EXPECT_EQ(Detected(Utf16(L"12:00\tstarted\r\n12:01\tstopped\r\n", bigEndian, false)), expected);
    }
    EXPECT_EQ(Detected(ToUtf8(letter)), TFileEncoding::Bytes);
    EXPECT_EQ(Detected(ToAnsi(L"Gru\u00DF")), TFileEncoding::Bytes);
    EXPECT_EQ(Detected(""), TFileEncoding::Bytes);
    EXPECT_EQ(Detected("a"), TFileEncoding::Bytes);
    // A text file padded with zeros, as logs written ahead are.
    EXPECT_EQ(Detected(std::string("log line\r\n") + std::string(5000, '\0')), TFileEncoding::Bytes);
}

TEST(TextEncoding, BinaryDataWithZeroBytesIsNeverTakenForUtf16) {
    std::mt19937 rng(5);
    for (int round = 0; round < 300; ++round) {
        const size_t length = 16 + rng() % 6000;
        std::string data = RandomBytes(rng, length);
        switch (round % 6) {
        case 0: // zeros scattered anywhere
            for (size_t i = 0; i < length / 5; ++i)
                data[rng() % length] = '\0';
            break;
        case 1: // small 16-bit numbers: zero high bytes, control codes
            for (size_t i = 0; i + 1 < length; i += 2) {
                data[i] = static_cast<char>(rng() % 32);
                data[i + 1] = '\0';
            }
            break;
        case 2: // 32-bit numbers below 65536: zeros on both sides
            for (size_t i = 0; i + 3 < length; i += 4) {
                data[i + 2] = '\0';
                data[i + 3] = '\0';
            }
            break;
        case 3: { // an executable's header, then code and tables
            const char header[] = "MZ\x90\0\x03\0\0\0\x04\0\0\0\xFF\xFF\0\0\xB8\0\0\0\0\0\0\0@\0";
            data.replace(0, std::min(sizeof(header) - 1, length), header,
                         std::min(sizeof(header) - 1, length));
            for (size_t i = 32; i + 1 < length; i += 2 + rng() % 5)
                data[i + rng() % 2] = '\0';
            break;
        }
        case 4: // a zero high byte under random low bytes: mostly control codes and symbols
            for (size_t i = 1; i < length; i += 2)
                data[i] = rng() % 4 ? '\0' : data[i];
            break;
        default: // zeros on the low side only, as big-endian small numbers
            for (size_t i = 0; i + 1 < length; i += 2) {
                data[i] = '\0';
                data[i + 1] = static_cast<char>(rng() % 48);
            }
            break;
        }
        ASSERT_EQ(Detected(data), TFileEncoding::Bytes) << "round " << round;
    }
}

// The walk finds the text in every encoding, in either case when case is ignored, and only
// on whole UTF-16 code units.
TEST(ContentSearch, FindsTheTextInEveryEncodingThroughTheWalk) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI files are written in code page 1252";
    TempDir dir(L"enc");
    const std::wstring before = L"Dear all,\r\nthe street is ";
    const std::wstring after = L" now.\r\n";
    const auto write = [&](const wchar_t* name, const std::wstring& word, auto encode) {
        dir.WriteFile(name, encode(before + word + after));
    };
    const std::wstring mixed = L"Stra\u00DFe M\u00FCller", upper = L"STRA\u00DFE M\u00DCLLER";
    for (const bool bigEndian : {false, true}) {
        for (const bool mark : {false, true}) {
            const auto utf16 = [&](const std::wstring& text) { return Utf16(text, bigEndian, mark); };
            const std::wstring stem = std::wstring(bigEndian ? L"be" : L"le") + (mark ? L"_mark" : L"_plain");
            write((stem + L".txt").c_str(), mixed, utf16);
            write((stem + L"_upper.txt").c_str(), upper, utf16);
        }
    }
    write(L"utf8.txt", mixed, [](const std::wstring& text) { return ToUtf8(text); });
    write(L"utf8_mark_upper.txt", upper,
          [](const std::wstring& text) { return "\xEF\xBB\xBF" + ToUtf8(text); });
    write(L"ansi_upper.txt", upper, [](const std::wstring& text) { return ToAnsi(text); });
    // The text's UTF-16 bytes, but not on a code unit of the file.
    dir.WriteFile(L"odd.txt", Utf16(L"x", false, true) + "x" + Utf16(mixed, false, false) + "x");
    // The text's UTF-16 bytes inside binary data: the file is not UTF-16.
    std::mt19937 rng(3);
    std::string binary = RandomBytes(rng, 3000);
    for (size_t i = 0; i < binary.size(); i += 3)
        binary[i] = '\0';
    dir.WriteFile(L"data.bin", binary + Utf16(mixed, false, false) + binary);

    TIDList ids;
    TSettings settings;
    std::vector<std::wstring> excluded;
    FakeSearchHost host;
    TSearchEngine engine(ids, settings, excluded, host);
    const auto found = [&](const std::wstring& text, bool caseSensitive) {
        TSearchInput input;
        input.LocationText = dir.Path();
        input.ContainingText = text;
        input.CTCaseSensitive = caseSensitive;
        EXPECT_TRUE(engine.Launch(input));
        std::set<std::wstring> names;
        for (const auto& item : ids.Items())
            names.insert(item->Name);
        return names;
    };
    using Names = std::set<std::wstring>;
    const Names mixedFiles = {L"be_mark.txt", L"be_plain.txt", L"le_mark.txt", L"le_plain.txt", L"utf8.txt"};
    const Names upperFiles = {L"be_mark_upper.txt",  L"be_plain_upper.txt",  L"le_mark_upper.txt",
                              L"le_plain_upper.txt", L"utf8_mark_upper.txt", L"ansi_upper.txt"};
    Names every = mixedFiles;
    every.insert(upperFiles.begin(), upperFiles.end());
    EXPECT_EQ(found(L"stra\u00DFe m\u00FCller", false), every);
    EXPECT_EQ(found(mixed, true), mixedFiles);
    EXPECT_EQ(found(upper, true), upperFiles);
    EXPECT_EQ(found(L"STREET IS", false).size(), 11u) << "in every file but the binary one and the odd one";
    EXPECT_EQ(found(L"street is", true).size(), 11u);
    EXPECT_EQ(found(L"Street is", true).size(), 0u);
}

TEST(TextMatcher, EnumeratesEveryFormOfTheTextInOrderAndStopsOnRequest) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the ANSI bytes are those of code page 1252";
    const TTextMatcher matcher(L"m\u00FCller", false);
    // ANSI and UTF-8 in one file without a mark: both forms are found, leftmost first.
    const std::string bytes = "M\xDCLLER, " + ToUtf8(L"m\u00FCller") + " and m\xFCller";
    const TDetectedEncoding encoding = TTextMatcher::Encoding(bytes.data(), bytes.size());
    EXPECT_EQ(encoding.Encoding, TFileEncoding::Bytes);
    EXPECT_EQ(matcher.Matches(bytes.data(), bytes.size(), encoding.Encoding),
              (std::vector<TTextMatch>{{0, 6}, {8, 7}, {20, 6}}));
    int seen = 0;
    matcher.ForEachMatch(bytes.data(), bytes.size(), encoding.Encoding, [&seen](const TTextMatch&) {
        ++seen;
        return false;
    });
    EXPECT_EQ(seen, 1);

    // UTF-16 with a mark: the mark's length is told, matches are on whole code units only.
    const std::string wide = Utf16(L"M\u00DCLLER \u6D00 m\u00FCller", false, true);
    const TDetectedEncoding wideEncoding = TTextMatcher::Encoding(wide.data(), wide.size());
    EXPECT_EQ(wideEncoding.Encoding, TFileEncoding::Utf16Le);
    EXPECT_EQ(wideEncoding.BomLength, 2);
    EXPECT_EQ(matcher.Matches(wide.data(), wide.size(), wideEncoding.Encoding),
              (std::vector<TTextMatch>{{2, 12}, {20, 12}}));
    // The same bytes one byte later are not on a code unit.
    const std::string shifted = "\xFF\xFE"
                                "x" +
                                wide.substr(2) + "x";
    EXPECT_TRUE(matcher.Matches(shifted.data(), shifted.size(), TFileEncoding::Utf16Le).empty());
    EXPECT_TRUE(TTextMatcher(L"", false).Matches(bytes.data(), bytes.size(), TFileEncoding::Bytes).empty());
}
