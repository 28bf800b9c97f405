#pragma once
// Byte-pattern search over a block of memory (Horspool), and over a file mapped read-only.

#include "base/Handles.h"

#include <cstdint>
#include <functional>
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
    // The pattern is UTF-8 text: without CaseSensitive, each of its letters also matches the
    // UTF-8 bytes of its other case, instead of the bytes being folded one by one.
    bool Utf8() const { return FUtf8; }
    void SetUtf8(bool value);

    // The block to search; not owned. A null buffer or a length below 1 clears it.
    virtual void SetBuffer(const void* buffer, int64_t length);

    // Offset of the first occurrence of the pattern in the block, or -1.
    virtual int64_t Search();
    // Offset of the next occurrence after the previous one (occurrences do not overlap), or -1.
    virtual int64_t SearchNext();

    // The skip table matches the current pattern and case mode.
    bool TablesReady() const { return FTablesReady; }

protected:
    void ClearBuffer();
    // Continues the scan with the window that starts at `offset` of the block.
    void SetScanStart(int64_t offset) { FCurrent = offset + FPatternLength - 1; }
    const unsigned char* Buffer() const { return FBuffer; }
    int64_t BufferLength() const { return FBufferLength; }
    int64_t PatternLength() const { return FPatternLength; }

private:
    // One character of a UTF-8 pattern: a byte compared through the fold map, or the
    // encodings (of one length) that the character matches.
    struct TUtf8Unit {
        int64_t offset = 0;
        unsigned char folded = 0;
        std::vector<std::string> forms;
    };

    void BuildLowerMap();
    void BuildTables();
    void BuildUtf8Units();
    bool WindowMatches(const unsigned char* window) const;
    bool Utf8UnitsMatch(const unsigned char* window) const;
    int64_t ScanChain(int64_t current, int64_t limit) const;
    int64_t ScanTwoChains(int64_t first, int64_t end) const;

    // Offsets into the block rather than pointers: a skip may run past its end.
    int64_t FCurrent = 0; // the byte under the pattern's last byte in the current window
    std::string FPattern;
    int64_t FPatternLength = 0;
    bool FTablesReady = false;
    bool FCaseSensitive = false;
    bool FUtf8 = false;
    int64_t FMatchShift = 0;
    // Indexed by the raw byte; in the case-insensitive mode each entry already holds the
    // distance of the byte's lower-case form, so the scan needs one lookup per step.
    int32_t FSkip[256] = {};
    unsigned char FLowerMap[256] = {};
    unsigned char FFold[256] = {}; // how the scan compares each byte value in the current mode
    std::string FFoldedPattern;    // the pattern through FFold
    // The characters of the last UTF-8 pattern matched ignoring case; kept while patterns
    // alternate, as the content test does file by file.
    std::vector<TUtf8Unit> FUtf8Units;
    std::string FUtf8UnitsPattern;
    bool FMatchUtf8Units = false;
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

    // A read fault in the mapped file (it shrank, or its device went away) ends the file's
    // search: the text is not found and the file is closed.
    int64_t Search() override;
    int64_t SearchNext() override;

    // The largest view mapped at once. A larger file, or one whose whole view cannot be
    // mapped, is searched through consecutive overlapping views, with the same results.
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

    std::wstring FFilename;
    UniqueView view_;
    UniqueHandle mapping_; // kept only while the file is searched window by window
    int64_t fileSize_ = 0;
    int64_t maxViewSize_ = DefaultMaxViewSize;
    int64_t windowStep_ = 0; // 0: the whole file is one view
    int64_t windowIndex_ = -1;
    int64_t windowBase_ = 0;
    int64_t lastMatchEnd_ = 0;
};

} // namespace quarrow
