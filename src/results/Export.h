#pragma once
// The results as text: the fixed-width rows of the clipboard and the text file, the
// comma-delimited rows, their header lines, and the writer of an export file. Window-free.

#include "base/Handles.h"
#include "results/DisplayFormats.h"
#include "search/ShellItem.h"

#include <functional>
#include <string>
#include <string_view>

namespace quarrow {

// The most rows one clipboard export accepts.
constexpr int ClipboardItemLimit = 5000;

// Every line of the clipboard and of an export file ends with this.
inline constexpr std::wstring_view ExportLineEnd = L"\r\n";

// The size column of an export: rounded-up kilobytes, 0 shown as 1, folders included.
std::wstring ExportSizeText(int64_t bytes, const TLocaleFormat& format = TLocaleFormat::User());

// Name, folder, size and date padded to their columns; nothing is ever cut.
std::wstring TextRow(const TShellItem& item, const TLocaleFormat& format = TLocaleFormat::User());
std::wstring TextHeader();

// Every field in double quotes; a quote inside a field is doubled.
std::wstring CsvRow(const TShellItem& item, const TLocaleFormat& format = TLocaleFormat::User());
std::wstring CsvHeader();

// The rows of one export in one locale. The records of an export mostly share their dates
// and sizes with the record before: each text is formatted once and reused.
class TExportRows {
public:
    explicit TExportRows(const TLocaleFormat& format = TLocaleFormat::User()) : format_(format) {}
    // Append the row of `item`, without its line end, to `out`.
    void AppendText(std::wstring& out, const TShellItem& item);
    void AppendCsv(std::wstring& out, const TShellItem& item);

private:
    const std::wstring& Size(int64_t bytes);
    const std::wstring& Date(TDateTime modified);

    TLocaleFormat format_;
    int64_t sizeKey_ = -1;
    std::wstring sizeText_;
    int64_t dateKey_ = -1;
    std::wstring dateText_;
};

// The text rows of a clipboard export, each with its line end, up to ClipboardItemLimit.
class TClipboardRows {
public:
    explicit TClipboardRows(const TLocaleFormat& format = TLocaleFormat::User()) : rows_(format) {}
    // False, and nothing added, once the row would exceed the limit.
    bool Add(const TShellItem& item);
    int Count() const { return count_; }
    const std::wstring& Text() const { return text_; }

private:
    TExportRows rows_;
    std::wstring text_;
    int count_ = 0;
};

// Export files are in the ANSI code page when every character fits; otherwise UTF-8 with a
// byte-order mark, so that no name turns into question marks.
enum class TExportEncoding { Ansi, Utf8 };
TExportEncoding ChooseExportEncoding(const TIDList& records, const TLocaleFormat& format);
// `text` in an export file's encoding, and the bytes such a file starts with.
std::string EncodeExportText(std::wstring_view text, TExportEncoding encoding);
std::string_view ExportByteOrderMark(TExportEncoding encoding);

// Writes an export file through a buffer; every call after a failure fails too.
class TExportFile {
public:
    // Creates the file, or empties it when it exists.
    bool Create(const std::wstring& path, TExportEncoding encoding);
    bool WriteLine(std::wstring_view line);
    // Flushes and closes; what was written before a failure stays in the file.
    bool Close();
    // The system's error code of the first failure; 0 while nothing failed.
    DWORD Error() const { return error_; }

private:
    bool Flush();
    bool Fail();

    UniqueFile file_;
    DWORD error_ = 0;
    TExportEncoding encoding_ = TExportEncoding::Ansi;
    std::string buffer_;
    bool failed_ = false;
};

struct TExportResult {
    bool Written = false; // the whole file, header and every row
    int Rows = 0;         // the records written
    DWORD Error = 0;      // why not, as the system tells it
};

// The header and then one row per record, from first to last; `afterRow` runs after each
// row (the window lets pending messages through there). The record count is read anew
// before each row, as records may go while messages are handled.
TExportResult WriteExportFile(const std::wstring& path, const TIDList& records, bool asCsv,
                              const std::function<void()>& afterRow,
                              const TLocaleFormat& format = TLocaleFormat::User());

// The file name the save dialog proposes: the previous export's, with `defaultExt` in place
// of its extension; empty before the first export.
std::wstring SuggestedExportPath(const std::wstring& previous, const std::wstring& defaultExt);

} // namespace quarrow
