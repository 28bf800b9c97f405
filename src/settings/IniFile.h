#pragma once
// An INI file read and written key by key through the platform's private-profile functions,
// so that sections and keys written by anyone else are kept.

#include <optional>
#include <string>
#include <string_view>

namespace quarrow {

// An integer as INI files hold it: decimal, or hexadecimal after 0x, 0X or $ (up to eight
// digits, taken as a 32-bit pattern), with an optional sign. Anything else gives nothing.
std::optional<int> ParseIniInteger(std::wstring_view text);

// Where the private-profile functions keep a file of that name: a bare name lives in the
// Windows folder, anything else is expanded to a full path.
std::wstring ProfileFullPath(const std::wstring& fileName);

class TIniFile {
public:
    // Errors name `reportedPath`, or the full path of `fileName` when it is empty.
    explicit TIniFile(std::wstring fileName, std::wstring reportedPath = {});

    const std::wstring& FileName() const { return fileName_; }

    // A missing file, section or key, or a number that does not parse, gives the default.
    bool ReadBool(const std::wstring& section, const std::wstring& key, bool defaultValue) const;
    int ReadInteger(const std::wstring& section, const std::wstring& key, int defaultValue) const;
    std::wstring ReadString(const std::wstring& section, const std::wstring& key,
                            const std::wstring& defaultValue) const;

    // Each raises QuarrowError("Unable to write to <path>") when the system refuses.
    void WriteBool(const std::wstring& section, const std::wstring& key, bool value);
    void WriteInteger(const std::wstring& section, const std::wstring& key, int value);
    void WriteString(const std::wstring& section, const std::wstring& key, const std::wstring& value);
    void EraseSection(const std::wstring& section);

private:
    void Check(bool written) const;

    std::wstring fileName_;
    std::wstring reportedPath_;
};

// Changes an INI file on a copy next to it. The copy replaces the file only in Commit, so a
// write that fails part way (a full disk) leaves the file as it was: each private-profile
// write rewrites the whole file and would otherwise truncate it. Without Commit the copy is
// deleted. Errors name the file, never the copy.
class TIniFileUpdate {
public:
    // `unicode`: values outside the ANSI code page will be written; an ANSI file is then
    // converted to UTF-16 first, which the private-profile functions keep as UTF-16.
    TIniFileUpdate(const std::wstring& path, bool unicode);
    ~TIniFileUpdate();
    TIniFileUpdate(const TIniFileUpdate&) = delete;
    TIniFileUpdate& operator=(const TIniFileUpdate&) = delete;

    TIniFile& File() { return file_; }
    void Commit();

private:
    void SealWorkingCopy();
    [[noreturn]] void Refuse() const;
    void CheckTargetWritable() const;
    void Discard() noexcept;

    std::wstring target_;
    std::wstring working_;
    TIniFile file_;
    bool committed_ = false;
};

} // namespace quarrow
