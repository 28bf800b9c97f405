#include "results/Export.h"

#include "base/Text.h"

#include <algorithm>

namespace quarrow {
namespace {

constexpr size_t NameWidth = 35;
constexpr size_t FolderWidth = 35;
constexpr size_t SizeWidth = 20;
constexpr size_t DateWidth = 20;
constexpr size_t FileBufferSize = 64 * 1024;

std::wstring PadRight(std::wstring_view text, size_t width) {
    std::wstring result(text);
    if (result.size() < width)
        result.append(width - result.size(), L' ');
    return result;
}

std::wstring PadLeft(std::wstring_view text, size_t width) {
    std::wstring result;
    if (text.size() < width)
        result.assign(width - text.size(), L' ');
    result.append(text);
    return result;
}

std::wstring Quoted(std::wstring_view text) {
    std::wstring result;
    result.reserve(text.size() + 2);
    result.push_back(L'"');
    result.append(text);
    result.push_back(L'"');
    return result;
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

std::string Encode(std::wstring_view text, TExportEncoding encoding) {
    if (encoding == TExportEncoding::Utf8 || AnsiIsUtf8())
        return ToUtf8(text);
    return ToAnsi(text);
}

} // namespace

std::wstring ExportSizeText(int64_t bytes, const TLocaleFormat& format) {
    return FormatCount(std::max<int64_t>(KilobytesRoundedUp(bytes), 1), format);
}

std::wstring TextRow(const TShellItem& item, const TLocaleFormat& format) {
    return PadRight(item.Name, NameWidth) + L"  " + PadRight(item.Folder(), FolderWidth) + L"  " +
           PadLeft(ExportSizeText(item.Size, format), SizeWidth) + L" KB  " +
           PadRight(DateText(item.Modified, format), DateWidth);
}

// The five blanks before the size make "Size" end where the rows' "KB" ends.
std::wstring TextHeader() {
    return PadRight(L"Name", NameWidth) + L"  " + PadRight(L"Folder", FolderWidth) + L"     " +
           PadLeft(L"Size", SizeWidth) + L"  " + PadRight(L"Date Modified", DateWidth);
}

std::wstring CsvRow(const TShellItem& item, const TLocaleFormat& format) {
    return Quoted(item.Name) + L',' + Quoted(item.Folder()) + L',' +
           Quoted(ExportSizeText(item.Size, format)) + L',' + Quoted(DateText(item.Modified, format));
}

std::wstring CsvHeader() {
    return L"\"Name\",\"Folder\",\"Size\",\"Date Modified\"";
}

bool TClipboardRows::Add(const TShellItem& item) {
    if (count_ >= ClipboardItemLimit)
        return false;
    ++count_;
    text_ += TextRow(item, format_);
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
    file_.Reset(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                            FILE_ATTRIBUTE_NORMAL, nullptr));
    failed_ = false;
    error_ = 0;
    if (!file_)
        return Fail();
    if (encoding == TExportEncoding::Utf8)
        buffer_ = "\xEF\xBB\xBF";
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
    buffer_ += Encode(line, encoding_);
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
    for (int i = 0; ok && i < records.Count(); ++i) {
        const TShellItem& record = records[i];
        ok = file.WriteLine(asCsv ? CsvRow(record, format) : TextRow(record, format));
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
