#include "results/Export.h"

#include "base/FileSystem.h"
#include "base/Text.h"

#include <algorithm>

namespace quarrow {
namespace {

constexpr size_t NameWidth = 35;
constexpr size_t FolderWidth = 35;
constexpr size_t SizeWidth = 20;
constexpr size_t DateWidth = 20;
constexpr size_t FileBufferSize = 64 * 1024;

void AppendPaddedRight(std::wstring& out, std::wstring_view text, size_t width) {
    out.append(text);
    if (text.size() < width)
        out.append(width - text.size(), L' ');
}

void AppendPaddedLeft(std::wstring& out, std::wstring_view text, size_t width) {
    if (text.size() < width)
        out.append(width - text.size(), L' ');
    out.append(text);
}

// As comma-delimited readers expect: a quote inside the field is doubled, and a line break
// inside it stays, which the quotes allow.
void AppendQuoted(std::wstring& out, std::wstring_view text) {
    out.push_back(L'"');
    for (size_t quote = text.find(L'"'); quote != std::wstring_view::npos; quote = text.find(L'"')) {
        out.append(text.substr(0, quote + 1));
        out.push_back(L'"');
        text.remove_prefix(quote + 1);
    }
    out.append(text);
    out.push_back(L'"');
}

// On a system whose ANSI code page is UTF-8 every character fits it.
bool AnsiIsUtf8() {
    return GetACP() == CP_UTF8;
}

bool FitsAnsi(std::wstring_view text) {
    if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
        return true;
    if (AnsiIsUtf8())
        return true;
    bool lossless = false;
    ToAnsi(text, &lossless);
    return lossless;
}

} // namespace

std::string EncodeExportText(std::wstring_view text, TExportEncoding encoding) {
    if (encoding == TExportEncoding::Utf8 || AnsiIsUtf8())
        return ToUtf8(text);
    return ToAnsi(text);
}

std::string_view ExportByteOrderMark(TExportEncoding encoding) {
    return encoding == TExportEncoding::Utf8 ? "\xEF\xBB\xBF" : "";
}

std::wstring ExportSizeText(int64_t bytes, const TLocaleFormat& format) {
    return FormatCount(std::max<int64_t>(KilobytesRoundedUp(bytes), 1), format);
}

const std::wstring& TExportRows::Size(int64_t bytes) {
    const int64_t kilobytes = KilobytesRoundedUp(bytes);
    if (kilobytes != sizeKey_) {
        sizeText_ = ExportSizeText(bytes, format_);
        sizeKey_ = kilobytes;
    }
    return sizeText_;
}

// The text shows the minute: records of the same minute share it.
const std::wstring& TExportRows::Date(TDateTime modified) {
    const SYSTEMTIME st = DateTimeToSystemTime(modified);
    const int64_t minute =
        (((int64_t{st.wYear} * 16 + st.wMonth) * 32 + st.wDay) * 32 + st.wHour) * 64 + st.wMinute;
    if (minute != dateKey_) {
        dateText_ = DateText(modified, format_);
        dateKey_ = minute;
    }
    return dateText_;
}

void TExportRows::AppendText(std::wstring& out, const TShellItem& item) {
    AppendPaddedRight(out, item.Name, NameWidth);
    out += L"  ";
    AppendPaddedRight(out, item.Folder(), FolderWidth);
    out += L"  ";
    AppendPaddedLeft(out, Size(item.Size), SizeWidth);
    out += L" KB  ";
    AppendPaddedRight(out, Date(item.Modified), DateWidth);
}

void TExportRows::AppendCsv(std::wstring& out, const TShellItem& item) {
    AppendQuoted(out, item.Name);
    out += L',';
    AppendQuoted(out, item.Folder());
    out += L',';
    AppendQuoted(out, Size(item.Size));
    out += L',';
    AppendQuoted(out, Date(item.Modified));
}

std::wstring TextRow(const TShellItem& item, const TLocaleFormat& format) {
    std::wstring row;
    TExportRows(format).AppendText(row, item);
    return row;
}

// The five blanks before the size make "Size" end where the rows' "KB" ends.
std::wstring TextHeader() {
    std::wstring header;
    AppendPaddedRight(header, L"Name", NameWidth);
    header += L"  ";
    AppendPaddedRight(header, L"Folder", FolderWidth);
    header += L"     ";
    AppendPaddedLeft(header, L"Size", SizeWidth);
    header += L"  ";
    AppendPaddedRight(header, L"Date Modified", DateWidth);
    return header;
}

std::wstring CsvRow(const TShellItem& item, const TLocaleFormat& format) {
    std::wstring row;
    TExportRows(format).AppendCsv(row, item);
    return row;
}

std::wstring CsvHeader() {
    return L"\"Name\",\"Folder\",\"Size\",\"Date Modified\"";
}

bool TClipboardRows::Add(const TShellItem& item) {
    if (count_ >= ClipboardItemLimit)
        return false;
    ++count_;
    rows_.AppendText(text_, item);
    text_ += ExportLineEnd;
    return true;
}

TExportEncoding ChooseExportEncoding(const TIDList& records, const TLocaleFormat& format) {
    for (const std::wstring* separator :
         {&format.ThousandSeparator, &format.DateSeparator, &format.TimeSeparator}) {
        if (!FitsAnsi(*separator))
            return TExportEncoding::Utf8;
    }
    // The records of one folder share its text: it is checked once.
    const std::wstring* checkedFolder = nullptr;
    for (const auto& record : records.Items()) {
        if (!FitsAnsi(record->Name))
            return TExportEncoding::Utf8;
        if (&record->Folder() != checkedFolder) {
            if (!FitsAnsi(record->Folder()))
                return TExportEncoding::Utf8;
            checkedFolder = &record->Folder();
        }
    }
    return TExportEncoding::Ansi;
}

bool TExportFile::Create(const std::wstring& path, TExportEncoding encoding) {
    encoding_ = encoding;
    buffer_.clear();
    file_.Reset(CreateFileW(ExtendedLengthPath(path).c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    failed_ = false;
    error_ = 0;
    if (!file_)
        return Fail();
    buffer_ = ExportByteOrderMark(encoding);
    return true;
}

bool TExportFile::Fail() {
    if (!failed_) {
        failed_ = true;
        error_ = GetLastError();
        // A short write that the system did not call an error.
        if (error_ == ERROR_SUCCESS)
            error_ = ERROR_WRITE_FAULT;
    }
    return false;
}

bool TExportFile::WriteLine(std::wstring_view line) {
    if (failed_)
        return false;
    buffer_ += EncodeExportText(line, encoding_);
    buffer_ += "\r\n";
    return buffer_.size() < FileBufferSize || Flush();
}

bool TExportFile::Flush() {
    if (failed_)
        return false;
    DWORD written = 0;
    SetLastError(ERROR_SUCCESS);
    const bool ok = buffer_.empty() || (WriteFile(file_.Get(), buffer_.data(),
                                                  static_cast<DWORD>(buffer_.size()), &written, nullptr) &&
                                        written == buffer_.size());
    buffer_.clear();
    return ok || Fail();
}

bool TExportFile::Close() {
    const bool flushed = Flush();
    const bool closed = file_ && CloseHandle(file_.Release());
    return (closed || Fail()) && flushed;
}

TExportResult WriteExportFile(const std::wstring& path, const TIDList& records, bool asCsv,
                              const std::function<void()>& afterRow, const TLocaleFormat& format) {
    TExportResult result;
    TExportFile file;
    if (!file.Create(path, ChooseExportEncoding(records, format))) {
        result.Error = file.Error();
        return result;
    }
    bool ok = file.WriteLine(asCsv ? CsvHeader() : TextHeader());
    TExportRows rows(format);
    std::wstring row;
    for (int i = 0; ok && i < records.Count(); ++i) {
        const TShellItem& record = records[i];
        row.clear();
        if (asCsv)
            rows.AppendCsv(row, record);
        else
            rows.AppendText(row, record);
        ok = file.WriteLine(row);
        if (ok)
            ++result.Rows;
        if (afterRow)
            afterRow();
    }
    result.Written = file.Close() && ok;
    result.Error = file.Error();
    return result;
}

std::wstring SuggestedExportPath(const std::wstring& previous, const std::wstring& defaultExt) {
    if (previous.empty())
        return {};
    const size_t nameStart = previous.find_last_of(L"\\/:");
    const size_t dot = previous.rfind(L'.');
    const bool hasExtension =
        dot != std::wstring::npos && (nameStart == std::wstring::npos || dot > nameStart);
    return (hasExtension ? previous.substr(0, dot) : previous) + L"." + defaultExt;
}

} // namespace quarrow
