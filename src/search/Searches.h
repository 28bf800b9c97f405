#pragma once
// Byte-pattern search over a block of memory, and over a file mapped read-only.

#include "base/Handles.h"
#include "search/BytePattern.h"
#include "search/TextEncoding.h"

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quarrow {

class TBaseSearch {
public:
    TBaseSearch();
    virtual ~TBaseSearch();
    TBaseSearch(const TBaseSearch&) = delete;
    TBaseSearch& operator=(const TBaseSearch&) = delete;

    const std::string& Pattern() const { return FPattern; }
    void SetPattern(const std::string& value);
    bool CaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);
    // How the pattern's bytes write the text (ANSI after construction): how its letters fold
    // without CaseSensitive, and whether a match starts on a UTF-16 code unit of the block.
    TTextForm Form() const { return FForm; }
    void SetForm(TTextForm value);

    // The block to search; not owned. A null buffer or a length below 1 clears it.
    virtual void SetBuffer(const void* buffer, int64_t length);

    // Offset of the first occurrence of the pattern in the block, or -1.
    virtual int64_t Search();
    // Offset of the next occurrence after the previous one (occurrences do not overlap), or -1.
    virtual int64_t SearchNext();

    // The scan is compiled for the current pattern, form and case mode.
    bool TablesReady() const { return FTablesReady; }
    // The bytes of the last match found: a letter's other case can take more or fewer.
    int64_t MatchLength() const { return FMatchLength; }
    // The bytes of the longest text the pattern matches; compiles the scan.
    int64_t LongestMatch();

protected:
    void ClearBuffer();
    // Continues the scan with the window that starts at `offset` of the block.
    void SetScanStart(int64_t offset) { FNext = offset; }
    const unsigned char* Buffer() const { return FBuffer; }
    int64_t BufferLength() const { return FBufferLength; }
    int64_t PatternLength() const { return FPatternLength; }

private:
    void BuildLowerMap();
    void BuildTables();

    int64_t FNext = 0; // where the next window may start
    int64_t FMatchLength = 0;
    std::string FPattern;
    int64_t FPatternLength = 0;
    bool FTablesReady = false;
    bool FCaseSensitive = false;
    TTextForm FForm = TTextForm::Ansi;
    TAnsiLowerMap FLowerMap = {};
    const TBytePattern* FCompiled = nullptr;
    // The last patterns compiled, most recent last: the content test alternates between the
    // forms of one text file by file.
    std::vector<std::unique_ptr<TBytePattern>> FCompiledPatterns;
    const unsigned char* FBuffer = nullptr;
    int64_t FBufferLength = 0;
};

// A read-only view of a whole file, as the content test maps it.
struct TMappedFile {
    UniqueView view;
    int64_t size = 0;
};

// Opens `path` for reading, denying nothing to others, and maps the whole file read-only.
// No view when the file cannot be opened or mapped, is empty, or is larger than `maxSize`.
TMappedFile MapWholeFile(const std::wstring& path, int64_t maxSize);

class TFileSearch : public TBaseSearch {
public:
    TFileSearch() = default;
    ~TFileSearch() override;

    // Maps the file read-only. Filename() is `value` afterwards when the file can be
    // searched, else empty (and Search returns -1). Empty files are never searched.
    const std::wstring& Filename() const { return FFilename; }
    void SetFilename(const std::wstring& value);
    // As SetFilename, with the file already mapped (read ahead of the search): the object
    // owns the view from now on. Without a view, no file is searched.
    void SetMappedFile(const std::wstring& value, TMappedFile file);
    void CloseFile();

    // The encoding of the mapped file, told from its first bytes when it was mapped.
    const TDetectedEncoding& Encoding() const { return encoding_; }

    // A read fault in the mapped file (it shrank, or its device went away) ends the file's
    // search: the text is not found and the file is closed.
    int64_t Search() override;
    int64_t SearchNext() override;

    // The largest view mapped at once. A larger file, or one whose whole view cannot be
    // mapped, is searched through consecutive overlapping views, with the same results.
    // Why the last file given could not be searched: 0, or the system's error code for a
    // file that could not be opened or mapped (an empty file is searched in no time, and is
    // no failure).
    DWORD OpenError() const { return openError_; }
    // Why its search ended before its end: 0, or the system's error code for a view that
    // could not be mapped or a read fault (ERROR_READ_FAULT).
    DWORD ReadError() const { return readError_; }

    static constexpr int64_t DefaultMaxViewSize = int64_t{16} << 20;
    void SetMaxViewSize(int64_t bytes) { maxViewSize_ = bytes; }
    int64_t MaxViewSize() const { return maxViewSize_; }
    bool SearchesInWindows() const { return windowStep_ != 0; }

    // Called between two views of a file searched view by view, so that a large file does
    // not keep the caller waiting; returning false abandons the file (not found, closed).
    std::function<bool()> OnProgress;

private:
    bool StartWindows(int64_t preferredStep);
    bool MapWindow(int64_t index);
    int64_t SearchWindowsFrom(int64_t index);
    int64_t FoundInWindow(int64_t offset);
    int64_t ScanView(bool fromStart);
    void DetectEncoding();

    std::wstring FFilename;
    UniqueView view_;
    UniqueHandle mapping_; // kept only while the file is searched window by window
    int64_t fileSize_ = 0;
    int64_t maxViewSize_ = DefaultMaxViewSize;
    int64_t windowStep_ = 0; // 0: the whole file is one view
    int64_t windowIndex_ = -1;
    int64_t windowBase_ = 0;
    int64_t lastMatchEnd_ = 0;
    DWORD openError_ = 0;
    DWORD readError_ = 0;
    TDetectedEncoding encoding_;
};

} // namespace quarrow
