#pragma once
// How a block of a file holds text, told from its first bytes, and the forms the containing
// text is written in.

#include <cstddef>
#include <string>
#include <string_view>

namespace quarrow {

enum class TFileEncoding {
    Bytes,   // no byte-order mark and not UTF-16: ANSI or UTF-8
    Utf8,    // UTF-8 with its byte-order mark
    Utf16Le, // with or without a byte-order mark
    Utf16Be,
};

struct TDetectedEncoding {
    TFileEncoding Encoding = TFileEncoding::Bytes;
    int BomLength = 0; // bytes of the byte-order mark at the start, 0 when there is none
};

// The detection reads at most this many bytes from the start of a block.
constexpr size_t EncodingSampleLength = 4096;

// A byte-order mark decides. Without one, the block is UTF-16 when many of its first bytes
// are zero on one side of each code unit and hardly any on the other, and those code units
// read as text (no NULs, control characters or broken surrogate pairs): plain letters take
// a zero high byte, binary data scatters zeros on both sides or yields control codes.
// Chinese and Japanese, written without blanks, have few zeros: at least 64 code units that
// are not UTF-8, all read as text (no private-use characters either) and are mostly of the
// blocks of those scripts make UTF-16 too.
TDetectedEncoding DetectTextEncoding(const void* data, size_t length);

// How the containing text is written as bytes: the form decides how letters fold when case
// is ignored, and UTF-16 forms match only on whole code units.
enum class TTextForm { Ansi, Utf8, Utf16Le, Utf16Be };

// The bytes of UTF-16 text in either byte order.
std::string Utf16Bytes(std::wstring_view text, bool bigEndian);

} // namespace quarrow
