#pragma once
// Where the console program writes: a console gets UTF-16 text through WriteConsoleW, so
// that every name shows as it is; a pipe or a file gets bytes (UTF-8 unless told otherwise).

#include <windows.h>

#include <string>
#include <string_view>

namespace quarrow {

class TOutputStream {
public:
    // `handle` is not owned.
    explicit TOutputStream(HANDLE handle);
    TOutputStream(const TOutputStream&) = delete;
    TOutputStream& operator=(const TOutputStream&) = delete;

    bool IsConsole() const { return console_; }
    HANDLE Handle() const { return handle_; }

    // Text as the console shows it, or as UTF-8 bytes.
    void WriteText(std::wstring_view text);
    // Bytes as they are; a console gets them decoded from `codePage`.
    void WriteBytes(std::string_view bytes, UINT codePage);

    // Writes what is buffered when there is much of it or it has waited long enough, so
    // that a reader at the other end of a pipe sees the results as they are found.
    void FlushIfDue();
    // False once any write has failed; nothing is written after a failure.
    bool Flush();
    bool Failed() const { return failed_; }
    // The system's error code of the failed write; 0 while none failed.
    DWORD Error() const { return error_; }
    bool Pending() const { return !bytes_.empty() || !text_.empty(); }

private:
    HANDLE handle_;
    bool console_ = false;
    bool failed_ = false;
    DWORD error_ = 0;
    std::string bytes_;
    std::wstring text_;
    ULONGLONG flushedAt_ = 0;
};

// The "Searching... N found, <folder>" line on a console, rewritten at most ten times a
// second and cleared at the end.
class TProgressLine {
public:
    // Shows nothing unless `handle` is a console.
    explicit TProgressLine(HANDLE handle);
    bool Active() const { return console_; }
    void Show(long long found, const std::wstring& folder);
    void Clear();

private:
    void Write(const std::wstring& text);

    HANDLE handle_;
    bool console_ = false;
    size_t shownLength_ = 0;
    ULONGLONG shownAt_ = 0;
};

// Whether `handle` is a console (a pipe, a file or nothing is not).
bool IsConsoleHandle(HANDLE handle);

// Whether a write failed because the reader at the other end of a pipe went away.
bool IsClosedPipe(DWORD error);

} // namespace quarrow
