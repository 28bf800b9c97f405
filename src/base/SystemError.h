#pragma once

#include <windows.h>

#include <stdexcept>
#include <string>

namespace quarrow {

// The system's message text for an error code, without trailing blanks, line ends or dots.
std::wstring SystemErrorText(DWORD code);

// Base of the program's errors: carries the message as UTF-16 text as well.
class QuarrowError : public std::runtime_error {
public:
    explicit QuarrowError(const std::wstring& message);
    const std::wstring& Message() const noexcept { return message_; }

private:
    std::wstring message_;
};

} // namespace quarrow
