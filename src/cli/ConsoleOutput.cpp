#include "cli/ConsoleOutput.h"

#include "base/Text.h"

#include <algorithm>

namespace quarrow {
namespace {

constexpr size_t FlushSize = 64 * 1024;
constexpr ULONGLONG FlushIntervalMs = 100;
constexpr ULONGLONG ProgressIntervalMs = 100;

bool WriteAllBytes(HANDLE handle, std::string_view bytes) {
    while (!bytes.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(bytes.size(), 1 << 20));
        DWORD written = 0;
        if (!WriteFile(handle, bytes.data(), chunk, &written, nullptr) || written == 0)
            return false;
        bytes.remove_prefix(written);
    }
    return true;
}

bool WriteAllConsole(HANDLE handle, std::wstring_view text) {
    while (!text.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(text.size(), 8192));
        DWORD written = 0;
        if (!WriteConsoleW(handle, text.data(), chunk, &written, nullptr) || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

} // namespace

bool IsConsoleHandle(HANDLE handle) {
    DWORD mode = 0;
    return handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) == FILE_TYPE_CHAR &&
           GetConsoleMode(handle, &mode);
}

bool IsClosedPipe(DWORD error) {
    return error == ERROR_BROKEN_PIPE || error == ERROR_NO_DATA || error == ERROR_PIPE_NOT_CONNECTED;
}

TOutputStream::TOutputStream(HANDLE handle)
    : handle_(handle), console_(IsConsoleHandle(handle)), flushedAt_(GetTickCount64()) {}

void TOutputStream::WriteText(std::wstring_view text) {
    if (failed_)
        return;
    if (console_)
        text_.append(text);
    else if (std::all_of(text.begin(), text.end(), [](wchar_t c) { return c < 0x80; }))
        bytes_.append(text.begin(), text.end());
    else
        bytes_.append(ToUtf8(text));
    if (bytes_.size() >= FlushSize || text_.size() >= FlushSize / 2)
        Flush();
}

void TOutputStream::WriteBytes(std::string_view bytes, UINT codePage) {
    if (failed_)
        return;
    if (!console_) {
        bytes_.append(bytes);
    } else {
        const std::string text(bytes);
        text_.append(codePage == CP_UTF8 ? FromUtf8(text) : FromAnsi(text));
    }
    if (bytes_.size() >= FlushSize || text_.size() >= FlushSize / 2)
        Flush();
}

void TOutputStream::FlushIfDue() {
    if (Pending() && GetTickCount64() - flushedAt_ >= FlushIntervalMs)
        Flush();
}

bool TOutputStream::Flush() {
    flushedAt_ = GetTickCount64();
    if (failed_)
        return false;
    SetLastError(ERROR_SUCCESS);
    const bool written = console_ ? WriteAllConsole(handle_, text_) : WriteAllBytes(handle_, bytes_);
    text_.clear();
    bytes_.clear();
    failed_ = !written;
    if (failed_) {
        error_ = GetLastError();
        // A write that took nothing without a reason of its own.
        if (error_ == ERROR_SUCCESS)
            error_ = ERROR_WRITE_FAULT;
    }
    return written;
}

TProgressLine::TProgressLine(HANDLE handle) : handle_(handle), console_(IsConsoleHandle(handle)) {}

void TProgressLine::Show(long long found, const std::wstring& folder) {
    const ULONGLONG now = GetTickCount64();
    if (!console_ || now - shownAt_ < ProgressIntervalMs)
        return;
    shownAt_ = now;
    const std::wstring head = L"Searching... " + std::to_wstring(found) + L" found, ";
    // One line that never wraps; the end of a long folder tells best where the walk is.
    CONSOLE_SCREEN_BUFFER_INFO info{};
    size_t width = 80;
    if (GetConsoleScreenBufferInfo(handle_, &info) && info.dwSize.X > 1)
        width = static_cast<size_t>(info.dwSize.X);
    const size_t room = width - 1 > head.size() + 3 ? width - 1 - head.size() : 3;
    if (folder.size() <= room)
        Write(head + folder);
    else
        Write(head + L"..." + folder.substr(folder.size() - (room - 3)));
}

void TProgressLine::Clear() {
    if (console_ && shownLength_ > 0)
        Write(L"");
}

void TProgressLine::Write(const std::wstring& text) {
    std::wstring line = L"\r" + text;
    if (text.size() < shownLength_)
        line.append(shownLength_ - text.size(), L' ');
    line += L'\r';
    shownLength_ = text.size();
    WriteAllConsole(handle_, line);
}

} // namespace quarrow
