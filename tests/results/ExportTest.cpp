// The export layouts byte for byte, and export files written and read back.

#include "results/Export.h"

#include "common/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quarrow;
using quarrow::test::ReadFileBytes;
using quarrow::test::TempDir;

namespace {

const TLocaleFormat& English() {
    static const TLocaleFormat format = TLocaleFormat::Load(L"en-US");
    return format;
}
const TLocaleFormat& German() {
    static const TLocaleFormat format = TLocaleFormat::Load(L"de-DE");
    return format;
}

std::unique_ptr<TShellItem> Item(const std::wstring& name, const std::wstring& folder, int64_t size,
                                 TDateTime modified, bool isFolder = false) {
    auto item = std::make_unique<TShellItem>();
    item->Name = name;
    item->FolderText = std::make_shared<const std::wstring>(folder);
    item->Size = size;
    item->Modified = modified;
    item->IsFolder = isFolder;
    return item;
}

const TDateTime NewYearsEve = EncodeDateTime(2006, 12, 31, 23, 59, 58);

} // namespace

TEST(ExportLayout, TextRowsAndHeaderArePaddedAndNeverCut) {
    const auto file = Item(L"report.doc", L"C:\\Data\\", 1536000, NewYearsEve);
    EXPECT_EQ(L"report.doc                           C:\\Data\\                           "
              L"                 1,500 KB  31/12/2006 23:59    ",
              TextRow(*file, English()));
    EXPECT_EQ(L"Name                                 Folder                             "
              L"                     Size  Date Modified       ",
              TextHeader());
    // "Size" ends where the rows' "KB" ends.
    EXPECT_EQ(TextHeader().find(L"Size") + 4, TextRow(*file, English()).find(L" KB") + 3);

    // A folder exports 1 KB, where the list leaves the cell empty.
    const auto folder = Item(L"sub", L"C:\\Data\\", 0, NewYearsEve, true);
    EXPECT_NE(std::wstring::npos, TextRow(*folder, English()).find(L"                   1 KB  "));

    // A 40-character name pushes the rest of its row 5 characters to the right.
    const std::wstring longName(40, L'n');
    const auto wide = Item(longName, L"C:\\Data\\", 1536000, NewYearsEve);
    EXPECT_EQ(longName + L"  C:\\Data\\", TextRow(*wide, English()).substr(0, 50));
    EXPECT_EQ(TextRow(*file, English()).size() + 5, TextRow(*wide, English()).size());
}

TEST(ExportLayout, CommaDelimitedRowsQuoteEveryFieldAndDoubleTheQuotesInside) {
    EXPECT_EQ(L"\"Name\",\"Folder\",\"Size\",\"Date Modified\"", CsvHeader());
    const auto quoted = Item(L"say \"hi\".txt", L"C:\\\"Data\"\\", 1536000, NewYearsEve);
    EXPECT_EQ(L"\"say \"\"hi\"\".txt\",\"C:\\\"\"Data\"\"\\\",\"1,500\",\"31/12/2006 23:59\"",
              CsvRow(*quoted, English()));
    // A line break stays inside its quoted field: the row is still one record.
    const auto twoLines = Item(L"\"two\r\nlines\"", L"C:\\", 1, NewYearsEve);
    EXPECT_EQ(L"\"\"\"two\r\nlines\"\"\",\"C:\\\",\"1\",\"31/12/2006 23:59\"", CsvRow(*twoLines, English()));
    const auto folder = Item(L"sub", L"C:\\Data\\", 0, NewYearsEve, true);
    EXPECT_EQ(L"\"sub\",\"C:\\Data\\\",\"1\",\"31/12/2006 23:59\"", CsvRow(*folder, English()));
}

TEST(ExportLayout, ADotLocaleGroupsSizesAndSeparatesDatesWithDots) {
    const auto file = Item(L"big.bin", L"D:\\", 2000000, NewYearsEve);
    EXPECT_EQ(L"\"big.bin\",\"D:\\\",\"1.954\",\"31.12.2006 23:59\"", CsvRow(*file, German()));
    EXPECT_NE(std::wstring::npos,
              TextRow(*file, German()).find(L"               1.954 KB  31.12.2006 23:59    "));
}

TEST(ExportFile, WritesTheHeaderAndEveryRowWithLineEndsAndReadsBack) {
    if (GetACP() != 1252)
        GTEST_SKIP() << "the expected bytes are those of the Western code page";
    TempDir dir(L"export");
    TIDList records;
    records.Add(Item(L"one.txt", L"C:\\Data\\", 10, NewYearsEve));
    records.Add(Item(L"caf\u00E9.txt", L"C:\\Data\\", 2048, NewYearsEve));
    records.Add(Item(L"sub", L"C:\\Data\\", 0, NewYearsEve, true));

    // An existing file is replaced; "é" fits the ANSI code page and stays one byte.
    const std::wstring csv = dir.WriteFile(L"out.csv", std::string(5000, 'x'));
    int rowsSeen = 0;
    const TExportResult result = WriteExportFile(
        csv, records, true, [&] { ++rowsSeen; }, English());
    EXPECT_TRUE(result.Written);
    EXPECT_EQ(3, result.Rows);
    EXPECT_EQ(3, rowsSeen);
    const std::string bytes = ReadFileBytes(csv);
    EXPECT_EQ("\"Name\",\"Folder\",\"Size\",\"Date Modified\"\r\n"
              "\"one.txt\",\"C:\\Data\\\",\"1\",\"31/12/2006 23:59\"\r\n"
              "\"caf\xE9.txt\",\"C:\\Data\\\",\"2\",\"31/12/2006 23:59\"\r\n"
              "\"sub\",\"C:\\Data\\\",\"1\",\"31/12/2006 23:59\"\r\n",
              bytes);
}

TEST(ExportFile, ATextFileHasThePaddedHeaderAndTheTextRows) {
    TempDir dir(L"export");
    TIDList records;
    records.Add(Item(L"one.txt", L"C:\\Data\\", 10, NewYearsEve));
    records.Add(Item(L"sub", L"C:\\Data\\", 0, NewYearsEve, true));
    const std::wstring txt = dir.Sub(L"out.txt");
    const TExportResult result = WriteExportFile(txt, records, false, nullptr, English());
    EXPECT_TRUE(result.Written);
    EXPECT_EQ(2, result.Rows);
    EXPECT_EQ("Name                                 Folder                             "
              "                     Size  Date Modified       \r\n"
              "one.txt                              C:\\Data\\                           "
              "                     1 KB  31/12/2006 23:59    \r\n"
              "sub                                  C:\\Data\\                           "
              "                     1 KB  31/12/2006 23:59    \r\n",
              ReadFileBytes(txt));
}

TEST(ExportFile, ANameOutsideTheCodePageMakesTheWholeFileUtf8) {
    TempDir dir(L"export");
    TIDList records;
    records.Add(Item(L"caf\u00E9.txt", L"C:\\Data\\", 1, NewYearsEve));
    records.Add(Item(L"\u03A9mega \u65E5\u672C.txt", L"C:\\\u0394ata\\", 1, NewYearsEve));
    EXPECT_EQ(TExportEncoding::Utf8, ChooseExportEncoding(records, English()));

    const std::wstring csv = dir.Sub(L"unicode.csv");
    ASSERT_TRUE(WriteExportFile(csv, records, true, nullptr, English()).Written);
    EXPECT_EQ("\xEF\xBB\xBF\"Name\",\"Folder\",\"Size\",\"Date Modified\"\r\n"
              "\"caf\xC3\xA9.txt\",\"C:\\Data\\\",\"1\",\"31/12/2006 23:59\"\r\n"
              "\"\xCE\xA9mega \xE6\x97\xA5\xE6\x9C\xAC.txt\",\"C:\\\xCE\x94"
              "ata\\\",\"1\",\"31/12/2006 23:59\"\r\n",
              ReadFileBytes(csv));

    records.Delete(1);
    EXPECT_EQ(TExportEncoding::Ansi, ChooseExportEncoding(records, English()));
}

TEST(ExportFile, AMissingFolderIsAFailureAndAFolderNameTooEachWithTheSystemsReason) {
    TempDir dir(L"export");
    TIDList records;
    records.Add(Item(L"one.txt", L"C:\\", 1, NewYearsEve));
    const TExportResult missing = WriteExportFile(dir.Sub(L"missing\\out.txt"), records, false, nullptr);
    EXPECT_FALSE(missing.Written);
    EXPECT_EQ(0, missing.Rows);
    EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), missing.Error);
    const TExportResult folder = WriteExportFile(dir.MakeDir(L"taken"), records, true, nullptr);
    EXPECT_FALSE(folder.Written);
    EXPECT_NE(0u, folder.Error);
    EXPECT_EQ(0u, WriteExportFile(dir.Sub(L"fine.csv"), records, true, nullptr).Error);
}

TEST(ExportFile, LongExportsKeepEveryRowAcrossTheWriteBuffer) {
    TempDir dir(L"export");
    TIDList records;
    for (int i = 0; i < 3000; ++i)
        records.Add(Item(L"file" + std::to_wstring(i) + L".txt", L"C:\\Data\\", i, NewYearsEve));
    const std::wstring csv = dir.Sub(L"long.csv");
    ASSERT_TRUE(WriteExportFile(csv, records, true, nullptr, English()).Written);
    const std::string bytes = ReadFileBytes(csv);
    EXPECT_EQ(3001, std::count(bytes.begin(), bytes.end(), '\n'));
    EXPECT_NE(std::string::npos,
              bytes.find("\r\n\"file1500.txt\",\"C:\\Data\\\",\"2\",\"31/12/2006 23:59\"\r\n"));
    EXPECT_EQ(bytes.size() - 50,
              bytes.rfind("\"file2999.txt\",\"C:\\Data\\\",\"3\",\"31/12/2006 23:59\"\r\n"));
}
