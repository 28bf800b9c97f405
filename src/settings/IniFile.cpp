#include "settings/IniFile.h"

#include "base/FileSystem.h"
#include "base/Handles.h"
#include "base/SystemError.h"
#include "base/Text.h"

#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cwctype>
#include <vector>

namespace quarrow {

namespace {

int DigitValue(wchar_t c) {
    if (c >= L'0' && c <= L'9')
        return c - L'0';
    if (c >= L'a' && c <= L'f')
        return c - L'a' + 10;
    if (c >= L'A' && c <= L'F')
        return c - L'A' + 10;
    return 99;
}

// Characters the private-profile functions strip from the ends of a value.
bool IsTrimmedByReader(wchar_t c) {
    return c <= L' ' || c == 0x1a || std::iswspace(c) || c == L'"' || c == L'\'';
}

// The text to hand to the private-profile functions so that a read gives `value` back: the
// reader strips blanks and one pair of quotes around a value, so such values are quoted, and
// a line break would start a new line of the file, so it becomes a blank.
std::wstring StoredForm(const std::wstring& value) {
    std::wstring text = value;
    for (wchar_t& c : text) {
        if (c == L'\r' || c == L'\n')
            c = L' ';
    }
    if (!text.empty() && (IsTrimmedByReader(text.front()) || IsTrimmedByReader(text.back())))
        text = L'"' + text + L'"';
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring(L".") : path.substr(0, slash);
}

// The whole file; a file that does not exist is empty. False when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string& content) {
    content.clear();
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_READ,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    char chunk[65536];
    DWORD read = 0;
    while (ReadFile(file.Get(), chunk, sizeof(chunk), &read, nullptr)) {
        if (read == 0)
            return true;
        content.append(chunk, read);
    }
    return false;
}

bool WriteWholeFile(const std::wstring& path, const std::string& content) {
    UniqueFile file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file)
        return false;
    size_t done = 0;
    while (done < content.size()) {
        const DWORD piece = static_cast<DWORD>(std::min<size_t>(content.size() - done, 1u << 20));
        DWORD written = 0;
        if (!WriteFile(file.Get(), content.data() + done, piece, &written, nullptr) || written == 0)
            return false;
        done += written;
    }
    return FlushFileBuffers(file.Get()) != FALSE;
}

bool HasByteOrderMark(const std::string& content) {
    return content.starts_with("\xFF\xFE") || content.starts_with("\xFE\xFF") ||
           content.starts_with("\xEF\xBB\xBF");
}

// An ANSI file's text as UTF-16 (little-endian, as Windows keeps it) with its byte-order mark.
std::string AnsiToUtf16File(const std::string& content) {
    const std::wstring text = FromAnsi(content);
    std::string result("\xFF\xFE");
    for (wchar_t c : text) {
        result.push_back(static_cast<char>(c & 0xff));
        result.push_back(static_cast<char>((c >> 8) & 0xff));
    }
    return result;
}

// Drops what the private-profile functions hold of the file in memory.
void ReleaseProfileCache(const std::wstring& path) {
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path.c_str());
}

// Written last into a working copy to show that the copy reached its end; never kept.
const wchar_t* const CompletionSection = L"QuarrowSaveCheck";

// Where the last "[section]" line starts, in the file's encoding; npos when there is none.
size_t LastSectionOffset(const std::string& content, const std::wstring& section) {
    const bool littleEndian = content.starts_with("\xFF\xFE");
    const bool bigEndian = content.starts_with("\xFE\xFF");
    std::string header;
    for (wchar_t c : L"[" + section + L"]") {
        if (littleEndian || bigEndian) {
            header.push_back(static_cast<char>(bigEndian ? c >> 8 : c & 0xff));
            header.push_back(static_cast<char>(bigEndian ? c & 0xff : c >> 8));
        } else {
            header.push_back(static_cast<char>(c));
        }
    }
    const size_t unit = littleEndian || bigEndian ? 2 : 1;
    for (size_t at = content.rfind(header); at != std::string::npos;
         at = at == 0 ? std::string::npos : content.rfind(header, at - 1)) {
        if (at % unit == 0)
            return at;
    }
    return std::string::npos;
}

bool TruncateFile(const std::wstring& path, size_t length) {
    UniqueFile file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(length);
    return file && SetFilePointerEx(file.Get(), position, nullptr, FILE_BEGIN) && SetEndOfFile(file.Get()) &&
           FlushFileBuffers(file.Get());
}

} // namespace

std::optional<int> ParseIniInteger(std::wstring_view text) {
    size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) {
        negative = text[i] == L'-';
        ++i;
    }
    int base = 10;
    if (i < text.size() && text[i] == L'$') {
        base = 16;
        ++i;
    } else if (i + 1 < text.size() && text[i] == L'0' && (text[i + 1] == L'x' || text[i + 1] == L'X')) {
        base = 16;
        i += 2;
    }
    if (i == text.size())
        return std::nullopt;
    const std::uint64_t limit = base == 16 ? 0xFFFFFFFFu : (negative ? 0x80000000u : 0x7FFFFFFFu);
    std::uint64_t magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit = DigitValue(text[i]);
        if (digit >= base)
            return std::nullopt;
        magnitude = magnitude * base + digit;
        if (magnitude > limit)
            return std::nullopt;
    }
    const auto bits = static_cast<std::uint32_t>(magnitude);
    return static_cast<int>(negative ? 0u - bits : bits);
}

std::wstring ProfileFullPath(const std::wstring& fileName) {
    if (fileName.find_first_of(L"\\/:") != std::wstring::npos) {
        const std::wstring full = ExpandFullPath(fileName);
        return full.empty() ? fileName : full;
    }
    wchar_t windows[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryW(windows, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return fileName;
    return IncludeTrailingBackslash(std::wstring(windows, length)) + fileName;
}

TIniFile::TIniFile(std::wstring fileName, std::wstring reportedPath)
    : fileName_(std::move(fileName)), reportedPath_(std::move(reportedPath)) {
    if (reportedPath_.empty())
        reportedPath_ = ProfileFullPath(fileName_);
}

bool TIniFile::ReadBool(const std::wstring& section, const std::wstring& key, bool defaultValue) const {
    return ReadInteger(section, key, defaultValue ? 1 : 0) != 0;
}

int TIniFile::ReadInteger(const std::wstring& section, const std::wstring& key, int defaultValue) const {
    return ParseIniInteger(ReadString(section, key, L"")).value_or(defaultValue);
}

std::wstring TIniFile::ReadString(const std::wstring& section, const std::wstring& key,
                                  const std::wstring& defaultValue) const {
    std::vector<wchar_t> buffer(1024);
    for (;;) {
        const DWORD size = static_cast<DWORD>(buffer.size());
        const DWORD length = GetPrivateProfileStringW(section.c_str(), key.c_str(), defaultValue.c_str(),
                                                      buffer.data(), size, fileName_.c_str());
        // A value that fills the buffer may have been cut: try again with more room.
        if (length + 1 < size || size >= (1u << 24))
            return std::wstring(buffer.data(), std::min(length, size - 1));
        buffer.resize(buffer.size() * 4);
    }
}

void TIniFile::WriteBool(const std::wstring& section, const std::wstring& key, bool value) {
    WriteString(section, key, value ? L"1" : L"0");
}

void TIniFile::WriteInteger(const std::wstring& section, const std::wstring& key, int value) {
    WriteString(section, key, std::to_wstring(value));
}

void TIniFile::WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
    Check(WritePrivateProfileStringW(section.c_str(), key.c_str(), StoredForm(value).c_str(),
                                     fileName_.c_str()) != FALSE);
}

void TIniFile::EraseSection(const std::wstring& section) {
    Check(WritePrivateProfileStringW(section.c_str(), nullptr, nullptr, fileName_.c_str()) != FALSE);
}

void TIniFile::Check(bool written) const {
    if (!written)
        throw QuarrowError(L"Unable to write to " + reportedPath_);
}

TIniFileUpdate::TIniFileUpdate(const std::wstring& path, bool unicode)
    : target_(ProfileFullPath(path)), file_(std::wstring(), target_) {
    CheckTargetWritable();
    // A first save after the profile's folder was removed, or into a folder that APPDATA
    // names before anyone made it.
    if (!CreateFolderTree(FolderOf(target_)))
        Refuse();
    std::string content;
    if (!ReadWholeFile(target_, content))
        Refuse();
    if (unicode && !HasByteOrderMark(content))
        content = AnsiToUtf16File(content);
    std::vector<wchar_t> name(MAX_PATH + 1);
    if (GetTempFileNameW(FolderOf(target_).c_str(), L"qrw", 0, name.data()) == 0)
        Refuse();
    working_ = name.data();
    file_ = TIniFile(working_, target_);
    if (!WriteWholeFile(working_, content)) {
        Discard();
        Refuse();
    }
}

TIniFileUpdate::~TIniFileUpdate() {
    if (!committed_)
        Discard();
}

void TIniFileUpdate::Commit() {
    SealWorkingCopy();
    CheckTargetWritable();
    bool replaced = false;
    if (GetFileAttributesW(target_.c_str()) == INVALID_FILE_ATTRIBUTES) {
        replaced = MoveFileExW(working_.c_str(), target_.c_str(),
                               MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
    } else {
        // ReplaceFileW keeps the file's attributes and security; when it has removed the old
        // file but could not rename the copy, the copy only needs to be moved into place.
        replaced = ReplaceFileW(target_.c_str(), working_.c_str(), nullptr, REPLACEFILE_IGNORE_MERGE_ERRORS,
                                nullptr, nullptr) ||
                   (GetLastError() == ERROR_UNABLE_TO_MOVE_REPLACEMENT &&
                    MoveFileExW(working_.c_str(), target_.c_str(), MOVEFILE_WRITE_THROUGH));
    }
    if (!replaced)
        Refuse();
    committed_ = true;
}

// A write that a full disk cut short can be reported as a success (Wine does so), leaving a
// truncated copy. A section written last and read back from the disk shows that the copy is
// whole; it is then cut off again.
void TIniFileUpdate::SealWorkingCopy() {
    const std::wstring token =
        std::to_wstring(GetCurrentProcessId()) + L"-" + std::to_wstring(GetTickCount64());
    file_.EraseSection(CompletionSection);
    file_.WriteString(CompletionSection, L"Token", token);
    ReleaseProfileCache(working_);
    const bool whole = file_.ReadString(CompletionSection, L"Token", L"") == token;
    ReleaseProfileCache(working_);
    std::string content;
    if (!whole || !ReadWholeFile(working_, content))
        Refuse();
    const size_t end = LastSectionOffset(content, CompletionSection);
    if (end == std::string::npos || !TruncateFile(working_, end))
        Refuse();
}

void TIniFileUpdate::Refuse() const {
    throw QuarrowError(L"Unable to write to " + target_);
}

// A folder in the file's place, or a read-only file, refuses every write. Checked before any
// work because the copy would not notice, and again before the replacement because Wine's
// ReplaceFileW replaces a folder.
void TIniFileUpdate::CheckTargetWritable() const {
    const DWORD attributes = GetFileAttributesW(target_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES &&
        (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) != 0)
        Refuse();
}

void TIniFileUpdate::Discard() noexcept {
    if (working_.empty())
        return;
    ReleaseProfileCache(working_);
    DeleteFileW(working_.c_str());
}

} // namespace quarrow
