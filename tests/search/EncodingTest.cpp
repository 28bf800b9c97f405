#include "search/SearchTestKit.h"
#include "base/Handles.h"
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

// Prose of scripts without blanks has next to no zero bytes in UTF-16. Such a file is told
// from the same prose in UTF-8 and in its ANSI code page, from ANSI text of other scripts,
// and from binary data: random bytes (compressed data, images), this program, its icons.
TEST(TextEncoding, ChineseAndJapaneseInUtf16WithoutAMarkAreToldByTheirCodeUnits) {
    const std::wstring chinese =
        L"\u4ECA\u5929\u7684\u5929\u6C14\u5F88\u597D\uFF0C\u6211\u4EEC\u53BB\u516C\u56ED\u6563\u6B65\u3002"
        L"\u665A\u4E0A\u6211\u4EEC\u4E00\u8D77\u5403\u996D\uFF0C\u7136\u540E\u770B\u4E66\u3002\r\n";
    const std::wstring japanese =
        L"\u4ECA\u65E5\u306F\u3044\u3044\u5929\u6C17\u3067\u3059\u306D\u3002\u516C\u5712\u3078\u884C"
        L"\u304D\u307E\u3057\u3087\u3046\u3002\u300C\u3068\u3066\u3082\u697D\u3057\u3044\u300D\r\n";
    const std::wstring russian = L"\u0414\u043E\u0431\u0440\u044B\u0439 \u0434\u0435\u043D\u044C, "
                                 L"\u043A\u0430\u043A \u0434\u0435\u043B\u0430? ";
    const std::wstring french = L"Le caf\u00E9 est pr\u00EAt, l'\u00E9t\u00E9 arrive \u00E0 grands pas. ";
    const auto repeated = [](const std::wstring& text, int times) {
        std::wstring all;
        for (int i = 0; i < times; ++i)
            all += text;
        return all;
    };
    const auto inCodePage = [](const std::wstring& text, UINT codePage) {
        const int length = WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                               nullptr, 0, nullptr, nullptr);
        std::string bytes(static_cast<size_t>(std::max(length, 0)), '\0');
        WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(), length,
                            nullptr, nullptr);
        return bytes;
    };
    for (const std::wstring& prose : {repeated(chinese, 3), repeated(japanese, 3), repeated(chinese, 60)}) {
        EXPECT_EQ(Detected(Utf16(prose, false, false)), TFileEncoding::Utf16Le);
        EXPECT_EQ(Detected(Utf16(prose, true, false)), TFileEncoding::Utf16Be);
        EXPECT_EQ(Detected(ToUtf8(prose)), TFileEncoding::Bytes);
    }
    const std::string file = Utf16(repeated(japanese, 3), false, false);
    const TTextMatcher matcher(L"\u516C\u5712", false);
    EXPECT_EQ(matcher.Matches(file.data(), file.size(), Detected(file)).size(), 3u);
    EXPECT_EQ(Detected(Utf16(chinese.substr(0, 20), false, false)), TFileEncoding::Bytes)
        << "too short to tell";

    const std::pair<std::wstring, UINT> ansi[] = {{chinese, 936},  {japanese, 932},
                                                  {russian, 1251}, {french, 1252},
                                                  {russian, 866},  {L"\uD55C\uAD6D\uC5B4 ", 949},
                                                  {chinese, 950}};
    for (const auto& [text, codePage] : ansi) {
        if (IsValidCodePage(codePage)) {
            EXPECT_EQ(Detected(inCodePage(repeated(text, 40), codePage)), TFileEncoding::Bytes) << codePage;
        }
    }

    std::mt19937 rng(8);
    for (int round = 0; round < 400; ++round) {
        const std::string data = RandomBytes(rng, 128 + rng() % 6000);
        ASSERT_EQ(Detected(data), TFileEncoding::Bytes) << "round " << round;
    }
    std::vector<std::string> binaries;
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const UniqueFile program(
        CreateFileW(self, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    for (const LONG offset : {0L, 4096L, 65536L, 1L << 20}) {
        std::string block(4096, '\0');
        DWORD read = 0;
        SetFilePointer(program.Get(), offset, nullptr, FILE_BEGIN);
        ReadFile(program.Get(), block.data(), 4096, &read, nullptr);
        binaries.push_back(block.substr(0, read));
    }
    EnumResourceNamesW(
        nullptr, RT_ICON,
        [](HMODULE, LPCWSTR type, LPWSTR name, LONG_PTR list) -> BOOL {
            const HRSRC found = FindResourceW(nullptr, name, type);
            const auto* data = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
            reinterpret_cast<std::vector<std::string>*>(list)->emplace_back(data,
                                                                            SizeofResource(nullptr, found));
            return TRUE;
        },
        reinterpret_cast<LONG_PTR>(&binaries));
    ASSERT_GT(binaries.size(), 5u);
    for (const std::string& binary : binaries)
        EXPECT_EQ(Detected(binary), TFileEncoding::Bytes) << binary.size() << " bytes";
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
